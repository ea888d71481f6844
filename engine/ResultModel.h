#pragma once

#include <sys/types.h>

#include <array>
#include <bit>
#include <compare>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileInfo.h"

// A folder path shared by the records of the files found in it: the files of
// one folder keep one copy of its text between them.
class CFolderText {
public:
    CFolderText() = default;
    CFolderText(std::string text)  // NOLINT: a folder text is made from any string
        : m_text(std::make_shared<const std::string>(std::move(text))) {}
    CFolderText(const char* text) : CFolderText(std::string(text)) {}  // NOLINT: as above

    const std::string& str() const { return m_text ? *m_text : Empty(); }
    operator const std::string&() const { return str(); }  // NOLINT: reads as a string
    bool SameText(std::string_view text) const { return m_text && *m_text == text; }

    friend std::string operator+(const CFolderText& folder, const std::string& name) {
        return folder.str() + name;
    }
    friend bool operator==(const CFolderText& folder, const std::string& text) {
        return folder.str() == text;
    }
    friend std::ostream& operator<<(std::ostream& out, const CFolderText& folder) {
        return out << folder.str();
    }

private:
    static const std::string& Empty();

    std::shared_ptr<const std::string> m_text;
};

// One file filed by a search.
struct CFileRecord {
    std::string strName;       // the name without folder, as listed
    std::string strModified;   // local time, "YYYY/MM/DD hh:mm:ss"
    CFolderText strFolder;     // the folder as the scan reached it, ending in "/"
    std::uint32_t nSize = 0;   // the low 32 bits of the size
    bool bSelected = false;    // marked for the next move or delete
    bool bOtherNames = false;  // the file has more than one hard link

    // What the file was when the search found it. A delete goes ahead only while
    // the file on disk still matches, so a file changed since is never removed.
    std::uint64_t nFullSize = 0;
    std::int64_t nModifiedNs = 0;  // nanoseconds since 1970, as one word

    timespec Modified() const {
        return timespec{static_cast<std::time_t>(nModifiedNs / 1000000000),
                        static_cast<long>(nModifiedNs % 1000000000)};
    }
    dev_t device = 0;
    ino_t inode = 0;

    std::string FullPath() const { return strFolder + strName; }
};

// The files of one key: the first found, then the later ones in the order found.
struct CDuplicateGroup {
    std::unique_ptr<CFileRecord> pFirst;
    std::vector<std::unique_ptr<CFileRecord>> others;

    bool IsDuplicateGroup() const { return !others.empty(); }
};

// The key of a group: a SHA-1 digest, kept as its 20 bytes. Keys order as
// their hex texts do character by character, which is ascending digest value.
struct CDigestKey {
    std::array<std::uint8_t, 20> bytes{};

    // The 40 upper-case hexadecimal digits.
    std::string Text() const;
    static CDigestKey FromBytes(const std::uint8_t* digest);
    // From 40 hex digits (either case); a text that is not one gives zeros.
    static CDigestKey FromText(std::string_view text);

    // Byte by byte, as the hex texts compare; done on three big-endian words,
    // since the map compares keys at every level of every insertion.
    std::strong_ordering operator<=>(const CDigestKey& other) const {
        for (std::size_t offset : {std::size_t{0}, std::size_t{8}}) {
            const std::uint64_t a = Word64(offset);
            const std::uint64_t b = other.Word64(offset);
            if (a != b) {
                return a <=> b;
            }
        }
        return Word32(16) <=> other.Word32(16);
    }
    bool operator==(const CDigestKey& other) const = default;

private:
    // The bytes at offset read as one big-endian number.
    std::uint64_t Word64(std::size_t offset) const {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes.data() + offset, sizeof word);
        return BigEndian(word);
    }
    std::uint32_t Word32(std::size_t offset) const {
        std::uint32_t word = 0;
        std::memcpy(&word, bytes.data() + offset, sizeof word);
        return BigEndian(word);
    }
    template <typename Word>
    static Word BigEndian(Word word) {
        if constexpr (std::endian::native == std::endian::little) {
            if constexpr (sizeof(Word) == 8) {
                return __builtin_bswap64(word);
            } else {
                return __builtin_bswap32(word);
            }
        }
        return word;
    }
};

using CResultMap = std::map<CDigestKey, std::unique_ptr<CDuplicateGroup>>;

// Builds the record of a file found at fullPath (its folder followed by info.name).
std::unique_ptr<CFileRecord> NewFileRecord(const std::string& fullPath, mollwick::FileInfo info);

// Frees every group and record; the map stays, empty.
void ClearResults(CResultMap& results);
