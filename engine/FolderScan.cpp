#include <cerrno>
#include <cstdio>

#include "engine/FinderThread.h"
#include "engine/FolderWalker.h"

bool SplitPaths(const std::string& text, std::vector<std::string>& paths) {
    bool appended = false;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        const std::size_t stop = end == std::string::npos ? text.size() : end;
        if (stop > start) {
            paths.push_back(text.substr(start, stop - start));
            appended = true;
        }
        start = stop + 1;
    }
    return appended;
}

void CFinderThread::SearchPaths(std::string paths) {
    std::vector<std::string> folders;
    if (!SplitPaths(paths, folders)) {
        m_strCurrentFile = "Error handle while searching on path Err n\u00B0 " +
                           std::to_string(static_cast<unsigned>(errno));
        PostProgressAlways();
        return;
    }
    ScanFolders(std::move(folders));
}

bool CFinderThread::PassesExtensionFilter(const std::string& name) const {
    if (m_bAllExtensions) {
        return true;
    }
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        return false;
    }
    // The extension may occur anywhere in the filter text, commas and all.
    return m_strExtensions.find(std::string_view(name).substr(dot + 1)) != std::string::npos;
}

void CFinderThread::ScanFolder(std::string folder) {
    std::vector<std::string> folders;
    folders.push_back(std::move(folder));
    ScanFolders(std::move(folders));
}

// The walk lists ahead on its own thread; here each file is counted, filtered
// and filed in the order the walk met it, with the stop looked at before each.
void CFinderThread::ScanFolders(std::vector<std::string> folders) {
    CFolderWalker walker(std::move(folders), m_bSubfolders, m_bHiddenFiles);
    bool stopped = false;
    while (const std::shared_ptr<CScanBatch> batch = walker.Next()) {
        for (std::size_t i = 0; i < batch->Size(); ++i) {
            if (!stopped && m_bStop.load(std::memory_order_relaxed)) {
                stopped = true;
                walker.Stop();
            }
            if (batch->IsFile(i)) {
                if (!stopped) {
                    HandleListedFile(batch->Settled(i));
                }
                continue;
            }
            // After a stop, the folders of the source list are still opened,
            // and the ones that cannot be listed still say so.
            CScanEvent& error = batch->Settled(i);
            if (!stopped || error.topLevelFolder) {
                m_strCurrentFile = std::move(error.text);
                PostProgressAlways();
            }
        }
    }
}

void CFinderThread::HandleListedFile(CScanEvent& event) {
    // Into the text already there: no allocation per file.
    m_strCurrentFile.assign(event.folder->path).append(event.info.name);
    ++m_nTotalFiles;
    if (m_afterListingForTesting) {
        m_afterListingForTesting(m_strCurrentFile);
    }
    const mollwick::FileInfo& entry = event.info;
    // Links to files, FIFOs, sockets and devices count but are never opened
    // or filed: a FIFO would hang the read, and acting on a link's target
    // could lose the data it points at.
    if (entry.isRegularFile && !entry.isSymlink && PassesExtensionFilter(entry.name)) {
        ProcessFile(m_strCurrentFile, std::move(event.info));
    }
    if (m_nTotalFiles % 5 == 0) {
        PostProgress();
    }
}
