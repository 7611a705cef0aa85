#include "app/gui/qt_prompter.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/gui/qt_text.h"

namespace plondex {
namespace {

void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
             const std::string& text) {
  QMessageBox box(icon, title, ToQtMessage(text), QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace

void QtPrompter::Information(const std::string& text) {
  ShowBox(parent_, QMessageBox::Information, QStringLiteral("Information"), text);
}

void QtPrompter::Warning(const std::string& text) {
  ShowBox(parent_, QMessageBox::Warning, QStringLiteral("Warning"), text);
}

bool QtPrompter::WarningWithChoice(const std::string& text, const std::string& other_button) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), ToQtMessage(text),
                  QMessageBox::Ok, parent_);
  QPushButton* other = box.addButton(ToQt(other_button), QMessageBox::ActionRole);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Ok);
  box.exec();
  return box.clickedButton() == other;
}

void QtPrompter::ShowError(const std::string& text) {
  ShowBox(parent_, QMessageBox::Critical, QStringLiteral("Plondex"), text);
}

namespace {

bool AskYesNo(QWidget* parent, const std::string& text, bool yes_by_default) {
  QMessageBox box(QMessageBox::Information, QStringLiteral("Information"), ToQtMessage(text),
                  QMessageBox::NoButton, parent);
  QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
  box.setDefaultButton(yes_by_default ? yes : no);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

}  // namespace

bool QtPrompter::Confirm(const std::string& text) { return AskYesNo(parent_, text, true); }

bool QtPrompter::ConfirmDefaultNo(const std::string& text) {
  return AskYesNo(parent_, text, false);
}

std::optional<std::string> QtPrompter::InputBox(const std::string& caption,
                                                const std::string& prompt, int max_length) {
  QDialog dialog(parent_);
  dialog.setWindowTitle(ToQt(caption));
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(ToQt(prompt), &dialog));
  auto* edit = new QLineEdit(&dialog);
  edit->setMaxLength(max_length);
  layout->addWidget(edit);
  auto* buttons = new QDialogButtonBox(&dialog);
  QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  ok->setDefault(true);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return FromQt(edit->text());
}

}  // namespace plondex
