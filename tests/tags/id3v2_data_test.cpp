// MP3 files tagged by real taggers, checked against the values in their manifest.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "tags/id3v1.h"
#include "tags/id3v2.h"

namespace plondex {
namespace {

const std::string kFolder = std::string(PLONDEX_TEST_DATA) + "/id3v2/";

struct Expected {
  std::map<std::string, std::string> values;
  std::vector<std::string> performers;
};

// FILE<TAB>KEY<TAB>VALUE lines, values turned into 8-bit text.
std::map<std::string, Expected> LoadManifest() {
  std::map<std::string, Expected> files;
  std::ifstream in(kFolder + "manifest.txt");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const size_t tab1 = line.find('\t');
    const size_t tab2 = line.find('\t', tab1 + 1);
    if (tab1 == std::string::npos || tab2 == std::string::npos) {
      ADD_FAILURE() << "bad manifest line: " << line;
      continue;
    }
    Expected& e = files[line.substr(0, tab1)];
    const std::string key = line.substr(tab1 + 1, tab2 - tab1 - 1);
    const std::string value = Utf8ToAnsi(line.substr(tab2 + 1));
    if (key == "performer") {
      e.performers.push_back(value);
    } else {
      e.values[key] = value;
    }
  }
  return files;
}

std::string Value(const Expected& e, const std::string& key) {
  auto it = e.values.find(key);
  return it == e.values.end() ? "" : it->second;
}

TEST(Id3v2RealFiles, ReaderGivesWhatTheTaggersWrote) {
  const std::map<std::string, Expected> files = LoadManifest();
  ASSERT_GE(files.size(), 11u);
  TId3v2 tag;
  for (const auto& [name, e] : files) {
    SCOPED_TRACE(name);
    const std::string path = kFolder + name;
    ASSERT_NO_THROW(tag.SetFileName(FileLocation(path)));
    EXPECT_EQ(tag.TagPresent() ? "true" : "false", Value(e, "present"));
    if (tag.TagPresent()) {
      EXPECT_EQ(std::to_string(tag.MajorVersion()), Value(e, "major"));
      EXPECT_EQ(std::to_string(tag.Revision()), Value(e, "revision"));
    }
    EXPECT_EQ(tag.Texts().ContentDescription(), Value(e, "title"));
    EXPECT_EQ(tag.Texts().Album(), Value(e, "album"));
    EXPECT_EQ(tag.Texts().Content(), Value(e, "genre"));
    EXPECT_EQ(tag.Texts().Performers(), e.performers);
    if (e.values.count("picture")) {
      std::istringstream picture(Value(e, "picture"));
      int type = 0;
      std::string mime;
      uint64_t size = 0;
      picture >> type >> mime >> size;
      std::string description;
      std::getline(picture >> std::ws, description);
      EXPECT_TRUE(tag.Images().Picture(type).present);
      EXPECT_EQ(tag.Images().Picture(type).mime_type, mime);
      EXPECT_EQ(tag.Images().Picture(type).size, size);
      EXPECT_EQ(tag.Images().Info(type), description);
    }
    if (e.values.count("usertext")) {
      const std::string text = Value(e, "usertext");
      EXPECT_EQ(tag.UserDefinedText().Description(), text.substr(0, text.find('=')));
      EXPECT_EQ(tag.UserDefinedText().Value(), text.substr(text.find('=') + 1));
    }
    EXPECT_EQ(Id3v1TagInFile(FileLocation(path)) ? "true" : "false", Value(e, "id3v1"));
  }
}

}  // namespace
}  // namespace plondex
