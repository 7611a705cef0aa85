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

 private:
  QLabel* text_;
  QProgressBar* bar_;
  int done_ = 0;
  int total_ = 0;
  bool bar_update_queued_ = false;
};

}  // namespace plondex
