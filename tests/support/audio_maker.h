#pragma once

// Real audio files for the send tests, made from generated tones by the encoders Debian ships
// (ffmpeg, flac, opusenc), and the length of a file's sound as ffmpeg decodes it. Each throws
// std::runtime_error when its program fails, so that a missing encoder fails the test.

#include <string>
#include <string_view>
#include <vector>

namespace plondex::test {

// text in single quotes for the shell.
std::string ShellQuoted(std::string_view text);

// A WAV of a sine tone.
void MakeWav(const std::string& path, double seconds, int sample_rate = 44100, int channels = 2);
// A small PNG picture.
void MakePicture(const std::string& path);
// A FLAC by the flac encoder; comments "NAME=value", and a cover picture when one is named.
void MakeFlac(const std::string& path, double seconds, const std::vector<std::string>& comments,
              int sample_rate = 44100, int channels = 2, const std::string& picture = "");
// An Ogg Opus by opusenc; comments "NAME=value".
void MakeOpus(const std::string& path, double seconds, const std::vector<std::string>& comments);
// A file in the format ffmpeg gives its extension (MP3, M4A, ...), with metadata "name=value".
void MakeWithFfmpeg(const std::string& path, double seconds,
                    const std::vector<std::string>& metadata);

// Seconds of sound in the file, decoded by ffmpeg.
double DecodedSeconds(const std::string& path);

}  // namespace plondex::test
