#include <QFontMetrics>
#include <QTest>
#include <QWidget>
#include <memory>
#include <vector>

#include "widgets/DialogUnits.h"
#include "widgets/MySizingDialog.h"

namespace {

// Records the hooks, and what the pass had done by the time each ran.
class RecordingDialog : public CMySizingDialog {
public:
    RecordingDialog() {
        // 8 x 32 dialog units are exactly 2 x 4 base units, so client sizes in
        // whole base units give exact factors whatever the font measures.
        m_nDesignCx = 8;
        m_nDesignCy = 32;
        base = BaseUnitsOfFont(font());
    }

    int DesignWidth() const { return 2 * base.x; }
    int DesignHeight() const { return 4 * base.y; }

    void OnBeforeResize() override {
        ++beforeCalls;
        resizedAtBefore = m_bResized;
    }
    void OnAfterResize(double dScaleX, double dScaleY) override {
        ++afterCalls;
        afterX = dScaleX;
        afterY = dScaleY;
        resizedAtAfter = m_bResized;
        if (watched != nullptr) {
            watchedAtAfter = watched->geometry();
        }
    }

    DialogBaseUnits base;
    int beforeCalls = 0;
    int afterCalls = 0;
    double afterX = 0.0;
    double afterY = 0.0;
    bool resizedAtBefore = true;
    bool resizedAtAfter = false;
    QWidget* watched = nullptr;
    QRect watchedAtAfter;
};

QWidget* AddChild(QWidget* dlg, const QRect& geometry) {
    auto* child = new QWidget(dlg);
    child->setGeometry(geometry);
    return child;
}

}  // namespace

class SizingTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void scalesEachChildOnce();
    void runsOnlyOnceAndOnlyWhenReady();
    void resizeEventRunsThePass();
    void flagsChooseGeometryAndFonts_data();
    void flagsChooseGeometryAndFonts();
};

void SizingTest::scalesEachChildOnce() {
    struct Case {
        const char* name;
        int cxNum, cxDen, cyNum, cyDen;  // client size as fractions of the design size
        QRect before;
        QRect after;
        double scaleX, scaleY;
    };
    const Case cases[] = {
        {"1.5 x 1.25", 3, 2, 5, 4, QRect(10, 15, 33, 21), QRect(15, 18, 49, 26), 1.5, 1.25},
        // trunc cuts toward zero: -10.5 -> -10, -3.75 -> -3.
        {"negative edges", 3, 2, 5, 4, QRect(-7, -3, 5, 5), QRect(-10, -3, 7, 6), 1.5, 1.25},
        // The width is scaled, not the right edge: 1.5 + 1.5 would reach 3.
        {"width from width", 3, 2, 5, 4, QRect(1, 1, 1, 1), QRect(1, 1, 1, 1), 1.5, 1.25},
        {"no client area", 0, 1, 0, 1, QRect(10, 15, 33, 21), QRect(1, 1, 3, 2), 0.1, 0.1},
        {"twice as wide", 2, 1, 1, 1, QRect(7, 4, 5, 3), QRect(14, 4, 10, 3), 2.0, 1.0},
    };
    for (const Case& c : cases) {
        RecordingDialog dlg;
        dlg.m_bReady = true;
        QWidget* child = AddChild(&dlg, c.before);
        dlg.watched = child;

        dlg.ResizeChildren(dlg.DesignWidth() * c.cxNum / c.cxDen,
                           dlg.DesignHeight() * c.cyNum / c.cyDen, &dlg);

        QVERIFY2(child->geometry() == c.after, c.name);
        QVERIFY2(dlg.m_dScaleX == c.scaleX && dlg.m_dScaleY == c.scaleY, c.name);
        QVERIFY2(dlg.beforeCalls == 1 && dlg.afterCalls == 1, c.name);
        QVERIFY2(dlg.afterX == c.scaleX && dlg.afterY == c.scaleY, c.name);
        // The hook sees the children in place and the pass marked done.
        QVERIFY2(dlg.watchedAtAfter == c.after, c.name);
        QVERIFY2(!dlg.resizedAtBefore && dlg.resizedAtAfter && dlg.m_bResized, c.name);
    }
}

void SizingTest::runsOnlyOnceAndOnlyWhenReady() {
    RecordingDialog dlg;
    QWidget* child = AddChild(&dlg, QRect(10, 15, 33, 21));
    const int w = dlg.DesignWidth();
    const int h = dlg.DesignHeight();

    dlg.ResizeChildren(2 * w, 2 * h, &dlg);
    QCOMPARE(child->geometry(), QRect(10, 15, 33, 21));
    QCOMPARE(dlg.beforeCalls + dlg.afterCalls, 0);
    QVERIFY(!dlg.m_bResized);

    dlg.m_bReady = true;
    dlg.ResizeChildren(w * 3 / 2, h * 5 / 4, &dlg);
    QCOMPARE(child->geometry(), QRect(15, 18, 49, 26));

    // Later size changes, larger ones too, leave everything as the pass left it.
    dlg.ResizeChildren(4 * w, 4 * h, &dlg);
    dlg.ResizeChildren(0, 0, &dlg);
    QCOMPARE(child->geometry(), QRect(15, 18, 49, 26));
    QCOMPARE(dlg.beforeCalls, 1);
    QCOMPARE(dlg.afterCalls, 1);
    QCOMPARE(dlg.m_dScaleX, 1.5);
    QCOMPARE(dlg.m_dScaleY, 1.25);
}

