#include "app/gui/searching_dialog.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace plondex {

Treading::Treading(QWidget* parent) : BusyDialog(parent) {
  setObjectName(QStringLiteral("Treading"));
  setWindowTitle(QStringLiteral("Searching iHP"));
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("Songs found:"), this));
  count_ = new QLabel(QStringLiteral("0"), this);
  count_->setObjectName(QStringLiteral("Count"));
  count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  // Room for a six-digit count, so the dialog keeps its size while it counts.
  count_->setMinimumWidth(count_->fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
  row->addWidget(count_, 1);
  Content()->addLayout(row);
  // Wide enough for the caption beside the title bar's buttons.
  Content()->addStrut(220);
}

void Treading::SetCount(size_t count) { count_->setText(QString::number(count)); }

}  // namespace plondex
