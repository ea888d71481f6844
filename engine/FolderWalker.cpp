#include "engine/FolderWalker.h"

#include <thread>

#include "platform/DirectoryReader.h"
#include "platform/Paths.h"

namespace {

// Events go over in batches, so the two threads meet once per batch, and the
// walk stays at most this many batches ahead of the worker. A batch holds the
// folders of its files open, so that bounds the descriptors in use too: at
// most some (kBatchesAhead + 2) * kFoldersPerBatch.
constexpr std::size_t kBatchSize = 256;
constexpr std::size_t kFoldersPerBatch = 8;
constexpr std::size_t kBatchesAhead = 32;
// Details the walk reads ahead before it looks again for room to list.
constexpr std::size_t kReadAheadStep = 32;
constexpr auto kDetails = mollwick::DirectoryReader::Details::DeferForRegularFiles;

}  // namespace

CScanBatch::CScanBatch(std::vector<CScanEvent> events, Folders folders)
    : m_events(std::move(events)),
      m_folders(std::move(folders)),
      m_state(std::make_unique<std::atomic<std::uint8_t>[]>(m_events.size())) {
    for (std::size_t i = 0; i < m_events.size(); ++i) {
        m_state[i].store(m_events[i].info.detailsDeferred ? kDeferred : kSettled,
                         std::memory_order_relaxed);
    }
}

bool CScanBatch::Claim(std::size_t i) {
    std::uint8_t expected = kDeferred;
    return m_state[i].compare_exchange_strong(expected, kReading, std::memory_order_acquire,
                                              std::memory_order_relaxed);
}

void CScanBatch::Read(std::size_t i) {
    m_events[i].folder->handle->ReadDeferredDetails(m_events[i].info);
    m_state[i].store(kSettled, std::memory_order_release);
}

CScanEvent& CScanBatch::Settled(std::size_t i) {
    if (m_state[i].load(std::memory_order_acquire) != kSettled) {
        if (Claim(i)) {
            Read(i);
        } else {
            // The walk is reading this one: one stat, a few microseconds.
            while (m_state[i].load(std::memory_order_acquire) != kSettled) {
                std::this_thread::yield();
            }
        }
    }
    return m_events[i];
}

bool CScanBatch::ReadAhead(std::size_t count) {
    for (; count > 0 && m_readAhead < m_events.size(); ++m_readAhead) {
        if (Claim(m_readAhead)) {
            Read(m_readAhead);
            --count;
        }
    }
    return HasMoreToReadAhead();
}

std::string FormatScanError(const std::string& folder, int error) {
    // "%s.. Err n° %u"
    return "Error handle while searching on path " + folder + ".. Err n\u00B0 " +
           std::to_string(static_cast<unsigned>(error));
}

CFolderWalker::CFolderWalker(std::vector<std::string> folders, bool subfolders, bool hidden)
    : m_folders(std::move(folders)), m_subfolders(subfolders), m_hidden(hidden) {
    m_thread = std::thread(&CFolderWalker::Run, this);
}

CFolderWalker::~CFolderWalker() {
    m_stop = true;
    {
        std::lock_guard lock(m_mutex);
        m_abandoned = true;
        m_ready.clear();
    }
    m_changed.notify_all();
    m_thread.join();
}

void CFolderWalker::Stop() {
    m_stop = true;
}

std::shared_ptr<CScanBatch> CFolderWalker::Next() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_ready.empty() || m_finished; });
    if (m_ready.empty()) {
        return nullptr;
    }
    std::shared_ptr<CScanBatch> batch = std::move(m_ready.front());
    m_ready.pop_front();
    lock.unlock();
    m_changed.notify_all();  // room for the walk again
    return batch;
}

void CFolderWalker::Run() {
    for (const std::string& folder : m_folders) {
        if (folder.empty() || folder.back() != '/') {
            Walk(folder + '/', mollwick::DirectoryReader(mollwick::SystemPath(folder), kDetails),
                 true);
        } else {
            Walk(folder, mollwick::DirectoryReader(mollwick::SystemPath(folder), kDetails), true);
        }
    }
    Flush();
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_changed.notify_all();
    ReadAheadUntilTaken();
}

