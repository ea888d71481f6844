#include "cli/CliRun.h"

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstring>
#include <memory>
#include <string>

#include "actions/ExportWriter.h"
#include "cli/CliOutput.h"
#include "engine/FinderThread.h"

namespace mollwick::cli {

namespace {

// ---- Ctrl-C ---------------------------------------------------------------
// The handler only raises the worker's stop flag: a search then ends after the
// file in hand and an action after the group in hand, and either still ends
// with its done message.

std::atomic<std::atomic<bool>*> g_stopFlag{nullptr};
volatile std::sig_atomic_t g_interrupted = 0;

static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<void*>::is_always_lock_free,
              "the signal handler relies on lock-free atomics");

extern "C" void OnInterrupt(int /*signal*/) {
    g_interrupted = 1;
    if (std::atomic<bool>* stop = g_stopFlag.load()) {
        stop->store(true, std::memory_order_relaxed);
    }
}

enum class InterruptMode {
    Default,     // Ctrl-C ends the program at once
    StopSearch,  // the first Ctrl-C stops the search; a second one ends the program
    StopAction,  // every Ctrl-C only asks the action to stop: no move is cut short
};

void SetInterruptMode(InterruptMode mode) {
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    if (mode == InterruptMode::Default) {
        action.sa_handler = SIG_DFL;
    } else {
        action.sa_handler = OnInterrupt;
        action.sa_flags = SA_RESTART | (mode == InterruptMode::StopSearch ? SA_RESETHAND : 0);
    }
    ::sigaction(SIGINT, &action, nullptr);
}

// ---- The worker -------------------------------------------------------------

// Shows what the worker reports while it is busy, and remembers what the end
// of the run needs from it.
class ProgressView {
public:
    explicit ProgressView(const Terminal& terminal, bool drawLine)
        : m_terminal(terminal), m_drawLine(drawLine) {}

    void Show(const CProgressInfo& info) {
        m_last = info;
        if (IsScanError(info.strCurrentFile)) {
            ++m_scanErrors;
            // The last report of a search repeats the text in hand, which may be
            // an error shown already.
            if (!m_otherSinceError && info.strCurrentFile == m_lastError) {
                return;
            }
            ClearLine();
            std::fprintf(m_terminal.err, "%s\n", info.strCurrentFile.c_str());
            m_lastError = info.strCurrentFile;
            m_otherSinceError = false;
            return;
        }
        m_otherSinceError = true;
        if (!m_drawLine) {
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (m_drawn && now - m_lastDraw < std::chrono::milliseconds(100)) {
            return;  // a terminal over ssh should not be the bottleneck
        }
        m_lastDraw = now;
        m_drawn = true;
        const std::string line = ProgressLine(info, m_terminal.columns);
        std::fprintf(m_terminal.err, "\r%s\x1b[K", line.c_str());
        std::fflush(m_terminal.err);
    }

    void ClearLine() {
        if (m_drawn) {
            std::fputs("\r\x1b[K", m_terminal.err);
            m_drawn = false;
        }
    }

    const CProgressInfo& Last() const { return m_last; }
    int ScanErrors() const { return m_scanErrors; }

private:
    const Terminal& m_terminal;
    bool m_drawLine;
    bool m_drawn = false;
    std::chrono::steady_clock::time_point m_lastDraw;
    CProgressInfo m_last;
    int m_scanErrors = 0;
    std::string m_lastError;
    bool m_otherSinceError = true;
};

// Takes the worker's messages until its done message; returns the count it carries.
std::intptr_t WaitForDone(QueuePort& port, ProgressView& view) {
    for (;;) {
        const Message message = port.Take();
        if (message.message == WM_FINDER_PROGRESS) {
            std::unique_ptr<CProgressInfo> info(reinterpret_cast<CProgressInfo*>(message.wParam));
            view.Show(*info);
        } else if (message.message == WM_FINDER_DONE) {
            view.ClearLine();
            return message.lParam;
        }
    }
}

bool WriteAll(std::FILE* file, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), file) == text.size() && std::fflush(file) == 0;
}

