#pragma once

#include <QIcon>
#include <QMap>
#include <QSize>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/FinderMessages.h"
#include "engine/ResultModel.h"
#include "ui/DialogServices.h"
#include "ui/WorkerRemains.h"
#include "widgets/MySizingDialog.h"

class CFinderThread;
class CResultListModel;
class CWindowPort;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTreeView;

namespace mollwick {
class ThreadChannel;
}

// The main window: the search options, the progress fields, the result list
// and the actions menu. It never searches itself; it writes the worker's request
// fields while the worker is idle, posts a request, and learns the rest from the
// worker's progress and done messages.
class CTessarinDlg : public CMySizingDialog {
    Q_OBJECT

public:
    // Starts the worker; null when no thread could be started.
    using WorkerStarter = CFinderThread* (*)();

    // services: the message boxes and folder chooser (null: the real ones).
    // startWorker: null starts the real worker.
    explicit CTessarinDlg(std::unique_ptr<CDialogServices> services = nullptr,
                          WorkerStarter startWorker = nullptr, QWidget* parent = nullptr);
    ~CTessarinDlg() override;
    CTessarinDlg(const CTessarinDlg&) = delete;
    CTessarinDlg& operator=(const CTessarinDlg&) = delete;

    // Runs the window modally; returns at once with 1 when set-up failed.
    int exec() override;
    // The close box and Escape both end up here.
    void reject() override;

    // Commands and the worker's messages.
    void OnAddSourcePath();
    void OnClearSources();
    void OnStart();
    void OnStop();
    void OnFinderProgress(std::unique_ptr<CProgressInfo> info);
    void OnFinderDone(std::uintptr_t operation, std::intptr_t count);
    void OnClose();
    void OnActions();
    void OnSelectAll();
    // The corner icon was clicked: the About box opens here, modally.
    void OnAbout();
    void OnAfterResize(double dScaleX, double dScaleY) override;

    void FillResultList();
    bool MarkCheckedFiles();
    bool AskYesNo(int stringId);
    void ExportResults();
    QString BrowseForFolder();
    // Appends CR LF and the folder to the source list and shows the list.
    void AddSourceFolder(const QString& folder);
    bool IsBusy() const { return m_bBusy; }

    // After the window has closed: what a worker still busy at that moment
    // needs until it ends (empty when the worker ended in time).
    CWorkerRemains TakeWorkerRemains();

    // Controls, bound by id at set-up.
    QMap<int, QWidget*> m_controls;
    QCheckBox* m_chkSubfolders = nullptr;      // 1014
    QCheckBox* m_chkHidden = nullptr;          // 1018
    QPushButton* m_btnStart = nullptr;         // 1010
    QPushButton* m_btnStop = nullptr;          // 1011
    QLineEdit* m_editTotalFiles = nullptr;     // 1003
    QLineEdit* m_editDuplicates = nullptr;     // 1005
    QLineEdit* m_editCurrentFile = nullptr;    // 1001
    QLineEdit* m_editDestPath = nullptr;       // 1012
    QCheckBox* m_chkSelectAll = nullptr;       // 1033
    CFinderThread* m_pFinderThread = nullptr;  // deletes itself when its thread ends
    std::string m_strSourceList;               // file system bytes, CR LF before each folder
    QTreeView* m_listResults = nullptr;        // 1019
    QLineEdit* m_editExtensions = nullptr;     // 1022
    QLineEdit* m_editMovedDeleted = nullptr;   // 1025
    QPlainTextEdit* m_editSources = nullptr;   // 1013
    QRadioButton* m_radioByName = nullptr;     // 1029
    QRadioButton* m_radioByContent = nullptr;  // 1030
    QPushButton* m_btnActions = nullptr;       // 1032
    QLabel* m_iconAbout = nullptr;             // 1017
    QMenu* m_menuActions = nullptr;
    int m_nMenuResult = 0;  // the command chosen from the actions menu, 0 for none
    CResultListModel* m_model = nullptr;
    // Owned here; the worker fills it during a search and walks it during an
    // action, and only then.
    std::unique_ptr<CResultMap> m_results;

    // Where ExportResults writes: beside the executable.
    std::string m_strExportPath;
    // How long closing waits for the worker before the window goes regardless.
    std::chrono::milliseconds m_closeWait{3000};

Q_SIGNALS:
    // Emitted once a WM_FINDER_DONE has been handled and the window is Idle.
    void JobEnded(int operation, qint64 count);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool OnInitDialog(WorkerStarter startWorker);
    void BindControls();
    void ConnectCommands();
    void SetBusy(bool busy);
    void ShowMessage(const QString& text, CDialogServices::Icon icon);
    void KeepMaximized();
    void ShutDownWorker();
    static bool IsSystemSupported();

    std::unique_ptr<CDialogServices> m_services;
    QIcon m_hIcon;
    std::shared_ptr<CWindowPort> m_port;
    std::shared_ptr<mollwick::ThreadChannel> m_channel;
    CWorkerRemains m_remains;
    bool m_bBusy = false;
    bool m_bSetUpFailed = false;
    bool m_bShutDown = false;
    bool m_bKeepMaximized = false;
    QSize m_sizeAtSetUp;
};
