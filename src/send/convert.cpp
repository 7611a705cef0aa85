#include "send/convert.h"

#include <algorithm>
#include <charconv>

namespace plondex {
namespace {

// Typical bit rates in kbit/s of LAME's VBR qualities 0 to 9 and of Vorbis qualities -1 to 10.
constexpr int kMp3Rates[10] = {245, 225, 190, 175, 165, 130, 115, 100, 85, 65};
constexpr int kOggRates[12] = {45, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 500};

std::string NumberAndTotal(int number, int total) {
  std::string text = std::to_string(number);
  if (total > 0) text += "/" + std::to_string(total);
  return text;
}

}  // namespace

int DefaultQuality(SendFormat format) { return format == SendFormat::kMp3 ? 2 : 5; }

bool QualityInRange(SendFormat format, int quality) {
  return format == SendFormat::kMp3 ? quality >= 0 && quality <= 9 : quality >= -1 && quality <= 10;
}

std::string_view FormatExtension(SendFormat format) {
  return format == SendFormat::kMp3 ? ".mp3" : ".ogg";
}

std::vector<std::string> ConvertCommand(const std::string& ffmpeg, const std::string& source,
                                        const std::string& output, const SourceTags& tags,
                                        const SongFacts& facts, const ConvertSettings& settings) {
  std::vector<std::string> command = {ffmpeg,
                                      "-nostdin",
                                      "-hide_banner",
                                      "-nostats",
                                      "-v",
                                      "error",
                                      "-xerror",
                                      "-threads",
                                      "1",
                                      "-i",
                                      "file:" + source,
                                      "-map",
                                      "0:a:0",
                                      "-map_metadata",
                                      "-1",
                                      "-map_chapters",
                                      "-1"};
  auto tag = [&command](std::string_view name, const std::string& value) {
    if (value.empty()) return;
    command.push_back("-metadata");
    command.push_back(std::string(name) + "=" + value);
  };
  tag("title", tags.title);
  tag("artist", tags.artist);
  tag("album_artist", tags.album_artist);
  tag("album", tags.album);
  tag("genre", tags.genre);
  if (tags.track > 0) tag("track", NumberAndTotal(tags.track, tags.track_total));
  if (tags.disc > 0) tag("disc", NumberAndTotal(tags.disc, tags.disc_total));
  if (tags.year > 0) tag("date", std::to_string(tags.year));
  const std::string quality = std::to_string(settings.quality);
  if (settings.format == SendFormat::kMp3) {
    command.insert(command.end(), {"-c:a", "libmp3lame", "-q:a", quality, "-ar", "44100", "-ac",
                                   "2", "-id3v2_version", "3", "-write_id3v1", "0", "-f", "mp3"});
  } else {
    command.insert(command.end(), {"-c:a", "libvorbis", "-q:a", quality});
    if (facts.sample_rate > 48000) command.insert(command.end(), {"-ar", "44100"});
    if (facts.channels > 2) command.insert(command.end(), {"-ac", "2"});
    command.insert(command.end(), {"-f", "ogg"});
  }
  command.insert(command.end(), {"-progress", "pipe:1", "-y", "file:" + output});
  return command;
}

ChildLimits ConvertLimits(const SongFacts& facts) {
  const double seconds = facts.duration > 0 ? facts.duration : 3600;
  ChildLimits limits;
  limits.cpu_seconds = 60 + static_cast<uint64_t>(seconds);
  limits.wall = std::chrono::seconds(3 * limits.cpu_seconds);
  limits.memory_bytes = 1ull << 30;
  limits.file_bytes = static_cast<uint64_t>(seconds * 640000 / 8) + (64ull << 20);
  return limits;
}

ChildLimits ProbeLimits() {
  ChildLimits limits;
  limits.cpu_seconds = 20;
  limits.wall = std::chrono::seconds(30);
  limits.memory_bytes = 1ull << 30;
  limits.file_bytes = 1;
  return limits;
}

uint64_t ConvertedSizeEstimate(const SongFacts& facts, const ConvertSettings& settings,
                               uint64_t source_bytes) {
  if (facts.duration <= 0) return source_bytes;
  const int kbps = settings.format == SendFormat::kMp3
                       ? kMp3Rates[std::clamp(settings.quality, 0, 9)]
                       : kOggRates[std::clamp(settings.quality, -1, 10) + 1];
  return static_cast<uint64_t>(facts.duration * kbps * 1000 / 8) + 16 * 1024;
}

double ConvertedSeconds(std::string_view progress) {
  constexpr std::string_view kKey = "out_time_us=";
  size_t at = progress.rfind(kKey);
  // The last report may be cut short while it is being written.
  while (at != std::string_view::npos) {
    const std::string_view rest = progress.substr(at + kKey.size());
    int64_t micros = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), micros);
    if (error == std::errc() && end < rest.data() + rest.size() && *end == '\n') {
      return micros > 0 ? static_cast<double>(micros) / 1e6 : 0;
    }
    at = at == 0 ? std::string_view::npos : progress.rfind(kKey, at - 1);
  }
  return 0;
}

}  // namespace plondex
