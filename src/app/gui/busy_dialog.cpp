#include "app/gui/busy_dialog.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace plondex {
namespace {

// Input that could start a command.
bool IsCommandInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::InputMethod:
      return true;
    default:
      return false;
  }
}

}  // namespace

BusyDialog::BusyDialog(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  content_ = new QVBoxLayout;
  layout->addLayout(content_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setObjectName(QStringLiteral("Cancel"));
  // Enter must not stop a long build by accident.
  cancel_->setAutoDefault(false);
  buttons->addWidget(cancel_);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  connect(cancel_, &QPushButton::clicked, this, &BusyDialog::reject);
}

void BusyDialog::Begin() {
  cancel_->setEnabled(true);
  if (!guarding_) {
    qApp->installEventFilter(this);
    guarding_ = true;
  }
  show();
}

void BusyDialog::End() {
  if (guarding_) {
    qApp->removeEventFilter(this);
    guarding_ = false;
  }
  const bool had_focus = windowHandle() && windowHandle()->isActive();
  hide();
  // The keys go back to the window the dialog stood for.
  if (had_focus && parentWidget()) parentWidget()->window()->activateWindow();
}

void BusyDialog::reject() {
  if (!cancel_->isEnabled()) return;  // asked already
  cancel_->setEnabled(false);
  emit CancelClicked();
}

bool BusyDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::WindowActivate && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->isWindow() && watched != this) {
    // As with a modal dialog, the keys go to the dialog when another window is activated.
    QTimer::singleShot(0, this, [this] {
      if (isVisible()) activateWindow();
    });
    return false;
  }
  if (!IsCommandInput(event->type())) return false;
  if (watched->isWidgetType()) {
    if (static_cast<QWidget*>(watched)->window() == this) return false;
    // Escape is Cancel wherever the keys went.
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      reject();
    }
    return true;
  }
  // A shortcut goes to its action; a window hands other input on to its widgets.
  if (event->type() != QEvent::Shortcut) return false;
  for (const QObject* o = watched; o; o = o->parent()) {
    if (o == this) return false;
  }
  return true;
}

}  // namespace plondex
