#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>

#include "engine/FinderThread.h"
#include "resources/DialogTemplates.h"
#include "support/WorkerHarness.h"
#include "ui/AboutDlg.h"
#include "ui/ResultListModel.h"
#include "ui/ScriptedServices.h"
#include "ui/TessarinDlg.h"

using mollwick::test::TempDir;

namespace {

// 2021-03-04 05:06:07 UTC; the tests run with TZ=UTC.
constexpr time_t kFileTime = 1614834367;
const QString kFileTimeText = QStringLiteral("2021/03/04 05:06:07");
// SHA-1 of "abc" and of "xyz".
const QString kAbcKey = QStringLiteral("A9993E364706816ABA3E25717850C26C9CD0D89D");
const QString kXyzKey = QStringLiteral("66B27417D37E024C46526C2F6D358A754FC552F3");

constexpr int kCommandExport = 32771;
constexpr int kCommandMove = 32772;
constexpr int kCommandDelete = 32773;

std::string WriteDated(const TempDir& tree, const std::string& relative,
                       const std::string& content) {
    const std::string path = tree.Write(relative, content);
    const timespec times[2] = {{kFileTime, 0}, {kFileTime, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    return path;
}

// A file of the given size that takes no room on disk: reading it still costs
// the time of reading and hashing every byte.
void WriteSparse(const std::string& path, off_t size) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    QVERIFY(fd >= 0);
    QCOMPARE(::ftruncate(fd, size), 0);
    ::close(fd);
}

QString Q(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

QString ControlText(QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text();
    }
    if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        return line->text();
    }
    if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
        return edit->toPlainText();
    }
    return QString();
}

}  // namespace

class TessarinDlgTest : public QObject {
    Q_OBJECT

    CScriptedServices* m_services = nullptr;
    std::unique_ptr<CTessarinDlg> m_dlg;
    std::unique_ptr<TempDir> m_tree;

    QStringList Rows() const {
        QStringList rows;
        const QAbstractItemModel* model = m_dlg->m_listResults->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < model->columnCount(); ++column) {
                cells << model->index(row, column).data().toString();
            }
            rows << cells.join(QLatin1Char('|'));
        }
        return rows;
    }

    void AddFolders(const QStringList& folders) {
        for (const QString& folder : folders) {
            m_services->folders.push_back(folder);
            qobject_cast<QPushButton*>(m_dlg->m_controls.value(1015))->click();
        }
    }

    // Adds the folders, starts, and waits for the end of the search.
    bool Search(const QStringList& folders, bool byContent = true) {
        AddFolders(folders);
        (byContent ? static_cast<QAbstractButton*>(m_dlg->m_radioByContent) : m_dlg->m_radioByName)
            ->click();
        QSignalSpy ended(m_dlg.get(), &CTessarinDlg::JobEnded);
        m_dlg->m_btnStart->click();
        return QTest::qWaitFor([&] { return !ended.isEmpty(); }, 60000);
    }

    void Choose(int command) {
        for (QAction* action : m_dlg->m_menuActions->actions()) {
            if (action->data().toInt() == command) {
                action->trigger();
                return;
            }
        }
        QFAIL("no such command in the actions menu");
    }

    void Check(int row, bool checked) {
        QAbstractItemModel* model = m_dlg->m_listResults->model();
        QVERIFY(model->setData(model->index(row, 0), checked ? Qt::Checked : Qt::Unchecked,
                               Qt::CheckStateRole));
    }

    QList<bool> Checks() const {
        QList<bool> checks;
        for (int row = 0; row < m_dlg->m_model->rowCount(); ++row) {
            checks << m_dlg->m_model->IsChecked(row);
        }
        return checks;
    }

    // Three copies of "abc" (one per folder, so their order is the folders')
    // and two of "xyz".
    QStringList MakeGroups() {
        WriteDated(*m_tree, "f1/x.txt", "abc");
        WriteDated(*m_tree, "f2/x.txt", "abc");
        WriteDated(*m_tree, "f3/x.txt", "abc");
        WriteDated(*m_tree, "f1/y.txt", "xyz");
        WriteDated(*m_tree, "f2/z.txt", "xyz");
        WriteDated(*m_tree, "f3/lone.txt", "lone");
        return {Q(m_tree->Path("f1")), Q(m_tree->Path("f2")), Q(m_tree->Path("f3"))};
    }

