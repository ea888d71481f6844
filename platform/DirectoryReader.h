#pragma once

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string>

#include "platform/FileInfo.h"

namespace mollwick {

// A listed folder kept open, so that the details its listing deferred can be
// read later, from any thread, relative to it: one name to look up instead of
// the whole path. Its subfolders are opened relative to it too.
class FolderHandle {
public:
    explicit FolderHandle(int fd) : m_fd(fd) {}
    ~FolderHandle();
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    int Descriptor() const { return m_fd; }
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
    // What Next reads of an entry the listing already names a regular file or
    // a folder: everything at once, or only its name and kind. A file's other
    // details are then left to Folder()->ReadDeferredDetails (another thread
    // can do that part); a folder's are not read at all.
    enum class Details { Now, DeferForRegularFiles };

    explicit DirectoryReader(const std::string& folder, Details details = Details::Now);
    // The entry name of parent, opened relative to it (a link is followed).
    DirectoryReader(const FolderHandle& parent, const std::string& name,
                    Details details = Details::Now);
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
    // The folder, open for as long as anyone holds it (null when it could not
    // be opened).
    const std::shared_ptr<const FolderHandle>& Folder() const { return m_folder; }

private:
    void Open(int fd);
    bool Fill();

    std::shared_ptr<const FolderHandle> m_folder;
    Details m_details;
    int m_error = 0;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    // The raw entries of one read of the listing, and where the next begins.
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_filled = 0;
    std::size_t m_next = 0;
    bool m_ended = false;
};

}  // namespace mollwick
