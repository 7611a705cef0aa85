// Writes the seed corpora of the fuzz targets: the sample files of tests/data and small inputs
// made with the test builders, each reaching a different corner of its reader.
//
//   fuzz_make_corpus OUT_FOLDER     (normally fuzz/corpus)

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "navdb/irivdb.h"
#include "support/asf_builder.h"
#include "support/id3v1_builder.h"
#include "support/id3v2_builder.h"
#include "support/ogg_builder.h"

namespace fs = std::filesystem;
using namespace plondex::test;
using namespace std::string_literals;
using namespace std::string_view_literals;

namespace {

class Corpus {
 public:
  Corpus(const fs::path& root, const std::string& target) : folder_(root / target) {
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }

  void Add(const std::string& name, std::string_view bytes) {
    std::ofstream out(folder_ / name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + (folder_ / name).string());
  }

  // Every sample file of a tests/data folder.
  void AddSamples(const std::string& data_folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(fs::path(PLONDEX_TEST_DATA) / data_folder)) {
      // The manifest and the scripts that made the files are no samples.
      if (entry.path().filename() != "manifest.txt" && entry.path().extension() != ".sh") {
        files.push_back(entry.path());
      }
    }
    for (const fs::path& file : files) {
      std::ifstream in(file, std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), {});
      Add("sample_" + file.filename().string(), bytes);
    }
  }

 private:
  fs::path folder_;
};

void Id3v1(const fs::path& root) {
  Corpus c(root, "id3v1");
  c.AddSamples("id3v1");
  c.Add("zero_padded",
        MakeMpegAudio(1) + MakeId3v1Block("Song", "Artist", "Album", "1999", "comment", 17));
  c.Add("space_padded", MakeId3v1Block("Song", "Artist", "Album", "1999", "comment", 9, ' '));
  c.Add("full_fields", MakeId3v1Block(std::string(30, 'T'), std::string(30, '\xE9'),
                                      std::string(30, 'A'), "2024", std::string(30, 'c'), 126));
  c.Add("v11_track", MakeId3v11Block("Song", "Artist", "Album", "1987", "comment", 5, 255));
  c.Add("genre_127", "x"s + MakeId3v1Block("", "", "", "", "", 127));
  c.Add("lower_case", "tag"s + MakeId3v1Block("a", "b", "c", "d", "e", 1).substr(3));
  c.Add("short_127", MakeId3v1Block("Song", "Artist", "Album", "1999", "x", 17).substr(1));
}