private Q_SLOTS:
    void init() {
        m_tree = std::make_unique<TempDir>();
        auto services = std::make_unique<CScriptedServices>();
        m_services = services.get();
        m_dlg = std::make_unique<CTessarinDlg>(std::move(services));
        m_dlg->m_strExportPath = m_tree->Path("export.log");
    }

    void cleanup() {
        QVERIFY2(!m_services->unexpected, "the window asked a question nobody scripted");
        m_dlg.reset();
        m_tree.reset();
    }

    void setUpGivesTheInitialStates() {
        struct Expected {
            int id;
            const char* text;
            bool enabled;
            int checked;  // -1: not a check box or radio button
        };
        const Expected table[] = {
            {1010, "Start", true, -1},
            {1011, "Stop", false, -1},
            {1001, "", true, -1},
            {1003, "", true, -1},
            {1005, "", true, -1},
            {1012, "", true, -1},
            {1013, "", true, -1},
            {1014, "Look in subfolders", true, 0},
            {1018, "Look hidden files", true, 0},
            {1022, "*", true, -1},
            {1025, "", true, -1},
            {1029, "By name", true, 1},
            {1030, "By content", true, 0},
            {1032, "Actions on found", false, -1},
            {1033, "Select All(keep the first)", true, 0},
            {1015, "Add\nsource path", true, -1},
            {1034, "CANC", true, -1},
        };
        for (const Expected& row : table) {
            QWidget* control = m_dlg->m_controls.value(row.id);
            QVERIFY2(control != nullptr, qPrintable(QString::number(row.id)));
            const QByteArray what = QByteArray::number(row.id);
            QVERIFY2(ControlText(control) == QString::fromUtf8(row.text), what.constData());
            QVERIFY2(control->isEnabled() == row.enabled, what.constData());
            if (row.checked >= 0) {
                auto* button = qobject_cast<QAbstractButton*>(control);
                QVERIFY2(button->isChecked() == (row.checked == 1), what.constData());
            }
        }
        QCOMPARE(m_dlg->windowTitle(), QStringLiteral("Mollwick"));
        QCOMPARE(m_dlg->m_listResults->model()->rowCount(), 0);
        QVERIFY(m_dlg->m_strSourceList.empty());
        QVERIFY(m_dlg->m_pFinderThread != nullptr);
        QCOMPARE(m_dlg->m_nDesignCx, 580);
        QCOMPARE(m_dlg->m_nDesignCy, 350);
        QVERIFY(!m_dlg->m_bClassFonts);
        QVERIFY(m_dlg->windowState().testFlag(Qt::WindowMaximized));
        QVERIFY(m_services->messages.empty());
    }

    // Tab moves through the controls in template order.
    void tabOrderIsTemplateOrder() {
        QList<QWidget*> order;
        for (const ControlTemplate& control : FindDialogTemplate(kMainTemplateId)->controls) {
            order << m_dlg->m_controls.value(control.id);
        }
        const auto isControl = [&](QWidget* w) { return order.contains(w); };
        for (qsizetype i = 0; i + 1 < order.size(); ++i) {
            QWidget* next = order[i]->nextInFocusChain();
            while (!isControl(next)) {
                next = next->nextInFocusChain();
            }
            QCOMPARE(next, order[i + 1]);
        }
    }

    void workerThatCannotStartEndsTheWindow() {
        auto services = std::make_unique<CScriptedServices>();
        CScriptedServices* seen = services.get();
        CTessarinDlg dlg(std::move(services), [] { return static_cast<CFinderThread*>(nullptr); });
        QCOMPARE(dlg.exec(), 1);
        QCOMPARE(seen->messages.size(), std::size_t{1});
        QCOMPARE(seen->messages[0].text,
                 QStringLiteral("An error occurred while starting up finder main "
                                "thread.\nContact the developer!"));
        QCOMPARE(seen->messages[0].icon, CDialogServices::Icon::Error);
    }

    void columnsFromTheListWidth_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("1200") << 1200 << QList<int>{200, 400, 400};
        QTest::newRow("1000") << 1000 << QList<int>{166, 333, 333};
    }
    void columnsFromTheListWidth() {
        QFETCH(int, width);
        QFETCH(QList<int>, expected);
        m_dlg->m_listResults->resize(width, 300);
        m_dlg->OnAfterResize(1.0, 1.0);
        QHeaderView* header = m_dlg->m_listResults->header();
        QCOMPARE(header->count(), 3);
        QCOMPARE(
            (QList<int>{header->sectionSize(0), header->sectionSize(1), header->sectionSize(2)}),
            expected);
    }

    // Shown maximized, the layout pass runs once and makes the columns from the
    // list's fitted width; leaving the maximized state puts it back, and the
    // size changes that come with that move no column.
    void shownMaximizedAndKeptSo() {
        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
        QTRY_VERIFY(m_dlg->m_bResized);
        QVERIFY(m_dlg->isMaximized());
        QHeaderView* header = m_dlg->m_listResults->header();
        const int width = m_dlg->m_listResults->width();
        const QList<int> widths{width / 6, width / 3, width / 3};
        const auto sections = [&] {
            return QList<int>{header->sectionSize(0), header->sectionSize(1),
                              header->sectionSize(2)};
        };
        QCOMPARE(sections(), widths);
        const QRect fitted = m_dlg->m_listResults->geometry();

        m_dlg->setWindowState(Qt::WindowNoState);
        QTRY_VERIFY(m_dlg->isMaximized());
        m_dlg->setWindowState(Qt::WindowMinimized);
        m_dlg->setWindowState(Qt::WindowNoState);
        QTRY_VERIFY(m_dlg->isMaximized());
        QCOMPARE(header->count(), 3);
        QCOMPARE(sections(), widths);
        QCOMPARE(m_dlg->m_listResults->geometry(), fitted);
    }

    void sourceListAndClear() {
        const QString photos = Q(m_tree->MakeFolder("Photos"));
        const QString music = Q(m_tree->MakeFolder("Music"));
        AddFolders({photos, QString(), music});  // the empty one: chooser cancelled
        QCOMPARE(m_dlg->m_strSourceList,
                 "\r\n" + m_tree->Path("Photos") + "\r\n" + m_tree->Path("Music"));
        QCOMPARE(m_dlg->m_editSources->toPlainText(),
                 QStringLiteral("\n") + photos + QStringLiteral("\n") + music);

        qobject_cast<QPushButton*>(m_dlg->m_controls.value(1034))->click();
        QVERIFY(m_dlg->m_strSourceList.empty());
        QCOMPARE(m_dlg->m_editSources->toPlainText(), QString());
    }

    void extensionFilterIsNormalised_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<bool>("all");
        QTest::newRow("empty") << QString() << QStringLiteral("*") << QByteArray("*") << true;
        QTest::newRow(".jpg") << QStringLiteral(".jpg") << QStringLiteral(".jpg")
                              << QByteArray("jpg") << false;
        QTest::newRow(".*") << QStringLiteral(".*") << QStringLiteral(".*") << QByteArray("*")
                            << true;
        QTest::newRow("..jpg") << QStringLiteral("..jpg") << QStringLiteral("..jpg")
                               << QByteArray(".jpg") << false;
        QTest::newRow("jpg,png") << QStringLiteral("jpg,png") << QStringLiteral("jpg,png")
                                 << QByteArray("jpg,png") << false;
    }
    void extensionFilterIsNormalised() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QByteArray, sent);
        QFETCH(bool, all);
        m_dlg->m_editExtensions->setText(typed);
        QVERIFY(Search({Q(m_tree->MakeFolder("empty"))}));
        // The worker is idle again: its request fields can be read.
        QCOMPARE(m_dlg->m_editExtensions->text(), shown);
        QCOMPARE(QByteArray::fromStdString(m_dlg->m_pFinderThread->m_strExtensions), sent);
        QCOMPARE(m_dlg->m_pFinderThread->m_bAllExtensions, all);
    }

    void startIsRefusedWithoutASourceFolder() {
        const auto refused = [&] {
            m_services->messages.clear();
            m_dlg->m_btnStart->click();
            QCOMPARE(m_services->messages.size(), std::size_t{1});
            QCOMPARE(m_services->messages[0].text,
                     QStringLiteral("You must select a source path!"));
            QCOMPARE(m_services->messages[0].icon, CDialogServices::Icon::Exclamation);
            QVERIFY(!m_dlg->IsBusy());
        };
        refused();
        if (QTest::currentTestFailed()) {
            return;
        }
        QVERIFY(Search(MakeGroups()));
        const QStringList rows = Rows();
        QCOMPARE(rows.size(), 7);
        // The search used the list up, though the field still shows it.
        QVERIFY(!m_dlg->m_editSources->toPlainText().isEmpty());
        refused();
        QCOMPARE(Rows(), rows);
    }

    void idleAndBusyEnableTheirControls() {
        struct Expected {
            int id;
            bool idle;
            bool busy;
        };
        // Controls that keep their state either way are listed as such.
        const Expected table[] = {
            {1010, true, false}, {1011, false, true}, {1018, true, false}, {1014, true, false},
            {1022, true, false}, {1032, true, false}, {1029, true, true},  {1030, true, true},
            {1015, true, true},  {1034, true, true},  {1033, true, true},  {1019, true, true},
        };
        const auto compare = [&](bool busy) {
            for (const Expected& row : table) {
                QVERIFY2(
                    m_dlg->m_controls.value(row.id)->isEnabled() == (busy ? row.busy : row.idle),
                    qPrintable(QStringLiteral("%1 %2").arg(row.id).arg(busy)));
            }
        };
        AddFolders({Q(m_tree->MakeFolder("empty"))});
        QSignalSpy ended(m_dlg.get(), &CTessarinDlg::JobEnded);
        m_dlg->m_btnStart->click();
        compare(true);
        QTRY_COMPARE(ended.count(), 1);
        compare(false);
    }

    // A group of three gives a header and three file rows; a lone file gives
    // none; groups come in key order.
    void searchFillsTheListWithItsRows() {
        QVERIFY(Search(MakeGroups()));
        const QString f1 = Q(m_tree->Path("f1/"));
        const QString f2 = Q(m_tree->Path("f2/"));
        const QString f3 = Q(m_tree->Path("f3/"));
        const QString first =
            QStringLiteral("Last modif.: ") + kFileTimeText + QStringLiteral(", size: 3 bytes");
        const QString other =
            QStringLiteral("Last modif. :") + kFileTimeText + QStringLiteral(", size: 3 bytes");
        // "66B2..." sorts before "A999...".
        const QStringList expected = {
            QStringLiteral("y.txt|SHA1: ") + kXyzKey + QStringLiteral("|"),
            QStringLiteral("|") + f1 + QStringLiteral("y.txt|") + first,
            QStringLiteral("|") + f2 + QStringLiteral("z.txt|") + other,
            QStringLiteral("x.txt|SHA1: ") + kAbcKey + QStringLiteral("|"),
            QStringLiteral("|") + f1 + QStringLiteral("x.txt|") + first,
            QStringLiteral("|") + f2 + QStringLiteral("x.txt|") + other,
            QStringLiteral("|") + f3 + QStringLiteral("x.txt|") + other,
        };
        QCOMPARE(Rows(), expected);
        QCOMPARE(m_dlg->m_editCurrentFile->text(), QStringLiteral("The end"));
        QCOMPARE(m_dlg->m_editTotalFiles->text(), QStringLiteral("6"));
        QCOMPARE(m_dlg->m_editDuplicates->text(), QStringLiteral("3"));
        QVERIFY(m_dlg->m_strSourceList.empty());
        QVERIFY(m_dlg->m_btnActions->isEnabled());
    }

    // By name nothing is read, so two 3,000,000,000-byte files cost nothing;
    // the size is shown unsigned.
    void searchByNameShowsLargeSizesUnsigned() {
        WriteSparse(m_tree->Path("a/big.bin"), 3000000000);
        WriteSparse(m_tree->Path("b/big.bin"), 3000000000);
        QVERIFY(Search({Q(m_tree->Path("a")), Q(m_tree->Path("b"))}, false));
        const QStringList rows = Rows();
        QCOMPARE(rows.size(), 3);
        QVERIFY2(rows[1].endsWith(QStringLiteral(", size: 3000000000 bytes")), qPrintable(rows[1]));
    }

    // Stop while the worker hashes a large file: the window stays Busy until
    // the worker is through that file and says so, then lists what was found,
    // each group once.
    void stopDuringALargeFile() {
        for (const char* name : {"1", "2", "3", "4", "5"}) {
            WriteDated(*m_tree, std::string("a/") + name, std::string(name) < "3" ? "p" : "q");
        }
        const std::string big = m_tree->Path("b/big.bin");
        WriteSparse(big, off_t{512} << 20);
        AddFolders({Q(m_tree->Path("a")), Q(m_tree->Path("b"))});
        m_dlg->m_radioByContent->click();
        // A file alone by its size is never read; make the worker read it, so
        // the stop meets it in the middle of the large file.
        m_dlg->m_pFinderThread->m_bReadEveryFile = true;
        QSignalSpy ended(m_dlg.get(), &CTessarinDlg::JobEnded);
        m_dlg->m_btnStart->click();
        // Five files counted: the worker has gone on to the large one.
        QTRY_COMPARE(m_dlg->m_editTotalFiles->text(), QStringLiteral("5"));
        m_dlg->m_btnStop->click();

        bool leftBusyEarly = false;
        QVERIFY(QTest::qWaitFor(
            [&] {
                leftBusyEarly = leftBusyEarly || (ended.isEmpty() && !m_dlg->IsBusy());
                return !ended.isEmpty();
            },
            60000));
        QVERIFY(!leftBusyEarly);
        QCOMPARE(ended.count(), 1);
        QVERIFY(!m_dlg->IsBusy());
        // The file in hand was finished, not cut off.
        QCOMPARE(m_dlg->m_editTotalFiles->text(), QStringLiteral("6"));
        const QStringList rows = Rows();
        QCOMPARE(rows.size(), 2 + 5);  // "p" twice and "q" three times, each group once
        QCOMPARE(rows.filter(QStringLiteral("SHA1: ")).size(), 2);
        QTest::qWait(0);
        QCOMPARE(ended.count(), 1);
    }

    // The corner icon opens the About box modally in the middle of a search;
    // behind the box the window goes on taking the worker's messages: the count
    // moves on, the search ends and the list fills while the box is still up.
    void aboutBoxDuringASearch() {
        for (const char* name : {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}) {
            WriteDated(*m_tree, std::string("a/") + name, std::string(name) < "5" ? "p" : "q");
        }
        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
        AddFolders({Q(m_tree->Path("a"))});
        m_dlg->m_radioByContent->click();
        // The worker reports every five files; it holds at the sixth until the
        // box is open, so whatever follows reaches the window behind the box.
        std::promise<void> boxOpen;
        std::shared_future<void> boxOpened = boxOpen.get_future().share();
        bool released = false;
        const auto release = [&] {
            if (!released) {
                released = true;
                boxOpen.set_value();
            }
        };
        m_dlg->m_pFinderThread->m_afterListingForTesting = [listed = 0,
                                                            boxOpened](const std::string&) mutable {
            if (++listed == 6) {
                boxOpened.wait();
            }
        };
        QSignalSpy ended(m_dlg.get(), &CTessarinDlg::JobEnded);
        m_dlg->m_btnStart->click();
        QTRY_COMPARE(m_dlg->m_editTotalFiles->text(), QStringLiteral("5"));

        bool modalIsAbout = false;
        bool endedBehindTheBox = false;
        QString totalBehindTheBox;
        int rowsBehindTheBox = 0;
        QTimer::singleShot(0, this, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            modalIsAbout = qobject_cast<CAboutDlg*>(modal) != nullptr && modal->isVisible();
            release();
            endedBehindTheBox = QTest::qWaitFor([&] { return !ended.isEmpty(); }, 60000) &&
                                QApplication::activeModalWidget() == modal;
            totalBehindTheBox = m_dlg->m_editTotalFiles->text();
            rowsBehindTheBox = m_dlg->m_model->rowCount();
            if (modal != nullptr) {
                modal->close();
            }
        });
        QTest::mouseClick(m_dlg->m_iconAbout, Qt::LeftButton);
        release();  // never leave the worker waiting, whatever happened above
        QVERIFY(modalIsAbout);
        QVERIFY(endedBehindTheBox);
        QCOMPARE(totalBehindTheBox, QStringLiteral("10"));
        QCOMPARE(rowsBehindTheBox, 2 + 10);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QCOMPARE(m_dlg->m_editCurrentFile->text(), QStringLiteral("The end"));
    }

    void selectAllKeepsTheFirstOfEachGroup() {
        QVERIFY(Search(MakeGroups()));
        // Rows: H y z H x x x. A header box set by hand stays as it is.
        Check(3, true);
        m_dlg->m_chkSelectAll->click();
        QCOMPARE(Checks(), (QList<bool>{false, false, true, true, false, true, true}));
        m_dlg->m_chkSelectAll->click();
        QCOMPARE(Checks(), (QList<bool>{false, false, false, true, false, false, false}));
    }

    void deleteWithOnlyAHeaderCheckedDoesNothing() {
        QVERIFY(Search(MakeGroups()));
        Check(0, true);
        m_services->answers = {true};
        Choose(kCommandDelete);
        QCOMPARE(m_services->questions,
                 QStringList{QStringLiteral("Do you want to delete the selected?")});
        QVERIFY(!m_dlg->IsBusy());
        QVERIFY(m_services->messages.empty());
        QCOMPARE(m_dlg->m_editMovedDeleted->text(), QString());
        for (const char* file : {"f1/x.txt", "f2/x.txt", "f3/x.txt", "f1/y.txt", "f2/z.txt"}) {
            QVERIFY(std::filesystem::exists(m_tree->Path(file)));
        }
    }

    // No: the marks stay as they were and no chooser shows.
    void answeringNoChangesNothing() {
        QVERIFY(Search(MakeGroups()));
        Check(2, true);
        m_services->answers = {false};
        const int browsed = m_services->browseCalls;
        Choose(kCommandMove);
        QCOMPARE(m_services->questions,
                 QStringList{QStringLiteral("Do you want to move the selected to folder?")});
        QCOMPARE(m_services->browseCalls, browsed);
        QVERIFY(!m_dlg->IsBusy());
        QVERIFY(!m_dlg->m_model->RecordAt(2)->bSelected);
        QCOMPARE(m_dlg->m_editDestPath->text(), QString());
    }

    void moveWithACancelledChooserEndsWithZero() {
        QVERIFY(Search(MakeGroups()));
        m_dlg->m_chkSelectAll->click();
        m_services->answers = {true};
        m_services->folders = {QString()};
        QSignalSpy ended(m_dlg.get(), &CTessarinDlg::JobEnded);
        Choose(kCommandMove);
        QVERIFY(m_dlg->IsBusy());
        QTRY_COMPARE(ended.count(), 1);
        QCOMPARE(m_dlg->m_editMovedDeleted->text(), QStringLiteral("0"));
        QCOMPARE(m_dlg->m_editCurrentFile->text(), QStringLiteral("The end"));
        QCOMPARE(m_dlg->m_editDestPath->text(), QString());
        QVERIFY(std::filesystem::exists(m_tree->Path("f2/x.txt")));
    }

    // The checked copies go, and only they; an earlier mark cleared by hand
    // does not count.
    void deleteRemovesExactlyTheCheckedCopies() {
        QVERIFY(Search(MakeGroups()));
        m_dlg->m_chkSelectAll->click();  // f2/z, f2/x, f3/x
        Check(6, false);                 // keep f3/x after all
        m_services->answers = {true};
        QSignalSpy ended(m_dlg.get(), &CTessarinDlg::JobEnded);
        Choose(kCommandDelete);
        QTRY_COMPARE(ended.count(), 1);
        QCOMPARE(ended[0][0].toInt(), 2);
        QCOMPARE(m_dlg->m_editMovedDeleted->text(), QStringLiteral("2"));
        QCOMPARE(m_dlg->m_editCurrentFile->text(), QStringLiteral("The end"));
        const std::pair<const char*, bool> expected[] = {
            {"f1/x.txt", true}, {"f2/x.txt", false}, {"f3/x.txt", true},
            {"f1/y.txt", true}, {"f2/z.txt", false}, {"f3/lone.txt", true},
        };
        for (const auto& [file, kept] : expected) {
            QVERIFY2(std::filesystem::exists(m_tree->Path(file)) == kept, file);
        }
        QCOMPARE(Rows().size(), 7);  // the list stays as it was
    }

    void exportWritesTheGroups() {
        QVERIFY(Search(MakeGroups()));
        m_services->answers = {true};
        Choose(kCommandExport);
        QCOMPARE(m_services->questions,
                 QStringList{QStringLiteral("Do you want to export the results?")});
        QCOMPARE(m_services->messages.size(), std::size_t{1});
        QCOMPARE(m_services->messages[0].text, QStringLiteral("Export concluded!"));

        std::ifstream in(m_tree->Path("export.log"), std::ios::binary);
        const std::string written{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
        const auto line = [&](const char* folder, const char* name) {
            return std::string("File name: ") + name + " path: " + m_tree->Path(folder) +
                   "/ Last modif: 2021/03/04 05:06:07 size (bytes): 3\r\n";
        };
        const std::string expected = line("f1", "y.txt") + line("f2", "z.txt") + "\r\n" +
                                     line("f1", "x.txt") + line("f2", "x.txt") +
                                     line("f3", "x.txt") + "\r\n";
        QCOMPARE(QByteArray::fromStdString(written), QByteArray::fromStdString(expected));
        QVERIFY(!m_dlg->IsBusy());
    }

    void failingExportSaysSoAndWhy() {
        QVERIFY(Search(MakeGroups()));
        m_dlg->m_strExportPath = m_tree->Path("missing/export.log");
        m_services->answers = {true};
        Choose(kCommandExport);
        QCOMPARE(m_services->messages.size(), std::size_t{1});
        const QString text = m_services->messages[0].text;
        QVERIFY2(text.contains(Q(m_dlg->m_strExportPath)), qPrintable(text));
        QVERIFY2(text.contains(QString::fromLocal8Bit(std::strerror(ENOENT))), qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("Export concluded!")));
        QCOMPARE(m_services->messages[0].icon, CDialogServices::Icon::Error);
    }

    // Closing while the worker is inside a large file: the window goes at
    // once; the results stay with whoever waits for the worker, which finishes
    // the file (under ASan, freeing them early would be caught).
    void closeDuringALargeFile_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("close box") << false;
        QTest::newRow("Escape") << true;
    }
    void closeDuringALargeFile() {
        QFETCH(bool, escape);
        for (const char* name : {"1", "2", "3", "4", "5"}) {
            WriteDated(*m_tree, std::string("a/") + name, "same");
        }
        WriteSparse(m_tree->Path("b/big.bin"), off_t{512} << 20);
        m_dlg->m_closeWait = std::chrono::milliseconds(0);
        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
        AddFolders({Q(m_tree->Path("a")), Q(m_tree->Path("b"))});
        m_dlg->m_radioByContent->click();
        // A file alone by its size is never read; make the worker read it, so
        // the stop meets it in the middle of the large file.
        m_dlg->m_pFinderThread->m_bReadEveryFile = true;
        const std::shared_ptr<mollwick::ThreadChannel> channel = m_dlg->m_pFinderThread->Channel();
        m_dlg->m_btnStart->click();
        QTRY_COMPARE(m_dlg->m_editTotalFiles->text(), QStringLiteral("5"));

        if (escape) {
            QTest::keyClick(m_dlg.get(), Qt::Key_Escape);
        } else {
            m_dlg->close();
        }
        QVERIFY(!m_dlg->isVisible());
        CWorkerRemains remains = m_dlg->TakeWorkerRemains();
        QVERIFY(!remains.Empty());
        QVERIFY(!channel->HasEnded());
        QVERIFY(remains.Results() != nullptr);

        channel->WaitForEnd();
        // The worker filed the large file and nothing after it.
        const CResultMap& results = *remains.Results();
        QCOMPARE(results.size(), std::size_t{2});
        std::size_t files = 0;
        for (const auto& [key, group] : results) {
            files += 1 + group->others.size();
        }
        QCOMPARE(files, std::size_t{6});
        remains.WaitAndFree();
        QVERIFY(remains.Empty());
        // Nothing more reaches the closed window.
        QTest::qWait(0);
        QCOMPARE(m_dlg->m_listResults->model()->rowCount(), 0);
    }
};

QTEST_MAIN(TessarinDlgTest)
#include "TessarinDlgTest.moc"
