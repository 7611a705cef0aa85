// The work of a send: conversions on a pool of child processes, and one writer that fills the
// player one file at a time in target order, so that its slow disk writes sequentially.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <thread>

#include "library/scan.h"
#include "platform/error.h"
#include "send/probe.h"
#include "send/send.h"

namespace plondex {
namespace {

constexpr size_t kChunk = 1 << 20;
constexpr std::string_view kPartPrefix = ".plondex-send-";
constexpr std::string_view kPartSuffix = ".part";
// The converter's progress reports that are kept; the last one tells the length it wrote.
constexpr size_t kProgressLimit = 16 * 1024;

std::string Shown(const std::string& native) { return FileLocation(native).shown(); }

// A folder of its own for the converted songs that wait for their turn, removed with them.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& parent) {
    std::string base = parent;
    if (base.empty()) {
      std::error_code error;
      base = std::filesystem::temp_directory_path(error).string();
      if (error || base.empty()) base = "/tmp";
    }
    std::string pattern = JoinNative(base, "plondex-send-XXXXXX");
    if (!::mkdtemp(pattern.data())) {
      const int error = errno;
      throw Error(CannotCreateMessage(Shown(pattern), SystemErrorText(error)));
    }
    path_ = std::move(pattern);
  }
  ~ScratchFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  std::string File(size_t number, std::string_view extension) const {
    return JoinNative(path_, std::to_string(number) + std::string(extension));
  }

 private:
  std::string path_;
};

// Files of an interrupted send: everything below the folder whose name marks it as one.
void RemoveLeftovers(const PlayerFiles& files, char letter, const std::string& folder) {
  const FileLocation top = files.Locate(PlayerPath(std::string{letter, ':', '\\'} + folder));
  if (top.native().empty()) return;
  std::vector<std::string> folders = {top.native()};
  while (!folders.empty()) {
    const std::string path = std::move(folders.back());
    folders.pop_back();
    const auto entries = ListFolder(FileLocation(path));
    if (!entries) continue;
    for (const DirEntry& entry : *entries) {
      const std::string native = JoinNative(path, entry.native_name);
      if (entry.is_folder) {
        folders.push_back(native);
      } else if (IsPartFileName(entry.name)) {
        ::unlink(native.c_str());
      }
    }
  }
}

class Sender {
 public:
  Sender(const SendPlan& plan, const PlayerFiles& files, SendReporter& reporter,
         SendSummary& summary)
      : plan_(plan),
        files_(files),
        reporter_(reporter),
        summary_(summary),
        random_(std::random_device{}()),
        buffer_(kChunk) {
    const int jobs = plan.options.jobs;
    max_running_ = jobs > 0 ? jobs : std::max(1u, std::thread::hardware_concurrency());
    window_ = 4 * max_running_ + 2;
    bool converts = false;
    for (const SendItem& item : plan.items) {
      if (item.action == SendAction::kAlreadyThere) continue;
      jobs_.emplace_back().item = &item;
      converts = converts || item.action == SendAction::kConvert;
    }
    if (converts) scratch_.emplace(plan.options.scratch_folder);
  }

  void Run() {
    const int total = static_cast<int>(jobs_.size());
    for (next_ = 0; next_ < jobs_.size(); ++next_) {
      if (reporter_.CancelRequested()) {
        summary_.cancelled = true;
        return;
      }
      Job& job = jobs_[next_];
      const SendItem& item = *job.item;
      reporter_.SongStarted(static_cast<int>(next_), total, item.target.text());
      Pump(0);
      const bool convert = item.action == SendAction::kConvert;
      if (convert) {
        while (job.state == State::kWaiting || job.state == State::kRunning) {
          if (reporter_.CancelRequested()) {
            summary_.cancelled = true;
            return;
          }
          Pump(50);
        }
      }
      std::string failure = job.failure;
      Written written = Written::kSourceFailed;
      if (failure.empty()) {
        try {
          written = Write(convert ? job.output : item.source, item, failure);
        } catch (const Error& e) {
          summary_.error = e.what();
          return;
        }
      }
      if (convert) ::unlink(job.output.c_str());
      if (written == Written::kCancelled) {
        summary_.cancelled = true;
        return;
      }
      if (written == Written::kDone) {
        ++summary_.sent;
        if (convert) ++summary_.converted;
        summary_.sent_paths.push_back(item.target);
      } else {
        ++summary_.failed;
        summary_.failures.push_back(failure);
        reporter_.SongFailed(failure);
      }
      reporter_.SongFinished(static_cast<int>(next_ + 1), total);
    }
  }