void SizingTest::resizeEventRunsThePass() {
    RecordingDialog dlg;
    QWidget* child = AddChild(&dlg, QRect(10, 15, 33, 21));
    const int w = dlg.DesignWidth();
    const int h = dlg.DesignHeight();
    dlg.resize(w, h);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCOMPARE(dlg.afterCalls, 0);

    dlg.m_bReady = true;
    dlg.resize(w * 3 / 2, h * 5 / 4);
    QTRY_COMPARE(dlg.afterCalls, 1);
    QCOMPARE(child->geometry(), QRect(15, 18, 49, 26));

    dlg.resize(2 * w, 2 * h);
    QTRY_COMPARE(dlg.size(), QSize(2 * w, 2 * h));
    QCOMPARE(dlg.afterCalls, 1);
    QCOMPARE(child->geometry(), QRect(15, 18, 49, 26));
}

void SizingTest::flagsChooseGeometryAndFonts_data() {
    QTest::addColumn<bool>("noMove");
    QTest::addColumn<bool>("classFonts");
    QTest::addColumn<bool>("heightsSet");
    QTest::newRow("move, fonts") << false << true << true;
    QTest::newRow("no move, fonts") << true << true << true;
    QTest::newRow("move, no fonts") << false << false << true;
    QTest::newRow("no move, no fonts") << true << false << true;
    QTest::newRow("fonts with heights 0 and below") << false << true << false;
}

void SizingTest::flagsChooseGeometryAndFonts() {
    QFETCH(bool, noMove);
    QFETCH(bool, classFonts);
    QFETCH(bool, heightsSet);

    RecordingDialog dlg;
    dlg.m_bReady = true;
    dlg.m_bNoMove = noMove;
    dlg.m_bClassFonts = classFonts;
    dlg.m_nComboFontHeight = heightsSet ? 12 : 0;
    dlg.m_nButtonFontHeight = heightsSet ? 16 : -16;
    dlg.m_nStaticFontHeight = heightsSet ? 20 : 0;
    dlg.m_nListFontHeight = heightsSet ? 24 : -1;
    dlg.m_nEditFontHeight = heightsSet ? 28 : 0;

    QFont own(QStringLiteral("EB Garamond"));
    own.setPointSize(9);
    own.setItalic(true);
    own.setWeight(QFont::Bold);

    struct Child {
        const char* templateClass;  // null: none
        bool ownFont;
        int height;  // the cell height the font pass gives; 0: font unchanged
    };
    const Child table[] = {
        {"ComboBox", true, 12},     {"button", true, 16},
        {"STATIC", true, 20},       {"SysListView32", true, 24},
        {"Edit", true, 28},         {"SysTabControl32", true, 24},
        {"MfcMenuButton", true, 0}, {nullptr, true, 0},
        {"Edit", false, 0},  // inherits the dialog's font: nothing of its own to change
    };
    std::vector<QWidget*> children;
    for (int i = 0; i < static_cast<int>(std::size(table)); ++i) {
        QWidget* child = AddChild(&dlg, QRect(4 * i, 3 * i, 10 + i, 5 + i));
        if (table[i].templateClass != nullptr) {
            child->setProperty("templateClass", QString::fromUtf8(table[i].templateClass));
        }
        if (table[i].ownFont) {
            child->setFont(own);
        }
        children.push_back(child);
    }
    const QFont dialogFont = dlg.font();

    dlg.ResizeChildren(2 * dlg.DesignWidth(), 2 * dlg.DesignHeight(), &dlg);

    QCOMPARE(dlg.beforeCalls, 1);
    QCOMPARE(dlg.afterCalls, 1);
    QVERIFY(dlg.m_bResized);
    for (int i = 0; i < static_cast<int>(children.size()); ++i) {
        const QString name =
            QString::fromUtf8(table[i].templateClass ? table[i].templateClass : "(none)");
        const QRect before(4 * i, 3 * i, 10 + i, 5 + i);
        const QRect expected = noMove ? before : QRect(8 * i, 6 * i, 20 + 2 * i, 10 + 2 * i);
        QVERIFY2(children[i]->geometry() == expected, qPrintable(name));

        const QFont font = children[i]->font();
        if (!table[i].ownFont) {
            QVERIFY2(font == dialogFont, qPrintable(name));
            continue;
        }
        QVERIFY2(font.family() == own.family() && font.italic() && font.weight() == QFont::Bold,
                 qPrintable(name));
        if (classFonts && heightsSet && table[i].height > 0) {
            // The largest size whose cell fits the requested height.
            const int cell = QFontMetrics(font).height();
            QVERIFY2(cell <= table[i].height && cell >= table[i].height - 2,
                     qPrintable(name + QStringLiteral(": %1").arg(cell)));
        } else {
            QVERIFY2(font == own, qPrintable(name));
        }
    }
}

QTEST_MAIN(SizingTest)
#include "SizingTest.moc"
