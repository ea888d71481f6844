#include "platform/DirectoryReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace mollwick {

DirectoryReader::DirectoryReader(const std::string& folder) {
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
    info.isFolder = S_ISDIR(st.st_mode);
    info.isRegularFile = S_ISREG(st.st_mode);
    info.size = static_cast<std::uint64_t>(st.st_size);
    info.modified = st.st_mtim;
    info.device = st.st_dev;
    info.inode = st.st_ino;
    info.hasOtherNames = st.st_nlink > 1;
    return true;
}

}  // namespace mollwick
