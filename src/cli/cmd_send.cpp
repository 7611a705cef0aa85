// plondex-cli send: copies the songs below the sources to a folder that stands for the player
// drive, converting what the player cannot play, as the window's Send Songs to iHP does.

#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

#include "cli/command.h"
#include "platform/codepage.h"
#include "platform/drives.h"
#include "platform/error.h"
#include "platform/numbers.h"
#include "platform/player_files.h"
#include "send/names.h"
#include "send/send.h"

namespace plondex::cli {
namespace {

constexpr char kUsage[] =
    "send ROOT SOURCE... [--letter L] [--to FOLDER] [--format mp3|ogg] [--quality Q] [--jobs N] "
    "[--dry-run]";

// Set by Ctrl+C or a termination request: the send stops after the file being written, as
// Cancel does in the window. A signal handler can reach nothing else.
volatile std::sig_atomic_t g_stop_requested = 0;

void RequestStop(int) { g_stop_requested = 1; }

// Progress on one line of standard error that is rewritten in place, on a terminal only;
// failures on lines of their own.
class PrintingReporter : public SendReporter {
 public:
  explicit PrintingReporter(bool show_progress) : show_progress_(show_progress) {}
  void FilesLooked(int done, int total) override {
    Progress("Looking at files: " + std::to_string(done) + " of " + std::to_string(total));
  }
  void SongStarted(int done, int total, const std::string& player_path) override {
    Progress(SongsSentText(done, total) + "  " + AnsiToUtf8(player_path));
  }
  void SongFailed(const std::string& message) override { PrintError(message); }
  bool CancelRequested() override { return g_stop_requested != 0; }

  void PrintError(const std::string& message) {
    ClearProgress();
    std::fprintf(stderr, "%s\n", AnsiToUtf8(message).c_str());
  }
  void ClearProgress() {
    if (!progress_shown_) return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    progress_shown_ = false;
  }

 private:
  void Progress(const std::string& text) {
    if (!show_progress_) return;
    std::fprintf(stderr, "\r\x1b[K%s", text.substr(0, 120).c_str());
    std::fflush(stderr);
    progress_shown_ = true;
  }
  const bool show_progress_;
  bool progress_shown_ = false;
};

int UsageError(const std::string& what) {
  std::fprintf(stderr, "plondex-cli send: %s\nusage: plondex-cli %s\n", what.c_str(), kUsage);
  return 2;
}

// The folder below the player's root as 8-bit text with '\' between names; nullopt when a name
// is not one the player can hold as it is.
std::optional<std::string> PlayerFolder(const std::string& utf8) {
  std::string folder;
  std::string_view rest = utf8;
  while (!rest.empty()) {
    const size_t end = rest.find_first_of("/\\");
    const std::string name = Utf8ToAnsi(rest.substr(0, end));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    if (name.empty()) continue;
    if (name == "." || name == ".." || FatSafeName(name) != name) return {};
    folder += (folder.empty() ? "" : "\\") + name;
  }
  return folder;
}

const char* ActionWord(SendAction action) {
  switch (action) {
    case SendAction::kCopy:
      return "copy";
    case SendAction::kConvert:
      return "convert";
    case SendAction::kAlreadyThere:
      return "already there";
  }
  return "";
}

void PrintPlan(const SendPlan& plan) {
  int converts = 0, present = 0;
  for (const SendItem& item : plan.items) {
    std::printf("%s\t%s\t%s\n", ActionWord(item.action), item.source.c_str(),
                AnsiToUtf8(item.target.text()).c_str());
    converts += item.action == SendAction::kConvert;
    present += item.action == SendAction::kAlreadyThere;
  }
  constexpr uint64_t kMiB = 1 << 20;
  std::printf(
      "Songs to send: %d\nTo convert: %d\nAlready on the iHP: %d\nSkipped: %d\n"
      "Failed: %zu\nRoom needed: about %llu MB\n",
      plan.ToWrite(), converts, present, plan.skipped, plan.failures.size(),
      static_cast<unsigned long long>((plan.bytes_needed + kMiB - 1) / kMiB));
}

int RunSendCommand(const std::vector<std::string>& args) {
  std::string root;
  std::vector<std::string> sources;
  SendOptions options;
  std::optional<int64_t> quality;
  bool dry_run = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    if (a == "--letter" && has_value) {
      options.drive_letter = LetterArgument(args[++i]);
      if (!options.drive_letter) return UsageError("--letter needs a letter");
    } else if (a == "--to" && has_value) {
      const auto folder = PlayerFolder(args[++i]);
      if (!folder) return UsageError("--to needs folder names the player can hold");
      options.folder = *folder;
    } else if (a == "--format" && has_value) {
      const std::string& f = args[++i];
      if (f != "mp3" && f != "ogg") return UsageError("--format is mp3 or ogg");
      options.convert.format = f == "mp3" ? SendFormat::kMp3 : SendFormat::kOgg;
    } else if (a == "--quality" && has_value) {
      NumberSyntax syntax;
      syntax.sign = true;
      quality = ParseWholeNumber(args[++i], syntax);
      if (!quality) return UsageError("--quality needs a whole number");
    } else if (a == "--jobs" && has_value) {
      const auto n = ParseWholeNumber(args[++i], NumberSyntax{.min = 1, .max = 256});
      if (!n) return UsageError("--jobs needs a number from 1 to 256");
      options.jobs = static_cast<int>(*n);
    } else if (a == "--dry-run") {
      dry_run = true;
    } else if (!a.empty() && a[0] != '-') {
      (root.empty() ? root : sources.emplace_back()) = a;
    } else {
      return UsageError("unknown or incomplete argument: " + a);
    }
  }
  if (root.empty()) return UsageError("ROOT is missing");
  if (sources.empty()) return UsageError("SOURCE is missing");
  options.convert.quality =
      quality ? static_cast<int>(*quality) : DefaultQuality(options.convert.format);
  if (!QualityInRange(options.convert.format, options.convert.quality)) {
    return UsageError(options.convert.format == SendFormat::kMp3
                          ? "--quality for mp3 is 0 (best) to 9"
                          : "--quality for ogg is -1 to 10 (best)");
  }

  FolderDrives drives;
  drives.Add(options.drive_letter, root, "", "");
  const PlayerFiles files(drives);
  PrintingReporter reporter(::isatty(STDERR_FILENO) == 1);
  struct sigaction stop = {};
  stop.sa_handler = RequestStop;
  struct sigaction old_int, old_term;
  ::sigaction(SIGINT, &stop, &old_int);
  ::sigaction(SIGTERM, &stop, &old_term);
  int status = 0;
  try {
    const SendPlan plan = PlanSend(sources, files, options, reporter);
    reporter.ClearProgress();
    for (const std::string& failure : plan.failures) reporter.PrintError(failure);
    if (dry_run) {
      PrintPlan(plan);
      status = plan.failures.empty() && !plan.cancelled ? 0 : 1;
    } else {
      const SendSummary summary = RunSend(plan, files, reporter);
      reporter.ClearProgress();
      if (!summary.error.empty()) reporter.PrintError(summary.error);
      for (const std::string& line : SummaryLines(summary)) std::printf("%s\n", line.c_str());
      status = summary.failed == 0 && summary.error.empty() && !summary.cancelled ? 0 : 1;
    }
  } catch (const Error& e) {
    reporter.PrintError(e.what());
    status = 1;
  }
  ::sigaction(SIGINT, &old_int, nullptr);
  ::sigaction(SIGTERM, &old_term, nullptr);
  return status;
}

const Registration kSend("send", kUsage, RunSendCommand);

}  // namespace
}  // namespace plondex::cli
