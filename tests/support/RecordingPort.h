#pragma once

// A message port for tests: it stands where the window stands, records every
// triple the worker posts and lets a test wait for the end of a request.
// Header-only and self-contained, so any core test can include it.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "engine/FinderMessages.h"
#include "platform/MessagePort.h"

namespace mollwick::test {

struct PostedMessage {
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    // A copy of the record of a WM_FINDER_PROGRESS; the record itself is freed
    // on arrival, as the window frees it, and wParam then no longer points at it.
    std::optional<CProgressInfo> progress;
};

class RecordingPort : public mollwick::MessagePort {
public:
    // Runs once, on the posting (worker) thread, when the first progress
    // arrives; a test uses it to act at a known point of a request.
    void OnFirstProgress(std::function<void()> hook) {
        std::lock_guard lock(m_mutex);
        m_firstProgressHook = std::move(hook);
    }

    bool Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
        PostedMessage posted{message, wParam, lParam, std::nullopt};
        if (message == WM_FINDER_PROGRESS) {
            // The receiver owns the record from the moment it is posted.
            std::unique_ptr<CProgressInfo> info(reinterpret_cast<CProgressInfo*>(wParam));
            if (info != nullptr) {
                posted.progress = *info;
            }
        }
        std::function<void()> hook;
        if (message == WM_FINDER_PROGRESS) {
            std::lock_guard lock(m_mutex);
            if (!m_sawProgress) {
                m_sawProgress = true;
                hook = std::move(m_firstProgressHook);
            }
        }
        if (hook) {
            hook();  // outside the lock: it may well use the port
        }
        // Notified under the lock, so a waiter that returns and destroys the
        // port never races with this thread.
        std::lock_guard lock(m_mutex);
        m_messages.push_back(std::move(posted));
        m_arrived.notify_all();
        return true;
    }

    // Every message is taken the moment it is posted, unless the test makes the
    // port claim that a progress report still waits (a window that is slow to
    // take them).
    bool IsWaiting(std::uint32_t message) const override {
        std::lock_guard lock(m_mutex);
        return message == WM_FINDER_PROGRESS && m_progressWaiting;
    }
    void SetProgressWaiting(bool waiting) {
        std::lock_guard lock(m_mutex);
        m_progressWaiting = waiting;
    }

    // Waits for the next WM_FINDER_DONE not yet returned by an earlier call;
    // nothing when the time runs out first.
    std::optional<PostedMessage> WaitForDone(
        std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
        std::unique_lock lock(m_mutex);
        std::optional<PostedMessage> done;
        m_arrived.wait_for(lock, timeout, [&] {
            for (std::size_t i = m_nextDoneScan; i < m_messages.size(); ++i) {
                if (m_messages[i].message == WM_FINDER_DONE) {
                    done = m_messages[i];
                    m_nextDoneScan = i + 1;
                    return true;
                }
            }
            return false;
        });
        return done;
    }

    std::vector<PostedMessage> Messages() const {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }

    // The progress records posted so far, in order.
    std::vector<CProgressInfo> Progress() const {
        std::lock_guard lock(m_mutex);
        std::vector<CProgressInfo> progress;
        for (const PostedMessage& posted : m_messages) {
            if (posted.progress) {
                progress.push_back(*posted.progress);
            }
        }
        return progress;
    }

    // Forgets what was recorded, e.g. between the search and the action of a test.
    void Clear() {
        std::lock_guard lock(m_mutex);
        m_messages.clear();
        m_nextDoneScan = 0;
        m_sawProgress = false;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<PostedMessage> m_messages;
    std::size_t m_nextDoneScan = 0;
    bool m_sawProgress = false;
    bool m_progressWaiting = false;
    std::function<void()> m_firstProgressHook;
};

}  // namespace mollwick::test
