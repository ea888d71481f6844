#pragma once

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/FileInfo.h"

// One thing the walk met, in the order a depth-first walk meets it.
struct CScanEvent {
    enum class Kind { File, Error };
    Kind kind = Kind::File;
    std::string text;             // the file's full path, or the error text
    mollwick::FileInfo info;      // for a file
    bool topLevelFolder = false;  // an error of a folder of the source list
};

// Lists the folders of a search on a thread of its own, ahead of the worker,
// which takes the events in order and does everything else: the two cores
// then share the listing and the reading. The walk applies the hidden-entry
// and subfolder rules and enters no folder twice; it opens no file.
class CFolderWalker {
public:
    CFolderWalker(std::vector<std::string> folders, bool subfolders, bool hidden);
    ~CFolderWalker();  // stops the walk and waits for its thread
    CFolderWalker(const CFolderWalker&) = delete;
    CFolderWalker& operator=(const CFolderWalker&) = delete;

    // Replaces batch with the next events; false once the walk is over and
    // every event has been taken.
    bool Next(std::vector<CScanEvent>& batch);
    // Stops the walk: no further folder is entered; the folders of the source
    // list not begun yet are still opened, and the ones that cannot be listed
    // still yield their error, as a walk on the worker itself would.
    void Stop();

private:
    void Run();
    void Walk(std::string folder, bool topLevel);
    void Emit(CScanEvent event);
    void Flush();

    const std::vector<std::string> m_folders;
    const bool m_subfolders;
    const bool m_hidden;
    std::atomic<bool> m_stop{false};
    std::set<std::pair<dev_t, ino_t>> m_entered;  // walker thread only
    std::vector<CScanEvent> m_filling;            // walker thread only

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<CScanEvent>> m_ready;
    bool m_finished = false;
    bool m_abandoned = false;  // the reader is gone: drop the rest

    std::thread m_thread;
};

// The text of a folder that cannot be listed: the folder (ending in "/") and
// the errno.
std::string FormatScanError(const std::string& folder, int error);
