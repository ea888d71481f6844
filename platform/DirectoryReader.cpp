#include "platform/DirectoryReader.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace mollwick {

namespace {

// One read of a listing takes as many entries as fit here.
constexpr std::size_t kListingBuffer = 16 * 1024;

void TakeDetails(const struct stat& st, FileInfo& info) {
    info.isFolder = S_ISDIR(st.st_mode);
    info.isRegularFile = S_ISREG(st.st_mode);
    info.size = static_cast<std::uint64_t>(st.st_size);
    info.modified = st.st_mtim;
    info.device = st.st_dev;
    info.inode = st.st_ino;
    info.hasOtherNames = st.st_nlink > 1;
}

constexpr int kOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK;

}  // namespace

FolderHandle::~FolderHandle() {
    ::close(m_fd);
}

void FolderHandle::ReadDeferredDetails(FileInfo& info) const {
    info.detailsDeferred = false;
    struct stat st {};
    if (::fstatat(m_fd, info.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) {
        info.isFolder = false;
        info.isRegularFile = false;
        return;
    }
    TakeDetails(st, info);
}

DirectoryReader::DirectoryReader(const std::string& folder, Details details) : m_details(details) {
    Open(::open(folder.c_str(), kOpenFlags));
}

DirectoryReader::DirectoryReader(const FolderHandle& parent, const std::string& name,
                                 Details details)
    : m_details(details) {
    Open(::openat(parent.Descriptor(), name.c_str(), kOpenFlags));
}

void DirectoryReader::Open(int fd) {
    if (fd < 0) {
        m_error = errno;
        return;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        m_error = errno;
        ::close(fd);
        return;
    }
    m_device = st.st_dev;
    m_inode = st.st_ino;
    m_folder = std::make_shared<const FolderHandle>(fd);
    m_buffer = std::make_unique<char[]>(kListingBuffer);
}

DirectoryReader::~DirectoryReader() = default;

bool DirectoryReader::Fill() {
    if (m_ended || !m_folder) {
        return false;
    }
    const ssize_t filled = ::getdents64(m_folder->Descriptor(), m_buffer.get(), kListingBuffer);
    if (filled <= 0) {
        m_ended = true;  // the end, or a listing that failed part way: what came is kept
        return false;
    }
    m_filled = static_cast<std::size_t>(filled);
    m_next = 0;
    return true;
}

bool DirectoryReader::Next(FileInfo& info) {
    if (m_next >= m_filled && !Fill()) {
        return false;
    }
    dirent64 entry;
    const char* raw = m_buffer.get() + m_next;
    // The record may sit at any offset the file system chose: copy its head.
    std::memcpy(&entry, raw, offsetof(dirent64, d_name));
    m_next += entry.d_reclen;
    const char* name = raw + offsetof(dirent64, d_name);

    info.name = name;
    info.isHidden = name[0] == '.';
    info.isFolder = false;
    info.isRegularFile = false;
    info.isSymlink = false;
    info.size = 0;
    info.modified = timespec{};
    info.device = 0;
    info.inode = 0;
    info.hasOtherNames = false;
    info.detailsDeferred = false;

    const int fd = m_folder->Descriptor();
    if (m_details == Details::DeferForRegularFiles) {
        if (entry.d_type == DT_REG) {
            info.isRegularFile = true;
            info.detailsDeferred = true;
            return true;
        }
        if (entry.d_type == DT_DIR) {
            info.isFolder = true;  // a walk learns what it needs when it enters it
            return true;
        }
    }
    struct stat st {};
    if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return true;
    }
    if (S_ISLNK(st.st_mode)) {
        info.isSymlink = true;
        // What the link points at decides; a dangling link is neither.
        struct stat target {};
        if (::fstatat(fd, name, &target, 0) == 0) {
            st = target;
        } else {
            return true;
        }
    }
    TakeDetails(st, info);
    return true;
}

}  // namespace mollwick
