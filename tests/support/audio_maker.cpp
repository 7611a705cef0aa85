#include "support/audio_maker.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace plondex::test {
namespace {

void Run(const std::string& command) {
  if (std::system((command + " </dev/null >/dev/null 2>&1").c_str()) != 0) {
    throw std::runtime_error("command failed: " + command);
  }
}

std::string Tone(double seconds, int sample_rate, int channels) {
  return "ffmpeg -nostdin -v error -y -f lavfi -i 'sine=frequency=440:sample_rate=" +
         std::to_string(sample_rate) + ":duration=" + std::to_string(seconds) + "' -ac " +
         std::to_string(channels);
}

}  // namespace

std::string ShellQuoted(std::string_view text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

void MakeWav(const std::string& path, double seconds, int sample_rate, int channels) {
  Run(Tone(seconds, sample_rate, channels) + " -c:a pcm_s16le " + ShellQuoted(path));
}

void MakePicture(const std::string& path) {
  Run("ffmpeg -nostdin -v error -y -f lavfi -i color=red:s=16x16 -frames:v 1 " + ShellQuoted(path));
}

void MakeFlac(const std::string& path, double seconds, const std::vector<std::string>& comments,
              int sample_rate, int channels, const std::string& picture) {
  const std::string wav = path + ".wav";
  MakeWav(wav, seconds, sample_rate, channels);
  std::string command = "flac --silent --force";
  if (!picture.empty()) command += " --picture=" + ShellQuoted(picture);
  for (const std::string& c : comments) command += " -T " + ShellQuoted(c);
  Run(command + " -o " + ShellQuoted(path) + " " + ShellQuoted(wav));
  std::remove(wav.c_str());
}

void MakeOpus(const std::string& path, double seconds, const std::vector<std::string>& comments) {
  const std::string wav = path + ".wav";
  MakeWav(wav, seconds, 48000, 2);
  std::string command = "opusenc --quiet";
  for (const std::string& c : comments) command += " --comment " + ShellQuoted(c);
  Run(command + " " + ShellQuoted(wav) + " " + ShellQuoted(path));
  std::remove(wav.c_str());
}

void MakeWithFfmpeg(const std::string& path, double seconds,
                    const std::vector<std::string>& metadata) {
  std::string command = Tone(seconds, 44100, 2);
  for (const std::string& m : metadata) command += " -metadata " + ShellQuoted(m);
  Run(command + " " + ShellQuoted(path));
}

double DecodedSeconds(const std::string& path) {
  const std::string command = "ffmpeg -nostdin -v error -i " + ShellQuoted("file:" + path) +
                              " -f s16le -ac 1 -ar 44100 - 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) throw std::runtime_error("cannot run ffmpeg");
  char buffer[65536];
  size_t bytes = 0;
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) bytes += n;
  if (::pclose(pipe) != 0) throw std::runtime_error("ffmpeg cannot decode " + path);
  return static_cast<double>(bytes) / 2 / 44100;
}

}  // namespace plondex::test