void Id3v2(const fs::path& root) {
  Corpus c(root, "id3v2");
  c.AddSamples("id3v2");
  c.Add("texts8", Id3v2Builder()
                      .Text("TIT2", "Title"sv)
                      .Text("TALB", "Album\0rest"sv)
                      .Text("TPE1", "One/Two//Three/")
                      .Text("TCON", "(17)Rock")
                      .Padding(40)
                      .Build());
  c.Add("texts16", Id3v2Builder()
                       .Text16("TIT2", u"M\u00e4dchen \u2603")
                       .Text16("TPE1", u"A/B", Utf16Order::kBigEndian)
                       .Text16("TALB", u"No end", Utf16Order::kLittleEndian, false)
                       .Build());
  c.Add("numbers", Id3v2Builder()
                       .Text("TBPM", "120")
                       .Text("TDLY", "x")
                       .Text("TSIZ", "4096")
                       .Text("TFLT", "MPG/2.5")
                       .Text("TMED", "TT/33")
                       .Text("TLAN", "engdeufr")
                       .Text("TYER", "2001")
                       .Build());
  c.Add("bad_size", Id3v2Builder().Text("TIT2", "Before").Text("TSIZ", "12a").Build());
  c.Add("user_frames", Id3v2Builder()
                           .Frame("TXXX", "\0MOOD\0calm"sv)
                           .Frame("TXXX", "\x01\xFF\xFEk\0\0\0\xFF\xFEv\0\0\0"sv)
                           .Frame("WXXX", "\0site\0http://example.org"sv)
                           .Frame("WCOM", "http://shop")
                           .Frame("WOAR", "http://artist")
                           .Frame("IPLS", "\0producer\0Someone\0mix\0Other\0"sv)
                           .Frame("IPLS", "\x01\xFF\xFEj\0\0\0\xFF\xFEp\0\0\0"sv)
                           .Build());
  c.Add("picture", Id3v2Builder()
                       .Frame("APIC",
                              "\0image/png\0\x03"
                              "Front\0\x89PNG\r\n\x1a\n"sv)
                       .Frame("APIC",
                              "\0-->\0\x04"
                              "link\0http://x"sv)
                       .Frame("APIC",
                              "\0image/jpeg\0\x30"
                              "big type\0data"sv)
                       .Build());
  c.Add("counters", Id3v2Builder()
                        .Frame("PCNT", "\0\0\x01\0"sv)
                        .Frame("POPM", "me@example.org\0\xC4\0\0\0\x2A"sv)
                        .Frame("OWNE",
                               "\0"
                               "EUR9.99\0"
                               "20040229Seller"sv)
                        .Frame("OWNE",
                               "\x01USD1\0"
                               "20030229\xFF\xFES\0"sv)
                        .Build());
  c.Add("events", Id3v2Builder()
                      .Frame("ETCO", "\x02\x01\0\0\0\x10\xFD\0\0\x01\0\x7F\0\0\x02\0\xFE"sv)
                      .Frame("MCDI", std::string(120, '\x11'))
                      .Build());
  c.Add("decoded_only", Id3v2Builder()
                            .Frame("COMM", "\0engdesc\0comment text"sv)
                            .Frame("USLT",
                                   "\x01"
                                   "eng\xFF\xFE\0\0\xFF\xFEl\0"sv)
                            .Frame("USER", "\0engterms"sv)
                            .Frame("GEOB", "\0text/plain\0f.txt\0desc\0payload"sv)
                            .Frame("PRIV", "owner\0data"sv)
                            .Build());
  c.Add("unsync", Id3v2Builder().Text("TIT2", "\xFF\xE0 sync \xFF").Unsynchronised().Build());
  c.Add("extended", Id3v2Builder().ExtendedHeader(6).Text("TALB", "After").Build());
  c.Add("lower_and_short_ids",
        Id3v2Builder().Text("talb", "lower").Frame("TT2", "\0three"sv).Build());
  c.Add("overrun", Id3v2Builder().FrameWithSize("TIT2", 1000, "\0cut"sv).Build());
  c.Add("lying_size", Id3v2Builder().Text("TIT2", "x").DeclaredSize(100000).Build());
  c.Add("v24", Id3v2Builder().Version(4, 0).Text("TIT2", "v24").Build());
  c.Add("v22", Id3v2Builder().Version(2, 0).Raw("TT2\0\0\x04\0v22"sv).Build());
  // Version 2.4: sizes of frames longer than 127 bytes synchsafe and plain, frame flags,
  // several values in each encoding.
  const std::string long_comment = "\0eng\0"s + std::string(300, 'c');
  for (bool plain : {false, true}) {
    Id3v2Builder b;
    b.Version(4, 0)
        .Frame("COMM", long_comment)
        .Text("TIT2",
              "\xC5\x81\xC3\xB3"
              "d\xC5\xBA",
              3)
        .Text16("TALB", u"\u041C\u043E\u0441\u043A\u0432\u0430")
        .Text("TCON", "17")
        .Padding(32);
    if (plain) b.PlainFrameSizes();
    c.Add(plain ? "v24_plain_sizes" : "v24_synchsafe_sizes", b.Build());
  }
  c.Add("v24_values", Id3v2Builder()
                          .Version(4, 0)
                          .Frame("TPE1", "\0One/Two\0Three\0"sv)
                          .Frame("TPE1",
                                 "\x01\xFF\xFE"
                                 "A\0\0\0\xFF\xFE"
                                 "B\0\0\0"sv)
                          .Frame("TPE1", "\x02\0C\0\0\0D"sv)
                          .Frame("TPE1", "\x03\xE6\x9D\xB1\0\xC3\xAB"sv)
                          .Frame("TCON",
                                 "\x00"
                                 "17\0Rock"sv)
                          .Frame("TIT2",
                                 "\x03"
                                 "First\0Second"sv)
                          .Build());
  c.Add("v24_frame_flags",
        Id3v2Builder()
            .Version(4, 0)
            .FlaggedFrame("TIT2", "\0Un\xFF\xE0sync"sv, Id3v2Builder::kFrameUnsynchronised)
            .FlaggedFrame("TALB", "\x03\xC3\xA4lbum"sv,
                          Id3v2Builder::kGrouping | Id3v2Builder::kDataLength)
            .FlaggedFrame("TPE1", "\x01\xFF\xFEP\0"sv, Id3v2Builder::kEncrypted)
            .FlaggedFrame("TXXX", "\0key\0value"sv, Id3v2Builder::kDataLength, 1 << 20)
            .Build());
  c.Add("v24_compressed",
        Id3v2Builder()
            .Version(4, 0)
            .FlaggedFrame("TIT2", "\x03" + std::string(200, 'z'),
                          Id3v2Builder::kCompressed | Id3v2Builder::kDataLength)
            .FlaggedFrame("TCON", "\0(17)"sv, Id3v2Builder::kCompressed)
            .FlaggedFrame("APIC",
                          "\0image/png\0\x03"
                          "d\0"s +
                              std::string(100, '\xFF'),
                          Id3v2Builder::kCompressed | Id3v2Builder::kFrameUnsynchronised |
                              Id3v2Builder::kDataLength)
            .FlaggedFrame("TALB", "\0too long"sv,
                          Id3v2Builder::kCompressed | Id3v2Builder::kDataLength, 3)
            .Build());
  // More than one tag keeps: 20,000 values, and a text of just over 1 MiB, both compressed.
  std::string many_values;
  for (int i = 0; i < 20000; ++i) many_values += "p\0"sv;
  c.Add("v24_many_values", Id3v2Builder()
                               .Version(4, 0)
                               .FlaggedFrame("TPE1", "\0"s + many_values, Id3v2Builder::kCompressed)
                               .Build());
  c.Add("v24_long_text", Id3v2Builder()
                             .Version(4, 0)
                             .FlaggedFrame("TIT2", "\0"s + std::string((1 << 20) + 64, 't'),
                                           Id3v2Builder::kCompressed)
                             .Text("TALB", "dropped")
                             .Build());
  c.Add("v24_tag_unsync", Id3v2Builder()
                              .Version(4, 0)
                              .ExtendedHeader(12)
                              .Text("TIT2", "\xFF\xE0\xFF")
                              .Text16("TPE1", u"\u00FF\u00E0")
                              .Unsynchronised()
                              .Build());
  Id3v2Builder v22;
  v22.Version(2, 0)
      .Text16("TT2", u"Sch\u00F6ne Gr\u00FC\u00DFe")
      .Text("TP1", "A/B")
      .Text16("TAL", u"\u0420\u043E\u0441\u0441\u0438\u044F", Utf16Order::kBigEndian)
      .Text("TCO", "(17)")
      .Frame("PIC",
             "\0JPG\x03"
             "d\0\xFF\xD8\xFF"sv)
      .Frame("COM", "\0engd\0text"sv)
      .Frame("TXX", "\0k\0v"sv)
      .Padding(16);
  c.Add("v22_frames", v22.Build());
  c.Add("v22_unsync", Id3v2Builder(v22).Unsynchronised().Build());
  c.Add("v22_compressed_flag", Id3v2Builder(v22).Flags(0x40).Build());
  // Once gave a picture format holding a zero byte.
  c.Add("v22_picture_format_zero",
        Id3v2Builder().Version(2, 0).Frame("PIC", "\0J\0G\x04x\0"sv).Padding(8).Build());
  c.Add("v301", Id3v2Builder().Version(3, 1).Text("TIT2", "rev").Build());
  c.Add("empty_frame", Id3v2Builder().Frame("TALB", "").Text("TIT2", "x").Build());
  c.Add("short", "ID3\x03\0\0\0"sv);
}

