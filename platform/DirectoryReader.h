#pragma once

#include <dirent.h>
#include <sys/types.h>

#include <memory>
#include <string>

#include "platform/FileInfo.h"

namespace mollwick {

// A listed folder kept open, so that the details its listing deferred can be
// read later, from any thread, relative to it: one name to look up instead of
// the whole path.
class FolderHandle {
public:
    explicit FolderHandle(int fd) : m_fd(fd) {}
    ~FolderHandle();
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    // Reads the details deferred for the entry info names. An entry that is
    // gone, or is no longer a regular file, becomes neither folder nor file, as
    // an entry whose details cannot be read does in the listing.
    void ReadDeferredDetails(FileInfo& info) const;

private:
    int m_fd;
};

// Lists one folder. The entries come in the order the file system returns
// them, "." and ".." included; the caller decides what to skip.
class DirectoryReader {
public:
    // What Next reads of an entry the listing already names a regular file:
    // everything at once, or only its name and kind, leaving the rest to
    // Folder()->ReadDeferredDetails (another thread can then do that part).
    enum class Details { Now, DeferForRegularFiles };

    explicit DirectoryReader(const std::string& folder, Details details = Details::Now);
    ~DirectoryReader();
    DirectoryReader(const DirectoryReader&) = delete;
    DirectoryReader& operator=(const DirectoryReader&) = delete;

    // 0 when the folder is open, else the errno of the failed open.
    int Error() const { return m_error; }
    // The listed folder's own device and inode (valid when open).
    dev_t Device() const { return m_device; }
    ino_t Inode() const { return m_inode; }

    // Fills info with the next entry; false at the end of the listing. An entry
    // whose details cannot be read (it vanished) is neither folder nor file.
    bool Next(FileInfo& info);
    // The folder, open for as long as anyone holds it; set once an entry has
    // been deferred. Deferring stops when no descriptor is left for it.
    const std::shared_ptr<const FolderHandle>& Folder() const { return m_folder; }

private:
    bool CanDefer();

    DIR* m_dir = nullptr;
    Details m_details;
    std::shared_ptr<const FolderHandle> m_folder;
    int m_error = 0;
    dev_t m_device = 0;
    ino_t m_inode = 0;
};

}  // namespace mollwick
