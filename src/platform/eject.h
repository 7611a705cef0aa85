#pragma once

// Ejecting the player on Linux: flush its file system, have udisks2 unmount it, then power the
// drive off so the disk stops before the cable is pulled.

#include <string>
#include <string_view>

#include "platform/drives.h"
#include "platform/udisks_bus.h"

namespace plondex {

// What the user is told when the player is unmounted and powered off. 8-bit text.
inline constexpr char kEjectedMessage[] = "The iHP can be unplugged now.";

// "Cannot eject the iHP here: DETAIL. Unmount it with your file manager before you unplug it."
// DETAIL is UTF-8, as D-Bus and the file system give it; the result is 8-bit text.
std::string CannotEjectMessage(std::string_view detail);

// Ejects the player whose drive is mounted at mount_point (a native folder, relative or through
// symbolic links as well), asking udisks2 on the given bus. Answers what the user is told:
// kEjectedMessage, or, when the drive is unmounted but refuses to power off, that it may be
// unplugged all the same and why it was not powered off. Throws Error with the text for the user
// when the player may still be mounted: mounted in more places than one, in use by another
// program, still mounted after udisks2's unmount, udisks2 cannot or will not eject it here, or the
// wait ended first (no permission in time, or cancelled). Nothing is written to the player.
std::string EjectPlayer(const std::string& mount_point, const BusAddress& bus,
                        const EjectWait& wait);

}  // namespace plondex
