#include "send/probe.h"

#include <signal.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>

#include "platform/codepage.h"

namespace plondex {
namespace {

// A quoted value with its escapes undone; a bare one (a number, "N/A") as it stands.
std::string Unquote(std::string_view value) {
  if (value.empty() || value.front() != '"') return std::string(value);
  std::string out;
  for (size_t i = 1; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '"') break;
    if (c == '\\' && i + 1 < value.size()) {
      const char next = value[++i];
      out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    } else {
      out += c;
    }
  }
  return out;
}

double Seconds(const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  // Longer than a week is no song: taken as unknown.
  return end != text.c_str() && std::isfinite(value) && value > 0 && value < 7 * 86400.0 ? value
                                                                                         : 0;
}

template <typename Int>
Int WholeNumber(const std::string& text, Int high) {
  Int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value > 0 && value <= high
             ? value
             : 0;
}

using Entries = std::vector<std::pair<std::string, std::string>>;

struct Stream {
  std::string codec_type, codec_name;
  int sample_rate = 0, channels = 0;
  bool attached_pic = false;
  Entries tags;
};

void StreamField(Stream& stream, std::string_view key, const std::string& value) {
  if (key.substr(0, 5) == "tags.") {
    stream.tags.emplace_back(key.substr(5), value);
  } else if (key == "codec_type") {
    stream.codec_type = value;
  } else if (key == "codec_name") {
    stream.codec_name = value;
  } else if (key == "sample_rate") {
    stream.sample_rate = WholeNumber(value, 10'000'000);
  } else if (key == "channels") {
    stream.channels = WholeNumber(value, 1024);
  } else if (key == "disposition.attached_pic") {
    stream.attached_pic = value == "1";
  }
}

}  // namespace

std::vector<std::string> ProbeCommand(const std::string& ffprobe, const std::string& source) {
  return {ffprobe,
          "-v",
          "error",
          "-hide_banner",
          "-of",
          "flat",
          "-show_entries",
          "format=duration,bit_rate:format_tags:stream=codec_type,codec_name,sample_rate,"
          "channels:stream_disposition=attached_pic:stream_tags",
          "file:" + source};
}

SongFacts ParseProbeOutput(std::string_view flat) {
  SongFacts facts;
  Entries format_tags;
  // By index: the probe lists streams in order, but nothing here relies on it.
  std::map<int, Stream> streams;
  constexpr std::string_view kStreams = "streams.stream.";
  constexpr std::string_view kFormat = "format.";
  // Streams beyond these are not looked at: a song has a handful.
  constexpr int kMaxStreams = 64;
  while (!flat.empty()) {
    const size_t end = flat.find('\n');
    const std::string_view line = flat.substr(0, end);
    flat.remove_prefix(end == std::string_view::npos ? flat.size() : end + 1);
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, equals);
    const std::string value = Unquote(line.substr(equals + 1));
    if (key.substr(0, kFormat.size()) == kFormat) {
      const std::string_view field = key.substr(kFormat.size());
      if (field.substr(0, 5) == "tags.") {
        format_tags.emplace_back(field.substr(5), value);
      } else if (field == "duration") {
        facts.duration = Seconds(value);
      } else if (field == "bit_rate") {
        facts.bit_rate = WholeNumber<int64_t>(value, 1'000'000'000);
      }
    } else if (key.substr(0, kStreams.size()) == kStreams) {
      const std::string_view rest = key.substr(kStreams.size());
      const size_t dot = rest.find('.');
      if (dot == std::string_view::npos) continue;
      int index = -1;
      const auto [end_of_index, error] = std::from_chars(rest.data(), rest.data() + dot, index);
      if (error != std::errc() || end_of_index != rest.data() + dot || index < 0 ||
          index >= kMaxStreams) {
        continue;
      }
      StreamField(streams[index], rest.substr(dot + 1), value);
    }
  }
  for (const auto& [name, value] : format_tags) MapSourceTag(name, value, facts.tags);
  const Stream* audio = nullptr;
  for (const auto& [index, stream] : streams) {
    if (stream.codec_type == "audio" && !audio) audio = &stream;
    if (stream.codec_type == "video" && !stream.attached_pic) facts.has_video = true;
  }
  if (audio) {
    for (const auto& [name, value] : audio->tags) MapSourceTag(name, value, facts.tags);
    facts.codec = audio->codec_name.empty() ? "unknown" : audio->codec_name;
    facts.sample_rate = audio->sample_rate;
    facts.channels = audio->channels;
  }
  return facts;
}

std::string FirstErrorLine(std::string_view error_output, std::string_view source) {
  const std::string named = "file:" + std::string(source) + ": ";
  while (!error_output.empty()) {
    const size_t end = error_output.find('\n');
    std::string_view line = error_output.substr(0, end);
    error_output.remove_prefix(end == std::string_view::npos ? error_output.size() : end + 1);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    if (line.substr(0, 1) == "[") {
      const size_t close = line.find("] ");
      if (close != std::string_view::npos) line.remove_prefix(close + 2);
    }
    if (line.substr(0, named.size()) == named) line.remove_prefix(named.size());
    if (!line.empty()) return std::string(line);
  }
  return {};
}

std::string FailureReason(const ChildProcess& child, std::string_view source,
                          std::string_view what) {
  const std::string subject(what);
  switch (child.end()) {
    case ChildProcess::End::kRunning:
    case ChildProcess::End::kTimedOut:
      return subject + " took too long";
    case ChildProcess::End::kSignalled:
      if (child.code() == SIGXCPU || child.code() == SIGKILL) return subject + " took too long";
      if (child.code() == SIGXFSZ) return subject + " grew too large";
      return subject + " stopped with signal " + std::to_string(child.code()) + " (" +
             ::strsignal(child.code()) + ")";
    case ChildProcess::End::kExited:
      break;
  }
  std::string line = FirstErrorLine(child.errors(), source);
  return line.empty() ? subject + " ended with status " + std::to_string(child.code())
                      : Utf8ToAnsi(line);
}

}  // namespace plondex
