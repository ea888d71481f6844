#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <future>
#include <memory>
#include <mutex>

namespace mollwick {

inline constexpr std::uint32_t WM_QUIT = 0x0012;

// One (message, wParam, lParam) triple, as the threads exchange them.
struct Message {
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

// The part of a message thread that others hold on to: its queue and its end.
// It outlives the thread object, which deletes itself when its thread ends, so
// a post to an ended thread fails cleanly and a wait for the end is always safe.
class ThreadChannel {
public:
    // Queues the triple; false once the thread has left its loop.
    bool Post(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    // Waits until the thread has ended; false when the time ran out first.
    bool WaitForEnd(std::chrono::milliseconds timeout);
    void WaitForEnd();
    bool HasEnded() const;

private:
    friend class MessageThread;
    Message Take();
    void Close();
    void MarkEnded();

    mutable std::mutex m_mutex;
    std::condition_variable m_queued;
    std::condition_variable m_ended;
    std::deque<Message> m_queue;
    bool m_closed = false;
    bool m_hasEnded = false;
};

// A thread with its own message queue: it runs InitInstance, then takes the
// queued triples in posting order and hands each to Dispatch until WM_QUIT,
// then runs ExitInstance and deletes its own object.
class MessageThread {
public:
    MessageThread();
    virtual ~MessageThread();
    MessageThread(const MessageThread&) = delete;
    MessageThread& operator=(const MessageThread&) = delete;

    // Starts the thread, trying to raise its priority by priorityRaise steps
    // (a refusal is ignored), and returns once InitInstance has run there. False
    // when no thread could be started; the object then still belongs to the caller.
    bool Start(int priorityRaise);

    bool PostThreadMessage(std::uint32_t message, std::uintptr_t wParam = 0,
                           std::intptr_t lParam = 0) {
        return m_channel->Post(message, wParam, lParam);
    }
    std::shared_ptr<ThreadChannel> Channel() const { return m_channel; }

protected:
    virtual bool InitInstance() { return true; }
    virtual int ExitInstance() { return 0; }
    // The message map: routes one message taken off the queue.
    virtual void Dispatch(const Message& message) = 0;

private:
    void Run(int priorityRaise, std::promise<void> initialised);

    std::shared_ptr<ThreadChannel> m_channel;
};

// Starts a new T on its own thread; null when no thread could be started.
template <class T>
T* BeginThread(int priorityRaise) {
    auto* thread = new T();
    if (!thread->Start(priorityRaise)) {
        delete thread;
        return nullptr;
    }
    return thread;  // from here on the thread owns and deletes it
}

}  // namespace mollwick
