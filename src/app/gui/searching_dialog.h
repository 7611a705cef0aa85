#pragma once

#include <QDialog>
#include <QLabel>

namespace plondex {

// Treading: shown while the player is searched, with the number of songs found.
class Treading : public QDialog {
  Q_OBJECT
 public:
  explicit Treading(QWidget* parent = nullptr);

  // Shows the dialog without making it modal and paints it at once.
  void ShowNow();
  // Sets the number and repaints it at once.
  void SetCount(size_t count);
  QString CountText() const { return count_->text(); }

 private:
  QLabel* count_;
};

}  // namespace plondex
