#pragma once

#include <QDialog>

class QPushButton;
class QVBoxLayout;

namespace plondex {

// A dialog that is up while a long operation runs on the worker thread, with a "Cancel" button
// (Escape works as Cancel). Cancel only asks: the dialog goes when the operation has stopped.
// While it is up, no other window of the program takes a command: clicks, keys and shortcuts
// meant for them are dropped (Escape still cancels), and activating one of them hands the keys
// back to the dialog. Their paint events still arrive, and so does a window's close box: Qt's
// own modality would drop that request, but the main window answers it by cancelling and closing
// once the operation has stopped.
class BusyDialog : public QDialog {
  Q_OBJECT
 public:
  explicit BusyDialog(QWidget* parent = nullptr);

  // Shows the dialog and keeps commands away from the other windows until End.
  void Begin();
  void End();

  QPushButton* CancelButton() const { return cancel_; }

 signals:
  void CancelClicked();

 public slots:
  // Cancel, Escape and the dialog's own close request.
  void reject() override;

 protected:
  // Where a dialog puts what it shows, above the button.
  QVBoxLayout* Content() const { return content_; }
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QVBoxLayout* content_;
  QPushButton* cancel_;
  bool guarding_ = false;
};

}  // namespace plondex
