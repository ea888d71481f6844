#include <cerrno>
#include <cstdio>

#include "engine/FinderThread.h"
#include "platform/DirectoryReader.h"
#include "platform/Paths.h"

namespace {

std::string FormatScanError(const std::string& folder, int error) {
    // "%s.. Err n° %u" with the folder (ending in "/") and the errno.
    return "Error handle while searching on path " + folder + ".. Err n\u00B0 " +
           std::to_string(static_cast<unsigned>(error));
}

}  // namespace

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
    for (std::string& folder : folders) {
        ScanFolder(std::move(folder));
    }
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
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    mollwick::DirectoryReader listing(mollwick::SystemPath(folder));
    if (listing.Error() != 0) {
        m_strCurrentFile = FormatScanError(folder, listing.Error());
        PostProgressAlways();
        return;
    }
    // A folder reached a second time (listed twice, nested in another source,
    // or through a link, cycles included) is not walked again, so no file is
    // ever filed twice.
    if (!m_enteredFolders.emplace(listing.Device(), listing.Inode()).second) {
        return;
    }
    mollwick::FileInfo entry;
    while (!m_bStop.load(std::memory_order_relaxed) && listing.Next(entry)) {
        if (entry.name == "." || entry.name == "..") {
            continue;
        }
        if (entry.isHidden && !m_bHiddenFiles) {
            continue;
        }
        if (entry.isFolder) {
            if (m_bSubfolders) {
                // Straight to the subfolder: its name may hold a line break,
                // which the source list would read as two folders.
                ScanFolder(folder + entry.name + '/');
            }
            continue;
        }
        m_strCurrentFile = folder + entry.name;
        ++m_nTotalFiles;
        if (m_afterListingForTesting) {
            m_afterListingForTesting(m_strCurrentFile);
        }
        // Links to files, FIFOs, sockets and devices count but are never opened
        // or filed: a FIFO would hang the read, and acting on a link's target
        // could lose the data it points at.
        if (entry.isRegularFile && !entry.isSymlink && PassesExtensionFilter(entry.name)) {
            ProcessFile(m_strCurrentFile, entry);
        }
        if (m_nTotalFiles % 5 == 0) {
            PostProgress();
        }
    }
}
