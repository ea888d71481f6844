#include "ui/TessarinDlg.h"

#include <sys/utsname.h>

#include <QCheckBox>
#include <QEvent>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTreeView>
#include <cstring>

#include "actions/ExportWriter.h"
#include "engine/FinderThread.h"
#include "resources/DialogTemplates.h"
#include "ui/AboutDlg.h"
#include "ui/ResultListModel.h"
#include "ui/WindowPort.h"
#include "widgets/TemplateBuilder.h"

namespace {

constexpr int kCommandExport = 32771;
constexpr int kCommandMove = 32772;
constexpr int kCommandDelete = 32773;

constexpr int kAskExport = 102;
constexpr int kAskMove = 103;
constexpr int kAskDelete = 104;

CFinderThread* StartRealWorker() {
    // One step above the window's thread, where the system allows it.
    return mollwick::BeginThread<CFinderThread>(1);
}

std::string ToBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString FromBytes(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

}  // namespace

CTessarinDlg::CTessarinDlg(std::unique_ptr<CDialogServices> services, WorkerStarter startWorker,
                           QWidget* parent)
    : CMySizingDialog(parent),
      m_results(std::make_unique<CResultMap>()),
      m_strExportPath(DefaultExportPath()),
      m_services(services != nullptr ? std::move(services) : std::make_unique<CQtDialogServices>()),
      m_hIcon(IconResourcePath(kAppIconId)),
      m_port(CWindowPort::Create(this)) {
    m_nDesignCx = 580;
    m_nDesignCy = 350;
    m_bClassFonts = false;
    m_bSetUpFailed = !OnInitDialog(startWorker != nullptr ? startWorker : &StartRealWorker);
}

CTessarinDlg::~CTessarinDlg() {
    ShutDownWorker();
    // Events still queued to this window are dropped with it, and free their
    // progress records as they go.
    m_port->Detach();
}

bool CTessarinDlg::OnInitDialog(WorkerStarter startWorker) {
    // A top-level window with a minimize box and no maximize box or sizing
    // border: the window is kept maximized.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    m_controls = BuildControls(this, *FindDialogTemplate(kMainTemplateId));
    BindControls();

    if (!IsSystemSupported()) {
        ShowMessage(QStringLiteral("This version of operative system is not supported!"),
                    CDialogServices::Icon::Error);
        return false;
    }

    // The actions menu: the one popup of menu 137.
    const MenuTemplate* menu = FindMenuTemplate(kActionsMenuId);
    m_menuActions = new QMenu(QString::fromUtf8(menu->popupText), this);
    for (const MenuItemTemplate& item : menu->items) {
        QAction* action = m_menuActions->addAction(QString::fromUtf8(item.text));
        action->setData(item.commandId);
    }
    ConnectCommands();

    m_chkHidden->setChecked(false);
    m_chkSubfolders->setChecked(false);
    m_editExtensions->setText(QStringLiteral("*"));
    m_editSources->clear();
    m_editCurrentFile->clear();
    m_editMovedDeleted->clear();
    m_editTotalFiles->clear();
    m_radioByName->setChecked(true);
    m_model = new CResultListModel(this);
    m_listResults->setModel(m_model);
    m_listResults->header()->setStretchLastSection(false);
    m_listResults->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_strSourceList.clear();
    m_btnActions->setEnabled(false);
    setWindowIcon(m_hIcon);

    m_pFinderThread = startWorker();
    if (m_pFinderThread == nullptr) {
        ShowMessage(
            QStringLiteral(
                "An error occurred while starting up finder main thread.\nContact the developer!"),
            CDialogServices::Icon::Error);
        return false;
    }
    m_channel = m_pFinderThread->Channel();

    // The window is shown maximized. The layout pass waits for the first show
    // (showEvent): as a window appears, Qt first reports the template's size,
    // and the pass must see the maximized size instead.
    m_bKeepMaximized = true;
    m_sizeAtSetUp = size();
    setWindowState(Qt::WindowMaximized);
    return true;
}

void CTessarinDlg::showEvent(QShowEvent* event) {
    CMySizingDialog::showEvent(event);
    if (m_bReady || m_bSetUpFailed) {
        return;
    }
    m_bReady = true;
    // Where the platform maximized the window before showing it, no size
    // change follows: the pass runs now. Elsewhere the window manager's
    // maximized size arrives as the next size change.
    if (size() != m_sizeAtSetUp) {
        ResizeChildren(width(), height(), this);
    }
}

void CTessarinDlg::BindControls() {
    const auto bind = [this]<class T>(T*& member, int id) {
        member = qobject_cast<T*>(m_controls.value(id));
        Q_ASSERT(member != nullptr);
    };
    bind(m_chkSubfolders, 1014);
    bind(m_chkHidden, 1018);
    bind(m_btnStart, 1010);
    bind(m_btnStop, 1011);
    bind(m_editTotalFiles, 1003);
    bind(m_editDuplicates, 1005);
    bind(m_editCurrentFile, 1001);
    bind(m_listResults, 1019);
    bind(m_editExtensions, 1022);
    bind(m_editMovedDeleted, 1025);
    bind(m_editSources, 1013);
    bind(m_radioByName, 1029);
    bind(m_radioByContent, 1030);
    bind(m_btnActions, 1032);
    bind(m_editDestPath, 1012);
    bind(m_chkSelectAll, 1033);
    bind(m_iconAbout, 1017);
}

void CTessarinDlg::ConnectCommands() {
    m_iconAbout->installEventFilter(this);
    connect(m_btnStart, &QPushButton::clicked, this, &CTessarinDlg::OnStart);
    connect(m_btnStop, &QPushButton::clicked, this, &CTessarinDlg::OnStop);
    connect(m_chkSelectAll, &QCheckBox::clicked, this, &CTessarinDlg::OnSelectAll);
    connect(qobject_cast<QPushButton*>(m_controls.value(1015)), &QPushButton::clicked, this,
            &CTessarinDlg::OnAddSourcePath);
    connect(qobject_cast<QPushButton*>(m_controls.value(1034)), &QPushButton::clicked, this,
            &CTessarinDlg::OnClearSources);
    // The button opens the menu; a chosen command comes back as its id.
    connect(m_btnActions, &QPushButton::clicked, this, [this] {
        m_nMenuResult = 0;
        m_menuActions->popup(m_btnActions->mapToGlobal(QPoint(0, m_btnActions->height())));
    });
    connect(m_menuActions, &QMenu::triggered, this, [this](QAction* action) {
        m_nMenuResult = action->data().toInt();
        OnActions();
    });
}

// Linux is one system; every release of it is accepted. Only a failing
// system query refuses.
bool CTessarinDlg::IsSystemSupported() {
    utsname name{};
    return ::uname(&name) == 0;
}

int CTessarinDlg::exec() {
    if (m_bSetUpFailed) {
        setResult(1);
        return 1;
    }
    return CMySizingDialog::exec();
}

bool CTessarinDlg::event(QEvent* event) {
    if (event->type() == CFinderEvent::EventType()) {
        auto* posted = static_cast<CFinderEvent*>(event);
        // After the close the window takes nothing more; a progress record is
        // freed with its event.
        if (!m_bShutDown) {
            if (posted->Message() == WM_FINDER_PROGRESS) {
                OnFinderProgress(posted->TakeProgress());
            } else if (posted->Message() == WM_FINDER_DONE) {
                OnFinderDone(posted->WParam(), posted->LParam());
            }
        }
        return true;
    }
    return CMySizingDialog::event(event);
}

// The icon is a label: it reports a click (press and release of the left
// button on it) as a command.
bool CTessarinDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_iconAbout && (event->type() == QEvent::MouseButtonPress ||
                                   event->type() == QEvent::MouseButtonRelease)) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) {
            return false;
        }
        if (event->type() == QEvent::MouseButtonRelease &&
            m_iconAbout->rect().contains(mouse->position().toPoint())) {
            OnAbout();
        }
        return true;
    }
    return CMySizingDialog::eventFilter(watched, event);
}

