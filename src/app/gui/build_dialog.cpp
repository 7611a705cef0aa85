#include "app/gui/build_dialog.h"

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
  // A bar whose range is 0 to 0 would show "busy" instead of empty.
  bar_->setRange(0, std::max(total, 1));
  bar_->setValue(done);
}

}  // namespace plondex
