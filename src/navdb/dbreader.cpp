#include "navdb/dbreader.h"

#include <array>

#include "platform/byteorder.h"

namespace plondex {
namespace {

namespace layout = irivdb_layout;

constexpr std::array<const char*, 5> kFieldNames = {"Path", "Title", "Artist", "Album", "Genre"};

// Walks the layout front to back and stops at the first problem. Every read is preceded by a
// check that the bytes are there.
class Checker {
 public:
  explicit Checker(std::string_view data) : data_(data) {}

  DbContents Run() {
    DbContents contents;
    if (!CheckHeader() || !CheckRecords(&contents.songs) || !CheckTrailer()) {
      contents.songs.clear();
      contents.problem = std::move(problem_);
    }
    return contents;
  }

 private:
  bool CheckHeader() {
    if (!Fixed(layout::kVersionAt, layout::kVersionText, "the version string") ||
        !Zeros(layout::kVersionAt + layout::kVersionText.size(), 32 - layout::kVersionText.size(),
               "the padding after the version string") ||
        !Fixed(layout::kFileTextAt, layout::kFileText, "the file type string") ||
        !Zeros(layout::kFileTextAt + layout::kFileText.size(), 32 - layout::kFileText.size(),
               "the padding after the file type string") ||
        !Have(layout::kCountAt, 4, "the song count")) {
      return false;
    }
    count_ = U32(layout::kCountAt);
    if (count_ > layout::kMaxSongs) {
      return Fail(layout::kCountAt, "song count " + std::to_string(count_) + " is above " +
                                        std::to_string(layout::kMaxSongs));
    }
    if (!Zeros(layout::kCountAt + 4, layout::kTableAt - layout::kCountAt - 4,
               "the header after the song count") ||
        !Have(layout::kTableAt, 4 * layout::kTableSlots, "the offset table")) {
      return false;
    }
    for (size_t slot = count_; slot < layout::kTableSlots; ++slot) {
      if (U32(SlotAt(slot)) != 0) {
        return Fail(SlotAt(slot), "unused offset slot " + std::to_string(slot) + " is not zero");
      }
    }
    return Fixed(layout::kDesignAt, layout::kDesignText, "the closing header string") &&
           Zeros(layout::kDesignAt + layout::kDesignText.size(),
                 layout::kHeaderSize - layout::kDesignAt - layout::kDesignText.size(),
                 "the padding after the closing header string");
  }

  bool CheckRecords(std::vector<tsong>* songs) {
    songs->reserve(count_);
    pos_ = layout::kHeaderSize;
    for (size_t i = 0; i < count_; ++i) {
      const std::string record = "record " + std::to_string(i);
      const uint32_t slot = U32(SlotAt(i));
      if (slot != pos_ - layout::kHeaderSize) {
        return Fail(SlotAt(i), "offset slot " + std::to_string(i) + " holds " +
                                   std::to_string(slot) + " but " + record + " starts at " +
                                   std::to_string(pos_ - layout::kHeaderSize));
      }
      if (!Have(pos_, layout::kRecordHeadSize, "the lengths of " + record)) return false;
      std::array<uint16_t, 5> lengths;
      for (size_t f = 0; f < lengths.size(); ++f) {
        lengths[f] = U16(pos_ + 2 * f);
        if (lengths[f] == 0) {
          return Fail(pos_ + 2 * f, "the " + std::string(kFieldNames[f]) + " length of " + record +
                                        " is 0, leaving no room for its terminating zero");
        }
      }
      size_t at = pos_ + layout::kRecordHeadSize;
      tsong song;
      std::array<std::string*, 5> texts = {&song.Path, &song.Title, &song.Artist, &song.Album,
                                           &song.Genre};
      for (size_t f = 0; f < texts.size(); ++f) {
        const std::string field = "the " + std::string(kFieldNames[f]) + " of " + record;
        if (!Have(at, lengths[f], field)) return false;
        const std::string_view text = data_.substr(at, lengths[f] - 1u);
        const size_t zero = text.find('\0');
        if (zero != std::string_view::npos) {
          return Fail(at + zero, field + " holds a zero byte before its end");
        }
        if (data_[at + text.size()] != '\0') {
          return Fail(at + text.size(), field + " does not end in a zero byte");
        }
        texts[f]->assign(text);
        at += lengths[f];
      }
      songs->push_back(std::move(song));
      pos_ = at;
    }
    return true;
  }

  bool CheckTrailer() {
    if (!Zeros(pos_, layout::kTrailerSize, "the trailer")) return false;
    const size_t end = pos_ + layout::kTrailerSize;
    if (data_.size() > end) {
      const size_t extra = data_.size() - end;
      return Fail(end, std::to_string(extra) + (extra == 1 ? " byte follows" : " bytes follow") +
                           " the trailer");
    }
    return true;
  }

  static size_t SlotAt(size_t slot) { return layout::kTableAt + 4 * slot; }

  bool Fail(size_t at, std::string what) {
    problem_ = DbProblem{std::move(what), at};
    return false;
  }

  // True when n bytes from at are in the file; else the problem is that it ends too early.
  bool Have(size_t at, size_t n, const std::string& what) {
    if (at <= data_.size() && n <= data_.size() - at) return true;
    return Fail(data_.size(), "the file ends inside " + what);
  }

  bool Fixed(size_t at, std::string_view expected, const std::string& what) {
    if (!Have(at, expected.size(), what)) return false;
    for (size_t i = 0; i < expected.size(); ++i) {
      if (data_[at + i] != expected[i]) {
        return Fail(at + i, what + " is not \"" + std::string(expected) + "\"");
      }
    }
    return true;
  }

  bool Zeros(size_t at, size_t n, const std::string& what) {
    if (!Have(at, n, what)) return false;
    for (size_t i = 0; i < n; ++i) {
      if (data_[at + i] != '\0') return Fail(at + i, what + " holds a byte that is not zero");
    }
    return true;
  }

  uint16_t U16(size_t at) const { return LittleEndian16(data_.data() + at); }
  uint32_t U32(size_t at) const { return LittleEndian32(data_.data() + at); }

  std::string_view data_;
  std::optional<DbProblem> problem_;
  uint32_t count_ = 0;
  size_t pos_ = 0;
};

}  // namespace

std::string DbProblem::Message() const {
  return what + " (at byte " + std::to_string(offset) + ")";
}

DbContents ReadDatabase(std::string_view file) { return Checker(file).Run(); }

}  // namespace plondex
