#include "engine/ContentSieve.h"

#include <algorithm>
#include <cstring>

#include "platform/FileReader.h"

namespace {

constexpr std::size_t kPieceSize = CSha1Context::kReadPieceSize;

}  // namespace

CContentSieve::CContentSieve(CSha1Context& sha1) : m_sha1(sha1) {}

void CContentSieve::Clear() {
    m_buckets.clear();
    m_classes.clear();
    m_keysByFile.clear();  // a later search must read files afresh
}

// Small files are read whole for the first look, so their first-block digest
// is already their key.
bool CContentSieve::DigestOfFirstBlock(const CFileRecord& record, Digest& digest) {
    if (record.nFullSize <= kFirstBlockSize) {
        return DigestOfWhole(record, digest);
    }
    mollwick::FileReader reader(record.FullPath(), mollwick::FileReader::Kind::LengthKnown);
    std::uint8_t block[kFirstBlockSize];
    if (reader.Read(block, sizeof block) != static_cast<ssize_t>(sizeof block)) {
        return false;
    }
    m_sha1.Begin();
    m_sha1.AddBytes(block, sizeof block);
    m_sha1.Finish();
    std::memcpy(digest.data(), m_sha1.Result(), digest.size());
    return true;
}

// The SHA-1 of the whole content. A file whose length is no longer the listed
// one changed under the search and is treated as unreadable.
bool CContentSieve::DigestOfWhole(const CFileRecord& record, Digest& digest) {
    m_sha1.Begin();
    if (!m_sha1.HashFileContent(record.FullPath(), record.nFullSize)) {
        return false;
    }
    m_sha1.Finish();
    std::memcpy(digest.data(), m_sha1.Result(), digest.size());
    return true;
}

bool CContentSieve::HashAndCompare(const CFileRecord& first, const CFileRecord& second,
                                   Digest& firstKey, bool& same) {
    same = false;
    mollwick::FileReader readerA(first.FullPath(), mollwick::FileReader::Kind::LengthKnown);
    if (!readerA.IsOpen()) {
        return false;
    }
    mollwick::FileReader readerB(second.FullPath(), mollwick::FileReader::Kind::LengthKnown);
    bool comparing = readerB.IsOpen();
    AllocateBuffers();
    m_sha1.Begin();
    std::uint64_t total = 0;
    for (;;) {
        const ssize_t n = readerA.Read(m_buffer.get(), kPieceSize);
        if (n < 0) {
            return false;
        }
        total += static_cast<std::uint64_t>(n);
        if (total > first.nFullSize) {
            return false;  // longer than listed: it changed under the search
        }
        if (n > 0) {
            m_sha1.AddBytes(m_buffer.get(), static_cast<std::uint32_t>(n));
        }
        if (comparing) {
            const ssize_t m = readerB.Read(m_compareBuffer.get(), kPieceSize);
            comparing = m == n && std::memcmp(m_buffer.get(), m_compareBuffer.get(),
                                              static_cast<std::size_t>(n)) == 0;
        }
        if (static_cast<std::size_t>(n) < kPieceSize) {
            break;
        }
    }
    if (total != first.nFullSize) {
        return false;
    }
    // Both reads ended short at the same point: the second is at its end too.
    same = comparing && second.nFullSize == total;
    m_sha1.Finish();
    std::memcpy(firstKey.data(), m_sha1.Result(), firstKey.size());
    return true;
}

void CContentSieve::AllocateBuffers() {
    if (!m_buffer) {
        m_buffer.reset(new std::uint8_t[kPieceSize]);
    }
    if (!m_compareBuffer) {
        m_compareBuffer.reset(new std::uint8_t[kPieceSize]);
    }
}

bool CContentSieve::SameContent(const CFileRecord& a, const CFileRecord& b) {
    mollwick::FileReader readerA(a.FullPath(), mollwick::FileReader::Kind::LengthKnown);
    mollwick::FileReader readerB(b.FullPath(), mollwick::FileReader::Kind::LengthKnown);
    if (!readerA.IsOpen() || !readerB.IsOpen()) {
        return false;
    }
    AllocateBuffers();
    std::uint64_t total = 0;
    for (;;) {
        const ssize_t n = readerA.Read(m_buffer.get(), kPieceSize);
        const ssize_t m = readerB.Read(m_compareBuffer.get(), kPieceSize);
        if (n < 0 || n != m ||
            std::memcmp(m_buffer.get(), m_compareBuffer.get(), static_cast<std::size_t>(n)) != 0) {
            return false;
        }
        total += static_cast<std::uint64_t>(n);
        if (total > a.nFullSize || total > b.nFullSize) {
            return false;  // longer than listed: it changed under the search
        }
        if (static_cast<std::size_t>(n) < kPieceSize) {
            return total == a.nFullSize && total == b.nFullSize;
        }
    }
}

