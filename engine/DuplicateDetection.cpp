#include "engine/FinderThread.h"

bool CFinderThread::ProcessFile(const std::string& fullPath, const mollwick::FileInfo& info) {
    if (m_nCompareMode == COMPARE_BY_CONTENT && !m_bReadEveryFile) {
        m_sieve.Add(NewFileRecord(fullPath, info), [this](const CContentSieve::Digest& digest,
                                                          std::unique_ptr<CFileRecord> record) {
            char key[CSha1Context::kHexTextSize];
            FormatDigestText(digest.data(), key);
            FileUnderKey(std::string(key, 40), std::move(record));
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
    char key[CSha1Context::kHexTextSize];
    if (!m_sha1.FormatHexText(key)) {
        return false;
    }
    FileUnderKey(std::string(key, 40), NewFileRecord(fullPath, info));
    return true;
}

void CFinderThread::FileUnderKey(const std::string& key, std::unique_ptr<CFileRecord> record) {
    auto [slot, inserted] = m_pResults->try_emplace(key);
    if (inserted) {
        slot->second = std::make_unique<CDuplicateGroup>();
        slot->second->pFirst = std::move(record);
    } else {
        slot->second->others.push_back(std::move(record));
        ++m_nDuplicates;
    }
}
