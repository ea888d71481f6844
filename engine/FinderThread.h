#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "digest/Sha1Context.h"
#include "engine/ContentSieve.h"
#include "engine/FinderMessages.h"
#include "engine/FolderWalker.h"
#include "engine/GroupStage.h"
#include "engine/ResultModel.h"
#include "platform/FileInfo.h"
#include "platform/MessagePort.h"
#include "platform/MessageThread.h"

// The worker: searches and file actions run here, one request at a time, each
// ending with WM_FINDER_DONE. The window writes the request fields only while
// the worker is idle and then posts the request; m_bStop is the one field
// written while it is busy.
class CFinderThread : public mollwick::MessageThread {
public:
    CFinderThread();
    ~CFinderThread() override;

    std::int32_t m_nTotalFiles = 0;
    std::int32_t m_nDuplicates = 0;
    std::string m_strSourcePaths;  // CR LF before each folder
    std::string m_strDestPath;
    std::string m_strExtensions;
    std::int32_t m_nCompareMode = COMPARE_BY_CONTENT;
    std::string m_strCurrentFile;
    bool m_bSubfolders = false;
    bool m_bHiddenFiles = false;
    bool m_bAllExtensions = false;
    std::atomic<bool> m_bStop{false};
    mollwick::MessagePort* m_pMainDlg = nullptr;
    CResultMap* m_pResults = nullptr;
    CSha1Context m_sha1;
    // Support switch: by content, read and hash every file in full instead of
    // only the files that can have a twin. The results are the same.
    bool m_bReadEveryFile = false;
    // Test seam: runs for each file right after it was listed and counted.
    std::function<void(const std::string& fullPath)> m_afterListingForTesting;

    void OnStartSearch(std::uintptr_t wParam, std::intptr_t lParam);
    void OnFileAction(std::uintptr_t wParam, std::intptr_t lParam);

    void PostProgress();
    void SearchPaths(std::string paths);
    void ScanFolder(std::string folder);
    void ScanFolders(std::vector<std::string> folders);
    bool ProcessFile(const std::string& fullPath, mollwick::FileInfo info);
    void MoveOneFile(std::string sourcePath, const CFileRecord& record, std::int32_t number);

    // Whether a file name passes the extension filter of the request.
    bool PassesExtensionFilter(const std::string& name) const;

protected:
    bool InitInstance() override;
    int ExitInstance() override;
    void Dispatch(const mollwick::Message& message) override;

private:
    // A progress report that must reach the window even when the previous one
    // has not been taken yet (the last of a job, an error text).
    void PostProgressAlways();
    void PostProgress(bool always);
    void PostDone(std::uintptr_t operation, std::intptr_t count);
    void HandleListedFile(CScanEvent& event);
    // Files a record under its key: a new group, or the end of an existing one.
    void FileUnderKey(const CDigestKey& key, std::unique_ptr<CFileRecord> record);

    bool m_bProgressHeldBack = false;
    CContentSieve m_sieve{m_sha1};
    CGroupStage m_stage;  // in use while a search fills an empty map
};

// Cuts the source list at every CR and LF; empty segments are dropped and
// spaces kept. True when at least one folder was appended.
bool SplitPaths(const std::string& text, std::vector<std::string>& paths);
