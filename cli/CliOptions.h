#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/FinderMessages.h"

namespace mollwick::cli {

enum class OutputFormat { Paths, Json, Export };
enum class Action { None, Delete, Move };

// What the command line asked for, before anything has looked at the disk.
struct Options {
    std::vector<std::string> folders;
    std::int32_t compareMode = COMPARE_BY_CONTENT;
    std::string extensions = "*";  // as typed; see NormaliseExtensions
    bool recursive = false;
    bool hidden = false;
    bool quiet = false;
    OutputFormat output = OutputFormat::Paths;
    std::string exportPath;
    Action action = Action::None;
    std::string destFolder;
    bool yes = false;
    bool dryRun = false;
    bool showHelp = false;
    bool showVersion = false;
    // Support switch, left out of the help: by content, read every file in
    // full rather than only those that can have a twin. Same results.
    bool readEveryFile = false;
};

struct ParseResult {
    Options options;
    std::string error;  // one line without the program name; empty when parsing succeeded
};

// Parses the arguments that follow the program name.
ParseResult ParseOptions(const std::vector<std::string>& args);

// The filter text as the window hands it to the worker: an empty text becomes
// "*", then one leading "." is removed (so ".*" is "*" and "." is empty).
std::string NormaliseExtensions(const std::string& text);

// The source list as the window builds it: CR LF before each folder.
std::string SourceList(const std::vector<std::string>& folders);

// Checks that need the disk or the terminal, made before the search starts:
// the folders exist, the move destination and the export's folder exist, and a
// real action can be confirmed. Returns the refusal line, or an empty string.
std::string CheckBeforeRun(const Options& options, bool canAsk);

std::string UsageText();

}  // namespace mollwick::cli
