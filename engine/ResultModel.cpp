#include "engine/ResultModel.h"

#include <cstring>

#include "digest/Sha1Context.h"
#include "platform/LocalTime.h"

std::unique_ptr<CFileRecord> NewFileRecord(const std::string& fullPath,
                                           const mollwick::FileInfo& info) {
    auto record = std::make_unique<CFileRecord>();
    record->strName = info.name;
    record->strFolder = fullPath.substr(0, fullPath.size() - info.name.size());
    record->strModified = mollwick::FormatLocalTime(info.modified);
    record->nSize = static_cast<std::uint32_t>(info.size);
    record->bSelected = false;
    record->nFullSize = info.size;
    record->modified = info.modified;
    record->device = info.device;
    record->inode = info.inode;
    return record;
}

void ClearResults(CResultMap& results) {
    results.clear();
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
