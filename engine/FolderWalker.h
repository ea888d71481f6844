#pragma once

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/DirectoryReader.h"
#include "platform/FileInfo.h"

// A folder being listed: its path, ending in "/", and the open folder the
// deferred details of its files are read relative to.
struct CListedFolder {
    std::string path;
    std::shared_ptr<const mollwick::FolderHandle> handle;
};

// One thing the walk met, in the order a depth-first walk meets it.
struct CScanEvent {
    enum class Kind { File, Error };
    Kind kind = Kind::File;
    std::string text;             // the error text
    mollwick::FileInfo info;      // for a file
    bool topLevelFolder = false;  // an error of a folder of the source list
    // A file's folder; its batch holds it.
    const CListedFolder* folder = nullptr;

    std::string FullPath() const { return folder->path + info.name; }
};

// Events handed over together. A regular file is listed by name and kind
// only; its size, time and identity are read later, by whichever thread comes
// to it first: the walk, while it waits for room, reads them from the newest
// batch back, and the worker reads the ones it reaches first. Reading them is
// most of the cost of a walk, and so both cores share it.
class CScanBatch {
public:
    using Folders = std::vector<std::shared_ptr<const CListedFolder>>;
    CScanBatch(std::vector<CScanEvent> events, Folders folders);
    CScanBatch(const CScanBatch&) = delete;
    CScanBatch& operator=(const CScanBatch&) = delete;

    std::size_t Size() const { return m_events.size(); }
    bool IsFile(std::size_t i) const { return m_events[i].kind == CScanEvent::Kind::File; }
    // Event i with its details read: here, unless the walk has begun them, in
    // which case this waits the moment that takes.
    CScanEvent& Settled(std::size_t i);
    // The walk's side (one thread only): reads up to count details not begun
    // yet, from where it left off, and whether any are left after that.
    bool ReadAhead(std::size_t count);
    bool HasMoreToReadAhead() const { return m_readAhead < m_events.size(); }

private:
    enum State : std::uint8_t { kSettled, kDeferred, kReading };
    bool Claim(std::size_t i);
    void Read(std::size_t i);

    std::vector<CScanEvent> m_events;
    Folders m_folders;  // open while the batch lives
    std::unique_ptr<std::atomic<std::uint8_t>[]> m_state;
    std::size_t m_readAhead = 0;  // walk thread only
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

    // The next events, or null once the walk is over and every event has been
    // taken. Take each event through Settled.
    std::shared_ptr<CScanBatch> Next();
    // Stops the walk: no further folder is entered; the folders of the source
    // list not begun yet are still opened, and the ones that cannot be listed
    // still yield their error, as a walk on the worker itself would.
    void Stop();

private:
    void Run();
    // Walks the folder listing lists, whose path (ending in "/") is folder.
    void Walk(const std::string& folder, mollwick::DirectoryReader&& listing, bool topLevel);
    void Emit(CScanEvent event, const std::shared_ptr<const CListedFolder>& folder = nullptr);
    void Flush();
    // The newest batch handed over that still has details to read (mutex held).
    std::shared_ptr<CScanBatch> NewestToReadAhead();
    // While the worker takes what is ready: read details ahead of it.
    void ReadAheadUntilTaken();

    const std::vector<std::string> m_folders;
    const bool m_subfolders;
    const bool m_hidden;
    std::atomic<bool> m_stop{false};
    std::set<std::pair<dev_t, ino_t>> m_entered;  // walker thread only
    std::vector<CScanEvent> m_filling;            // walker thread only
    CScanBatch::Folders m_fillingFolders;         // walker thread only

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::shared_ptr<CScanBatch>> m_ready;
    bool m_finished = false;
    bool m_abandoned = false;  // the reader is gone: drop the rest

    std::thread m_thread;
};

// The text of a folder that cannot be listed: the folder (ending in "/") and
// the errno.
std::string FormatScanError(const std::string& folder, int error);
