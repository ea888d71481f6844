#include "engine/FinderThread.h"

bool CFinderThread::ProcessFile(const std::string& fullPath, const mollwick::FileInfo& info) {
    m_sha1.Begin();
    const bool hashed = m_nCompareMode == COMPARE_BY_CONTENT ? m_sha1.HashFileContent(fullPath)
                                                             : m_sha1.HashNameBytes(info.name);
    if (!hashed) {
        return false;
    }
    m_sha1.Finish();
    char key[CSha1Context::kHexTextSize];
    if (!m_sha1.FormatHexText(key)) {
        return false;
    }
    std::unique_ptr<CFileRecord> record = NewFileRecord(fullPath, info);
    auto [slot, inserted] = m_pResults->try_emplace(std::string(key, 40));
    if (inserted) {
        slot->second = std::make_unique<CDuplicateGroup>();
        slot->second->pFirst = std::move(record);
    } else {
        slot->second->others.push_back(std::move(record));
        ++m_nDuplicates;
    }
    return true;
}
