#pragma once

#include "app/gui/busy_dialog.h"

namespace plondex {

// Up while the player is flushed, unmounted and powered off. The system cannot be stopped halfway
// through that, so there is nothing to cancel.
class EjectDialog : public BusyDialog {
  Q_OBJECT
 public:
  explicit EjectDialog(QWidget* parent = nullptr);
};

}  // namespace plondex
