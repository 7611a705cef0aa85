#pragma once

// One ID3v2 tag body, with a read position and a frame window that keeps every frame handler
// inside its frame. The body is either held in memory or read from its source on demand, through
// a small read-ahead buffer, so that bytes nobody looks at (picture data, objects, unknown
// frames) are skipped by position and never read.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/files.h"
#include "tags/songtags.h"

namespace plondex {

class TId3Stream {
 public:
  // Enough for a typical tag's text frames in one read; large frames are skipped, not buffered.
  static constexpr size_t kReadAhead = 1024;

  TId3Stream() = default;
  // A body held in memory.
  explicit TId3Stream(std::string bytes);
  // The size bytes at offset of source, read as needed, read_ahead bytes at a time at least.
  // The source must outlive the stream and hold every byte of the range; a source that delivers
  // fewer bytes than it promised makes the read that needs them throw "Stream read error".
  TId3Stream(const ByteSource& source, uint64_t offset, uint64_t size,
             size_t read_ahead = kReadAhead);

  // The budget the texts read from the stream spell out of (see SpellingBudget); none by default.
  // It must outlive the stream.
  void SetSpellingBudget(SpellingBudget* budget) { spelling_budget_ = budget; }

  uint64_t Size() const { return size_; }
  uint64_t Position() const { return position_; }
  // Clamped to the end of the window, or of the stream when no window is open.
  void SetPosition(uint64_t position);
  // Bytes between the read position and the end of the stream.
  uint64_t BytesLeft() const { return size_ - position_; }

  // Opens a window of n bytes at the read position, ending at the end of the stream at most.
  // Throws Error "Already reading frame" when a window is open.
  void EnterFrame(uint64_t n);
  // 0 when no window is open.
  uint64_t FrameBytesLeft() const;
  // Moves the read position to the window's end and closes the window.
  // Throws Error "Not reading frame" when no window is open.
  void LeaveFrame();
  bool InFrame() const { return in_frame_; }

  // Reads exactly n bytes, inside the window when one is open, else inside the stream.
  // Throws Error "Stream read error" when fewer are left. The view lasts until the next read.
  std::string_view Read(uint64_t n);
  uint8_t ReadByte() { return static_cast<uint8_t>(Read(1)[0]); }
  uint32_t ReadUInt32BE();
  // Up to n bytes, fewer at the end of the window (or stream). The view lasts until the next read.
  std::string_view ReadUpTo(uint64_t n);
  // What is left of the window (or stream). The view lasts until the next read.
  std::string_view ReadRest() { return ReadUpTo(Limit() - position_); }

  // The bytes at a position, up to n of them (fewer at the end of the stream), whatever window
  // is open; the read position and the read-ahead buffer stay. The view lasts until the next
  // read. Throws Error "Stream read error" when the source delivers fewer bytes.
  std::string_view PeekAt(uint64_t position, uint64_t n);

  // The text encoding byte of a frame: 0 ISO-8859-1, 1 UTF-16 with a byte-order mark, 2 UTF-16
  // big-endian without one, 3 UTF-8; other values are read as 0. An empty window reads no byte
  // and gives 0.
  uint8_t ReadEncoding();
  // Bytes up to the first zero byte or the window end; the zero byte is consumed.
  std::string ReadText8();
  // UTF-16 text after a byte-order mark, up to the first zero unit or the window end, as 8-bit
  // tag text (WideToTagAnsi). Empty when fewer than 2 bytes are left or the mark is not a
  // byte-order mark.
  std::string ReadText16();
  // Big-endian UTF-16 text without a mark, up to the first zero unit or the window end, as 8-bit
  // tag text. A single byte left over at the window end is ignored.
  std::string ReadText16BigEndian();
  // UTF-8 text up to the first zero byte or the window end, as 8-bit tag text; bytes that are
  // not valid UTF-8 are dropped.
  std::string ReadTextUtf8();
  // The text of an encoding, as the four readers above give it.
  std::string ReadText(uint8_t encoding);
  // The text of an encoding as decoded: 8-bit for ISO-8859-1, else Unicode (UTF-8 bytes that do
  // not decode dropped).
  TagText ReadTagText(uint8_t encoding);
  // A decoded text as 8-bit tag text, spelled out of the stream's budget.
  std::string Spelled(const TagText& text);
  // Moves past a text of an encoding, as ReadText would, without converting it.
  void SkipText(uint8_t encoding);
  // The fewest bytes a text of an encoding uses up when the window holds that many: one byte,
  // or one UTF-16 unit.
  static uint64_t TextUnit(uint8_t encoding) { return encoding == 1 || encoding == 2 ? 2 : 1; }

 private:
  uint64_t Limit() const { return in_frame_ ? frame_end_ : size_; }
  // Bytes buffered from the read position on.
  uint64_t Buffered() const;
  // Makes at least n bytes from the read position available in the buffer (n within the stream).
  void Fill(uint64_t n);
  // A view of the n buffered bytes at the read position, which then moves past them.
  std::string_view Take(uint64_t n);
  // UTF-16 units up to the first zero unit or the window end; the zero unit is consumed.
  std::u16string ReadUnits(bool big_endian);
  // Reads two bytes as a byte-order mark: true with its byte order, false when they are none.
  bool ReadByteOrderMark(bool& big_endian);

  const ByteSource* source_ = nullptr;  // null when the whole body is in buffer_
  uint64_t offset_ = 0;                 // where the body starts in the source
  size_t read_ahead_ = kReadAhead;
  uint64_t size_ = 0;
  std::string buffer_;
  std::string peeked_;         // what PeekAt read from the source
  uint64_t buffer_start_ = 0;  // stream position of buffer_[0]
  uint64_t buffer_length_ = 0;
  uint64_t position_ = 0;
  uint64_t frame_end_ = 0;
  bool in_frame_ = false;
  SpellingBudget* spelling_budget_ = nullptr;
};

// Frame windows are always closed again, also when a handler fails.
class Id3FrameWindow {
 public:
  Id3FrameWindow(TId3Stream& stream, uint64_t n) : stream_(stream) { stream_.EnterFrame(n); }
  ~Id3FrameWindow() {
    if (stream_.InFrame()) stream_.LeaveFrame();
  }
  Id3FrameWindow(const Id3FrameWindow&) = delete;
  Id3FrameWindow& operator=(const Id3FrameWindow&) = delete;

 private:
  TId3Stream& stream_;
};

}  // namespace plondex
