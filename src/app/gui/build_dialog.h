#pragma once

#include <QLabel>
#include <QProgressBar>

#include "app/gui/busy_dialog.h"

namespace plondex {

// Up while Create Database runs: how many of the checked songs have been read.
class BuildDialog : public BusyDialog {
  Q_OBJECT
 public:
  explicit BuildDialog(QWidget* parent = nullptr);

  // "Songs read: done of total", and the bar to match.
  void SetProgress(int done, int total);
  QString ProgressText() const { return text_->text(); }
  QProgressBar* Bar() const { return bar_; }

 private:
  QLabel* text_;
  QProgressBar* bar_;
};

}  // namespace plondex
