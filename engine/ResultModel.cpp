#include "engine/ResultModel.h"

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
