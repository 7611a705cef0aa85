#pragma once

// The ID3v2 tag at the start of an MP3 file, versions 2.2, 2.3 and 2.4 of any revision; any
// other version is reported as present with no values. Nothing is ever written.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "tags/id3terms.h"
#include "tags/songtags.h"

namespace plondex {

class TId3Stream;

enum class TId3FileType {
  ftUNKNOWN,
  ftMPG,
  ftMPG1,
  ftMPG2,
  ftMPG3,
  ftMPG2_5,
  ftMPG_AAC,
  ftVQF,
  ftPCM
};

// The media codes of the TMED frame, "DIG" to "REE/IV".
// clang-format off
enum class TId3MediaType {
  mtUNKNOWN,
  mtDIG, mtDIG_A,
  mtANA, mtANA_WAC, mtANA_8CA,
  mtCD, mtCD_A, mtCD_DD, mtCD_AD, mtCD_AA,
  mtLD, mtLD_A,
  mtTT, mtTT_33, mtTT_45, mtTT_71, mtTT_76, mtTT_78, mtTT_80,
  mtMD, mtMD_A,
  mtDAT, mtDAT_A, mtDAT_1, mtDAT_2, mtDAT_3, mtDAT_4, mtDAT_5, mtDAT_6,
  mtDCC, mtDCC_A,
  mtDVD, mtDVD_A,
  mtTV, mtTV_PAL, mtTV_NTSC, mtTV_SECAM,
  mtVID, mtVID_PAL, mtVID_NTSC, mtVID_SECAM, mtVID_VHS, mtVID_SVHS, mtVID_BETA,
  mtRAD, mtRAD_FM, mtRAD_AM, mtRAD_LW, mtRAD_MW,
  mtTEL, mtTEL_I,
  mtMC, mtMC_4, mtMC_9, mtMC_I, mtMC_II, mtMC_III, mtMC_IV,
  mtREE, mtREE_9, mtREE_19, mtREE_38, mtREE_76, mtREE_I, mtREE_II, mtREE_III, mtREE_IV,
};
// clang-format on

// Event types of the ETCO frame: type bytes 0 to 20 as the values 0 to 20, then 253 and 254.
// etUNKNOWN stands for every other type byte (reserved or not predefined).
enum class TId3EventType {
  etPADDING,
  etEND_OF_INITIAL_SILENCE,
  etINTRO_START,
  etMAINPART_START,
  etOUTRO_START,
  etOUTRO_END,
  etVERSE_START,
  etREFRAIN_START,
  etINTERLUDE_START,
  etTHEME_START,
  etVARIATION_START,
  etKEY_CHANGE,
  etTIME_CHANGE,
  etUNWANTED_NOISE,
  etSUSTAINED_NOISE,
  etSUSTAINED_NOISE_END,
  etINTRO_END,
  etMAINPART_END,
  etVERSE_END,
  etREFRAIN_END,
  etTHEME_END,
  etAUDIO_END,
  etFILE_END,
  etUNKNOWN,
};

// What one tag may keep of its texts, every value of every frame together: far more than any
// real tag holds, and little enough that a small tag made to expand (a value per two bytes, a
// compressed frame) cannot take much memory. Values past it are not kept.
class Id3KeepBudget {
 public:
  static constexpr size_t kBytes = 1 << 20;
  static constexpr size_t kValues = 10000;

  // Accounts for one value about to be kept: false when no more values may be kept, else true
  // with the value cut to the bytes that are left.
  bool Take(std::string& value);
  // The same for a decoded text; a UTF-16 unit takes two bytes.
  bool Take(TagText& value);
  // Once every byte or every value is taken, nothing more is kept.
  bool Spent() const { return bytes_ == 0 || values_ == 0; }

