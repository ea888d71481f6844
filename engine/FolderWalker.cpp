#include "engine/FolderWalker.h"

#include "platform/DirectoryReader.h"
#include "platform/Paths.h"

namespace {

// Events go over in batches, so the two threads meet once per batch, and the
// walk stays at most this many batches ahead of the worker.
constexpr std::size_t kBatchSize = 256;
constexpr std::size_t kBatchesAhead = 64;

}  // namespace

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

bool CFolderWalker::Next(std::vector<CScanEvent>& batch) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_ready.empty() || m_finished; });
    if (m_ready.empty()) {
        return false;
    }
    batch = std::move(m_ready.front());
    m_ready.pop_front();
    lock.unlock();
    m_changed.notify_all();  // room for the walk again
    return true;
}

void CFolderWalker::Run() {
    for (const std::string& folder : m_folders) {
        Walk(folder, true);
    }
    Flush();
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_changed.notify_all();
}

void CFolderWalker::Emit(CScanEvent event) {
    m_filling.push_back(std::move(event));
    if (m_filling.size() >= kBatchSize) {
        Flush();
    }
}

void CFolderWalker::Flush() {
    if (m_filling.empty()) {
        return;
    }
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_ready.size() < kBatchesAhead || m_abandoned; });
    if (!m_abandoned) {
        m_ready.push_back(std::move(m_filling));
    }
    m_filling.clear();
    lock.unlock();
    m_changed.notify_all();
}

void CFolderWalker::Walk(std::string folder, bool topLevel) {
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    mollwick::DirectoryReader listing(mollwick::SystemPath(folder));
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
                Walk(folder + entry.name + '/', false);
            }
            continue;
        }
        CScanEvent file;
        file.text = folder + entry.name;
        file.info = std::move(entry);
        Emit(std::move(file));
        entry = mollwick::FileInfo{};
    }
}
