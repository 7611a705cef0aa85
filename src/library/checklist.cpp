#include "library/checklist.h"

#include <algorithm>

#include "library/textlines.h"
#include "platform/collation.h"
#include "platform/files.h"

namespace plondex {

SavedCheckList::SavedCheckList(const std::vector<std::string>& lines) {
  keys_.reserve(lines.size());
  for (const std::string& line : lines) {
    if (!line.empty()) keys_.push_back(SortKeyNoCase(line));
  }
  std::sort(keys_.begin(), keys_.end());
  keys_.erase(std::unique(keys_.begin(), keys_.end()), keys_.end());
}

SavedCheckList SavedCheckList::Load(const std::string& path) {
  if (!FileExists(path)) return SavedCheckList();
  return SavedCheckList(SplitTextLines(ReadWholeFile(path)));
}

bool SavedCheckList::Contains(std::string_view path) const {
  if (keys_.empty() || path.empty()) return false;
  return std::binary_search(keys_.begin(), keys_.end(), SortKeyNoCase(path));
}

}  // namespace plondex
