#include "engine/FinderThread.h"

#include <ctime>
#include <memory>

CFinderThread::CFinderThread() = default;

// The digest context goes back to its start state before the worker goes.
CFinderThread::~CFinderThread() {
    m_sha1.Begin();
}

bool CFinderThread::InitInstance() {
    m_pMainDlg = nullptr;
    m_bSubfolders = false;
    m_bHiddenFiles = false;
    m_bStop = false;
    m_pResults = nullptr;
    m_nCompareMode = COMPARE_BY_CONTENT;
    return true;
}

int CFinderThread::ExitInstance() {
    return 0;
}

void CFinderThread::Dispatch(const mollwick::Message& message) {
    switch (message.message) {
        case WM_FINDER_SEARCH:
            OnStartSearch(message.wParam, message.lParam);
            break;
        case WM_FINDER_ACTION:
            OnFileAction(message.wParam, message.lParam);
            break;
        default:
            break;
    }
}

void CFinderThread::OnStartSearch(std::uintptr_t /*wParam*/, std::intptr_t /*lParam*/) {
    m_nTotalFiles = 0;
    m_nDuplicates = 0;
    m_bStop = false;
    if (m_pResults != nullptr) {
        ::tzset();  // the times are shown in the zone in force now
        m_sieve.Clear();
        if (m_pResults->empty()) {
            m_stage.Begin();
        }
        SearchPaths(m_strSourcePaths);
        m_sieve.Clear();  // files still alone have no twin, or the search was stopped
        m_stage.Publish(*m_pResults);
        m_bStop = false;
        PostProgressAlways();
    }
    PostDone(FINDER_OP_SEARCH, 0);
}

void CFinderThread::PostProgress() {
    PostProgress(false);
}

void CFinderThread::PostProgressAlways() {
    PostProgress(true);
}

// The window takes one report at a time: while the previous one still waits,
// a routine report is left out rather than piled up behind it.
void CFinderThread::PostProgress(bool always) {
    if (m_pMainDlg == nullptr) {
        return;
    }
    if (!always && m_pMainDlg->IsWaiting(WM_FINDER_PROGRESS)) {
        m_bProgressHeldBack = true;
        return;
    }
    m_bProgressHeldBack = false;
    auto info = std::make_unique<CProgressInfo>();
    info->strCurrentFile = m_strCurrentFile;
    info->nTotalFiles = m_nTotalFiles;
    info->nDuplicates = m_nDuplicates;
    if (m_pMainDlg->Post(WM_FINDER_PROGRESS, reinterpret_cast<std::uintptr_t>(info.get()), 0)) {
        info.release();  // the receiver owns it now
    }
}

void CFinderThread::PostDone(std::uintptr_t operation, std::intptr_t count) {
    if (m_pMainDlg != nullptr) {
        m_pMainDlg->Post(WM_FINDER_DONE, operation, count);
    }
}
