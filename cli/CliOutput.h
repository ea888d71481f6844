#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/FinderMessages.h"
#include "engine/ResultModel.h"

namespace mollwick::cli {

// Every file of every duplicate group, in key order, the group's first file
// first: one path per line as the file system's bytes, an empty line after
// each group.
std::string FormatPathList(const CResultMap& results);

struct SearchSummary {
    std::int32_t compareMode = COMPARE_BY_CONTENT;
    std::int32_t totalFiles = 0;
    std::int32_t duplicates = 0;
};

// One JSON document with the groups. Text that is not valid UTF-8 shows
// U+FFFD for each byte that does not fit; such a path also carries its exact
// bytes in base64 as "path_b64".
std::string FormatJson(const CResultMap& results, const SearchSummary& summary);

// The bytes as a quoted JSON string.
std::string JsonString(const std::string& bytes);
bool IsValidUtf8(const std::string& bytes);
std::string Base64(const std::string& bytes);

// Whether a progress text is the worker's report of a folder it could not list.
bool IsScanError(const std::string& text);

// The progress line for a terminal of this many columns: counts first, then as
// much of the current file as fits. Control characters and bytes that are not
// UTF-8 show as "?", so the line never breaks or moves the cursor.
std::string ProgressLine(const CProgressInfo& info, std::size_t columns);

}  // namespace mollwick::cli
