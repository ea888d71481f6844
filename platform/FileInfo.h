#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <string>

namespace mollwick {

// What the listing tells about one directory entry. For a symbolic link the
// kind and the identity fields describe what the link points at; isSymlink
// says that the entry itself is a link.
struct FileInfo {
    std::string name;
    bool isFolder = false;       // a folder, or a link to one
    bool isRegularFile = false;  // a regular file, or a link to one
    bool isSymlink = false;
    bool isHidden = false;  // the name begins with "."
    std::uint64_t size = 0;
    timespec modified{};
    dev_t device = 0;
    ino_t inode = 0;
    bool hasOtherNames = false;  // more than one hard link
    // A regular file listed without its details: size, time, identity and links
    // are still to be read (FolderHandle::ReadDeferredDetails).
    bool detailsDeferred = false;
};

}  // namespace mollwick
