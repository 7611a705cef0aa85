#pragma once

#include <QLabel>

#include "app/gui/busy_dialog.h"

namespace plondex {

// Treading: up while the player is searched, with the number of nodes found so far.
class Treading : public BusyDialog {
  Q_OBJECT
 public:
  explicit Treading(QWidget* parent = nullptr);

  // Sets the number; it keeps its text until the next search sets it again.
  void SetCount(size_t count);
  QString CountText() const { return count_->text(); }

 private:
  QLabel* count_;
};

}  // namespace plondex