 private:
  enum class State { kWaiting, kRunning, kDone, kFailed };
  struct Job {
    const SendItem* item = nullptr;
    State state = State::kWaiting;
    std::unique_ptr<ChildProcess> child;
    std::string output;   // the converted song in the scratch folder
    std::string failure;  // 8-bit text
  };
  enum class Written { kDone, kSourceFailed, kCancelled };

  static std::string ConvertFailure(const SendItem& item, const std::string& reason) {
    return "Cannot convert \"" + Shown(item.source) + "\": " + reason;
  }

  // Serves the running conversions, takes in those that ended and starts waiting ones close
  // enough to the writer's turn.
  void Pump(int timeout_ms) {
    std::vector<ChildProcess*> children;
    for (Job& job : jobs_) {
      if (job.state == State::kRunning) children.push_back(job.child.get());
    }
    if (!children.empty() || timeout_ms > 0) ChildProcess::Serve(children, timeout_ms);
    size_t running = 0;
    for (Job& job : jobs_) {
      if (job.state != State::kRunning) continue;
      if (job.child->end() == ChildProcess::End::kRunning) {
        ++running;
      } else {
        Finish(job);
      }
    }
    for (size_t i = next_; i < jobs_.size() && i < next_ + window_ && running < max_running_; ++i) {
      Job& job = jobs_[i];
      if (job.state != State::kWaiting || job.item->action != SendAction::kConvert) continue;
      const SendItem& item = *job.item;
      job.output = scratch_->File(i, FormatExtension(plan_.options.convert.format));
      try {
        job.child = ChildProcess::Start(
            ConvertCommand(plan_.options.ffmpeg, item.source, job.output, item.facts.tags,
                           item.facts, plan_.options.convert),
            ConvertLimits(item.facts), kProgressLimit, ChildProcess::Keep::kTail);
        job.state = State::kRunning;
        ++running;
      } catch (const Error& e) {
        job.failure = ConvertFailure(item, e.what());
        job.state = State::kFailed;
      }
    }
  }

  void Finish(Job& job) {
    const SendItem& item = *job.item;
    const ChildProcess& child = *job.child;
    if (!child.Succeeded()) {
      job.failure = ConvertFailure(item, FailureReason(child, item.source, "the conversion"));
    } else {
      // A source can end long before the length it claims, or give no sound at all, and the
      // converter still call it a success.
      const double wrote = ConvertedSeconds(child.output());
      const double claimed = item.facts.duration;
      char reason[96];
      if (wrote <= 0) {
        job.failure = ConvertFailure(item, "no sound could be decoded");
      } else if (claimed > 0 && wrote < claimed * 0.9 - 0.5) {
        std::snprintf(reason, sizeof reason, "the sound ends after %.1f of %.1f seconds", wrote,
                      claimed);
        job.failure = ConvertFailure(item, reason);
      }
    }
    job.child.reset();
    job.state = job.failure.empty() ? State::kDone : State::kFailed;
    if (!job.failure.empty()) ::unlink(job.output.c_str());
  }

  // Writes the file at from to the item's target under a temporary name in the target's folder,
  // renamed when complete. Throws Error when the player cannot be written; a source that cannot
  // be read fails the song alone.
  Written Write(const std::string& from, const SendItem& item, std::string& failure) {
    const std::string& target = item.target.text();
    const bool convert = item.action == SendAction::kConvert;
    auto source_failure = [&](int error) {
      failure = (convert ? "Cannot convert \"" : "Cannot copy \"") + Shown(item.source) +
                "\": " + SystemErrorText(error);
      return Written::kSourceFailed;
    };
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0) return source_failure(errno);
    struct Closer {
      int fd;
      ~Closer() { ::close(fd); }
    } in_closer{in};

