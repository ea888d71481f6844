#include "engine/FinderThread.h"
#include "platform/FileOperations.h"
#include "platform/Paths.h"

namespace {

std::string TargetPath(const std::string& destFolder, const std::string& name) {
    std::string target = destFolder;
    if (target.back() != '/') {
        target += '/';
    }
    return mollwick::SystemPath(target + name);
}

mollwick::FileIdentity RecordedIdentity(const CFileRecord& record) {
    return mollwick::FileIdentity{record.device, record.inode, record.nFullSize, record.Modified()};
}

}  // namespace

void CFinderThread::OnFileAction(std::uintptr_t operation, std::intptr_t /*lParam*/) {
    m_bStop = false;
    if (m_pResults == nullptr || (m_strDestPath.empty() && operation == FINDER_OP_MOVE)) {
        PostDone(operation, 0);
        return;
    }
    std::int32_t count = 0;
    const auto handle = [&](const CFileRecord* record) {
        if (record == nullptr || !record->bSelected) {
            return;
        }
        m_strCurrentFile = record->strFolder + record->strName;
        if (operation == FINDER_OP_MOVE) {
            MoveOneFile(m_strCurrentFile, *record, count);
        } else {
            // Only the very file the search found: one changed since stays.
            (void)mollwick::RemoveFileIfUnchanged(m_strCurrentFile, RecordedIdentity(*record));
        }
        ++count;  // a failure counts too
        PostProgress();
    };
    for (const auto& [key, group] : *m_pResults) {
        // A group once begun is finished; the stop is looked at between groups.
        if (m_bStop.load(std::memory_order_relaxed)) {
            break;
        }
        if (group->others.empty()) {
            continue;
        }
        handle(group->pFirst.get());
        for (const auto& other : group->others) {
            handle(other.get());
        }
    }
    if (m_bProgressHeldBack) {
        PostProgressAlways();
    }
    m_bStop = false;
    PostDone(operation, count);
}

// One attempt under the plain name, and on a clash exactly one more under
// "N_name", N being the files handled before this one in the request.
void CFinderThread::MoveOneFile(std::string sourcePath, const CFileRecord& record,
                                std::int32_t number) {
    const std::string source = mollwick::SystemPath(sourcePath);
    if (mollwick::MoveFileNoReplace(source, TargetPath(m_strDestPath, record.strName)) != EEXIST) {
        return;
    }
    (void)mollwick::MoveFileNoReplace(
        source, TargetPath(m_strDestPath, std::to_string(number) + "_" + record.strName));
}
