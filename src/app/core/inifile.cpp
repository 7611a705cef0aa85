#include "app/core/inifile.h"

#include "platform/ascii.h"
#include "platform/numbers.h"

namespace plondex {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

std::optional<int64_t> ParseIniInteger(std::string_view text) {
  return ParseWholeNumber(text, kInt32Syntax);
}

void IniFile::Parse(std::string_view text) {
  sections_.clear();
  Section* current = nullptr;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (end < text.size() && text[end] == '\r' && start < text.size() && text[start] == '\n') {
      ++start;
    }
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
      const std::string_view name = Trim(line.substr(1, line.size() - 2));
      current = FindSection(name);
      if (!current) {
        sections_.push_back(Section{std::string(name), {}});
        current = &sections_.back();
      }
      continue;
    }
    if (!current) continue;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      current->lines.push_back(Line{false, {}, std::string(line)});
    } else {
      current->lines.push_back(Line{true, std::string(Trim(line.substr(0, eq))),
                                    std::string(Trim(line.substr(eq + 1)))});
    }
  }
}

IniFile::Section* IniFile::FindSection(std::string_view name) {
  for (Section& s : sections_) {
    if (EqualsIgnoringAsciiCase(s.name, name)) return &s;
  }
  return nullptr;
}

const IniFile::Section* IniFile::FindSection(std::string_view name) const {
  return const_cast<IniFile*>(this)->FindSection(name);
}

std::optional<std::string> IniFile::Read(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  if (!s) return std::nullopt;
  for (const Line& line : s->lines) {
    if (line.is_key && EqualsIgnoringAsciiCase(line.key, key)) return line.value;
  }
  return std::nullopt;
}

void IniFile::Write(std::string_view section, std::string_view key, std::string_view value) {
  Section* s = FindSection(section);
  if (!s) {
    sections_.push_back(Section{std::string(section), {}});
    s = &sections_.back();
  }
  for (Line& line : s->lines) {
    if (line.is_key && EqualsIgnoringAsciiCase(line.key, key)) {
      line.key = std::string(key);
      line.value = std::string(value);
      return;
    }
  }
  s->lines.push_back(Line{true, std::string(key), std::string(value)});
}

std::string IniFile::Serialize() const {
  std::string out;
  for (const Section& s : sections_) {
    out += "[" + s.name + "]\r\n";
    for (const Line& line : s.lines) {
      out += line.is_key ? line.key + "=" + line.value : line.value;
      out += "\r\n";
    }
    out += "\r\n";
  }
  return out;
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int default_value) const {
  const auto text = Read(section, key);
  if (!text) return default_value;
  return static_cast<int>(ParseIniInteger(*text).value_or(default_value));
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool default_value) const {
  return ReadInteger(section, key, default_value ? 1 : 0) != 0;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view default_value) const {
  return Read(section, key).value_or(std::string(default_value));
}

}  // namespace plondex