// Opens the About box modally; the box itself is built separately.
// Modal, also while a search runs: the box's own loop keeps serving this
// window, which keeps taking the worker's messages behind it.
void CTessarinDlg::OnAbout() {
    CAboutDlg about(this);
    about.exec();
}

// A window manager moves and restores windows on its own; what a client can do
// is put the window back. Whenever it ends up neither maximized nor
// minimized, it is maximized again, so restoring from minimized also brings it
// back maximized.
void CTessarinDlg::changeEvent(QEvent* event) {
    CMySizingDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && m_bKeepMaximized &&
        (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) == 0) {
        // Queued: changing the state from inside its own notification is
        // not reliable on every platform.
        QMetaObject::invokeMethod(this, &CTessarinDlg::KeepMaximized, Qt::QueuedConnection);
    }
}

void CTessarinDlg::KeepMaximized() {
    if (isVisible() && (windowState() & Qt::WindowMinimized) == 0) {
        setWindowState((windowState() & ~Qt::WindowFullScreen) | Qt::WindowMaximized);
    }
}

void CTessarinDlg::OnAfterResize(double /*dScaleX*/, double /*dScaleY*/) {
    const int width = m_listResults->width();
    QHeaderView* header = m_listResults->header();
    header->resizeSection(CResultListModel::kColumnFile, width / 6);
    header->resizeSection(CResultListModel::kColumnOccurrences, width / 3);
    header->resizeSection(CResultListModel::kColumnInfo, width / 3);
}

