#pragma once

// The program folder holds plondex.ini, songs.dat and the two side playlists; the per-user cache
// folder holds what can be made again.

#include <string>
#include <string_view>

namespace plondex {

// The folder of the executable when it is writable and not a system program folder such as
// /usr/bin, else the per-user configuration folder ($XDG_CONFIG_HOME/plondex or
// ~/.config/plondex, created with its parents when missing).
std::string ChooseProgramFolder(const std::string& executable_folder);

// Where the tag cache lives: $XDG_CACHE_HOME/plondex/tags.sqlite, or
// ~/.cache/plondex/tags.sqlite. Nothing is created here.
std::string DefaultTagCacheFile();

// The folder of the running executable.
std::string ExecutableFolder();

}  // namespace plondex
