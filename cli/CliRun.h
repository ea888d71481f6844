#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>

#include "cli/CliOptions.h"
#include "engine/ResultModel.h"
#include "platform/MessagePort.h"
#include "platform/MessageThread.h"

namespace mollwick::cli {

// The command line's side of the worker's messages: the worker posts into a
// queue that the main thread drains in order.
class QueuePort : public MessagePort {
public:
    QueuePort() = default;
    // Frees the progress records that were never taken.
    ~QueuePort() override;
    QueuePort(const QueuePort&) = delete;
    QueuePort& operator=(const QueuePort&) = delete;

    bool Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    bool IsWaiting(std::uint32_t message) const override;

    // Waits for the next message and takes it off the queue.
    Message Take();

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<Message> m_queue;
};

// Where a run reads and writes, and what kind of ends they are.
struct Terminal {
    std::FILE* out = stdout;
    std::FILE* err = stderr;
    std::FILE* in = stdin;
    bool errIsTerminal = false;  // draw the progress line
    bool inIsTerminal = false;   // questions can be asked
    std::size_t columns = 80;
};

// The width of the terminal on fd, or 80 when it has none.
std::size_t TerminalColumns(int fd);

// Exit statuses.
inline constexpr int kExitDone = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitIncomplete = 2;
inline constexpr int kExitInterrupted = 130;

// Runs the search into results (empty), prints the groups and carries out the
// action the options ask for; returns the exit status. Installs its own SIGINT
// handling while the worker is busy.
int Run(const Options& options, const Terminal& terminal, CResultMap& results);

}  // namespace mollwick::cli
