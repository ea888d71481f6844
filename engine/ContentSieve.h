#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "digest/Sha1Context.h"
#include "engine/ResultModel.h"

// Reads only what a search by content must read. A file whose size no other
// file has is never opened; files of one size are told apart by the digest of
// their first block; only files that share size and first block are read in
// full, and then one SHA-1 per distinct content is enough: a further file is
// compared byte for byte with one already hashed. Every file that has a twin
// reaches the results with the same key and in the same order as a full read
// of every file would give, at the moment its first twin is found.
class CContentSieve {
public:
    using Digest = std::array<std::uint8_t, 20>;
    // Receives each confirmed file with its key, in the order the scan found them.
    using FileFunction = std::function<void(const Digest& key, std::unique_ptr<CFileRecord>)>;

    static constexpr std::uint64_t kFirstBlockSize = 4096;

    explicit CContentSieve(CSha1Context& sha1);

    // Takes one file that passed the filter.
    void Add(std::unique_ptr<CFileRecord> record, const FileFunction& file);
    // Forgets the files still alone; nothing more is read for them.
    void Clear();

private:
    // A file already read in full: where it is, and its key.
    struct Hashed {
        Digest key;
        const CFileRecord* record;  // owned by the results by now
    };
    // Files of one size and one first block.
    struct FirstBlockClass {
        Digest firstBlock;
        std::unique_ptr<CFileRecord> alone;  // the only one so far, not yet read in full
        std::vector<Hashed> contents;        // one file for each distinct content seen
        bool confirmed = false;              // some of its files are in the results
    };
    struct SizeBucket {
        std::unique_ptr<CFileRecord> alone;  // the only one so far, never opened
        std::size_t classes = 0;             // first-block classes of this size
    };
    // A class is found by its size and first-block digest in one hash lookup:
    // a size shared by thousands of different small files has thousands of
    // classes, and a search through them for every file would be quadratic.
    struct ClassKey {
        std::uint64_t size;
        Digest firstBlock;
        bool operator==(const ClassKey&) const = default;
    };
    struct ClassKeyHash {
        std::size_t operator()(const ClassKey& key) const;
    };

    // Finds or opens the first-block class of a file of this bucket; false
    // when the file cannot be read.
    FirstBlockClass* Classify(SizeBucket& bucket, const CFileRecord& record);
    bool DigestOfFirstBlock(const CFileRecord& record, Digest& digest);
    bool DigestOfWhole(const CFileRecord& record, Digest& digest);
    bool SameContent(const CFileRecord& a, const CFileRecord& b);
    // Hashes first and, in the same pass, compares second with it. False when
    // first cannot be read to its listed end; same tells whether second equals it.
    bool HashAndCompare(const CFileRecord& first, const CFileRecord& second, Digest& firstKey,
                        bool& same);
    void AllocateBuffers();
    enum class Known { No, Yes, Changed };
    // Whether the file is another name of a file confirmed already, and its key.
    Known KnownKey(const CFileRecord& record, Digest& key) const;
    // The key of a file of this class; false when it cannot be read.
    bool KeyOf(const FirstBlockClass& cls, const CFileRecord& record, Digest& key);
    // Hands a confirmed file to the results and remembers its content.
    void Confirm(FirstBlockClass& cls, const Digest& key, std::unique_ptr<CFileRecord> record,
                 const FileFunction& file);

    CSha1Context& m_sha1;
    std::unordered_map<std::uint64_t, SizeBucket> m_buckets;
    std::unordered_map<ClassKey, FirstBlockClass, ClassKeyHash> m_classes;
    // The files confirmed in this search, by device and inode, with what the
    // listing said of them: another name of one of them (a hard link) listed
    // with the same length and time needs no reading at all.
    struct KnownFile {
        Digest key;
        std::uint64_t size;
        std::int64_t modifiedNs;
    };
    std::map<std::pair<dev_t, ino_t>, KnownFile> m_keysByFile;
    std::unique_ptr<std::uint8_t[]> m_buffer;
    std::unique_ptr<std::uint8_t[]> m_compareBuffer;
};
