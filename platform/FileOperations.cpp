#include "platform/FileOperations.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <random>
#include <vector>

namespace mollwick {
namespace {

std::atomic<long long> g_copyFaultAfter{-1};
std::atomic<bool> g_forceCopy{false};

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor() { Reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now and reports the errno of a failed close, 0 otherwise.
    int Close() {
        int error = 0;
        if (m_fd >= 0 && ::close(m_fd) != 0) {
            error = errno;
        }
        m_fd = -1;
        return error;
    }
    void Reset(int fd = -1) {
        (void)Close();
        m_fd = fd;
    }

private:
    int m_fd;
};

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A temporary file in the target's folder that is removed unless committed.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& folder) {
        std::random_device seed;
        std::mt19937_64 random(seed());
        for (int attempt = 0; attempt < 16 && m_fd.get() < 0; ++attempt) {
            char name[64];
            std::snprintf(name, sizeof name, "/.mollwick-move-%016llx.tmp",
                          static_cast<unsigned long long>(random()));
            m_path = folder + name;
            m_fd.Reset(
                ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
            if (m_fd.get() < 0 && errno != EEXIST) {
                break;
            }
        }
        m_error = m_fd.get() < 0 ? errno : 0;
    }
    ~TemporaryFile() {
        m_fd.Reset();
        if (!m_path.empty() && m_error == 0 && !m_renamed) {
            ::unlink(m_path.c_str());
        }
    }
    // Its name is gone: it was renamed into place.
    void MarkRenamed() { m_renamed = true; }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int Error() const { return m_error; }
    int Fd() const { return m_fd.get(); }
    const std::string& Path() const { return m_path; }
    int Close() { return m_fd.Close(); }

private:
    Descriptor m_fd;
    std::string m_path;
    int m_error = 0;
    bool m_renamed = false;
};

bool SameState(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// Puts the finished temporary under the target name without replacing anything.
// link(2) fails with EEXIST on a taken name, like the rename would; a file
// system without hard links gets the no-replace rename instead.
int PlaceWithoutReplacing(TemporaryFile& temporary, const std::string& target) {
    if (::link(temporary.Path().c_str(), target.c_str()) == 0) {
        return 0;
    }
    const int error = errno;
    if (error != EPERM && error != ENOTSUP && error != EOPNOTSUPP && error != EMLINK) {
        return error;
    }
    if (::renameat2(AT_FDCWD, temporary.Path().c_str(), AT_FDCWD, target.c_str(),
                    RENAME_NOREPLACE) != 0) {
        return errno;
    }
    temporary.MarkRenamed();
    return 0;
}

int WriteAll(int fd, const char* data, std::size_t size, long long& written) {
    while (size > 0) {
        std::size_t chunk = size;
        const long long faultAfter = g_copyFaultAfter.load();
        if (faultAfter >= 0) {
            if (written >= faultAfter) {
                return EIO;
            }
            chunk = std::min<std::size_t>(chunk, static_cast<std::size_t>(faultAfter - written));
        }
        const ssize_t n = ::write(fd, data, chunk);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
        written += n;
    }
    return 0;
}

int SyncFolder(const std::string& folder) {
    Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0) {
        return errno;
    }
    return ::fsync(fd.get()) == 0 ? 0 : errno;
}

int CopyAcross(const std::string& source, const std::string& target) {
    Descriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (in.get() < 0) {
        return errno;
    }
    struct stat st {};
    if (::fstat(in.get(), &st) != 0) {
        return errno;
    }
    if (!S_ISREG(st.st_mode)) {
        return EINVAL;
    }
    const std::string folder = FolderOf(target);
    TemporaryFile temporary(folder);
    if (temporary.Error() != 0) {
        return temporary.Error();
    }
    std::vector<char> buffer(1 << 20);
    long long written = 0;
    for (;;) {
        const ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (n == 0) {
            break;
        }
        if (const int error =
                WriteAll(temporary.Fd(), buffer.data(), static_cast<std::size_t>(n), written)) {
            return error;
        }
    }
    // Some file systems (FAT) keep no modes: the copy is still whole without.
    (void)::fchmod(temporary.Fd(), st.st_mode & 07777);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(temporary.Fd(), times) != 0) {
        return errno;
    }
    if (::fsync(temporary.Fd()) != 0) {
        return errno;
    }
    if (const int error = temporary.Close()) {
        return error;
    }
    if (const int error = PlaceWithoutReplacing(temporary, target)) {
        return error;
    }
    (void)SyncFolder(folder);
    // The source is removed only while it is still the file that was copied:
    // one written to or replaced meanwhile stays, and the copy goes.
    struct stat now {};
    struct stat opened {};
    int error = 0;
    if (::fstat(in.get(), &opened) != 0 || ::lstat(source.c_str(), &now) != 0) {
        error = errno;
    } else if (!SameState(st, opened) || !SameState(st, now)) {
        error = EBUSY;
    } else if (::unlink(source.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        // The source stays, so the copy goes: a failed move changes nothing.
        ::unlink(target.c_str());
        (void)SyncFolder(folder);
        return error;
    }
    (void)SyncFolder(FolderOf(source));
    return 0;
}

}  // namespace

int MoveFileNoReplace(const std::string& source, const std::string& target) {
    if (!g_forceCopy.load()) {
        if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) ==
            0) {
            (void)SyncFolder(FolderOf(target));
            return 0;
        }
        const int error = errno;
        if (error == EINVAL || error == ENOSYS) {
            // A file system (or a kernel) without the no-replace rename: link,
            // which never replaces either, then unlink.
            if (::link(source.c_str(), target.c_str()) != 0) {
                return errno == EXDEV ? CopyAcross(source, target) : errno;
            }
            if (::unlink(source.c_str()) != 0) {
                const int unlinkError = errno;
                ::unlink(target.c_str());
                return unlinkError;
            }
            (void)SyncFolder(FolderOf(target));
            return 0;
        }
        if (error != EXDEV) {
            return error;
        }
    }
    return CopyAcross(source, target);
}

int RemoveFileIfUnchanged(const std::string& path, const FileIdentity& expected) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return errno;
    }
    if (!S_ISREG(st.st_mode)) {
        return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    }
    if (st.st_dev != expected.device || st.st_ino != expected.inode ||
        static_cast<std::uint64_t>(st.st_size) != expected.size ||
        st.st_mtim.tv_sec != expected.modified.tv_sec ||
        st.st_mtim.tv_nsec != expected.modified.tv_nsec) {
        return ESTALE;
    }
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

std::string ExecutableFolder() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) {
            return std::string();
        }
        if (static_cast<std::size_t>(n) < buffer.size()) {
            std::string path(buffer.data(), static_cast<std::size_t>(n));
            const std::size_t slash = path.rfind('/');
            return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
        }
        buffer.resize(buffer.size() * 2);
    }
}

namespace testing {
void SetCopyFault(long long failAfterBytes, bool forceCopy) {
    g_copyFaultAfter = failAfterBytes;
    g_forceCopy = forceCopy;
}
}  // namespace testing

}  // namespace mollwick
