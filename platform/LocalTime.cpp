#include "platform/LocalTime.h"

#include <cstdio>

namespace mollwick {

std::string FormatLocalTime(const timespec& when) {
    std::tm local{};
    const std::time_t seconds = when.tv_sec;
    if (::localtime_r(&seconds, &local) == nullptr) {
        local = std::tm{};
        local.tm_mday = 1;
        local.tm_year = 70;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d %02d:%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

}  // namespace mollwick
