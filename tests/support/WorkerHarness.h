#pragma once

// Drives a real search from a test: the worker on its own thread, a recording
// port in the window's place, and a fresh folder to build small trees in.

#include <filesystem>
#include <string>
#include <vector>

#include "engine/FinderThread.h"
#include "support/RecordingPort.h"
#include "support/ScopedWorker.h"
#include "support/TempFolder.h"

namespace mollwick::test {

// A temporary folder that also builds the files a test needs.
class TempDir : public TempFolder {
public:
    using TempFolder::Path;
    std::string Path(const std::string& relative) const { return *this / relative; }
    // Writes a file (making its folders) and returns its path.
    std::string Write(const std::string& relative, const std::string& content) const {
        WriteFile(Path(relative), content);
        return Path(relative);
    }
    std::string MakeFolder(const std::string& relative) const {
        std::filesystem::create_directories(Path(relative));
        return Path(relative);
    }
};

struct SearchRequest {
    std::vector<std::string> folders;
    std::string extensions = "*";
    std::int32_t compareMode = COMPARE_BY_CONTENT;
    bool subfolders = false;
    bool hidden = false;
};

// Searches through the real worker, writing the request as the window does.
class WorkerHarness {
public:
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
        m_worker.Post(WM_FINDER_SEARCH);
        return m_port.WaitForDone().has_value();
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
    // Declared first so both outlive the worker, which uses them until it ends.
    RecordingPort m_port;
    CResultMap m_results;
    ScopedWorker m_worker;
};

}  // namespace mollwick::test
