#pragma once

#include <memory>

#include "engine/ResultModel.h"
#include "platform/MessagePort.h"
#include "platform/MessageThread.h"

// What a worker that was still busy when the window closed goes on using until
// its thread ends: the port it posts to and the results it fills or walks.
// Whoever holds this waits for that end before anything is freed; the
// destructor waits too, so the results are never freed under the worker.
class CWorkerRemains {
public:
    CWorkerRemains() = default;
    CWorkerRemains(std::shared_ptr<mollwick::ThreadChannel> channel,
                   std::shared_ptr<mollwick::MessagePort> port,
                   std::unique_ptr<CResultMap> results);
    ~CWorkerRemains();
    CWorkerRemains(CWorkerRemains&& other) noexcept = default;
    CWorkerRemains& operator=(CWorkerRemains&& other) noexcept;
    CWorkerRemains(const CWorkerRemains&) = delete;
    CWorkerRemains& operator=(const CWorkerRemains&) = delete;

    // True when there is no worker left to wait for.
    bool Empty() const { return m_channel == nullptr; }
    // Waits, without a time limit, for the worker's thread to end, then frees
    // the results and the port.
    void WaitAndFree();
    // The results the worker still holds; null when empty.
    const CResultMap* Results() const { return m_results.get(); }

private:
    std::shared_ptr<mollwick::ThreadChannel> m_channel;
    std::shared_ptr<mollwick::MessagePort> m_port;
    std::unique_ptr<CResultMap> m_results;
};
