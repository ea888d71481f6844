#pragma once

// Drives the real worker thread from a test: a port that records what the
// worker posts, a fresh temporary folder, and helpers to build small trees.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/FinderThread.h"
#include "platform/MessagePort.h"

namespace mollwick::test {

struct Posted {
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    CProgressInfo progress;  // a copy, for WM_FINDER_PROGRESS
};

// Takes every message at once (so nothing is ever waiting) unless told to
// pretend the window is slow.
class RecordingPort : public MessagePort {
public:
    bool Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
        Posted posted{message, wParam, lParam, {}};
        if (message == WM_FINDER_PROGRESS) {
            std::unique_ptr<CProgressInfo> info(reinterpret_cast<CProgressInfo*>(wParam));
            posted.progress = *info;
        }
        std::function<void(const Posted&)> callback;
        {
            std::lock_guard lock(m_mutex);
            m_posted.push_back(posted);
            callback = m_onPost;
        }
        if (callback) {
            callback(posted);
        }
        m_changed.notify_all();
        return true;
    }
    bool IsWaiting(std::uint32_t message) const override {
        return m_slowWindow && message == WM_FINDER_PROGRESS;
    }

    // Runs on the worker thread for every message posted.
    void OnPost(std::function<void(const Posted&)> callback) {
        std::lock_guard lock(m_mutex);
        m_onPost = std::move(callback);
    }
    void SetSlowWindow(bool slow) { m_slowWindow = slow; }

    // Waits for the next WM_FINDER_DONE not yet waited for; false on time-out.
    bool WaitForDone(std::chrono::seconds timeout = std::chrono::seconds(30)) {
        std::unique_lock lock(m_mutex);
        const bool done =
            m_changed.wait_for(lock, timeout, [this] { return DoneCount() > m_doneSeen; });
        if (done) {
            ++m_doneSeen;
        }
        return done;
    }
    std::vector<Posted> Messages() const {
        std::lock_guard lock(m_mutex);
        return m_posted;
    }
    std::vector<CProgressInfo> Progress() const {
        std::vector<CProgressInfo> result;
        for (const Posted& p : Messages()) {
            if (p.message == WM_FINDER_PROGRESS) {
                result.push_back(p.progress);
            }
        }
        return result;
    }
    void Clear() {
        std::lock_guard lock(m_mutex);
        m_posted.clear();
        m_doneSeen = 0;
    }

private:
    std::size_t DoneCount() const {
        std::size_t n = 0;
        for (const Posted& p : m_posted) {
            n += p.message == WM_FINDER_DONE ? 1 : 0;
        }
        return n;
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Posted> m_posted;
    std::size_t m_doneSeen = 0;
    std::function<void(const Posted&)> m_onPost;
    bool m_slowWindow = false;
};

// A fresh folder under the system's temporary folder, removed with its content.
class TempDir {
public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "mollwick-test-XXXXXX").string();
        char* made = ::mkdtemp(pattern.data());
        if (made != nullptr) {
            m_path = made;
        }
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, or a path inside it.
    std::string Path(const std::string& relative = std::string()) const {
        return relative.empty() ? m_path : m_path + "/" + relative;
    }
    // Writes a file (making its folders) and returns its path.
    std::string Write(const std::string& relative, const std::string& content) const {
        const std::filesystem::path path = Path(relative);
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }
    std::string MakeFolder(const std::string& relative) const {
        std::filesystem::create_directories(Path(relative));
        return Path(relative);
    }

private:
    std::string m_path;
};

struct SearchRequest {
    std::vector<std::string> folders;
    std::string extensions = "*";
    std::int32_t compareMode = COMPARE_BY_CONTENT;
    bool subfolders = false;
    bool hidden = false;
};

// The worker on its own thread, ended and waited for on destruction.
class WorkerHarness {
public:
    WorkerHarness() : m_worker(mollwick::BeginThread<CFinderThread>(1)) {
        m_channel = m_worker->Channel();
    }
    ~WorkerHarness() {
        m_channel->Post(mollwick::WM_QUIT);
        m_channel->WaitForEnd();
    }
    WorkerHarness(const WorkerHarness&) = delete;
    WorkerHarness& operator=(const WorkerHarness&) = delete;

    CFinderThread& Worker() { return *m_worker; }
    RecordingPort& Port() { return m_port; }
    CResultMap& Results() { return m_results; }

    // Writes the request fields as the window does, posts, and waits for the end.
    bool Search(const SearchRequest& request) {
        std::string sources;
        for (const std::string& folder : request.folders) {
            sources += "\r\n" + folder;
        }
        ClearResults(m_results);
        m_worker->m_strExtensions = request.extensions;
        m_worker->m_bAllExtensions = request.extensions == "*";
        m_worker->m_strSourcePaths = sources;
        m_worker->m_pResults = &m_results;
        m_worker->m_bHiddenFiles = request.hidden;
        m_worker->m_nCompareMode = request.compareMode;
        m_worker->m_bSubfolders = request.subfolders;
        m_worker->m_pMainDlg = &m_port;
        m_worker->PostThreadMessage(WM_FINDER_SEARCH);
        return m_port.WaitForDone();
    }

    // The duplicate groups as lists of full paths, in key order.
    std::vector<std::vector<std::string>> Groups() const {
        std::vector<std::vector<std::string>> groups;
        for (const auto& [key, group] : m_results) {
            if (group->others.empty()) {
                continue;
            }
            std::vector<std::string> paths{group->pFirst->FullPath()};
            for (const auto& other : group->others) {
                paths.push_back(other->FullPath());
            }
            groups.push_back(paths);
        }
        return groups;
    }

private:
    RecordingPort m_port;  // outlives the worker, which posts to it until it ends
    CResultMap m_results;
    CFinderThread* m_worker;
    std::shared_ptr<mollwick::ThreadChannel> m_channel;
};

}  // namespace mollwick::test
