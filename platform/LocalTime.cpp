#include "platform/LocalTime.h"

#include <charconv>

namespace mollwick {

namespace {

// As "%02d" writes a value of 0 to 99, without the cost of a format string:
// a large search writes one time text per file.
char* TwoDigits(char* out, int value) {
    out[0] = static_cast<char>('0' + value / 10);
    out[1] = static_cast<char>('0' + value % 10);
    return out + 2;
}

}  // namespace

std::string FormatLocalTime(const timespec& when) {
    std::tm local{};
    const std::time_t seconds = when.tv_sec;
    if (::localtime_r(&seconds, &local) == nullptr) {
        local = std::tm{};
        local.tm_mday = 1;
        local.tm_year = 70;
    }
    // "%02d/%02d/%02d %02d:%02d:%02d": the year in full, at least two digits.
    char text[32];
    char* out = text;
    const int year = local.tm_year + 1900;
    if (year >= 0 && year < 10) {
        *out++ = '0';
    }
    out = std::to_chars(out, text + 12, year).ptr;
    const int fields[] = {local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                          local.tm_sec};
    const char separators[] = {'/', '/', ' ', ':', ':'};
    for (std::size_t i = 0; i < 5; ++i) {
        *out++ = separators[i];
        out = TwoDigits(out, fields[i]);
    }
    return std::string(text, out);
}

}  // namespace mollwick
