#include "engine/ResultModel.h"

#include <cstring>

#include "digest/Sha1Context.h"
#include "platform/LocalTime.h"

std::unique_ptr<CFileRecord> NewFileRecord(const std::string& fullPath, mollwick::FileInfo info) {
    auto record = std::make_unique<CFileRecord>();
    // Files of one folder come one after another: they share its text.
    thread_local CFolderText lastFolder;
    const std::string_view folder(fullPath.data(), fullPath.size() - info.name.size());
    if (!lastFolder.SameText(folder)) {
        lastFolder = CFolderText(std::string(folder));
    }
    record->strFolder = lastFolder;
    record->strName = std::move(info.name);
    record->strModified = mollwick::FormatLocalTime(info.modified);
    record->nSize = static_cast<std::uint32_t>(info.size);
    record->bSelected = false;
    record->nFullSize = info.size;
    record->nModifiedNs = std::int64_t{info.modified.tv_sec} * 1000000000 + info.modified.tv_nsec;
    record->device = info.device;
    record->inode = info.inode;
    record->bOtherNames = info.hasOtherNames;
    return record;
}

void ClearResults(CResultMap& results) {
    results.clear();
}

const std::string& CFolderText::Empty() {
    static const std::string empty;
    return empty;
}

std::string CDigestKey::Text() const {
    char text[CSha1Context::kHexTextSize];
    FormatDigestText(bytes.data(), text);
    return std::string(text, 40);
}

CDigestKey CDigestKey::FromBytes(const std::uint8_t* digest) {
    CDigestKey key;
    std::memcpy(key.bytes.data(), digest, key.bytes.size());
    return key;
}

CDigestKey CDigestKey::FromText(std::string_view text) {
    CDigestKey key;
    if (text.size() != 40) {
        return key;
    }
    const auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        if (c >= 'A' && c <= 'F') {
            return c - 'A' + 10;
        }
        if (c >= 'a' && c <= 'f') {
            return c - 'a' + 10;
        }
        return -1;
    };
    for (std::size_t i = 0; i < key.bytes.size(); ++i) {
        const int high = nibble(text[2 * i]);
        const int low = nibble(text[2 * i + 1]);
        if (high < 0 || low < 0) {
            return CDigestKey{};
        }
        key.bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return key;
}
