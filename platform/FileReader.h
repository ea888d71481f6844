#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace mollwick {

// Reads one regular file from its start. Opening never blocks: a FIFO or a
// device is refused instead of read.
class FileReader {
public:
    // A caller that knows the length the file must have, and stops reading
    // past it, needs no check that this is a regular file: a FIFO or a device
    // put there since then gives the wrong length instead of a hang.
    enum class Kind { MustBeRegular, LengthKnown };
    explicit FileReader(const std::string& path, Kind kind = Kind::MustBeRegular);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    // Fills buffer as far as the file allows: the bytes read, fewer than size
    // only at the end of the file, or -1 on a read error.
    ssize_t Read(std::uint8_t* buffer, std::size_t size);

private:
    int m_fd = -1;
};

// The size of the regular file at path, following links; false when there is
// no such file.
bool RegularFileSize(const std::string& path, std::uint64_t& size);

namespace testing {
// How many files FileReader has opened in this process.
std::uint64_t FileReaderOpenCount();
}  // namespace testing

}  // namespace mollwick
