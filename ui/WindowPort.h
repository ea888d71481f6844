#pragma once

#include <QEvent>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "engine/FinderMessages.h"
#include "platform/MessagePort.h"

class QObject;

// Where the worker posts to the window: each triple becomes a CFinderEvent
// queued to the receiver on its own thread. Held by shared_ptr, so it can
// outlive the window while a worker still runs; once detached, a post fails
// and the worker keeps (and frees) what it meant to hand over.
class CWindowPort final : public mollwick::MessagePort,
                          public std::enable_shared_from_this<CWindowPort> {
public:
    static std::shared_ptr<CWindowPort> Create(QObject* receiver);

    bool Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    bool IsWaiting(std::uint32_t message) const override;

    // No post reaches the receiver from now on. Call before the receiver goes.
    void Detach();

private:
    friend class CFinderEvent;
    explicit CWindowPort(QObject* receiver) : m_pReceiver(receiver) {}

    mutable std::mutex m_mutex;  // guards m_pReceiver against Detach
    QObject* m_pReceiver;
    // Progress posted and not yet taken: the worker holds routine reports back
    // while one is still queued.
    std::atomic<int> m_nProgressWaiting{0};
};

// One posted triple on its way to the window. A progress record travels
// inside it and is freed with the event unless the window took it.
class CFinderEvent final : public QEvent {
public:
    static QEvent::Type EventType();

    CFinderEvent(std::shared_ptr<CWindowPort> port, std::uint32_t message, std::uintptr_t wParam,
                 std::intptr_t lParam);
    ~CFinderEvent() override;
    CFinderEvent(const CFinderEvent&) = delete;
    CFinderEvent& operator=(const CFinderEvent&) = delete;

    std::uint32_t Message() const { return m_nMessage; }
    std::uintptr_t WParam() const { return m_wParam; }
    std::intptr_t LParam() const { return m_lParam; }
    // The progress record of a WM_FINDER_PROGRESS; null for other messages.
    std::unique_ptr<CProgressInfo> TakeProgress();

private:
    std::shared_ptr<CWindowPort> m_port;
    std::uint32_t m_nMessage;
    std::uintptr_t m_wParam;
    std::intptr_t m_lParam;
};