    if (!files_.CreateFolderPath(PlayerPath(target.substr(0, target.rfind('\\'))))) {
      throw Error(CannotCreateMessage(target, "Unable to create directory"));
    }
    const FileLocation where = files_.Locate(item.target);
    if (where.native().empty()) throw Error(CannotCreateMessage(target, SystemErrorText(ENOENT)));
    const std::string folder = where.native().substr(0, where.native().rfind('/'));
    std::string part;
    int out = -1;
    for (int attempt = 0; attempt < 16 && out < 0; ++attempt) {
      part = JoinNative(folder, PartFileName(static_cast<uint32_t>(random_())));
      out = ::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (out < 0 && errno != EEXIST) break;
    }
    if (out < 0) {
      const int error = errno;
      throw Error(CannotCreateMessage(target, SystemErrorText(error)));
    }
    auto abandon = [&] {
      ::close(out);
      ::unlink(part.c_str());
    };
    auto write_failure = [&](int error) {
      abandon();
      return Error("Cannot write file \"" + target + "\". " + SystemErrorText(error));
    };
    for (;;) {
      if (reporter_.CancelRequested()) {
        abandon();
        return Written::kCancelled;
      }
      const ssize_t n = ::read(in, buffer_.data(), buffer_.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        const int error = errno;
        abandon();
        return source_failure(error);
      }
      if (n == 0) break;
      for (ssize_t done = 0; done < n;) {
        const ssize_t w = ::write(out, buffer_.data() + done, static_cast<size_t>(n - done));
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) throw write_failure(errno);
        done += w;
      }
      Pump(0);
    }
    if (::fsync(out) != 0 && errno != EINVAL && errno != EROFS) throw write_failure(errno);
    if (::close(out) != 0) {
      const int error = errno;
      ::unlink(part.c_str());
      throw Error("Cannot write file \"" + target + "\". " + SystemErrorText(error));
    }
    if (::rename(part.c_str(), where.native().c_str()) != 0) {
      const int error = errno;
      ::unlink(part.c_str());
      throw Error(CannotCreateMessage(target, SystemErrorText(error)));
    }
    return Written::kDone;
  }

  const SendPlan& plan_;
  const PlayerFiles& files_;
  SendReporter& reporter_;
  SendSummary& summary_;
  std::mt19937 random_;
  std::vector<char> buffer_;
  size_t max_running_ = 1;
  size_t window_ = 1;
  // Declared before the jobs, so that their conversions end before the folder goes.
  std::optional<ScratchFolder> scratch_;
  std::vector<Job> jobs_;
  size_t next_ = 0;  // the song being written
};

}  // namespace

std::string PartFileName(uint32_t number) {
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08x", number);
  return std::string(kPartPrefix) + hex + std::string(kPartSuffix);
}

bool IsPartFileName(std::string_view name) {
  return name.size() > kPartPrefix.size() + kPartSuffix.size() &&
         name.substr(0, kPartPrefix.size()) == kPartPrefix &&
         name.substr(name.size() - kPartSuffix.size()) == kPartSuffix;
}

std::string NoRoomMessage(uint64_t free_bytes, uint64_t needed_bytes) {
  constexpr uint64_t kMiB = 1 << 20;
  return "The iHP has " + std::to_string(free_bytes / kMiB) + " MB free; these songs need about " +
         std::to_string((needed_bytes + kMiB - 1) / kMiB) + " MB.";
}

std::vector<std::string> SummaryLines(const SendSummary& summary) {
  std::vector<std::string> lines = {
      "Songs sent: " + std::to_string(summary.sent),
      "Converted: " + std::to_string(summary.converted),
      "Already on the iHP: " + std::to_string(summary.already_there),
      "Skipped: " + std::to_string(summary.skipped),
      "Failed: " + std::to_string(summary.failed),
  };
  if (summary.cancelled) {
    lines.push_back("Cancelled: " + std::to_string(summary.sent) + " of " +
                    std::to_string(summary.to_write) + " songs were sent");
  }
  return lines;
}

SendSummary RunSend(const SendPlan& plan, const PlayerFiles& files, SendReporter& reporter) {
  SendSummary summary;
  summary.skipped = plan.skipped;
  summary.failures = plan.failures;
  summary.failed = static_cast<int>(plan.failures.size());
  summary.to_write = plan.ToWrite();
  for (const SendItem& item : plan.items) {
    if (item.action != SendAction::kAlreadyThere) continue;
    ++summary.already_there;
    summary.present_paths.push_back(item.target);
  }
  if (plan.cancelled) {
    summary.cancelled = true;
    return summary;
  }
  const char letter = plan.options.drive_letter;
  if (!files.drives().DrivePresent(letter)) throw Error(kNotConnectedMessage);
  if (summary.to_write == 0) return summary;
  const std::optional<uint64_t> free =
      plan.options.free_space ? plan.options.free_space()
                              : FreeSpace(FileLocation(files.DriveRoot(letter).value_or("")));
  if (free && plan.bytes_needed > *free) throw Error(NoRoomMessage(*free, plan.bytes_needed));
  RemoveLeftovers(files, letter, plan.options.folder);
  Sender(plan, files, reporter, summary).Run();
  return summary;
}

}  // namespace plondex
