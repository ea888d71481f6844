#include "cli/CliOptions.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace mollwick::cli {

namespace {

// The long options that take a value, and whether a short letter names them.
struct ValueOption {
    const char* longName;
    char shortName;
};

constexpr ValueOption kValueOptions[] = {{"ext", 'e'}, {"export", '\0'}, {"move-to", '\0'}};

bool TakesValue(const std::string& longName) {
    for (const ValueOption& option : kValueOptions) {
        if (longName == option.longName) {
            return true;
        }
    }
    return false;
}

// Applies one option; returns the refusal text or an empty string.
std::string Apply(Options& options, const std::string& name, const std::string& value) {
    if (name == "by-content") {
        options.compareMode = COMPARE_BY_CONTENT;
    } else if (name == "by-name") {
        options.compareMode = COMPARE_BY_NAME;
    } else if (name == "ext") {
        options.extensions = value;
    } else if (name == "recursive") {
        options.recursive = true;
    } else if (name == "hidden") {
        options.hidden = true;
    } else if (name == "quiet") {
        options.quiet = true;
    } else if (name == "json") {
        options.output = OutputFormat::Json;
    } else if (name == "export") {
        if (value.empty()) {
            return "--export needs a file name";
        }
        options.output = OutputFormat::Export;
        options.exportPath = value;
    } else if (name == "delete") {
        options.action = Action::Delete;
    } else if (name == "move-to") {
        if (value.empty()) {
            return "--move-to needs a folder";
        }
        options.action = Action::Move;
        options.destFolder = value;
    } else if (name == "yes") {
        options.yes = true;
    } else if (name == "dry-run") {
        options.dryRun = true;
    } else if (name == "help") {
        options.showHelp = true;
    } else if (name == "version") {
        options.showVersion = true;
    } else if (name == "read-every-file") {
        options.readEveryFile = true;
    } else {
        return "unknown option --" + name;
    }
    return {};
}

std::string LongNameOf(char letter) {
    switch (letter) {
        case 'c':
            return "by-content";
        case 'n':
            return "by-name";
        case 'e':
            return "ext";
        case 'r':
            return "recursive";
        case 'a':
            return "hidden";
        case 'q':
            return "quiet";
        case 'h':
            return "help";
        default:
            return {};
    }
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

ParseResult ParseOptions(const std::vector<std::string>& args) {
    ParseResult result;
    Options& options = result.options;
    // Each option seen, in order, so that clashing ones can be named.
    bool sawJson = false;
    bool sawExport = false;
    bool sawDelete = false;
    bool sawMove = false;
    const auto fail = [&](std::string text) {
        result.error = std::move(text);
        return result;
    };
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            options.folders.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::vector<std::pair<std::string, std::string>> given;
        if (arg[1] == '-') {
            std::string name = arg.substr(2);
            std::string value;
            const std::size_t equals = name.find('=');
            if (equals != std::string::npos) {
                value = name.substr(equals + 1);
                name.resize(equals);
                if (!TakesValue(name)) {
                    return fail("option --" + name + " takes no value");
                }
            } else if (TakesValue(name)) {
                if (i + 1 >= args.size()) {
                    return fail("option --" + name + " needs a value");
                }
                value = args[++i];
            }
            given.emplace_back(name, value);
        } else {
            // Bundled letters: "-ra", "-ejpg", "-e jpg".
            for (std::size_t k = 1; k < arg.size(); ++k) {
                const std::string name = LongNameOf(arg[k]);
                if (name.empty()) {
                    return fail(std::string("unknown option -") + arg[k]);
                }
                std::string value;
                if (TakesValue(name)) {
                    if (k + 1 < arg.size()) {
                        value = arg.substr(k + 1);
                    } else if (i + 1 < args.size()) {
                        value = args[++i];
                    } else {
                        return fail(std::string("option -") + arg[k] + " needs a value");
                    }
                    given.emplace_back(name, value);
                    break;
                }
                given.emplace_back(name, value);
            }
        }
        for (const auto& [name, value] : given) {
            if (std::string error = Apply(options, name, value); !error.empty()) {
                return fail(error);
            }
            sawJson = sawJson || name == "json";
            sawExport = sawExport || name == "export";
            sawDelete = sawDelete || name == "delete";
            sawMove = sawMove || name == "move-to";
        }
    }
    if (options.showHelp || options.showVersion) {
        return result;
    }
    if (sawJson && sawExport) {
        return fail("--json and --export cannot be used together");
    }
    if (sawDelete && sawMove) {
        return fail("--delete and --move-to cannot be used together");
    }
    if (options.dryRun && options.action == Action::None) {
        return fail("--dry-run needs --delete or --move-to");
    }
    if (options.folders.empty()) {
        return fail("no folder given");
    }
    return result;
}

std::string NormaliseExtensions(const std::string& text) {
    if (text.empty()) {
        return std::string(1, '*');
    }
    return text.front() == '.' ? text.substr(1) : text;
}

std::string SourceList(const std::vector<std::string>& folders) {
    std::string list;
    for (const std::string& folder : folders) {
        list += "\r\n";
        list += folder;
    }
    return list;
}

std::string CheckBeforeRun(const Options& options, bool canAsk) {
    for (const std::string& folder : options.folders) {
        // Only a folder that is not there is refused here; one that exists but
        // cannot be listed is the worker's to report, like the window's.
        struct stat st {};
        if (::stat(folder.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
            return folder + ": no such folder";
        }
    }
    if (options.action == Action::Move && !IsFolder(options.destFolder)) {
        return options.destFolder + ": the destination folder does not exist";
    }
    if (options.output == OutputFormat::Export) {
        const std::size_t slash = options.exportPath.rfind('/');
        const std::string folder =
            slash == std::string::npos ? "." : options.exportPath.substr(0, slash + 1);
        if (!IsFolder(folder)) {
            return options.exportPath + ": the folder for the export does not exist";
        }
    }
    if (options.action != Action::None && !options.dryRun && !options.yes && !canAsk) {
        return std::string("refusing to ") +
               (options.action == Action::Delete ? "delete" : "move") +
               " files without a terminal to ask on; give --yes to confirm";
    }
    return {};
}

std::string UsageText() {
    return "Usage: mollwick-cli [OPTIONS] FOLDER...\n"
           "Finds duplicate files in the given folders.\n"
           "\n"
           "  -c, --by-content   files with the same content are duplicates (default)\n"
           "  -n, --by-name      files with the same name are duplicates\n"
           "  -e, --ext LIST     only files whose extension occurs in LIST, e.g. jpg,png;\n"
           "                     \"*\" (the default) takes every file\n"
           "  -r, --recursive    look in subfolders\n"
           "  -a, --hidden       include hidden files and folders (names beginning with .)\n"
           "      --json         print the groups as one JSON document\n"
           "      --export FILE  write the groups to FILE in the window's export format\n"
           "      --delete       delete every copy but the first of each group\n"
           "      --move-to DIR  move every copy but the first of each group into DIR\n"
           "      --yes          act without asking\n"
           "      --dry-run      list what would be deleted or moved, touch nothing\n"
           "  -q, --quiet        no progress line\n"
           "  -h, --help         show this text\n"
           "      --version      show the version\n"
           "\n"
           "By default each group is printed as one path per line, followed by an empty line.\n"
           "Exit status: 0 done, 1 bad usage or refused, 2 a folder could not be listed or\n"
           "files were left in place, 130 interrupted.\n";
}

}  // namespace mollwick::cli
