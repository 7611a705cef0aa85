#include "app/gui/send_dialog.h"

#include <QVBoxLayout>
#include <algorithm>

#include "app/gui/qt_text.h"
#include "send/send.h"

namespace plondex {

SendDialog::SendDialog(QWidget* parent) : BusyDialog(parent) {
  setObjectName(QStringLiteral("Sending"));
  setWindowTitle(QStringLiteral("Sending Songs"));
  text_ = new QLabel(this);
  text_->setObjectName(QStringLiteral("SongsSent"));
  song_ = new QLabel(this);
  song_->setObjectName(QStringLiteral("SongBeingSent"));
  // A long path must not widen the dialog beyond the screen.
  song_->setMinimumWidth(360);
  song_->setMaximumWidth(480);
  bar_ = new QProgressBar(this);
  bar_->setMinimumWidth(360);
  Content()->addWidget(text_);
  Content()->addWidget(song_);
  Content()->addWidget(bar_);
  SetLooking(0, 0);
}

void SendDialog::SetLooking(int done, int total) {
  text_->setText(QStringLiteral("Looking at files: %1 of %2").arg(done).arg(total));
  song_->clear();
  bar_->setRange(0, std::max(total, 1));
  bar_->setValue(done);
}

void SendDialog::SetProgress(int done, int total, const std::string& player_path) {
  text_->setText(ToQt(SongsSentText(done, total)));
  const QString path = ToQt(player_path);
  song_->setText(song_->fontMetrics().elidedText(path, Qt::ElideMiddle, song_->maximumWidth()));
  song_->setToolTip(path);
  bar_->setRange(0, std::max(total, 1));
  bar_->setValue(done);
}

}  // namespace plondex
