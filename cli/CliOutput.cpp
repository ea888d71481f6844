#include "cli/CliOutput.h"

#include <string_view>
#include <vector>

namespace mollwick::cli {

namespace {

// Length of the valid UTF-8 sequence that starts at text[i]; 0 when the byte
// there does not start one.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;  // the range the second byte must lie in
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (i + length > text.size() || byte(i + 1) < low || byte(i + 1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

void AppendField(std::string& out, const char* name, const std::string& value) {
    out += '"';
    out += name;
    out += "\": ";
    out += JsonString(value);
}

}  // namespace

std::string FormatPathList(const CResultMap& results) {
    std::string out;
    for (const auto& [key, group] : results) {
        if (!group->IsDuplicateGroup()) {
            continue;
        }
        out += group->pFirst->FullPath();
        out += '\n';
        for (const auto& other : group->others) {
            out += other->FullPath();
            out += '\n';
        }
        out += '\n';
    }
    return out;
}

bool IsValidUtf8(const std::string& bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = Utf8SequenceLength(bytes, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string JsonString(const std::string& bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = Utf8SequenceLength(bytes, i);
        if (length == 0) {
            out += kReplacement;
            ++i;
            continue;
        }
        if (length > 1) {
            out.append(bytes, i, length);
            i += length;
            continue;
        }
        const char c = bytes[i++];
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    out += "\\u00";
                    out += kHex[(c >> 4) & 0xF];
                    out += kHex[c & 0xF];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

std::string Base64(const std::string& bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        std::uint32_t chunk = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]))
                              << 16;
        if (left > 1) {
            chunk |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        }
        if (left > 2) {
            chunk |= static_cast<unsigned char>(bytes[i + 2]);
        }
        out += kDigits[(chunk >> 18) & 0x3F];
        out += kDigits[(chunk >> 12) & 0x3F];
        out += left > 1 ? kDigits[(chunk >> 6) & 0x3F] : '=';
        out += left > 2 ? kDigits[chunk & 0x3F] : '=';
    }
    return out;
}

std::string FormatJson(const CResultMap& results, const SearchSummary& summary) {
    std::string out = "{\"mode\": ";
    out += summary.compareMode == COMPARE_BY_CONTENT ? "\"content\"" : "\"name\"";
    out += ", \"total_files\": " + std::to_string(summary.totalFiles);
    out += ", \"duplicates\": " + std::to_string(summary.duplicates);
    out += ", \"groups\": [";
    bool firstGroup = true;
    for (const auto& [key, group] : results) {
        if (!group->IsDuplicateGroup()) {
            continue;
        }
        out += firstGroup ? "\n" : ",\n";
        firstGroup = false;
        out += "{\"key\": " + JsonString(key.Text()) + ", \"files\": [";
        const auto file = [&](const CFileRecord& record, bool first) {
            const std::string path = record.FullPath();
            out += first ? "\n  {" : ",\n  {";
            AppendField(out, "path", path);
            if (!IsValidUtf8(path)) {
                out += ", \"path_b64\": \"" + Base64(path) + '"';
            }
            out += ", ";
            AppendField(out, "name", record.strName);
            out += ", ";
            AppendField(out, "folder", record.strFolder);
            out += ", ";
            AppendField(out, "modified", record.strModified);
            out += ", \"size\": " + std::to_string(record.nSize);
            out += ", \"size64\": " + std::to_string(record.nFullSize) + '}';
        };
        file(*group->pFirst, true);
        for (const auto& other : group->others) {
            file(*other, false);
        }
        out += "]}";
    }
    out += "\n]}\n";
    return out;
}

bool IsScanError(const std::string& text) {
    return text.starts_with("Error handle while searching on path");
}

std::string ProgressLine(const CProgressInfo& info, std::size_t columns) {
    std::string line = "Total files: " + std::to_string(info.nTotalFiles) +
                       "  Duplicated found: " + std::to_string(info.nDuplicates) + "  ";
    // The last column stays free: writing into it wraps on some terminals.
    const std::size_t room = columns > 1 ? columns - 1 : 0;
    if (line.size() >= room) {
        line.resize(room);
        return line;
    }
    // The path as printable characters, each one column wide.
    std::vector<std::string> shown;
    const std::string& path = info.strCurrentFile;
    for (std::size_t i = 0; i < path.size();) {
        const std::size_t length = Utf8SequenceLength(path, i);
        const auto c = static_cast<unsigned char>(path[i]);
        const bool control =
            c < 0x20 || c == 0x7F ||
            (c == 0xC2 && length == 2 && static_cast<unsigned char>(path[i + 1]) < 0xA0);
        if (length == 0 || control) {
            shown.emplace_back("?");
            i += length == 0 ? 1 : length;
        } else {
            shown.emplace_back(path, i, length);
            i += length;
        }
    }
    const std::size_t left = room - line.size();
    std::size_t from = 0;
    if (shown.size() > left) {
        // The end of a path names the file; keep that and cut the front.
        static constexpr std::string_view kCut = "...";
        if (left <= kCut.size()) {
            return line;
        }
        line += kCut;
        from = shown.size() - (left - kCut.size());
    }
    for (std::size_t k = from; k < shown.size(); ++k) {
        line += shown[k];
    }
    return line;
}

}  // namespace mollwick::cli