void Ogg(const fs::path& root) {
  Corpus c(root, "ogg");
  c.AddSamples("ogg");
  c.Add("four_names",
        MakeOggVorbisFile({"TITLE=Title", "artist=Artist", "ALBUM=Album", "Genre=Genre"}));
  c.Add("odd_comments",
        MakeOggVorbisFile({"ARTIST=One", "ARTIST=Two", "TITLE==x", "GENRE=", "no equals",
                           std::string(300, 'A') + "=v", "ALBUM=" + std::string(260, 'b')}));
  c.Add("vendor_sets", MakeOggVorbisFile({"TITLE=t"}, "ARTIST=from vendor"));
  c.Add("no_comments", MakeOggVorbisFile({}));
  std::string cyrillic;
  for (int i = 0; i < 130; ++i) cyrillic += "\xD0\x94";
  c.Add("letter_at_limit", MakeOggVorbisFile({"TITLE=A" + cyrillic, "ARTIST=Caf\xE9 " + cyrillic}));
  std::string counted = MakeOggVorbisFile({"TITLE=a", "ALBUM=b"});
  c.Add("cut_short", counted.substr(0, 120));
}

void Wma(const fs::path& root) {
  Corpus c(root, "wma");
  c.AddSamples("wma");
  c.Add(
      "builder_tags",
      MakeWmaFile(
          u"Title", u"Author",
          {StringDescriptor(u"WM/AlbumTitle", u"Album"), StringDescriptor(u" wm/genre", u"Genre"),
           StringDescriptor(u"WM/Year", u"2001"), StringDescriptor(u"WM/Track", u"$1F"),
           DwordDescriptor(u"WM/TRACK", 9), StringDescriptor(u"WM/Description", u"  comment  ")}));
  c.Add("long_title", MakeWmaFile(std::u16string(300, u'T'), u"", {}));
  c.Add("implausible", MakeWmaFile(u"t", u"a", {}, WmaAudio{320000, 6, 96001, 40000}));
  c.Add("descriptors_only", MakeWmaFile(u"", u"",
                                        {StringDescriptor(u"WM/TITLE\0"sv, u"t"),
                                         StringDescriptor(u"WM/TrackNumber", u"3/12")}));
  // A title of one byte and an author of 501 bytes.
  c.Add("odd_lengths",
        AsfHeaderObject({AsfFilePropertiesObject(100000), AsfStreamPropertiesObject({}),
                         AsfObject(kAsfContentDescriptionId,
                                   "\x01\0\xF5\x01\0\0\0\0\0\0"s + std::string(502, 'x'))}));
  c.Add("claimed_count",
        AsfHeaderObject({AsfFilePropertiesObject(100000), AsfStreamPropertiesObject({})}, 1000));
}

