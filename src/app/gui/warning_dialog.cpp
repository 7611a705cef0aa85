#include "app/gui/warning_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace plondex {

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TForm3"));
  setWindowTitle(QStringLiteral("Important!"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(287, 246);
  auto* layout = new QVBoxLayout(this);
  auto* heading = new QLabel(QStringLiteral("WARNING"), this);
  QFont font = heading->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.6);
  heading->setFont(font);
  heading->setStyleSheet(QStringLiteral("color: maroon;"));
  heading->setAlignment(Qt::AlignHCenter);
  layout->addWidget(heading);
  for (const char* text :
       {"You are using this sofware at your own risk. There are reports of devices not starting "
        "anymore after creating a new database. If this is related to this software is not "
        "clear.",
        "It works for me, but it might not work for you. This software is not based on any "
        "official documentation, so there might be bugs."}) {
    auto* label = new QLabel(QString::fromUtf8(text), this);
    label->setWordWrap(true);
    layout->addWidget(label);
  }
  check_ = new QCheckBox(QStringLiteral("I have read the warning"), this);
  layout->addWidget(check_);
  auto* buttons = new QHBoxLayout;
  ok_ = new QPushButton(QStringLiteral("OK"), this);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  ok_->setEnabled(false);
  ok_->setDefault(true);
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(check_, &QCheckBox::clicked, this, &TForm3::CheckBox1Click);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  check_->setFocus();
}

void TForm3::CheckBox1Click() { ok_->setEnabled(check_->isChecked()); }

}  // namespace plondex
