#pragma once

#include <ctime>
#include <string>

namespace mollwick {

// The modification time as local time of the current zone:
// "YYYY/MM/DD hh:mm:ss", the year in full.
std::string FormatLocalTime(const timespec& when);

}  // namespace mollwick
