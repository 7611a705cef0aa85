#include "app/gui/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <utility>

#include "app/gui/background_job.h"
#include "app/gui/build_dialog.h"
#include "app/gui/eject_dialog.h"
#include "app/gui/log_pane.h"
#include "app/gui/options_dialog.h"
#include "app/gui/playlist_panel.h"
#include "app/gui/qt_prompter.h"
#include "app/gui/qt_text.h"
#include "app/gui/searching_dialog.h"
#include "app/gui/send_dialog.h"
#include "app/gui/send_picker.h"
#include "app/gui/songtree_view.h"
#include "app/gui/warning_dialog.h"
#include "library/checkstates.h"
#include "library/scan.h"
#include "library/treeops.h"
#include "navdb/database_build.h"
#include "navdb/database_checks.h"
#include "navdb/sqlite_tag_cache.h"
#include "platform/error.h"
#include "platform/program_folder.h"
#include "send/send.h"

namespace plondex {
namespace {

constexpr char kNotConnectedAtStart[] =
    "iHP not connected!\r\nPlease connect the iHP and restart the application.";
constexpr char kCreateDatabaseQuestion[] = "Create Database now?";
constexpr char kEmptyDatabaseQuestion[] = "No song is checked. Write an empty database to the iHP?";
constexpr char kSongsFile[] = "songs.dat";

// Hands the reports of a send on the worker thread to its dialog on the window's thread.
class QueuedSendReporter : public SendReporter {
 public:
  QueuedSendReporter(BackgroundJob& job, SendDialog* dialog) : job_(job), dialog_(dialog) {}
  // The calls run after this reporter is gone: they hold what they need themselves.
  void FilesLooked(int done, int total) override {
    job_.Post([dialog = dialog_, done, total] { dialog->SetLooking(done, total); });
  }
  void SongStarted(int done, int total, const std::string& player_path) override {
    job_.Post([dialog = dialog_, done, total, player_path] {
      dialog->SetProgress(done, total, player_path);
    });
  }
  void SongFinished(int done, int total) override {
    job_.Post([dialog = dialog_, done, total] { dialog->SetProgress(done, total, {}); });
  }
  bool CancelRequested() override { return job_.CancelRequested(); }

