#include "platform/DirectoryReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace mollwick {

namespace {

void TakeDetails(const struct stat& st, FileInfo& info) {
    info.isFolder = S_ISDIR(st.st_mode);
    info.isRegularFile = S_ISREG(st.st_mode);
    info.size = static_cast<std::uint64_t>(st.st_size);
    info.modified = st.st_mtim;
    info.device = st.st_dev;
    info.inode = st.st_ino;
    info.hasOtherNames = st.st_nlink > 1;
}

}  // namespace

DirectoryReader::DirectoryReader(const std::string& folder, Details details) : m_details(details) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
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
    m_dir = ::fdopendir(fd);
    if (m_dir == nullptr) {
        m_error = errno;
        ::close(fd);
    }
}

DirectoryReader::~DirectoryReader() {
    if (m_dir != nullptr) {
        ::closedir(m_dir);
    }
}

bool DirectoryReader::Next(FileInfo& info) {
    if (m_dir == nullptr) {
        return false;
    }
    errno = 0;
    const dirent* entry = ::readdir(m_dir);
    if (entry == nullptr) {
        return false;
    }
    info.name = entry->d_name;
    info.isHidden = entry->d_name[0] == '.';
    info.isFolder = false;
    info.isRegularFile = false;
    info.isSymlink = false;
    info.size = 0;
    info.modified = timespec{};
    info.device = 0;
    info.inode = 0;
    info.hasOtherNames = false;
    info.detailsDeferred = false;

    if (entry->d_type == DT_REG && CanDefer()) {
        info.isRegularFile = true;
        info.detailsDeferred = true;
        return true;
    }
    struct stat st {};
    if (::fstatat(::dirfd(m_dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return true;
    }
    if (S_ISLNK(st.st_mode)) {
        info.isSymlink = true;
        // What the link points at decides; a dangling link is neither.
        struct stat target {};
        if (::fstatat(::dirfd(m_dir), entry->d_name, &target, 0) == 0) {
            st = target;
        } else {
            return true;
        }
    }
    TakeDetails(st, info);
    return true;
}

bool DirectoryReader::CanDefer() {
    if (m_details != Details::DeferForRegularFiles) {
        return false;
    }
    if (!m_folder) {
        const int fd = ::fcntl(::dirfd(m_dir), F_DUPFD_CLOEXEC, 0);
        if (fd < 0) {
            m_details = Details::Now;
            return false;
        }
        m_folder = std::make_shared<const FolderHandle>(fd);
    }
    return true;
}

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

}  // namespace mollwick
