#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QSpinBox>

#include "app/core/settings.h"

namespace plondex {

// TForm2: the options dialog.
class TForm2 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm2(QWidget* parent = nullptr);

  // Puts the settings and the drive list into the controls.
  void Fill(const Settings& settings, const DriveChoices& choices);
  // What the controls hold now.
  OptionsAnswer Answer() const;

  QComboBox* disknames() const { return disknames_; }
  QLineEdit* PlaylistEdit() const { return playlists_; }
  QSpinBox* SpinEdit1() const { return cutat_; }
  QCheckBox* VerboseBox() const { return verbose_; }
  QCheckBox* NoWriteBox() const { return nowrite_; }
  QCheckBox* TagCacheBox() const { return tagcache_; }

 private:
  QComboBox* disknames_;
  QLineEdit* playlists_;
  QSpinBox* cutat_;
  QCheckBox* verbose_;
  QCheckBox* nowrite_;
  QCheckBox* tagcache_;
};

}  // namespace plondex