 private:
  template <typename Text>
  bool TakeText(Text& value);
  size_t bytes_ = kBytes;
  size_t values_ = kValues;
};

// The text frames, one value each. A text takes the last frame of its identifier; a list
// collects the "/"-separated pieces of every frame of its identifier, in tag order.
class TId3Text {
 public:
  // The song's four texts in 8-bit tag text (spelled when first asked for).
  const std::string& Album() const { return Spelled(album_); }
  int32_t BPM() const { return bpm_; }
  const std::vector<std::string>& Composer() const { return composer_; }
  const std::string& Copyright() const { return copyright_; }
  const std::string& Date() const { return date_; }
  int32_t PlaylistDelay() const { return playlist_delay_; }
  const std::string& EncodedBy() const { return encoded_by_; }
  const std::vector<std::string>& Lyricists() const { return lyricists_; }
  TId3FileType FileType() const { return file_type_; }
  const std::string& Time() const { return time_; }
  const std::string& ContentGroup() const { return content_group_; }
  const std::string& ContentDescription() const { return Spelled(content_description_); }
  const std::string& SubTitle() const { return sub_title_; }
  const std::string& InitialKey() const { return initial_key_; }
  const std::vector<std::string>& Languages() const { return languages_; }
  const std::string& Length() const { return length_; }
  TId3MediaType MediaType() const { return media_type_; }
  const std::string& OriginalTitle() const { return original_title_; }
  const std::string& OriginalFileName() const { return original_file_name_; }
  const std::vector<std::string>& OriginalLyricists() const { return original_lyricists_; }
  const std::vector<std::string>& OriginalArtists() const { return original_artists_; }
  const std::string& OriginalReleaseYear() const { return original_release_year_; }
  const std::string& FileOwner() const { return file_owner_; }
  const std::vector<std::string>& Performers() const;
  const std::string& Band() const { return band_; }
  const std::string& Conductor() const { return conductor_; }
  const std::string& ModifiedBy() const { return modified_by_; }
  const std::string& PartOf() const { return part_of_; }
  const std::string& Publisher() const { return publisher_; }
  const std::string& TrackNumber() const { return track_number_; }
  const std::string& RecordingDate() const { return recording_date_; }
  const std::string& InternetRadioName() const { return internet_radio_name_; }
  const std::string& InternetRadioOwner() const { return internet_radio_owner_; }
  int32_t Size() const { return size_; }
  const std::string& ISRC() const { return isrc_; }
  const std::string& EncodingSoftware() const { return encoding_software_; }
  const std::string& Year() const { return year_; }
  const std::string& Content() const { return Spelled(content_); }

  // The song's four texts as the frames held them: the title (TIT2), the performers (TPE1, split
  // at "/"), the album (TALB) and the content type (TCON).
  const TagText& TitleText() const { return content_description_.text; }
  const std::vector<TagText>& PerformerTexts() const { return performers_.texts; }
  const TagText& AlbumText() const { return album_.text; }
  const TagText& ContentText() const { return content_.text; }

  void Clear() { *this = TId3Text(); }
  // Stores the text of one text frame, as far as the budget allows. Throws Error for a TSIZ text
  // that is not a whole number.
  void Store(Id3FrameKind kind, const std::string& text, Id3KeepBudget& budget);
  // Stores a text of the song as decoded (a frame for which IsSongTextFrame is true), as far as
  // the budget allows.
  void StoreSongText(Id3FrameKind kind, TagText text, Id3KeepBudget& budget);

 private:
  friend class Id3TextFields;

  // A text the build takes, kept as decoded; its 8-bit form is made once asked for.
  struct SongText {
    TagText text;
    mutable std::optional<std::string> spelled;
  };
  struct SongTexts {
    std::vector<TagText> texts;
    mutable std::optional<std::vector<std::string>> spelled;
  };
  const std::string& Spelled(const SongText& text) const;
  // The characters of other scripts these texts may spell out, together.
  mutable SpellingBudget spelling_{kSongSpellingBudget};

  SongText album_;
  int32_t bpm_ = 0;
  std::vector<std::string> composer_;
  std::string copyright_;
  std::string date_;
  int32_t playlist_delay_ = 0;
  std::string encoded_by_;
  std::vector<std::string> lyricists_;
  TId3FileType file_type_ = TId3FileType::ftUNKNOWN;
  std::string time_;
  std::string content_group_;
  SongText content_description_;
  std::string sub_title_;
  std::string initial_key_;
  std::vector<std::string> languages_;
  std::string length_;
  TId3MediaType media_type_ = TId3MediaType::mtUNKNOWN;
  std::string original_title_;
  std::string original_file_name_;
  std::vector<std::string> original_lyricists_;
  std::vector<std::string> original_artists_;
  std::string original_release_year_;
  std::string file_owner_;
  SongTexts performers_;
  std::string band_;
  std::string conductor_;
  std::string modified_by_;
  std::string part_of_;
  std::string publisher_;
  std::string track_number_;
  std::string recording_date_;
  std::string internet_radio_name_;
  std::string internet_radio_owner_;
  int32_t size_ = 0;
  std::string isrc_;
  std::string encoding_software_;
  std::string year_;
  SongText content_;
};

// Whether a frame kind is one of the text frames TId3Text holds.
bool IsId3TextFrame(Id3FrameKind kind);
// Whether it is one of the song's four texts, which TId3Text keeps as decoded.
bool IsSongTextFrame(Id3FrameKind kind);

// A list of items of which one is current. Adding an item makes the first one current.
template <typename T>
class Id3ItemList {
 public:
  int ItemCount() const { return static_cast<int>(items_.size()); }
  // -1 when the list is empty.
  int ItemIndex() const { return index_; }
  // An empty item for an index outside the list.
  const T& Item(int i) const { return i >= 0 && i < ItemCount() ? items_[i] : Empty(); }
  const std::vector<T>& Items() const { return items_; }

