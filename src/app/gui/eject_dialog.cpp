#include "app/gui/eject_dialog.h"

#include <QLabel>
#include <QVBoxLayout>

namespace plondex {

EjectDialog::EjectDialog(QWidget* parent) : BusyDialog(parent) {
  setObjectName(QStringLiteral("Ejecting"));
  setWindowTitle(QStringLiteral("Eject iHP"));
  Content()->addWidget(new QLabel(QStringLiteral("Ejecting the iHP..."), this));
}

}  // namespace plondex
