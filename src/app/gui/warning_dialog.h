#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QPushButton>

namespace plondex {

// TForm3: shown on every start; only OK with the box checked lets the program go on.
class TForm3 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm3(QWidget* parent = nullptr);

  QCheckBox* CheckBox1() const { return check_; }
  QPushButton* OkButton() const { return ok_; }

 private slots:
  void CheckBox1Click();

 private:
  QCheckBox* check_;
  QPushButton* ok_;
};

}  // namespace plondex
