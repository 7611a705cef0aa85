// The plan of a send: the files below the sources, what each holds, its name on the player and
// whether it is copied, converted or there already.

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>
#include <thread>

#include "library/scan.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "send/flacfacts.h"
#include "send/names.h"
#include "send/probe.h"
#include "send/send.h"
#include "send/sniff.h"

namespace plondex {
namespace {

struct Candidate {
  std::string path;  // native
  AudioContent content = AudioContent::kNone;
  uint64_t size = 0;
  std::optional<SongFacts> facts;
  std::string failure;  // 8-bit text; set when the file failed
  bool is_song = true;
};

std::string Shown(const std::string& native) { return FileLocation(native).shown(); }

std::optional<std::string> RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  if (!::realpath(path.c_str(), resolved)) return {};
  return std::string(resolved);
}

bool IsBelow(const std::string& path, const std::string& folder) {
  return path == folder ||
         (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
          (folder.back() == '/' || path[folder.size()] == '/'));
}

// The files below the sources in a fixed order: each folder's files by name, then its folders.
// Nothing on the player itself is taken; such files count as skipped.
std::vector<std::string> FindFiles(const std::vector<std::string>& sources,
                                   const std::optional<std::string>& player_root, int& skipped) {
  const std::optional<std::string> real_root = player_root ? RealPath(*player_root) : std::nullopt;
  struct stat root_stat {};
  const bool have_root = real_root && ::stat(real_root->c_str(), &root_stat) == 0;
  std::vector<std::string> found;
  for (const std::string& source : sources) {
    struct stat st;
    if (::stat(source.c_str(), &st) != 0) {
      const int error = errno;
      throw Error(CannotOpenMessage(Shown(source), SystemErrorText(error)));
    }
    const std::optional<std::string> real = RealPath(source);
    if (real && real_root && IsBelow(*real, *real_root)) {
      ++skipped;
      continue;
    }
    if (!S_ISDIR(st.st_mode)) {
      found.push_back(source);
      continue;
    }
    std::vector<std::string> folders = {source};
    while (!folders.empty()) {
      const std::string folder = std::move(folders.back());
      folders.pop_back();
      struct stat folder_stat;
      if (have_root && ::stat(folder.c_str(), &folder_stat) == 0 &&
          folder_stat.st_dev == root_stat.st_dev && folder_stat.st_ino == root_stat.st_ino) {
        continue;
      }
      auto entries = ListFolder(FileLocation(folder));
      if (!entries) continue;
      std::sort(entries->begin(), entries->end(),
                [](const DirEntry& a, const DirEntry& b) { return a.native_name < b.native_name; });
      std::vector<std::string> subfolders;
      for (const DirEntry& entry : *entries) {
        const std::string path = JoinNative(folder, entry.native_name);
        (entry.is_folder ? subfolders : found).push_back(path);
      }
      folders.insert(folders.end(), subfolders.rbegin(), subfolders.rend());
    }
  }
  return found;
}

// The last name of a native path, and the path before it.
std::string_view LastName(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view ParentOf(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  const size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

SongNameSource NameSourceOf(const std::string& path, const SourceTags& tags) {
  SongNameSource source;
  source.tags = tags;
  const std::string_view name = LastName(path);
  const size_t dot = name.rfind('.');
  source.file_stem =
      std::string(dot == 0 || dot == std::string_view::npos ? name : name.substr(0, dot));
  const std::string_view folder = ParentOf(path);
  if (!folder.empty() && folder != "/") {
    source.folder_name = std::string(LastName(folder));
    const std::string_view parent = ParentOf(folder);
    if (!parent.empty() && parent != "/") source.parent_folder_name = std::string(LastName(parent));
  }
  return source;
}

bool IsCopied(const Candidate& c) {
  if (!PlayerPlaysContent(c.content)) return false;
  // An ASF file is copied when it holds WMA the player decodes (not WMA Pro, Lossless or Voice).
  return c.content != AudioContent::kAsf || !c.facts || c.facts->codec.empty() ||
         c.facts->codec == "wmav1" || c.facts->codec == "wmav2";
}

std::string_view CopyExtension(AudioContent content) {
  return content == AudioContent::kMp3         ? ".mp3"
         : content == AudioContent::kOggVorbis ? ".ogg"
                                               : ".wma";
}

int JobCount(const SendOptions& options) {
  if (options.jobs > 0) return options.jobs;
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

// Looks at each file: its content, then its facts from the FLAC reader or the probe. Probes run
// in parallel while the next files are looked at. False when cancelled.
bool LookAtFiles(std::vector<Candidate>& candidates, const SendOptions& options,
                 SendReporter& reporter) {
  const int total = static_cast<int>(candidates.size());
  int done = 0;
  reporter.FilesLooked(0, total);
  struct Probe {
    size_t candidate;
    std::unique_ptr<ChildProcess> child;
  };
  std::vector<Probe> running;
  std::vector<size_t> waiting;
  size_t next_waiting = 0;
  const size_t jobs = static_cast<size_t>(JobCount(options));
  constexpr size_t kProbeOutputLimit = 1 << 20;

  auto finish = [&](Candidate& c, const ChildProcess& child) {
    if (child.Succeeded()) {
      SongFacts facts = ParseProbeOutput(child.output());
      // No sound, or a film: not a song.
      if (facts.codec.empty() || facts.has_video) {
        c.is_song = false;
      } else {
        c.facts = std::move(facts);
      }
    } else if (!PlayerPlaysContent(c.content)) {
      c.failure =
          "Cannot convert \"" + Shown(c.path) + "\": " + FailureReason(child, c.path, "the probe");
    }
    reporter.FilesLooked(++done, total);
  };
  // Serves the running probes, collects those that ended and starts waiting ones.
  auto serve = [&](int timeout_ms) {
    std::vector<ChildProcess*> children;
    for (Probe& p : running) children.push_back(p.child.get());
    if (!children.empty() || timeout_ms > 0) ChildProcess::Serve(children, timeout_ms);
    for (auto it = running.begin(); it != running.end();) {
      if (it->child->end() == ChildProcess::End::kRunning) {
        ++it;
        continue;
      }
      finish(candidates[it->candidate], *it->child);
      it = running.erase(it);
    }
    while (running.size() < jobs && next_waiting < waiting.size()) {
      const size_t i = waiting[next_waiting++];
      running.push_back(
          {i, ChildProcess::Start(ProbeCommand(options.ffprobe, candidates[i].path), ProbeLimits(),
                                  kProbeOutputLimit, ChildProcess::Keep::kHead)});
    }
  };

  for (size_t i = 0; i < candidates.size(); ++i) {
    if (reporter.CancelRequested()) return false;
    Candidate& c = candidates[i];
    std::unique_ptr<InputFile> input;
    try {
      input = InputFile::Open(FileLocation(c.path));
    } catch (const Error& e) {
      c.failure = e.what();
    }
    if (input) {
      try {
        c.size = input->Size();
        c.content = SniffContent(*input);
        if (c.content == AudioContent::kFlac) c.facts = ReadFlacFacts(*input);
      } catch (const Error& e) {
        c.failure = CannotOpenMessage(Shown(c.path), e.what());
      }
    }
    if (c.content == AudioContent::kNone || c.facts || !c.failure.empty()) {
      c.is_song = c.content != AudioContent::kNone || !c.failure.empty();
      reporter.FilesLooked(++done, total);
    } else {
      waiting.push_back(i);
    }
    serve(0);
  }
  while (!running.empty() || next_waiting < waiting.size()) {
    if (reporter.CancelRequested()) return false;
    serve(50);
  }
  return true;
}

}  // namespace

std::string SongsSentText(int done, int total) {
  return "Songs sent: " + std::to_string(done) + " of " + std::to_string(total);
}

int SendPlan::ToWrite() const {
  return static_cast<int>(std::count_if(items.begin(), items.end(), [](const SendItem& item) {
    return item.action != SendAction::kAlreadyThere;
  }));
}

SendPlan PlanSend(const std::vector<std::string>& sources, const PlayerFiles& files,
                  const SendOptions& options, SendReporter& reporter) {
  if (!files.drives().DrivePresent(options.drive_letter)) throw Error(kNotConnectedMessage);
  SendPlan plan;
  plan.options = options;
  std::vector<Candidate> candidates;
  for (std::string& path :
       FindFiles(sources, files.DriveRoot(options.drive_letter), plan.skipped)) {
    Candidate& c = candidates.emplace_back();
    c.path = std::move(path);
  }
  if (!LookAtFiles(candidates, options, reporter)) {
    plan.cancelled = true;
    return plan;
  }

  SongNamer namer(files, options.drive_letter, options.folder);
  for (Candidate& c : candidates) {
    if (!c.failure.empty()) {
      plan.failures.push_back(c.failure);
      continue;
    }
    if (!c.is_song || c.content == AudioContent::kNone) {
      ++plan.skipped;
      continue;
    }
    SendItem item;
    item.source = std::move(c.path);
    item.facts = c.facts.value_or(SongFacts{});
    const bool copied = IsCopied(c);
    const SongNamer::Name name =
        namer.NameSong(NameSourceOf(item.source, item.facts.tags),
                       copied ? CopyExtension(c.content) : FormatExtension(options.convert.format));
    item.target = name.path;
    if (name.exists) {
      item.action = SendAction::kAlreadyThere;
    } else if (copied) {
      item.action = SendAction::kCopy;
      item.bytes = c.size;
    } else {
      item.action = SendAction::kConvert;
      item.bytes = ConvertedSizeEstimate(item.facts, options.convert, c.size);
    }
    plan.bytes_needed += item.bytes;
    plan.items.push_back(std::move(item));
  }
  std::stable_sort(plan.items.begin(), plan.items.end(), [](const SendItem& a, const SendItem& b) {
    return FoldNameCase(a.target.text()) < FoldNameCase(b.target.text());
  });
  return plan;
}

}  // namespace plondex