std::string Ini(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) text += std::string(line) + "\r\n";
  return text;
}

void IniFiles(const fs::path& root) {
  Corpus c(root, "ini");
  c.Add("settings", Ini({"[main]", "driveid=1234-ABCD", "verbose=1", "nowrite=0",
                         "playlists=playlists", "cutat=32", "usedrive=0"}));
  c.Add("odd_lines", Ini({"before=section", "; comment", "  [ Main ]  ", " cutat = 0x20 ",
                          "no equals here", "=empty key", "key=", "[other]", "a=b=c", "[MAIN]",
                          "verbose=-2147483648", "[", "[]", "[x=y]"}));
  c.Add("lone_breaks", "[main]\rcutat=99999999999\nnowrite=+1\r\n\r\n[main]\nverbose=0x\0x"s);
}

void TextLines(const fs::path& root) {
  Corpus c(root, "textlines");
  c.Add("songs_dat",
        "e:\\Music\\Rock\\Track 01.mp3\r\ne:\\Music\\Jazz\\B\xE9"
        "bop.ogg\r\n"s);
  c.Add("mixed_breaks", "a\rb\nc\r\n\r\rd\n\n"s);
  c.Add("nul_ends", "before\r\nmid\0after\r\n"s);
  c.Add("no_final_break", "\\Music\\x.wma"s);
  c.Add("case_folding",
        "e:\\MUSIC\\STRASSE.mp3\r\ne:\\music\\stra\xDF"
        "e.mp3\r\n\xC9\xE9\r\n"s);
}

void Navdb(const fs::path& root) {
  Corpus c(root, "navdb");
  plondex::tirivdb db;
  db.AddSong({"\\Music\\Track 01.mp3", "Title", "Artist", "Album", "Rock"});
  db.AddSong({"\\x.ogg", "", "", "", ""});
  db.AddSong({"\\Caf\xE9.wma", std::string(300, 't'), "a", "b", "Jazz"});
  const std::string file = db.Assemble();
  c.Add("three_songs", file);
  c.Add("empty", plondex::tirivdb().Assemble());
  // Behind a header the fuzz target makes: a song count byte, then the records and trailer.
  const std::string records = file.substr(plondex::irivdb_layout::kHeaderSize);
  c.Add("records_three", "\x03"s + records);
  c.Add("records_two_of_three", "\x02"s + records);
  c.Add("records_more_claimed", "\x09"s + records);
  c.Add("records_none", "\0"s + std::string(64, '\0'));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: fuzz_make_corpus OUT_FOLDER\n";
    return 2;
  }
  const fs::path root = argv[1];
  try {
    Id3v1(root);
    Id3v2(root);
    Ogg(root);
    Wma(root);
    IniFiles(root);
    TextLines(root);
    Navdb(root);
  } catch (const std::exception& e) {
    std::cerr << "fuzz_make_corpus: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
