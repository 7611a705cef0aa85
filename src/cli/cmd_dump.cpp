// plondex-cli dump FILE: lists the records of a navigation database, or names the first place
// where the file breaks the layout.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/command.h"
#include "navdb/dbreader.h"
#include "navdb/irivdb.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace plondex::cli {
namespace {

int Dump(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: plondex-cli dump FILE\n");
    return 2;
  }
  const std::string& path = args[0];
  const std::string file = ReadWholeFile(FileLocation(path), irivdb_layout::kMaxFileSize);
  const DbContents contents = ReadDatabase(file);
  if (contents.problem) {
    std::fprintf(stderr, "%s: %s\n", AnsiToUtf8(FileLocation(path).shown()).c_str(),
                 AnsiToUtf8(contents.problem->Message()).c_str());
    return 1;
  }
  std::string out = "songs: " + std::to_string(contents.songs.size()) + "\n";
  for (size_t i = 0; i < contents.songs.size(); ++i) {
    const tsong& song = contents.songs[i];
    out += std::to_string(i);
    for (const std::string* text :
         {&song.Path, &song.Title, &song.Artist, &song.Album, &song.Genre}) {
      out += '\t';
      out += AnsiToUtf8(*text);
    }
    out += '\n';
  }
  // A full disk or a closed pipe must not pass for a complete listing.
  if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
    std::fprintf(stderr, "dump: cannot write the listing\n");
    return 1;
  }
  return 0;
}

const Registration kDump("dump", "dump FILE", Dump);

}  // namespace
}  // namespace plondex::cli