  void Clear() {
    items_.clear();
    index_ = -1;
  }
  void Add(T item) {
    items_.push_back(std::move(item));
    index_ = 0;
  }

 protected:
  // The current item, or an empty one when the list is empty.
  const T& Current() const { return Item(index_); }

 private:
  static const T& Empty() {
    static const T kEmpty{};
    return kEmpty;
  }

  std::vector<T> items_;
  int index_ = -1;
};

struct Id3UserText {
  std::string description;
  std::string value;
};

// TXXX frames.
class TId3UDText : public Id3ItemList<Id3UserText> {
 public:
  const std::string& Description() const { return Current().description; }
  const std::string& Value() const { return Current().value; }
};

struct Id3UserUrl {
  std::string description;
  std::string url;
};

// WXXX frames.
class TId3UDUrl : public Id3ItemList<Id3UserUrl> {
 public:
  const std::string& Description() const { return Current().description; }
  const std::string& URL() const { return Current().url; }
};

struct Id3Involvement {
  std::string job;
  std::string person;
};

// The involvement and person pairs of IPLS frames.
class TId3Ipl : public Id3ItemList<Id3Involvement> {
 public:
  const std::string& Job() const { return Current().job; }
  const std::string& Person() const { return Current().person; }
};

// The URL frames other than WXXX, the last frame of each identifier winning.
class TId3Web {
 public:
  const std::string& CommercialInfo() const { return urls_[0]; }
  const std::string& LegalInfo() const { return urls_[1]; }
  const std::string& OfficialAudio() const { return urls_[2]; }
  const std::string& OfficialArtist() const { return urls_[3]; }
  const std::string& OfficialAudioSource() const { return urls_[4]; }
  const std::string& InternetRadioStation() const { return urls_[5]; }
  const std::string& Payment() const { return urls_[6]; }
  const std::string& Publishers() const { return urls_[7]; }

  void Clear() { urls_ = {}; }
  // Stores the URL of a WCOM, WCOP, WOAF, WOAR, WOAS, WORS, WPAY or WPUB frame.
  void Store(Id3FrameKind kind, std::string url);

 private:
  std::array<std::string, 8> urls_;
};

// What is kept of an attached picture. The picture bytes are not copied: nothing in the program
// shows them, so the holder keeps their MIME type and their size.
struct TId3Picture {
  bool present = false;
  std::string mime_type;
  uint64_t size = 0;
};

// APIC frames, by picture type 0 to 20; frames of other picture types are not kept.
class TId3Images {
 public:
  static constexpr int kPictureTypes = 21;
  // The description of the picture of a type; empty for a type outside 0 to 20.
  const std::string& Info(int type) const;
  const TId3Picture& Picture(int type) const;

  void Clear();
  // A MIME type "-->" is a link: only the description is kept.
  void Store(int type, const std::string& mime_type, std::string description, uint64_t size);

 private:
  std::array<std::string, kPictureTypes> infos_;
  std::array<TId3Picture, kPictureTypes> pictures_;
};

// OWNE frame.
class TId3Owner {
 public:
  const std::string& Price() const { return price_; }
  // Days since 30 December 1899 (the toolkit's date value); 0 when there is no valid date.
  double DatePurchased() const { return date_purchased_; }
  const std::string& Seller() const { return seller_; }

  void Clear() { *this = TId3Owner(); }
  // date is the frame's 8 characters YYYYMMDD.
  void Store(std::string price, std::string_view date, std::string seller);

 private:
  std::string price_;
  double date_purchased_ = 0;
  std::string seller_;
};

// The date value of 8 digits YYYYMMDD; 0 when they are not 8 digits or no real date.
double Id3DateValue(std::string_view yyyymmdd);

// POPM frame.
class TId3Popularimeter {
 public:
  const std::string& UserEmail() const { return user_email_; }
  uint8_t Rating() const { return rating_; }
  uint32_t Counter() const { return counter_; }

  void Clear() { *this = TId3Popularimeter(); }
  void Store(std::string email, uint8_t rating, uint32_t counter) {
    user_email_ = std::move(email);
    rating_ = rating;
    counter_ = counter;
  }