void CTessarinDlg::SetBusy(bool busy) {
    m_bBusy = busy;
    m_btnStart->setEnabled(!busy);
    m_btnStop->setEnabled(busy);
    m_chkHidden->setEnabled(!busy);
    m_chkSubfolders->setEnabled(!busy);
    m_editExtensions->setEnabled(!busy);
    m_btnActions->setEnabled(!busy);
}

void CTessarinDlg::ShowMessage(const QString& text, CDialogServices::Icon icon) {
    m_services->ShowMessage(this, text, icon);
}

QString CTessarinDlg::BrowseForFolder() {
    return m_services->BrowseForFolder(this);
}

bool CTessarinDlg::AskYesNo(int stringId) {
    return m_services->AskYesNo(this, LoadTemplateString(stringId));
}

void CTessarinDlg::OnAddSourcePath() {
    const QString folder = BrowseForFolder();
    if (!folder.isEmpty()) {
        AddSourceFolder(folder);
    }
}

void CTessarinDlg::AddSourceFolder(const QString& folder) {
    m_strSourceList += "\r\n" + ToBytes(folder);
    // The worker reads CR LF; the field shows one line per folder.
    QString shown = FromBytes(m_strSourceList);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_editSources->setPlainText(shown);
}

void CTessarinDlg::OnClearSources() {
    m_editSources->clear();
    m_strSourceList.clear();
}

void CTessarinDlg::OnStart() {
    if (m_bBusy || m_pFinderThread == nullptr) {
        return;
    }
    if (m_strSourceList.empty()) {
        ShowMessage(QStringLiteral("You must select a source path!"),
                    CDialogServices::Icon::Exclamation);
        return;
    }
    m_editCurrentFile->clear();
    m_editMovedDeleted->clear();
    m_editTotalFiles->clear();
    m_editDestPath->clear();

    QString extensions = m_editExtensions->text();
    if (extensions.isEmpty()) {
        extensions = QStringLiteral("*");
        m_editExtensions->setText(extensions);
    }
    // One leading dot goes; the field keeps the text as typed.
    if (extensions.startsWith(QLatin1Char('.'))) {
        extensions.remove(0, 1);
    }

    // The rows point into the results: they go first.
    m_model->Clear();
    ClearResults(*m_results);

    CFinderThread& worker = *m_pFinderThread;
    worker.m_strExtensions = extensions.toUtf8().toStdString();
    worker.m_bAllExtensions = worker.m_strExtensions == "*";
    worker.m_strSourcePaths = m_strSourceList;
    worker.m_pResults = m_results.get();
    worker.m_nCompareMode = m_radioByName->isChecked() ? COMPARE_BY_NAME : COMPARE_BY_CONTENT;
    worker.m_bHiddenFiles = m_chkHidden->isChecked();
    worker.m_bSubfolders = m_chkSubfolders->isChecked();
    worker.m_pMainDlg = m_port.get();
    worker.PostThreadMessage(WM_FINDER_SEARCH);
    SetBusy(true);
}

void CTessarinDlg::OnStop() {
    if (m_pFinderThread != nullptr) {
        m_pFinderThread->m_bStop = true;
    }
}

void CTessarinDlg::OnFinderProgress(std::unique_ptr<CProgressInfo> info) {
    if (info == nullptr) {
        return;
    }
    m_editCurrentFile->setText(FromBytes(info->strCurrentFile));
    m_editTotalFiles->setText(QString::number(info->nTotalFiles));
    m_editDuplicates->setText(QString::number(info->nDuplicates));
}