// Marks every copy but the first of each group, as "Select All(keep the first)"
// does; returns how many.
int MarkCopies(CResultMap& results) {
    int marked = 0;
    for (auto& [key, group] : results) {
        for (auto& other : group->others) {
            other->bSelected = true;
            ++marked;
        }
    }
    return marked;
}

// Marked files still lying where the search found them, as the same file.
int CountLeftInPlace(const CResultMap& results) {
    int left = 0;
    for (const auto& [key, group] : results) {
        for (const auto& other : group->others) {
            struct stat st {};
            if (other->bSelected && ::lstat(other->FullPath().c_str(), &st) == 0 &&
                st.st_dev == other->device && st.st_ino == other->inode) {
                ++left;
            }
        }
    }
    return left;
}

bool AnswerIsYes(std::FILE* in) {
    std::string answer;
    for (int c = std::fgetc(in); c != EOF && c != '\n'; c = std::fgetc(in)) {
        if (!std::isspace(c)) {
            answer += static_cast<char>(std::tolower(c));
        }
    }
    return answer == "y" || answer == "yes";
}

// The worker's thread for one run: started on construction, asked to quit and
// waited for on destruction, before the port and the results it uses go.
class WorkerHandle {
public:
    WorkerHandle() : m_worker(BeginThread<CFinderThread>(1)) {
        if (m_worker != nullptr) {
            m_channel = m_worker->Channel();
        }
    }
    ~WorkerHandle() {
        if (m_worker != nullptr) {
            g_stopFlag.store(nullptr);
            m_worker->PostThreadMessage(mollwick::WM_QUIT);
            m_channel->WaitForEnd();
        }
    }
    WorkerHandle(const WorkerHandle&) = delete;
    WorkerHandle& operator=(const WorkerHandle&) = delete;

    CFinderThread* operator->() const { return m_worker; }
    CFinderThread* Get() const { return m_worker; }
    explicit operator bool() const { return m_worker != nullptr; }

private:
    CFinderThread* m_worker;
    std::shared_ptr<ThreadChannel> m_channel;
};

int RunAction(const Options& options, const Terminal& terminal, CResultMap& results,
              CFinderThread* worker, QueuePort& port, ProgressView& view) {
    const bool moving = options.action == Action::Move;
    const int marked = MarkCopies(results);
    if (marked == 0) {
        std::fputs("Moved/Deleted files: 0\n", terminal.err);
        return kExitDone;
    }
    if (options.dryRun) {
        for (const auto& [key, group] : results) {
            for (const auto& other : group->others) {
                std::fprintf(terminal.err, "%s %s\n",
                             moving ? "Would move:" : "Would delete:", other->FullPath().c_str());
            }
        }
        std::fprintf(terminal.err, "Dry run: %d files would be %s; nothing was touched.\n", marked,
                     moving ? ("moved to " + options.destFolder).c_str() : "deleted");
        return kExitDone;
    }
    if (!options.yes) {
        if (moving) {
            std::fprintf(terminal.err,
                         "Do you want to move the selected to folder? (%d files to %s) [y/N] ",
                         marked, options.destFolder.c_str());
        } else {
            std::fprintf(terminal.err, "Do you want to delete the selected? (%d files) [y/N] ",
                         marked);
        }
        std::fflush(terminal.err);
        if (!AnswerIsYes(terminal.in)) {
            std::fprintf(terminal.err, "Nothing was %s.\n", moving ? "moved" : "deleted");
            return kExitDone;
        }
    }

    worker->m_strDestPath = moving ? options.destFolder : std::string();
    worker->m_pResults = &results;
    g_interrupted = 0;
    SetInterruptMode(InterruptMode::StopAction);
    worker->PostThreadMessage(WM_FINDER_ACTION, moving ? FINDER_OP_MOVE : FINDER_OP_DELETE);
    const std::intptr_t handled = WaitForDone(port, view);
    SetInterruptMode(InterruptMode::Default);

    std::fprintf(terminal.err, "Moved/Deleted files: %ld\n", static_cast<long>(handled));
    if (g_interrupted != 0) {
        return kExitInterrupted;
    }
    const int left = CountLeftInPlace(results);
    if (handled < marked || left > 0) {
        std::fprintf(terminal.err, "mollwick-cli: %d of %d files were left in place\n",
                     std::max(left, static_cast<int>(marked - handled)), marked);
        return kExitIncomplete;
    }
    return kExitDone;
}

}  // namespace

