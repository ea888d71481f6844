#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/CliRun.h"
#include "engine/Version.h"

int main(int argc, char** argv) {
    using namespace mollwick::cli;
    const ParseResult parsed = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "mollwick-cli: %s (see mollwick-cli --help)\n", parsed.error.c_str());
        return kExitUsage;
    }
    if (parsed.options.showHelp) {
        std::fputs(UsageText().c_str(), stdout);
        return kExitDone;
    }
    if (parsed.options.showVersion) {
        std::printf("mollwick %s\n", kMollwickVersion);
        return kExitDone;
    }
    Terminal terminal;
    terminal.errIsTerminal = ::isatty(STDERR_FILENO) != 0;
    terminal.inIsTerminal = ::isatty(STDIN_FILENO) != 0;
    terminal.columns = TerminalColumns(STDERR_FILENO);
    auto results = std::make_unique<CResultMap>();
    const int status = Run(parsed.options, terminal, *results);
    // The system takes the results back at exit all at once; freeing a large
    // search's records one by one would only hold the exit up. Held here, they
    // are still in use to a leak checker.
    [[maybe_unused]] static CResultMap* volatile resultsAtExit = nullptr;
    resultsAtExit = results.release();
    return status;
}
