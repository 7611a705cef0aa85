#pragma once

// Reads and checks a navigation database held in memory. Every byte of the layout is checked:
// the three header strings and their zero padding, the song count, the offset table against the
// record sizes, the records' zero-terminated texts, the trailer and that nothing follows it.
// Nothing outside the buffer is ever touched, whatever the lengths in it claim.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "navdb/irivdb.h"

namespace plondex {

struct DbProblem {
  std::string what;     // e.g. "song count 10000 is above 9999"
  uint64_t offset = 0;  // the byte of the file where it shows
  // "WHAT (at byte OFFSET)"
  std::string Message() const;
};

struct DbContents {
  // The records in file order; empty when there is a problem.
  std::vector<tsong> songs;
  // The first problem found, if any.
  std::optional<DbProblem> problem;
};

DbContents ReadDatabase(std::string_view file);

}  // namespace plondex
