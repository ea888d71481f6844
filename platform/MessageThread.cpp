#include "platform/MessageThread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <future>
#include <system_error>
#include <thread>

namespace mollwick {

bool ThreadChannel::Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    {
        std::lock_guard lock(m_mutex);
        if (m_closed) {
            return false;
        }
        m_queue.push_back(Message{message, wParam, lParam});
    }
    m_queued.notify_one();
    return true;
}

Message ThreadChannel::Take() {
    std::unique_lock lock(m_mutex);
    m_queued.wait(lock, [this] { return !m_queue.empty(); });
    Message message = m_queue.front();
    m_queue.pop_front();
    return message;
}

void ThreadChannel::Close() {
    std::lock_guard lock(m_mutex);
    m_closed = true;
    m_queue.clear();
}

void ThreadChannel::MarkEnded() {
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_hasEnded = true;
    }
    m_ended.notify_all();
}

bool ThreadChannel::WaitForEnd(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_ended.wait_for(lock, timeout, [this] { return m_hasEnded; });
}

void ThreadChannel::WaitForEnd() {
    std::unique_lock lock(m_mutex);
    m_ended.wait(lock, [this] { return m_hasEnded; });
}

bool ThreadChannel::HasEnded() const {
    std::lock_guard lock(m_mutex);
    return m_hasEnded;
}

MessageThread::MessageThread() : m_channel(std::make_shared<ThreadChannel>()) {}

MessageThread::~MessageThread() = default;

bool MessageThread::Start(int priorityRaise) {
    std::promise<void> initialised;
    std::future<void> ready = initialised.get_future();
    try {
        std::thread(&MessageThread::Run, this, priorityRaise, std::move(initialised)).detach();
    } catch (const std::system_error&) {
        return false;
    }
    // The creator writes the request fields as soon as this returns; InitInstance
    // sets their start values, so it must be over by then.
    ready.wait();
    return true;
}

void MessageThread::Run(int priorityRaise, std::promise<void> initialised) {
    if (priorityRaise > 0) {
        // One nice step lower is one priority step higher. Ordinary users may not
        // lower it; the thread then runs at the normal priority.
        const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
        const int current = ::getpriority(PRIO_PROCESS, tid);
        (void)::setpriority(PRIO_PROCESS, tid, current - priorityRaise);
    }
    const bool initOk = InitInstance();
    initialised.set_value();
    if (initOk) {
        for (;;) {
            const Message message = m_channel->Take();
            if (message.message == WM_QUIT) {
                break;
            }
            Dispatch(message);
        }
    }
    m_channel->Close();
    ExitInstance();
    const std::shared_ptr<ThreadChannel> channel = m_channel;
    delete this;
    channel->MarkEnded();
}

}  // namespace mollwick
