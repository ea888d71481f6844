#pragma once

// The real worker thread for a test: started on construction, ended with
// WM_QUIT on destruction, which waits until the thread has gone (the worker
// deletes itself, so nothing may touch it afterwards).

#include <chrono>
#include <memory>
#include <stdexcept>

#include "engine/FinderThread.h"
#include "platform/MessageThread.h"

namespace mollwick::test {

class ScopedWorker {
public:
    ScopedWorker() : m_worker(mollwick::BeginThread<CFinderThread>(1)) {
        if (m_worker == nullptr) {
            throw std::runtime_error("the worker thread did not start");
        }
        m_channel = m_worker->Channel();
    }
    ~ScopedWorker() {
        m_channel->Post(mollwick::WM_QUIT);
        m_channel->WaitForEnd();
    }
    ScopedWorker(const ScopedWorker&) = delete;
    ScopedWorker& operator=(const ScopedWorker&) = delete;

    // Only while the worker is idle (before a post, after its WM_FINDER_DONE),
    // except for m_bStop.
    CFinderThread* operator->() const { return m_worker; }
    CFinderThread& operator*() const { return *m_worker; }

    bool Post(std::uint32_t message, std::uintptr_t wParam = 0) {
        return m_channel->Post(message, wParam, 0);
    }

private:
    CFinderThread* m_worker;
    std::shared_ptr<mollwick::ThreadChannel> m_channel;
};

}  // namespace mollwick::test
