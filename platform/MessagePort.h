#pragma once

#include <cstdint>

namespace mollwick {

// Where a worker posts its (message, wParam, lParam) triples: the window, or a
// recording port in tests. Implementations lock internally; Post may be called
// from any thread.
class MessagePort {
public:
    virtual ~MessagePort() = default;
    // Queues the triple for the receiver; false when it cannot be delivered
    // (the receiver is gone). The sender frees whatever wParam owned then.
    virtual bool Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    // Whether a message of this kind posted earlier still waits to be taken.
    virtual bool IsWaiting(std::uint32_t message) const = 0;
};

}  // namespace mollwick
