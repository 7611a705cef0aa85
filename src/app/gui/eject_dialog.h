#pragma once

#include "app/gui/busy_dialog.h"

namespace plondex {

// Up while the player is flushed, unmounted and powered off. The system may wait for the user to
// allow that; Cancel stops the wait.
class EjectDialog : public BusyDialog {
  Q_OBJECT
 public:
  explicit EjectDialog(QWidget* parent = nullptr);
};

}  // namespace plondex
