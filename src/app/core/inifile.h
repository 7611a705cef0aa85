#pragma once

// The settings file's text form: sections of key=value lines.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plondex {

class IniFile {
 public:
  // Reads the text: each line trimmed of surrounding blanks; empty lines and lines beginning
  // with ';' skipped; "[name]" begins a section; "key=value" is a key (both trimmed); another
  // line inside a section is kept as it stands; lines before the first section are ignored.
  void Parse(std::string_view text);
  // The value of the first line with this key; names match without regard to letter case.
  std::optional<std::string> Read(std::string_view section, std::string_view key) const;
  // Replaces the key's line in place (with this spelling of the key), or appends it to the end
  // of its section, which is created at the end of the file when missing.
  void Write(std::string_view section, std::string_view key, std::string_view value);
  // Every section in order: "[name]", its lines, an empty line; CR LF after each line.
  std::string Serialize() const;

  // Whole numbers: decimal with an optional sign, or hexadecimal after "0x"/"0X"; anything else
  // (or a number beyond 32 bits) gives the default.
  int ReadInteger(std::string_view section, std::string_view key, int default_value) const;
  // Any whole number other than 0 is true.
  bool ReadBool(std::string_view section, std::string_view key, bool default_value) const;
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view default_value) const;

 private:
  struct Line {
    bool is_key = false;
    std::string key;    // for key lines
    std::string value;  // the value of a key line, or the whole text of another line
  };
  struct Section {
    std::string name;
    std::vector<Line> lines;
  };
  Section* FindSection(std::string_view name);
  const Section* FindSection(std::string_view name) const;

  std::vector<Section> sections_;
};

// The whole-number syntax of the settings file: kInt32Syntax.
std::optional<int64_t> ParseIniInteger(std::string_view text);

}  // namespace plondex
