#pragma once

// The manifests of tests/data: FILE<TAB>KEY<TAB>VALUE lines naming the values the readers must
// give for the tagger-made files of a folder; '#' lines and empty lines are skipped.

#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace plondex::test {

using Manifest = std::map<std::string, std::map<std::string, std::string>>;

// The manifest.txt of a folder; empty when there is none.
inline Manifest ReadManifest(const std::string& folder) {
  Manifest expected;
  std::ifstream in(folder + "/manifest.txt");
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string file, key, value;
    std::getline(fields, file, '\t');
    std::getline(fields, key, '\t');
    std::getline(fields, value);
    expected[file][key] = value;
  }
  return expected;
}

}  // namespace plondex::test