 private:
  std::string user_email_;
  uint8_t rating_ = 0;
  uint32_t counter_ = 0;
};

struct TId3Event {
  TId3EventType type = TId3EventType::etPADDING;
  uint32_t time_stamp = 0;
};

// The events of an ETCO frame; the first kMaxEvents are kept.
struct TId3EventList {
  static constexpr int kMaxEvents = 1001;
  uint8_t time_stamp_format = 0;
  std::vector<TId3Event> events;
  int Count() const { return static_cast<int>(events.size()); }
};

// The MCDI frame's bytes; the first kMaxBytes are kept.
struct TId3CdIdentifier {
  static constexpr int kMaxBytes = 804;
  std::array<uint8_t, kMaxBytes> bytes{};
  int count = 0;
};

class TId3v2 {
 public:
  using EventTimingHandler =
      std::function<void(TId3v2& sender, uint32_t time_stamp, TId3EventType type)>;

  TId3v2();

  // Reads the tag of a file, on every assignment, also of the name already held. A missing file
  // gives no tag and no error. Throws Error when the file cannot be opened or read; the values
  // read until then stay.
  void SetFileName(const FileLocation& file);
  // The same for a file the caller has open already (nullptr: nothing exists at the path).
  void SetFile(const FileLocation& file, const ByteSource* opened);
  // The file as messages name it.
  const std::string& FileName() const { return file_name_; }
  // The same reading on bytes in memory or any other source; FileName is not changed.
  void ReadFromSource(const ByteSource& source);

  bool TagPresent() const { return tag_present_; }
  // Major version + revision / 100, e.g. 3.0 or 3.01.
  double Version() const { return major_version_ + revision_ / 100.0; }
  int MajorVersion() const { return major_version_; }
  int Revision() const { return revision_; }
  bool Unsynchronisation() const { return unsynchronisation_; }
  bool ExtendedHeader() const { return extended_header_; }
  bool Experimental() const { return experimental_; }
  // The size of the tag after its 10-byte header, as the header gives it.
  int TagSize() const { return tag_size_; }

  const TId3Text& Texts() const { return texts_; }
  const TId3UDText& UserDefinedText() const { return user_defined_text_; }
  const TId3Web& Web() const { return web_; }
  const TId3UDUrl& UserDefinedWeb() const { return user_defined_web_; }
  const TId3Ipl& InvolvedPeople() const { return involved_people_; }
  const TId3Images& Images() const { return images_; }
  uint32_t PlayCounter() const { return play_counter_; }
  const TId3Owner& Owner() const { return owner_; }
  const TId3Popularimeter& Popularimeter() const { return popularimeter_; }

  // A hook for timed events. Reading a tag never calls it.
  const EventTimingHandler& OnEventTiming() const { return on_event_timing_; }
  void SetOnEventTiming(EventTimingHandler handler) { on_event_timing_ = std::move(handler); }

  // Kept but not published: the ETCO events and the MCDI bytes.
  const TId3EventList& EventList() const { return event_list_; }
  const TId3CdIdentifier& CdIdentifier() const { return cd_identifier_; }

 private:
  void Clear();
  void ReadTag(const ByteSource& source);
  void ReadFrames22(TId3Stream& stream);
  // An ID3v2.4 frame: its format flags say how its content is to be decoded first.
  void ReadFrame24(Id3FrameKind kind, uint8_t flags, TId3Stream& stream);
  void ReadFrame(Id3FrameKind kind, TId3Stream& stream);
  void ReadTextFrame(Id3FrameKind kind, TId3Stream& stream);
  void ReadUserText(TId3Stream& stream);
  void ReadUserUrl(TId3Stream& stream);
  void ReadInvolvedPeople(TId3Stream& stream);
  void ReadPicture(TId3Stream& stream);
  void ReadPlayCounter(TId3Stream& stream);
  void ReadPopularimeter(TId3Stream& stream);
  void ReadOwner(TId3Stream& stream);
  void ReadEventTiming(TId3Stream& stream);
  void ReadCdIdentifier(TId3Stream& stream);

  std::string file_name_;
  bool tag_present_ = false;
  int major_version_ = 0;
  int revision_ = 0;
  bool unsynchronisation_ = false;
  bool extended_header_ = false;
  bool experimental_ = false;
  int tag_size_ = 0;
  // What the tag being read may still spend on spelling out its texts and on inflating frames.
  SpellingBudget spelling_budget_;
  size_t inflate_budget_ = 0;
  Id3KeepBudget keep_budget_;
  TId3Text texts_;
  TId3UDText user_defined_text_;
  TId3Web web_;
  TId3UDUrl user_defined_web_;
  TId3Ipl involved_people_;
  TId3Images images_;
  uint32_t play_counter_ = 0;
  TId3Owner owner_;
  TId3Popularimeter popularimeter_;
  EventTimingHandler on_event_timing_;
  TId3EventList event_list_;
  TId3CdIdentifier cd_identifier_;
};

}  // namespace plondex
