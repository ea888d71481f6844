#pragma once

#include <dirent.h>
#include <sys/types.h>

#include <string>

#include "platform/FileInfo.h"

namespace mollwick {

// Lists one folder. The entries come in the order the file system returns
// them, "." and ".." included; the caller decides what to skip.
class DirectoryReader {
public:
    explicit DirectoryReader(const std::string& folder);
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

private:
    DIR* m_dir = nullptr;
    int m_error = 0;
    dev_t m_device = 0;
    ino_t m_inode = 0;
};

}  // namespace mollwick
