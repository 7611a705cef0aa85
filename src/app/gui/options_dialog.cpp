#include "app/gui/options_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/gui/qt_text.h"

namespace plondex {

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TForm2"));
  setWindowTitle(QStringLiteral("Options"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(327, 247);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Select the iHP:"), this));
  disknames_ = new QComboBox(this);
  disknames_->setObjectName(QStringLiteral("disknames"));
  disknames_->setEditable(false);
  layout->addWidget(disknames_);
  layout->addWidget(new QLabel(QStringLiteral("Name of playlist folder:"), this));
  playlists_ = new QLineEdit(this);
  layout->addWidget(playlists_);
  auto* cut_row = new QHBoxLayout;
  cutat_ = new QSpinBox(this);
  cutat_->setObjectName(QStringLiteral("SpinEdit1"));
  cutat_->setRange(4, 64);
  cut_row->addWidget(cutat_);
  cut_row->addWidget(new QLabel(QStringLiteral("Maximum text length (album, title etc)"), this), 1);
  layout->addLayout(cut_row);
  verbose_ = new QCheckBox(QStringLiteral("Verbose (show additional info)"), this);
  nowrite_ = new QCheckBox(QStringLiteral("Do NOT write to the iHP (for testing)"), this);
  tagcache_ = new QCheckBox(QStringLiteral("Remember tags between builds"), this);
  tagcache_->setObjectName(QStringLiteral("TagCacheBox"));
  layout->addWidget(verbose_);
  layout->addWidget(nowrite_);
  layout->addWidget(tagcache_);
  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  ok->setDefault(true);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm2::Fill(const Settings& settings, const DriveChoices& choices) {
  verbose_->setChecked(settings.verbose);
  nowrite_->setChecked(settings.nowrite);
  tagcache_->setChecked(settings.tagcache);
  disknames_->clear();
  for (const std::string& entry : choices.entries) disknames_->addItem(ToQt(entry));
  disknames_->setCurrentIndex(choices.selection);
  playlists_->setText(ToQt(settings.playlists));
  cutat_->setValue(settings.cutat);
}

OptionsAnswer TForm2::Answer() const {
  OptionsAnswer answer;
  answer.selection = disknames_->currentIndex();
  answer.verbose = verbose_->isChecked();
  answer.nowrite = nowrite_->isChecked();
  answer.playlists = FromQt(playlists_->text());
  answer.cutat = cutat_->value();
  answer.tagcache = tagcache_->isChecked();
  return answer;
}

}  // namespace plondex