void CTessarinDlg::OnFinderDone(std::uintptr_t operation, std::intptr_t count) {
    SetBusy(false);
    switch (operation) {
        case FINDER_OP_SEARCH:
            FillResultList();
            // Each search uses the list up; the field keeps showing it.
            m_strSourceList.clear();
            break;
        case FINDER_OP_MOVE:
        case FINDER_OP_DELETE:
            m_editMovedDeleted->setText(QString::number(count));
            break;
        default:
            break;
    }
    m_editCurrentFile->setText(QStringLiteral("The end"));
    Q_EMIT JobEnded(static_cast<int>(operation), static_cast<qint64>(count));
}

void CTessarinDlg::reject() {
    OnClose();
}

void CTessarinDlg::OnClose() {
    ShutDownWorker();
    CMySizingDialog::reject();
}

void CTessarinDlg::ShutDownWorker() {
    if (m_bShutDown) {
        return;
    }
    m_bShutDown = true;
    // The rows point into the results, which go now or with the worker.
    if (m_model != nullptr) {
        m_model->Clear();
    }
    if (m_pFinderThread != nullptr) {
        m_pFinderThread->m_bStop = true;
        // Once it takes WM_QUIT the worker deletes itself: no use of it after.
        m_pFinderThread = nullptr;
        m_channel->Post(mollwick::WM_QUIT);
        if (!m_channel->WaitForEnd(m_closeWait)) {
            // Still inside a file. The window goes now; the results, and the
            // port the worker posts to, stay until the worker has ended, so
            // nothing is freed under it and no move is cut short.
            m_port->Detach();
            m_remains = CWorkerRemains(m_channel, m_port, std::move(m_results));
            m_results = std::make_unique<CResultMap>();
            return;
        }
    }
    ClearResults(*m_results);
}

CWorkerRemains CTessarinDlg::TakeWorkerRemains() {
    return std::move(m_remains);
}

void CTessarinDlg::FillResultList() {
    m_model->Fill(*m_results);
}

void CTessarinDlg::OnSelectAll() {
    const bool checked = m_chkSelectAll->isChecked();
    const int rows = m_model->rowCount();
    for (int row = rows - 1; row >= 0; --row) {
        if (m_model->RecordAt(row) != nullptr) {
            m_model->SetCheckedQuietly(row, checked);
        } else if (checked && row + 1 < rows) {
            // A header row: the row after it is its group's first file.
            m_model->SetCheckedQuietly(row + 1, false);
        }
    }
    m_model->ChecksChanged();
}

bool CTessarinDlg::MarkCheckedFiles() {
    bool any = false;
    const int rows = m_model->rowCount();
    for (int row = 0; row < rows; ++row) {
        if (CFileRecord* record = m_model->MutableRecordAt(row)) {
            record->bSelected = m_model->IsChecked(row);
            any = any || record->bSelected;
        }
    }
    return any;
}

void CTessarinDlg::OnActions() {
    if (m_bBusy || m_pFinderThread == nullptr) {
        return;
    }
    switch (m_nMenuResult) {
        case kCommandExport:
            if (AskYesNo(kAskExport)) {
                ExportResults();
            }
            break;
        case kCommandMove: {
            if (!AskYesNo(kAskMove) || !MarkCheckedFiles()) {
                return;
            }
            const QString folder = BrowseForFolder();
            m_editDestPath->setText(folder);
            m_pFinderThread->m_strDestPath = ToBytes(folder);
            m_pFinderThread->m_pResults = m_results.get();
            m_pFinderThread->PostThreadMessage(WM_FINDER_ACTION, FINDER_OP_MOVE);
            SetBusy(true);
            break;
        }
        case kCommandDelete:
            if (!AskYesNo(kAskDelete) || !MarkCheckedFiles()) {
                return;
            }
            m_pFinderThread->m_strDestPath.clear();
            m_pFinderThread->m_pResults = m_results.get();
            m_pFinderThread->PostThreadMessage(WM_FINDER_ACTION, FINDER_OP_DELETE);
            SetBusy(true);
            break;
        default:
            break;
    }
}

void CTessarinDlg::ExportResults() {
    const ExportOutcome outcome = WriteExportFile(m_strExportPath, *m_results);
    if (outcome.succeeded) {
        ShowMessage(QStringLiteral("Export concluded!"), CDialogServices::Icon::Exclamation);
        return;
    }
    ShowMessage(
        QStringLiteral("The export could not be written to %1: %2")
            .arg(FromBytes(m_strExportPath), QString::fromLocal8Bit(std::strerror(outcome.error))),
        CDialogServices::Icon::Error);
}
