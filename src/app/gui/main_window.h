#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <functional>
#include <memory>
#include <string>

#include "app/core/settings.h"
#include "app/gui/log_pane.h"
#include "library/songtree.h"
#include "navdb/build_reporter.h"
#include "platform/drives.h"
#include "platform/player_files.h"
#include "platform/prompter.h"
#include "send/convert.h"
#include "tags/id3v1.h"
#include "tags/id3v2.h"

class QAction;
class QMenu;

namespace plondex {

class BackgroundJob;
class BusyDialog;
class BuildDialog;
class EjectDialog;
class PlaylistPanel;
class SendDialog;
struct SendChoice;
class SongTreeView;
class TForm2;
class TForm3;
class Treading;

// TForm1: the main window. It owns the settings, the player drive letter, the song tree, the
// playlists, the log pane and the counters; its handlers call the core and show the results.
class TForm1 : public QMainWindow, public BuildReporter {
  Q_OBJECT
 public:
  // drives: the table the player is looked for in; program_folder: where plondex.ini, songs.dat
  // and the side playlists live.
  TForm1(std::shared_ptr<const DriveTable> drives, std::string program_folder,
         QWidget* parent = nullptr);
  ~TForm1() override;

  // Seams for the window tests: how the warning and options dialogs are run (true for OK), and
  // the prompter that shows boxes.
  std::function<bool(TForm3&)> run_warning;
  std::function<bool(TForm2&)> run_options;
  // How Send Songs to iHP asks for the files and folders to send; nullopt when cancelled.
  std::function<std::optional<SendChoice>(SendFormat current)> pick_songs;
  void SetPrompter(std::unique_ptr<Prompter> prompter);
  // The tag cache's file: DefaultTagCacheFile unless a test or the demo names another.
  std::string tag_cache_file;

  // The start-up sequence; runs on the window's first showing.
  void StartUp();
  // Rebuilds the song tree, recomputes its checks and lists the playlists. A cancelled search
  // leaves the tree and the playlists as they were.
  void ReloadPlayer();
  void RunOptionsDialog();
  // Sends the songs below the chosen files and folders to the player, then shows them in the
  // tree, checked, and offers to create the database.
  void SendSongs(const SendChoice& choice);

  // BuildReporter
  void ClearLog() override;
  void LogLine(const std::string& text) override;
  void CounterRaised(BuildCounter counter, int value) override;
  void SongRead(int done, int total) override;

  const Settings& settings() const { return settings_; }
  char player_drive() const { return player_drive_; }
  SongTree& song_tree() { return tree_; }
  SongTreeView* tree_view() const { return tree_view_; }
  PlaylistPanel* playlist_panel() const { return panel_; }
  QPlainTextEdit* Memo1() const { return memo_; }
  QLabel* CounterLabel(BuildCounter counter) const {
    return counter_labels_[static_cast<int>(counter)];
  }
  Treading* reading() const { return reading_; }
  BuildDialog* building() const { return building_; }
  SendDialog* sending() const { return sending_; }
  TForm2* options() const { return options_; }
  TForm3* warning() const { return warning_; }
  QAction* FindAction(const QString& object_name) const;

 public slots:
  void Options1Click();
  void Eject1Click();
  void Exit1Click();
  void Update1Click();
  void ExpandAll1Click();
  void CollpaseAll1Click();
  void SortTree1Click();
  void CheckDatabase1Click();
  void SendSongs1Click();
  void Create1Click();
  void CreateReadingAll1Click();
  void About1Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  QWidget* BuildBottomPane();
  // True when the player is there; otherwise says "IHP not connected!".
  bool PlayerConnected();
  // Ejects the player drive in the background and shows the answer.
  void EjectPlayer();
  // Runs a command; a failure it does not handle itself goes to the error box.
  bool Run(const std::function<void()>& command);
  // Runs work on the worker thread behind the dialog (see BackgroundJob). False when the window
  // was asked to close meanwhile: it closes once the caller has returned, and the caller shows
  // nothing more.
  bool RunInBackground(BusyDialog* dialog, const std::function<void(BackgroundJob&)>& work);
  std::string IniPath() const;
  // Create Database; read_all_tags takes no song from the tag cache.
  void CreateDatabase(bool read_all_tags);

  std::shared_ptr<const DriveTable> drives_;
  PlayerFiles files_;
  std::string program_folder_;
  // The playlist pane asks through forward_, so a prompter set later reaches it too.
  class ForwardingPrompter : public Prompter {
   public:
    explicit ForwardingPrompter(std::unique_ptr<Prompter>* target) : target_(target) {}
    void Information(const std::string& text) override { (*target_)->Information(text); }
    void Warning(const std::string& text) override { (*target_)->Warning(text); }
    bool WarningWithChoice(const std::string& text, const std::string& other_button) override {
      return (*target_)->WarningWithChoice(text, other_button);
    }
    void ShowError(const std::string& text) override { (*target_)->ShowError(text); }
    bool Confirm(const std::string& text) override { return (*target_)->Confirm(text); }
    bool ConfirmDefaultNo(const std::string& text) override {
      return (*target_)->ConfirmDefaultNo(text);
    }
    std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                        int max_length) override {
      return (*target_)->InputBox(caption, prompt, max_length);
    }

   private:
    std::unique_ptr<Prompter>* target_;
  };
  std::unique_ptr<Prompter> prompter_;
  ForwardingPrompter forward_{&prompter_};
  Settings settings_;
  bool settings_loaded_ = false;
  char player_drive_ = kNoDrive;
  bool started_ = false;
  // What the worker uses while a job runs; the window's thread leaves it alone meanwhile (a search
  // fills a tree of its own, and a build only reads the tree).
  SongTree tree_;
  // The serial of the player the tree was scanned from.
  std::string tree_player_;
  TId3v1 idv1_;
  TId3v2 idv2_;
  BackgroundJob* job_ = nullptr;  // while a scan or build runs
  bool close_after_job_ = false;

  SongTreeView* tree_view_ = nullptr;
  PlaylistPanel* panel_ = nullptr;
  LogPane* memo_ = nullptr;
  QLabel* counter_labels_[kBuildCounterCount] = {};
  TForm2* options_ = nullptr;
  TForm3* warning_ = nullptr;
  Treading* reading_ = nullptr;
  BuildDialog* building_ = nullptr;
  SendDialog* sending_ = nullptr;
  // What songs the player cannot play are converted to, as last chosen.
  SendFormat send_format_ = SendFormat::kMp3;
  EjectDialog* ejecting_ = nullptr;
};

}  // namespace plondex
