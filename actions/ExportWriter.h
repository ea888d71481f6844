#pragma once

#include <string>

#include "engine/ResultModel.h"

// The export file: one line per file of every duplicate group, an empty line
// after each group, ISO 8859-1, CR LF.

// Appends one file line to out and returns it.
std::string& WriteRecordLine(std::string& out, const CFileRecord& record);

// The bytes of the whole export for these results.
std::string FormatExport(const CResultMap& results);

struct ExportOutcome {
    bool succeeded = false;
    int error = 0;  // errno when it did not
};

// Writes the export to path, replacing what was there. When the file cannot be
// opened an existing file is left as it was.
ExportOutcome WriteExportFile(const std::string& path, const CResultMap& results);

// Beside the running executable: its folder followed by "exportSearch.log".
std::string DefaultExportPath();

// UTF-8 text as ISO 8859-1 bytes: a character above U+00FF becomes "?", and so
// does every byte that is not part of valid UTF-8.
std::string ToLatin1(const std::string& text);
