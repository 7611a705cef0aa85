#include "app/gui/send_picker.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>
#include <QListView>
#include <QTreeView>

namespace plondex {
namespace {

// A file dialog whose selection may hold folders as well as files: a folder sends every song
// below it.
class SourceDialog : public QFileDialog {
 public:
  explicit SourceDialog(QWidget* parent)
      : QFileDialog(parent, QStringLiteral("Send Songs to iHP")) {
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFiles);
    setLabelText(QFileDialog::Accept, QStringLiteral("Send"));
    for (QAbstractItemView* view : Views()) {
      view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    }
  }

  QStringList chosen;

  void accept() override {
    chosen.clear();
    for (QAbstractItemView* view : Views()) {
      if (!view->isVisible() || !view->selectionModel()) continue;
      const auto* model = qobject_cast<const QFileSystemModel*>(view->model());
      if (!model) continue;
      for (const QModelIndex& index : view->selectionModel()->selectedRows()) {
        chosen.push_back(model->filePath(index));
      }
    }
    // Nothing selected in the views: a name typed in the line, as the dialog itself takes it.
    if (chosen.isEmpty()) {
      QFileDialog::accept();
      chosen = selectedFiles();
      return;
    }
    done(QDialog::Accepted);
  }

 private:
  QList<QAbstractItemView*> Views() const {
    QList<QAbstractItemView*> views;
    for (auto* v : findChildren<QListView*>(QStringLiteral("listView"))) views.push_back(v);
    for (auto* v : findChildren<QTreeView*>(QStringLiteral("treeView"))) views.push_back(v);
    return views;
  }
};

}  // namespace

std::optional<SendChoice> PickSongsToSend(QWidget* parent, SendFormat format) {
  SourceDialog dialog(parent);
  auto* convert = new QComboBox(&dialog);
  convert->setObjectName(QStringLiteral("ConvertTo"));
  convert->addItem(QStringLiteral("MP3"));
  convert->addItem(QStringLiteral("Ogg Vorbis"));
  convert->setCurrentIndex(format == SendFormat::kOgg ? 1 : 0);
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(QStringLiteral("Convert other songs to:"), &dialog), row, 0);
    grid->addWidget(convert, row, 1);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.chosen.isEmpty()) return std::nullopt;
  SendChoice choice;
  for (const QString& path : dialog.chosen) choice.sources.push_back(path.toStdString());
  choice.format = convert->currentIndex() == 1 ? SendFormat::kOgg : SendFormat::kMp3;
  return choice;
}

}  // namespace plondex