 private:
  BackgroundJob& job_;
  SendDialog* dialog_;
};

}  // namespace

TForm1::TForm1(std::shared_ptr<const DriveTable> drives, std::string program_folder,
               QWidget* parent)
    : QMainWindow(parent),
      drives_(std::move(drives)),
      files_(*drives_),
      program_folder_(std::move(program_folder)),
      prompter_(std::make_unique<QtPrompter>(this)) {
  tag_cache_file = DefaultTagCacheFile();
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Plondex"));
  resize(832, 550);

  auto* songs_box = new QGroupBox(QStringLiteral("Songs on player (*.mp3,*.ogg,*.wma)"));
  auto* songs_layout = new QVBoxLayout(songs_box);
  tree_view_ = new SongTreeView(&tree_, songs_box);
  tree_view_->song_model()->SetDriveLetterSource([this] { return player_drive_; });
  songs_layout->addWidget(tree_view_);

  // The playlist pane draws its own "Playlists" group box.
  panel_ = new PlaylistPanel(&forward_, &files_, [this] {
    return PlaylistContext{player_drive_, settings_.playlists, settings_.nowrite};
  });
  panel_->SetTreeSource(tree_view_,
                        [this]() -> const SongNode* { return tree_view_->SelectedNode(); });

  auto* top = new QSplitter(Qt::Horizontal);
  top->addWidget(songs_box);
  top->addWidget(panel_);
  top->setSizes({249, 832 - 249});
  top->setStretchFactor(1, 1);

  auto* main_split = new QSplitter(Qt::Vertical);
  main_split->addWidget(top);
  main_split->addWidget(BuildBottomPane());
  main_split->setStretchFactor(0, 1);
  main_split->setSizes({550 - 107, 107});
  setCentralWidget(main_split);
  BuildMenus();

  options_ = new TForm2(this);
  warning_ = new TForm3(this);
  reading_ = new Treading(this);
  building_ = new BuildDialog(this);
  sending_ = new SendDialog(this);
  ejecting_ = new EjectDialog(this);
  run_warning = [](TForm3& dialog) { return dialog.exec() == QDialog::Accepted; };
  run_options = [](TForm2& dialog) { return dialog.exec() == QDialog::Accepted; };
  pick_songs = [this](SendFormat current) { return PickSongsToSend(this, current); };
  connect(tree_view_, &SongTreeView::FilesDropped, this, [this](const QStringList& paths) {
    SendChoice choice;
    for (const QString& path : paths) choice.sources.push_back(path.toStdString());
    choice.format = send_format_;
    SendSongs(choice);
  });

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

TForm1::~TForm1() = default;

QWidget* TForm1::BuildBottomPane() {
  auto* bottom = new QWidget;
  auto* layout = new QHBoxLayout(bottom);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* counters = new QWidget(bottom);
  auto* grid = new QGridLayout(counters);
  grid->setContentsMargins(4, 2, 4, 2);
  grid->setVerticalSpacing(0);
  static const char* const kValueNames[kBuildCounterCount] = {"Label5",  "Label6", "Label7",
                                                              "Label12", "Label8", "Label10"};
  for (int i = 0; i < kBuildCounterCount; ++i) {
    grid->addWidget(new QLabel(QString::fromUtf8(kBuildCounterCaptions[i]), counters), i, 0);
    counter_labels_[i] = new QLabel(QString(), counters);
    counter_labels_[i]->setObjectName(QString::fromUtf8(kValueNames[i]));
    // Six digits fit beside the captions.
    counter_labels_[i]->setMinimumWidth(
        counter_labels_[i]->fontMetrics().horizontalAdvance(QStringLiteral("000000")));
    grid->addWidget(counter_labels_[i], i, 1);
  }
  counters->setFixedWidth(std::max(177, counters->sizeHint().width()));
  layout->addWidget(counters);
  memo_ = new LogPane(bottom);
  memo_->setObjectName(QStringLiteral("Memo1"));
  memo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  layout->addWidget(memo_, 1);
  bottom->setMinimumHeight(107);
  return bottom;
}

void TForm1::BuildMenus() {
  auto add = [this](QMenu* menu, const char* name, const char* text, const QKeySequence& key,
                    auto slot) {
    QAction* action = menu->addAction(QString::fromUtf8(text));
    action->setObjectName(QString::fromUtf8(name));
    if (!key.isEmpty()) action->setShortcut(key);
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  add(file, "Options1", "&Options", QKeySequence(Qt::CTRL | Qt::Key_O), &TForm1::Options1Click);
  add(file, "Eject1", "Eject iHP", QKeySequence(Qt::CTRL | Qt::Key_J), &TForm1::Eject1Click);
  file->addSeparator();
  add(file, "Exit1", "&Exit", QKeySequence(), &TForm1::Exit1Click);

  QMenu* songs = menuBar()->addMenu(QStringLiteral("&Songs"));
  add(songs, "Update1", "&Refresh", QKeySequence(Qt::Key_F5), &TForm1::Update1Click);
  add(songs, "ExpandAll1", "&Expand All", QKeySequence(Qt::CTRL | Qt::Key_E),
      &TForm1::ExpandAll1Click);
  add(songs, "CollpaseAll1", "&Collapse All", QKeySequence(Qt::CTRL | Qt::Key_L),
      &TForm1::CollpaseAll1Click);
  add(songs, "SortTree1", "Sort Tree", QKeySequence(), &TForm1::SortTree1Click);
  add(songs, "CheckDatabase1", "Check songs in iHP database", QKeySequence(),
      &TForm1::CheckDatabase1Click);
  add(songs, "SendSongs1", "Send Songs to iHP...", QKeySequence(Qt::CTRL | Qt::Key_T),
      &TForm1::SendSongs1Click);
  songs->addSeparator();
  add(songs, "Create1", "Create &Database", QKeySequence(Qt::CTRL | Qt::Key_D),
      &TForm1::Create1Click);
  add(songs, "CreateReadingAll1", "Create Database (read all tags)",
      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D), &TForm1::CreateReadingAll1Click);

  // Ctrl+D belongs to Create Database, which comes first in the menus; Delete only shows it.
  QMenu* lists = menuBar()->addMenu(QStringLiteral("&Playlists"));
  auto add_panel = [this, lists](const char* name, const char* text, const QKeySequence& key,
                                 void (PlaylistPanel::*slot)()) {
    QAction* action = lists->addAction(QString::fromUtf8(text));
    action->setObjectName(QString::fromUtf8(name));
    if (!key.isEmpty()) action->setShortcut(key);
    connect(action, &QAction::triggered, panel_, slot);
    return action;
  };
  add_panel("New1", "&New", QKeySequence(Qt::CTRL | Qt::Key_N), &PlaylistPanel::Button1Click);
  add_panel("Delete1", "&Delete\tCtrl+D", QKeySequence(), &PlaylistPanel::Button2Click);
  add_panel("Sort1", "&Sort", QKeySequence(Qt::CTRL | Qt::Key_S), &PlaylistPanel::Button3Click);
  add_panel("Clear1", "&Clear", QKeySequence(Qt::CTRL | Qt::Key_C), &PlaylistPanel::Button4Click);
  lists->addSeparator();
  add_panel("Removeselectedsongs1", "&Remove selected songs", QKeySequence(Qt::CTRL | Qt::Key_R),
            &PlaylistPanel::Removeselectedsongs1Click);

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  add(help, "About1", "&About", QKeySequence(), &TForm1::About1Click);
}

QAction* TForm1::FindAction(const QString& object_name) const {
  return findChild<QAction*>(object_name);
}

void TForm1::SetPrompter(std::unique_ptr<Prompter> prompter) { prompter_ = std::move(prompter); }

std::string TForm1::IniPath() const { return program_folder_ + "/" + kSettingsFileName; }

bool TForm1::Run(const std::function<void()>& command) {
  try {
    command();
    return true;
  } catch (const std::exception& e) {
    prompter_->ShowError(e.what());
    return false;
  }
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!started_) {
    started_ = true;
    // After the window is up: the start-up sequence shows modal dialogs of its own.
    QTimer::singleShot(0, this, &TForm1::StartUp);
  }
}

void TForm1::StartUp() {
  started_ = true;
  if (!run_warning(*warning_)) {
    close();
    return;
  }
  if (!Run([this] {
        settings_ = LoadSettings(IniPath());
        settings_loaded_ = true;
        player_drive_ = FindPlayerDrive(*drives_, settings_.driveid);
      })) {
    return;
  }
  if (player_drive_ == kNoDrive && !Run([this] { RunOptionsDialog(); })) return;
  if (player_drive_ != kNoDrive && drives_->DrivePresent(player_drive_)) {
    Run([this] { ReloadPlayer(); });
    return;
  }
  prompter_->Information(kNotConnectedAtStart);
  close();
}

void TForm1::RunOptionsDialog() {
  const DriveChoices choices = ListDriveChoices(*drives_, settings_.driveid);
  options_->Fill(settings_, choices);
  if (!run_options(*options_)) return;
  SaveOptions(IniPath(), choices, options_->Answer(), *drives_, settings_, player_drive_);
}

bool TForm1::RunInBackground(BusyDialog* dialog, const std::function<void(BackgroundJob&)>& work) {
  BackgroundJob job(dialog);
  job_ = &job;
  std::exception_ptr failure;
  try {
    job.Run([&work, &job] { work(job); });
  } catch (...) {
    failure = std::current_exception();
  }
  job_ = nullptr;
  memo_->Flush();
  // A close box clicked while the job ran closes the window after it, also when it failed.
  const bool closing = std::exchange(close_after_job_, false);
  if (closing) QTimer::singleShot(0, this, &TForm1::close);
  if (failure) std::rethrow_exception(failure);
  return !closing;
}

void TForm1::ReloadPlayer() {
  // The new tree is filled apart and takes the place of the shown one only when it is complete.
  SongTree fresh;
  bool complete = false;
  const char drive = player_drive_;
  const std::string songs_dat = program_folder_ + "/" + kSongsFile;
  // The checks shown so far are the user's latest word on this player's songs; songs.dat speaks
  // only for songs the tree did not show. A tree of another player has nothing to say.
  const SongTree* shown = !tree_.empty() && tree_player_ == settings_.driveid ? &tree_ : nullptr;
  const bool go_on = RunInBackground(reading_, [&](BackgroundJob& job) {
    complete = RebuildSongTree(
        fresh, files_, drive, songs_dat,
        [this, &job](size_t total) { job.Post([this, total] { reading_->SetCount(total); }); },
        [&job] { return job.CancelRequested(); }, shown);
    if (complete) RecomputeCheckStates(fresh);
  });
  if (!go_on || !complete) return;
  tree_view_->ReplaceTree(std::move(fresh));
  tree_player_ = settings_.driveid;
  panel_->ReloadPlaylists();
}

void TForm1::Options1Click() {
  const char drive = player_drive_;
  const std::string player = settings_.driveid;
  Run([this] { RunOptionsDialog(); });
  // Another player: its songs are shown at once, so that no command acts on the old one's.
  const bool changed = player_drive_ != drive || settings_.driveid != player;
  if (changed && player_drive_ != kNoDrive && drives_->DrivePresent(player_drive_)) {
    Run([this] { ReloadPlayer(); });
  }
}

void TForm1::Exit1Click() { close(); }

bool TForm1::PlayerConnected() {
  if (player_drive_ != kNoDrive && drives_->DrivePresent(player_drive_)) return true;
  prompter_->Information(kNotConnectedMessage);
  return false;
}

void TForm1::Update1Click() {
  if (PlayerConnected()) Run([this] { ReloadPlayer(); });
}

void TForm1::Eject1Click() {
  if (PlayerConnected()) EjectPlayer();
}

void TForm1::EjectPlayer() {
  std::string answer;
  bool go_on = false;
  const char drive = player_drive_;
  // Unmounting may wait for the disk, or for the user to allow it: the window keeps repainting,
  // and Cancel or closing the window stops the wait.
  if (!Run([&] {
        go_on = RunInBackground(ejecting_, [&](BackgroundJob& job) {
          EjectWait wait;
          wait.cancelled = [&job] { return job.CancelRequested(); };
          answer = drives_->Eject(drive, wait);
        });
      })) {
    return;
  }
  if (go_on) prompter_->Information(answer);
}

void TForm1::CheckDatabase1Click() {
  if (!PlayerConnected()) return;
  DatabaseChecks checks;
  if (!Run([&] { checks = CheckSongsOfDatabase(tree_, files_, player_drive_); })) return;
  tree_view_->StatesChanged();
  const std::string text = DatabaseChecksMessage(checks);
  if (checks.outcome == DatabaseChecks::Outcome::kDamaged) {
    prompter_->ShowError(text);
  } else {
    prompter_->Information(text);
  }
}

void TForm1::SendSongs1Click() {
  if (!PlayerConnected()) return;
  if (const std::optional<SendChoice> choice = pick_songs(send_format_)) SendSongs(*choice);
}

void TForm1::SendSongs(const SendChoice& choice) {
  if (!PlayerConnected()) return;
  // The sent songs are checked in the tree: it must be this player's.
  if (!Run([this] { RequireSongListOfPlayer(tree_, files_, player_drive_); })) return;
  send_format_ = choice.format;
  SendOptions options;
  options.drive_letter = player_drive_;
  options.convert.format = choice.format;
  options.convert.quality = DefaultQuality(choice.format);
  SendPlan plan;
  SendSummary summary;
  bool sent = false;
  bool go_on = false;
  sending_->SetLooking(0, 0);
  if (!Run([&] {
        go_on = RunInBackground(sending_, [&](BackgroundJob& job) {
          QueuedSendReporter reporter(job, sending_);
          plan = PlanSend(choice.sources, files_, options, reporter);
          if (plan.cancelled) return;
          summary = RunSend(plan, files_, reporter);
          sent = true;
        });
      })) {
    return;
  }
  if (!go_on || !sent) return;
  ClearLog();
  // The summary's failures include those met while the songs were looked at.
  for (const std::string& failure : summary.failures) LogLine(failure);
  for (const std::string& line : SummaryLines(summary)) LogLine(line);
  if (!summary.error.empty()) prompter_->ShowError(summary.error);
  std::vector<std::string> paths;
  for (const auto* list : {&summary.sent_paths, &summary.present_paths}) {
    for (const PlayerPath& path : *list) paths.push_back(path.text());
  }
  Run([this] { ReloadPlayer(); });
  CheckNamedSongs(tree_, std::move(paths), player_drive_);
  tree_view_->StatesChanged();
  if (summary.sent > 0 && prompter_->Confirm(kCreateDatabaseQuestion)) Create1Click();
}

void TForm1::ExpandAll1Click() { tree_view_->ExpandAllNodes(); }

void TForm1::CollpaseAll1Click() { tree_view_->CollapseAllNodes(); }

void TForm1::SortTree1Click() { tree_view_->SortNodes(); }

void TForm1::Create1Click() { CreateDatabase(false); }

void TForm1::CreateReadingAll1Click() { CreateDatabase(true); }

void TForm1::CreateDatabase(bool read_all_tags) {
  if (!PlayerConnected()) return;
  if (!Run([this] { RequireSongListOfPlayer(tree_, files_, player_drive_); })) return;
  const int songs = CountCheckedSongs(tree_);
  // A database made elsewhere would be replaced by nothing.
  if (songs == 0 && !settings_.nowrite && !prompter_->ConfirmDefaultNo(kEmptyDatabaseQuestion)) {
    return;
  }
  const BuildSettings build{player_drive_,
                            settings_.verbose,
                            settings_.nowrite,
                            settings_.cutat,
                            program_folder_,
                            read_all_tags,
                            {}};
  const std::string cache_file = settings_.tagcache ? tag_cache_file : std::string();
  // The counters show this build alone.
  for (QLabel* label : counter_labels_) label->clear();
  building_->SetProgress(0, songs);
  BuildOutcome outcome = BuildOutcome::kCancelled;
  bool go_on = false;
  if (!Run([&] {
        go_on = RunInBackground(building_, [&](BackgroundJob& job) {
          QueuedReporter reporter(job, *this);
          // Opened, used and closed on the worker's thread.
          std::unique_ptr<SqliteTagCache> cache;
          if (!cache_file.empty()) cache = std::make_unique<SqliteTagCache>(cache_file);
          outcome = BuildDatabase(tree_, files_, build, idv1_, idv2_, reporter, cache.get());
        });
      })) {
    return;
  }
  // A cancelled build wrote nothing: there is nothing to remind of.
  if (!go_on || outcome == BuildOutcome::kCancelled) return;
  if (settings_.nowrite) {
    prompter_->Information(
        "DB discarded and not written! Go to the options menu to enable DB writing.");
  } else {
    const bool eject = prompter_->WarningWithChoice(
        "Remember to disable the device before disconnecting the cable of the iHP.\r\nIf not all "
        "data is written correctly it can corrupt the content of the harddisk!",
        "Eject iHP");
    if (eject) EjectPlayer();
  }
}

void TForm1::About1Click() {
  prompter_->Information(
      "Plondex V1.3\r\n\r\nWrites the navigation database and the playlists of a hard-disk music "
      "player.\r\nUse it at your own risk.");
}

void TForm1::ClearLog() { memo_->Clear(); }

void TForm1::LogLine(const std::string& text) {
  memo_->AddLine(ToQt(text));
  // While a job runs, lines are added together at the next turn of the event loop.
  if (!job_) memo_->Flush();
}

void TForm1::CounterRaised(BuildCounter counter, int value) {
  CounterLabel(counter)->setText(QString::number(value));
}

void TForm1::SongRead(int done, int total) { building_->SetProgress(done, total); }

void TForm1::closeEvent(QCloseEvent* event) {
  if (job_) {
    // The job stops after its current song or folder; the window closes after it.
    close_after_job_ = true;
    job_->RequestCancel();
    event->ignore();
    return;
  }
  if (settings_loaded_ && !tree_.empty()) {
    const bool saved =
        Run([this] { SaveCheckStates(tree_, player_drive_, program_folder_ + "/" + kSongsFile); });
    if (!saved) {
      event->ignore();
      return;
    }
  }
  event->accept();
}

}  // namespace plondex
