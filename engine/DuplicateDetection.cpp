#include "engine/FinderThread.h"

bool CFinderThread::ProcessFile(const std::string& fullPath, mollwick::FileInfo info) {
    if (m_nCompareMode == COMPARE_BY_CONTENT && !m_bReadEveryFile) {
        m_sieve.Add(
            NewFileRecord(fullPath, std::move(info)),
            [this](const CContentSieve::Digest& digest, std::unique_ptr<CFileRecord> record) {
                FileUnderKey(CDigestKey::FromBytes(digest.data()), std::move(record));
            });
        return true;
    }
    m_sha1.Begin();
    const bool hashed = m_nCompareMode == COMPARE_BY_CONTENT
                            ? m_sha1.HashFileContent(fullPath, info.size)
                            : m_sha1.HashNameBytes(info.name);
    if (!hashed) {
        return false;
    }
    m_sha1.Finish();
    FileUnderKey(CDigestKey::FromBytes(m_sha1.Result()), NewFileRecord(fullPath, std::move(info)));
    return true;
}

void CFinderThread::FileUnderKey(const CDigestKey& key, std::unique_ptr<CFileRecord> record) {
    CDuplicateGroup* group = nullptr;
    if (m_stage.Active()) {
        group = &m_stage.Find(key);
    } else {
        auto [slot, inserted] = m_pResults->try_emplace(key);
        if (inserted) {
            slot->second = std::make_unique<CDuplicateGroup>();
        }
        group = slot->second.get();
    }
    if (group->pFirst == nullptr) {
        group->pFirst = std::move(record);
    } else {
        group->others.push_back(std::move(record));
        ++m_nDuplicates;
    }
}
