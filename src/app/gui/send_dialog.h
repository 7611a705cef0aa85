#pragma once

#include <QLabel>
#include <QProgressBar>
#include <string>

#include "app/gui/busy_dialog.h"

namespace plondex {

// Up while songs are sent to the player: first the files being looked at, then "Songs sent: n of
// N", the song being sent and a bar.
class SendDialog : public BusyDialog {
  Q_OBJECT
 public:
  explicit SendDialog(QWidget* parent = nullptr);

  void SetLooking(int done, int total);
  // done songs of total are sent; player_path (8-bit) is being sent, or empty.
  void SetProgress(int done, int total, const std::string& player_path);
  QString ProgressText() const { return text_->text(); }
  QString SongText() const { return song_->text(); }

 private:
  QLabel* text_;
  QLabel* song_;
  QProgressBar* bar_;
};

}  // namespace plondex
