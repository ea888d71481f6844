#include "actions/ExportWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FileOperations.h"

namespace {

// Length of the valid UTF-8 sequence at text[i] and its code point; 0 when the
// byte there does not start one.
std::size_t DecodeUtf8(const std::string& text, std::size_t i, char32_t& codePoint) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1Fu;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0Fu;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07u;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            return 0;
        }
        codePoint = (codePoint << 6) | (byte(i + k) & 0x3Fu);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return 0;
    }
    return length;
}

}  // namespace

std::string ToLatin1(const std::string& text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t codePoint = 0;
        const std::size_t length = DecodeUtf8(text, i, codePoint);
        if (length == 0) {
            bytes.push_back('?');
            ++i;
            continue;
        }
        bytes.push_back(codePoint <= 0xFF ? static_cast<char>(codePoint) : '?');
        i += length;
    }
    return bytes;
}

std::string& WriteRecordLine(std::string& out, const CFileRecord& record) {
    out += "File name: ";
    out += ToLatin1(record.strName);
    out += " path: ";
    out += ToLatin1(record.strFolder);
    out += " Last modif: ";
    out += ToLatin1(record.strModified);
    out += " size (bytes): ";
    out += std::to_string(record.nSize);
    out += "\r\n";
    return out;
}

std::string FormatExport(const CResultMap& results) {
    std::string out;
    for (const auto& [key, group] : results) {
        if (group->others.empty()) {
            continue;
        }
        WriteRecordLine(out, *group->pFirst);
        for (const auto& other : group->others) {
            WriteRecordLine(out, *other);
        }
        out += "\r\n";
    }
    return out;
}

ExportOutcome WriteExportFile(const std::string& path, const CResultMap& results) {
    // The whole text is made first, so a file that cannot be opened is never
    // touched, and one that can is written in one go.
    const std::string text = FormatExport(results);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return ExportOutcome{false, errno};
    }
    const char* data = text.data();
    std::size_t left = text.size();
    int error = 0;
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = errno;
            break;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    return ExportOutcome{error == 0, error};
}

std::string DefaultExportPath() {
    return mollwick::ExecutableFolder() + "exportSearch.log";
}
