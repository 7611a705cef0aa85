#include "app/core/inifile.h"

#include <gtest/gtest.h>

namespace plondex {
namespace {

TEST(IniFile, ReadingRules) {
  IniFile ini;
  ini.Parse(
      "stray=ignored\r\n"
      "  [ Main ]  \r\n"
      "; a comment\n"
      "\n"
      "  DriveID =  1234-ABCD  \r"
      "cutat=0x20\n"
      "free text line\n"
      "verbose=5\n"
      "nowrite=yes\n"
      "cutat=99\n"
      "[other]\nkey=a=b\n");
  EXPECT_EQ(ini.Read("main", "driveid"), "1234-ABCD");
  EXPECT_EQ(ini.Read("MAIN", "stray"), std::nullopt);
  EXPECT_EQ(ini.ReadInteger("main", "cutat", 32), 32);  // the first of repeated keys counts
  EXPECT_TRUE(ini.ReadBool("main", "verbose", false));
  EXPECT_FALSE(ini.ReadBool("main", "nowrite", false));  // not a number: the default
  EXPECT_EQ(ini.Read("other", "key"), "a=b");
  EXPECT_EQ(ini.ReadString("main", "missing", "dflt"), "dflt");
}

TEST(IniFile, IntegerSyntax) {
  EXPECT_EQ(ParseIniInteger("0x20"), 32);
  EXPECT_EQ(ParseIniInteger("0XfF"), 255);
  EXPECT_EQ(ParseIniInteger("-17"), -17);
  EXPECT_EQ(ParseIniInteger("+4"), 4);
  EXPECT_EQ(ParseIniInteger("2147483647"), 2147483647);
  EXPECT_EQ(ParseIniInteger("2147483648"), std::nullopt);
  EXPECT_EQ(ParseIniInteger("0x"), std::nullopt);
  EXPECT_EQ(ParseIniInteger("0x1FFFFFFFF"), std::nullopt);
  EXPECT_EQ(ParseIniInteger("12a"), std::nullopt);
  EXPECT_EQ(ParseIniInteger(""), std::nullopt);
  EXPECT_EQ(ParseIniInteger("-"), std::nullopt);
}

TEST(IniFile, WritingKeepsUnknownContentAndReplacesInPlace) {
  IniFile ini;
  ini.Parse("[extra]\nfoo=1\nloose line\n[MAIN]\nVERBOSE=0\nunknown=x\n");
  ini.Write("main", "driveid", "AAAA-BBBB");
  ini.Write("main", "verbose", "1");
  ini.Write("new", "k", "v");
  EXPECT_EQ(ini.Serialize(),
            "[extra]\r\nfoo=1\r\nloose line\r\n\r\n"
            "[MAIN]\r\nverbose=1\r\nunknown=x\r\ndriveid=AAAA-BBBB\r\n\r\n"
            "[new]\r\nk=v\r\n\r\n");
}

TEST(IniFile, GarbageReadsWithoutHarm) {
  std::string garbage;
  for (int i = 0; i < 5000; ++i) garbage.push_back(static_cast<char>((i * 7919) % 256));
  IniFile ini;
  ini.Parse(garbage);
  ini.Serialize();
  ini.Parse("[");
  ini.Parse("]");
  ini.Parse("[]\n=\n==\n");
  EXPECT_EQ(ini.Read("", ""), "");  // "=" is a key without a name and an empty value
}

}  // namespace
}  // namespace plondex
