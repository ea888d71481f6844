#include "ui/WorkerRemains.h"

CWorkerRemains::CWorkerRemains(std::shared_ptr<mollwick::ThreadChannel> channel,
                               std::shared_ptr<mollwick::MessagePort> port,
                               std::unique_ptr<CResultMap> results)
    : m_channel(std::move(channel)), m_port(std::move(port)), m_results(std::move(results)) {}

CWorkerRemains::~CWorkerRemains() {
    WaitAndFree();
}

CWorkerRemains& CWorkerRemains::operator=(CWorkerRemains&& other) noexcept {
    if (this != &other) {
        WaitAndFree();
        m_channel = std::move(other.m_channel);
        m_port = std::move(other.m_port);
        m_results = std::move(other.m_results);
    }
    return *this;
}

void CWorkerRemains::WaitAndFree() {
    if (m_channel != nullptr) {
        m_channel->WaitForEnd();
        m_channel.reset();
    }
    // Only now that the worker is gone: it may have been filling these.
    if (m_results != nullptr) {
        ClearResults(*m_results);
        m_results.reset();
    }
    m_port.reset();
}
