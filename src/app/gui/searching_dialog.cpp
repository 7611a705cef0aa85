#include "app/gui/searching_dialog.h"

#include <QCoreApplication>
#include <QHBoxLayout>

namespace plondex {

Treading::Treading(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Treading"));
  setWindowTitle(QStringLiteral("Searching iHP"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(168, 43);
  setModal(false);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Songs found:"), this));
  count_ = new QLabel(QStringLiteral("0"), this);
  count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  layout->addWidget(count_, 1);
}

void Treading::ShowNow() {
  show();
  // The scan runs inside one handler; let the window system map the dialog before it starts.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  repaint();
}

void Treading::SetCount(size_t count) {
  count_->setText(QString::number(count));
  count_->repaint();
}

}  // namespace plondex
