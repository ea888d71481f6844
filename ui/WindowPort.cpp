#include "ui/WindowPort.h"

#include <QCoreApplication>

std::shared_ptr<CWindowPort> CWindowPort::Create(QObject* receiver) {
    return std::shared_ptr<CWindowPort>(new CWindowPort(receiver));
}

bool CWindowPort::Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    std::lock_guard lock(m_mutex);
    if (m_pReceiver == nullptr) {
        return false;
    }
    if (message == WM_FINDER_PROGRESS) {
        ++m_nProgressWaiting;  // the event's destructor gives it back
    }
    QCoreApplication::postEvent(m_pReceiver,
                                new CFinderEvent(shared_from_this(), message, wParam, lParam));
    return true;
}

bool CWindowPort::IsWaiting(std::uint32_t message) const {
    return message == WM_FINDER_PROGRESS && m_nProgressWaiting.load() > 0;
}

void CWindowPort::Detach() {
    std::lock_guard lock(m_mutex);
    m_pReceiver = nullptr;
}

QEvent::Type CFinderEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

CFinderEvent::CFinderEvent(std::shared_ptr<CWindowPort> port, std::uint32_t message,
                           std::uintptr_t wParam, std::intptr_t lParam)
    : QEvent(EventType()),
      m_port(std::move(port)),
      m_nMessage(message),
      m_wParam(wParam),
      m_lParam(lParam) {}

// Runs after the window has handled the event, and also when the event is
// dropped because the window went first: either way the record is freed here
// unless the window took it.
CFinderEvent::~CFinderEvent() {
    if (m_nMessage == WM_FINDER_PROGRESS) {
        std::unique_ptr<CProgressInfo> untaken = TakeProgress();
        --m_port->m_nProgressWaiting;
    }
}

std::unique_ptr<CProgressInfo> CFinderEvent::TakeProgress() {
    if (m_nMessage != WM_FINDER_PROGRESS || m_wParam == 0) {
        return nullptr;
    }
    std::unique_ptr<CProgressInfo> info(reinterpret_cast<CProgressInfo*>(m_wParam));
    m_wParam = 0;
    return info;
}
