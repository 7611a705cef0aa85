#include "app/gui/build_dialog.h"

#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace plondex {

BuildDialog::BuildDialog(QWidget* parent) : BusyDialog(parent) {
  setObjectName(QStringLiteral("Creating"));
  setWindowTitle(QStringLiteral("Creating Database"));
  text_ = new QLabel(this);
  text_->setObjectName(QStringLiteral("SongsRead"));
  bar_ = new QProgressBar(this);
  bar_->setMinimumWidth(280);
  Content()->addWidget(text_);
  Content()->addWidget(bar_);
  SetProgress(0, 0);
}

void BuildDialog::SetProgress(int done, int total) {
  text_->setText(QStringLiteral("Songs read: %1 of %2").arg(done).arg(total));
  done_ = done;
  total_ = total;
  if (bar_update_queued_) return;
  // The bar repaints itself at once whenever its percentage changes: it follows once per turn of
  // the event loop, not once per song.
  bar_update_queued_ = true;
  QTimer::singleShot(0, this, [this] {
    bar_update_queued_ = false;
    // A bar whose range is 0 to 0 would show "busy" instead of empty.
    bar_->setRange(0, std::max(total_, 1));
    bar_->setValue(done_);
  });
}

}  // namespace plondex