std::shared_ptr<CScanBatch> CFolderWalker::NewestToReadAhead() {
    if (m_stop.load(std::memory_order_relaxed)) {
        return nullptr;  // the worker reads nothing more
    }
    for (auto batch = m_ready.rbegin(); batch != m_ready.rend(); ++batch) {
        if ((*batch)->HasMoreToReadAhead()) {
            return *batch;
        }
    }
    return nullptr;
}

void CFolderWalker::ReadAheadUntilTaken() {
    for (;;) {
        std::shared_ptr<CScanBatch> batch;
        {
            std::lock_guard lock(m_mutex);
            if (m_abandoned || !(batch = NewestToReadAhead())) {
                return;
            }
        }
        batch->ReadAhead(kReadAheadStep);
    }
}

void CFolderWalker::Emit(CScanEvent event, const std::shared_ptr<const CListedFolder>& folder) {
    if (folder) {
        if (m_fillingFolders.empty() || m_fillingFolders.back() != folder) {
            m_fillingFolders.push_back(folder);
        }
        event.folder = folder.get();
    }
    m_filling.push_back(std::move(event));
    if (m_filling.size() >= kBatchSize || m_fillingFolders.size() >= kFoldersPerBatch) {
        Flush();
    }
}

void CFolderWalker::Flush() {
    if (m_filling.empty()) {
        return;
    }
    auto batch = std::make_shared<CScanBatch>(std::move(m_filling), std::move(m_fillingFolders));
    m_filling.clear();
    m_filling.reserve(kBatchSize);
    m_fillingFolders.clear();
    std::unique_lock lock(m_mutex);
    while (m_ready.size() >= kBatchesAhead && !m_abandoned) {
        // No room to list further: read details ahead of the worker meanwhile.
        if (std::shared_ptr<CScanBatch> ahead = NewestToReadAhead()) {
            lock.unlock();
            ahead->ReadAhead(kReadAheadStep);
            lock.lock();
        } else {
            m_changed.wait(lock);
        }
    }
    if (!m_abandoned) {
        m_ready.push_back(std::move(batch));
    }
    lock.unlock();
    m_changed.notify_all();
}

void CFolderWalker::Walk(const std::string& folder, mollwick::DirectoryReader&& listing,
                         bool topLevel) {
    if (listing.Error() != 0) {
        CScanEvent error;
        error.kind = CScanEvent::Kind::Error;
        error.text = FormatScanError(folder, listing.Error());
        error.topLevelFolder = topLevel;
        Emit(std::move(error));
        return;
    }
    // A folder reached a second time (listed twice, nested in another source,
    // or through a link, cycles included) is not walked again, so no file is
    // ever filed twice.
    if (!m_entered.emplace(listing.Device(), listing.Inode()).second) {
        return;
    }
    // The files share the folder's path, and the batches holding them keep it
    // open for the details still to read.
    const auto listed =
        std::make_shared<const CListedFolder>(CListedFolder{folder, listing.Folder()});
    mollwick::FileInfo entry;
    while (!m_stop.load(std::memory_order_relaxed) && listing.Next(entry)) {
        if (entry.name == "." || entry.name == "..") {
            continue;
        }
        if (entry.isHidden && !m_hidden) {
            continue;
        }
        if (entry.isFolder) {
            if (m_subfolders) {
                // Straight to the subfolder: its name may hold a line break,
                // which the source list would read as two folders.
                Walk(folder + entry.name + '/',
                     mollwick::DirectoryReader(*listing.Folder(), entry.name, kDetails), false);
            }
            continue;
        }
        CScanEvent file;
        file.info = std::move(entry);
        Emit(std::move(file), listed);
        entry = mollwick::FileInfo{};
    }
}