QueuePort::~QueuePort() {
    for (const Message& message : m_queue) {
        if (message.message == WM_FINDER_PROGRESS) {
            delete reinterpret_cast<CProgressInfo*>(message.wParam);
        }
    }
}

bool QueuePort::Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(Message{message, wParam, lParam});
    }
    // A progress report wakes nobody: it is taken at the next tick of Take,
    // and until then the worker posts no routine report after it. Waking the
    // terminal for every fifth file would cost more than the search itself.
    if (message != WM_FINDER_PROGRESS) {
        m_posted.notify_one();
    }
    return true;
}

bool QueuePort::IsWaiting(std::uint32_t message) const {
    std::lock_guard lock(m_mutex);
    for (const Message& queued : m_queue) {
        if (queued.message == message) {
            return true;
        }
    }
    return false;
}

Message QueuePort::Take() {
    std::unique_lock lock(m_mutex);
    while (m_queue.empty()) {
        m_posted.wait_for(lock, std::chrono::milliseconds(50));
    }
    const Message message = m_queue.front();
    m_queue.pop_front();
    return message;
}

std::size_t TerminalColumns(int fd) {
    winsize size{};
    if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return 80;
}

int Run(const Options& options, const Terminal& terminal, CResultMap& results) {
    if (const std::string refusal = CheckBeforeRun(options, terminal.inIsTerminal);
        !refusal.empty()) {
        std::fprintf(terminal.err, "mollwick-cli: %s\n", refusal.c_str());
        return kExitUsage;
    }

    // Declared before the worker, so it outlives it, as the results do.
    QueuePort port;
    WorkerHandle worker;
    if (!worker) {
        std::fputs("mollwick-cli: An error occurred while starting up finder main thread.\n",
                   terminal.err);
        return kExitUsage;
    }

    const std::string extensions = NormaliseExtensions(options.extensions);
    worker->m_strExtensions = extensions;
    worker->m_bAllExtensions = extensions == "*";
    worker->m_strSourcePaths = SourceList(options.folders);
    worker->m_pResults = &results;
    worker->m_bHiddenFiles = options.hidden;
    worker->m_bReadEveryFile = options.readEveryFile;
    worker->m_nCompareMode = options.compareMode;
    worker->m_bSubfolders = options.recursive;
    worker->m_pMainDlg = &port;

    ProgressView view(terminal, terminal.errIsTerminal && !options.quiet);
    g_interrupted = 0;
    g_stopFlag.store(&worker->m_bStop);
    SetInterruptMode(InterruptMode::StopSearch);
    worker->PostThreadMessage(WM_FINDER_SEARCH);
    WaitForDone(port, view);
    SetInterruptMode(InterruptMode::Default);
    const bool interrupted = g_interrupted != 0;

    // The groups found, also those of a search cut short.
    bool written = true;
    switch (options.output) {
        case OutputFormat::Paths:
            written = WriteAll(terminal.out, FormatPathList(results));
            break;
        case OutputFormat::Json:
            written = WriteAll(
                terminal.out,
                FormatJson(results, SearchSummary{options.compareMode, view.Last().nTotalFiles,
                                                  view.Last().nDuplicates}));
            break;
        case OutputFormat::Export:
            if (const ExportOutcome outcome = WriteExportFile(options.exportPath, results);
                !outcome.succeeded) {
                std::fprintf(terminal.err,
                             "mollwick-cli: %s: the export could not be written: %s\n",
                             options.exportPath.c_str(), std::strerror(outcome.error));
                written = false;
            }
            break;
    }
    if (!written && options.output != OutputFormat::Export) {
        std::fputs("mollwick-cli: the output could not be written\n", terminal.err);
    }
    if (interrupted) {
        return kExitInterrupted;
    }

    int status = written && view.ScanErrors() == 0 ? kExitDone : kExitIncomplete;
    if (options.action != Action::None) {
        const int acted = RunAction(options, terminal, results, worker.Get(), port, view);
        if (acted != kExitDone) {
            status = acted;
        }
    }
    return status;
}

}  // namespace mollwick::cli
