#include "platform/FileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace mollwick {
namespace {
std::atomic<std::uint64_t> g_openCount{0};
}  // namespace

FileReader::FileReader(const std::string& path, Kind kind) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return;
    }
    g_openCount.fetch_add(1, std::memory_order_relaxed);
    if (kind == Kind::LengthKnown) {
        m_fd = fd;
        return;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return;
    }
    m_fd = fd;
}

FileReader::~FileReader() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

ssize_t FileReader::Read(std::uint8_t* buffer, std::size_t size) {
    if (m_fd < 0) {
        return -1;
    }
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t n = ::read(m_fd, buffer + filled, size - filled);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (n == 0) {
            break;
        }
        filled += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(filled);
}

bool RegularFileSize(const std::string& path, std::uint64_t& size) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

namespace testing {
std::uint64_t FileReaderOpenCount() {
    return g_openCount.load(std::memory_order_relaxed);
}
}  // namespace testing

}  // namespace mollwick