std::size_t CContentSieve::ClassKeyHash::operator()(const ClassKey& key) const {
    // The digest is as good as random already.
    std::uint64_t word = 0;
    std::memcpy(&word, key.firstBlock.data(), sizeof word);
    return static_cast<std::size_t>(word ^ (key.size * 0x9E3779B97F4A7C15ull));
}

CContentSieve::FirstBlockClass* CContentSieve::Classify(SizeBucket& bucket,
                                                        const CFileRecord& record) {
    Digest firstBlock;
    if (!DigestOfFirstBlock(record, firstBlock)) {
        return nullptr;
    }
    const auto [slot, created] = m_classes.try_emplace(ClassKey{record.nFullSize, firstBlock});
    if (created) {
        slot->second.firstBlock = firstBlock;
        ++bucket.classes;
    }
    return &slot->second;
}

CContentSieve::Known CContentSieve::KnownKey(const CFileRecord& record, Digest& key) const {
    if (!record.bOtherNames) {
        return Known::No;
    }
    const auto found = m_keysByFile.find({record.device, record.inode});
    if (found == m_keysByFile.end() || found->second.size != record.nFullSize ||
        found->second.modifiedNs != record.nModifiedNs) {
        return Known::No;
    }
    // Still the listed length, or it changed under the search.
    std::uint64_t size = 0;
    if (!mollwick::RegularFileSize(record.FullPath(), size) || size != record.nFullSize) {
        return Known::Changed;
    }
    key = found->second.key;
    return Known::Yes;
}

bool CContentSieve::KeyOf(const FirstBlockClass& cls, const CFileRecord& record, Digest& key) {
    if (record.nFullSize <= kFirstBlockSize) {
        key = cls.firstBlock;  // the whole file was read for the first look
        return true;
    }
    switch (KnownKey(record, key)) {
        case Known::Yes:
            return true;
        case Known::Changed:
            return false;
        case Known::No:
            break;
    }
    // One compare with a file already hashed: most files of a class are copies
    // of its first content. Otherwise the file is hashed, so a class of many
    // different contents costs one extra read per file, never one per content.
    if (!cls.contents.empty() && SameContent(record, *cls.contents.front().record)) {
        key = cls.contents.front().key;
        return true;
    }
    return DigestOfWhole(record, key);
}

void CContentSieve::Confirm(FirstBlockClass& cls, const Digest& key,
                            std::unique_ptr<CFileRecord> record, const FileFunction& file) {
    const CFileRecord* kept = record.get();
    if (record->bOtherNames) {
        m_keysByFile.try_emplace(std::make_pair(record->device, record->inode),
                                 KnownFile{key, record->nFullSize, record->nModifiedNs});
    }
    if (record->nFullSize > kFirstBlockSize) {
        const bool newContent = std::none_of(cls.contents.begin(), cls.contents.end(),
                                             [&](const Hashed& h) { return h.key == key; });
        if (newContent) {
            cls.contents.push_back(Hashed{key, kept});
        }
    }
    cls.confirmed = true;
    file(key, std::move(record));
}

void CContentSieve::Add(std::unique_ptr<CFileRecord> record, const FileFunction& file) {
    Digest known;
    switch (KnownKey(*record, known)) {
        case Known::Yes:
            file(known, std::move(record));  // its group exists: it joins at the end
            return;
        case Known::Changed:
            return;
        case Known::No:
            break;
    }
    SizeBucket& bucket = m_buckets[record->nFullSize];
    if (!bucket.alone && bucket.classes == 0) {
        bucket.alone = std::move(record);  // alone by size: not opened, maybe never
        return;
    }
    if (bucket.alone) {
        std::unique_ptr<CFileRecord> first = std::move(bucket.alone);
        if (FirstBlockClass* firstClass = Classify(bucket, *first)) {
            firstClass->alone = std::move(first);
        }
    }
    FirstBlockClass* found = Classify(bucket, *record);
    if (found == nullptr) {
        return;
    }
    FirstBlockClass& cls = *found;
    if (!cls.alone && !cls.confirmed) {
        cls.alone = std::move(record);  // alone by its first block so far
        return;
    }
    // A second file of this size and first block: the one waiting is confirmed
    // first, since the scan found it first.
    if (cls.alone) {
        std::unique_ptr<CFileRecord> first = std::move(cls.alone);
        // Two different files that must both be read: one pass hashes the
        // first and compares the second with it.
        const bool pair = first->nFullSize > kFirstBlockSize &&
                          (first->device != record->device || first->inode != record->inode);
        Digest key;
        bool same = false;
        if (pair ? HashAndCompare(*first, *record, key, same) : KeyOf(cls, *first, key)) {
            Confirm(cls, key, std::move(first), file);
            if (same) {
                Confirm(cls, key, std::move(record), file);
                return;
            }
            if (pair) {
                if (DigestOfWhole(*record, key)) {  // another content: its own hash
                    Confirm(cls, key, std::move(record), file);
                }
                return;
            }
        }
    }
    Digest key;
    if (KeyOf(cls, *record, key)) {
        Confirm(cls, key, std::move(record), file);
    }
}
