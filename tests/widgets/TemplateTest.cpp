#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTest>
#include <QTreeView>

#include "resources/DialogTemplates.h"
#include "widgets/DialogUnits.h"
#include "widgets/MySizingDialog.h"
#include "widgets/TemplateBuilder.h"

namespace {

const DialogTemplate& Template(int id) {
    const DialogTemplate* tpl = FindDialogTemplate(id);
    if (tpl == nullptr) {
        qFatal("no template %d", id);
    }
    return *tpl;
}

}  // namespace

class TemplateTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void mainTemplateIsTheWindowsLayout();
    void aboutTemplate();
    void idsAreUnique();
    void menuAndStrings();
    void dialogFontIsAGaramond();
    void builtWidgetsFollowTheTemplate();
    void builtLayoutIsTheDesignSize();
};

void TemplateTest::mainTemplateIsTheWindowsLayout() {
    const DialogTemplate& tpl = Template(kMainTemplateId);
    QCOMPARE(QString::fromUtf8(tpl.caption), QStringLiteral("Mollwick"));
    QCOMPARE(QSize(tpl.cx, tpl.cy), QSize(580, 350));
    QCOMPARE(QString::fromUtf8(tpl.fontFace), QStringLiteral("Garamond"));
    QCOMPARE(tpl.pointSize, 10);
    QCOMPARE(tpl.weight, 400);

    struct Row {
        int id;
        const char* className;
        const char* text;
        int x, y, cx, cy;
    };
    const Row rows[] = {
        {1010, "Button", "Start", 15, 189, 50, 34},
        {1011, "Button", "Stop", 43, 303, 78, 34},
        {1008, "Static", "Source path", 17, 115, 50, 13},
        {1001, "Edit", "", 241, 43, 325, 14},
        {1002, "Static", "Current file:", 186, 43, 55, 13},
        {1003, "Edit", "", 240, 23, 41, 14},
        {1004, "Static", "Total files:", 183, 23, 50, 11},
        {1005, "Edit", "", 389, 23, 41, 14},
        {1006, "Static", "Duplicated found:", 295, 23, 89, 10},
        {1007, "Button", "Options", 7, 7, 157, 92},
        {1009, "Static", "Dest path (duplicated)", 15, 235, 72, 8},
        {1012, "Edit", "", 15, 252, 145, 45},
        {1013, "Edit", "", 16, 144, 130, 38},
        {1014, "Button", "Look in subfolders", 15, 23, 72, 13},
        {1017, "Static", "", 553, 20, 20, 20},
        {1018, "Button", "Look hidden files", 92, 23, 67, 13},
        {1019, "SysListView32", "", 167, 68, 409, 254},
        {1021, "Static", "Look for file: *. (comma separated ext)", 15, 43, 71, 17},
        {1022, "Edit", "", 90, 43, 70, 15},
        {1025, "Edit", "", 289, 325, 41, 14},
        {1026, "Static", "Moved/Deleted files:", 193, 329, 89, 10},
        {1024, "Button", "Comparison", 15, 65, 140, 29},
        {1029, "Button", "By name", 23, 78, 42, 11},
        {1030, "Button", "By content", 99, 77, 42, 11},
        {1000, "Button", "Statistic", 7, 7, 569, 57},
        {1032, "MfcMenuButton", "Actions on found", 73, 194, 85, 25},
        {1033, "Button", "Select All(keep the first)", 427, 326, 147, 15},
        {1015, "Button", "Add\nsource path", 110, 104, 50, 34},
        {1034, "Button", "CANC", 150, 144, 9, 36},
    };
    QCOMPARE(tpl.controls.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const ControlTemplate& c = tpl.controls[i];
        const Row& r = rows[i];
        const QString where = QStringLiteral("control %1 (%2)").arg(i).arg(r.id);
        QVERIFY2(c.id == r.id, qPrintable(where));
        QVERIFY2(qstrcmp(c.className, r.className) == 0, qPrintable(where));
        QVERIFY2(QString::fromUtf8(c.text) == QString::fromUtf8(r.text), qPrintable(where));
        QVERIFY2(QRect(c.x, c.y, c.cx, c.cy) == QRect(r.x, r.y, r.cx, r.cy), qPrintable(where));
        QVERIFY2((c.style & (WS_CHILD | WS_VISIBLE)) == (WS_CHILD | WS_VISIBLE), qPrintable(where));
    }
}

void TemplateTest::aboutTemplate() {
    const DialogTemplate& tpl = Template(kAboutTemplateId);
    QCOMPARE(QString::fromUtf8(tpl.caption), QStringLiteral("About..."));
    QCOMPARE(QSize(tpl.cx, tpl.cy), QSize(235, 70));
    QCOMPARE(tpl.controls.size(), 4u);
    const int ids[] = {kNoControlId, 1017, 1016, kIdOk};
    for (std::size_t i = 0; i < tpl.controls.size(); ++i) {
        QCOMPARE(tpl.controls[i].id, ids[i]);
    }
    QCOMPARE(tpl.controls[0].style & SS_TYPEMASK, SS_ICON);
    QCOMPARE(tpl.controls[0].iconId, kAppIconId);
    QCOMPARE(QRect(tpl.controls[1].x, tpl.controls[1].y, tpl.controls[1].cx, tpl.controls[1].cy),
             QRect(40, 10, 188, 37));
    QCOMPARE(QString::fromUtf8(tpl.controls[3].text), QStringLiteral("OK"));
    QCOMPARE(tpl.controls[3].style & BS_TYPEMASK, BS_DEFPUSHBUTTON);
}

void TemplateTest::idsAreUnique() {
    for (int templateId : {kAboutTemplateId, kMainTemplateId}) {
        QSet<int> seen;
        for (const ControlTemplate& c : Template(templateId).controls) {
            if (c.id == kNoControlId) {
                continue;
            }
            QVERIFY2(!seen.contains(c.id), qPrintable(QString::number(c.id)));
            seen.insert(c.id);
        }
    }
}

void TemplateTest::menuAndStrings() {
    const MenuTemplate* menu = FindMenuTemplate(kActionsMenuId);
    QVERIFY(menu != nullptr);
    QCOMPARE(QString::fromUtf8(menu->popupText), QStringLiteral("Action"));
    QCOMPARE(menu->items.size(), 3u);
    const MenuItemTemplate expected[] = {
        {32771, "Export to File"}, {32772, "Move to Folder"}, {32773, "Delete"}};
    for (std::size_t i = 0; i < 3; ++i) {
        QCOMPARE(menu->items[i].commandId, expected[i].commandId);
        QCOMPARE(QString::fromUtf8(menu->items[i].text), QString::fromUtf8(expected[i].text));
    }
    QCOMPARE(LoadTemplateString(102), QStringLiteral("Do you want to export the results?"));
    QCOMPARE(LoadTemplateString(103),
             QStringLiteral("Do you want to move the selected to folder?"));
    QCOMPARE(LoadTemplateString(104), QStringLiteral("Do you want to delete the selected?"));
    QVERIFY(LoadTemplateString(105).isEmpty());
    QVERIFY(FindDialogTemplate(101) == nullptr);
}

void TemplateTest::dialogFontIsAGaramond() {
    const QFont font = TemplateFont(Template(kMainTemplateId));
    const QFontInfo info(font);
    // A real Garamond where one is installed, EB Garamond otherwise; never the
    // generic serif that a plain family lookup falls back to.
    QVERIFY2(info.family().contains(QStringLiteral("Garamond")), qPrintable(info.family()));
    QCOMPARE(info.pointSize(), 10);
    QCOMPARE(info.weight(), 400);
}

void TemplateTest::builtWidgetsFollowTheTemplate() {
    CMySizingDialog dlg;
    const DialogTemplate& tpl = Template(kMainTemplateId);
    const QMap<int, QWidget*> w = BuildControls(&dlg, tpl);
    QCOMPARE(w.size(), static_cast<qsizetype>(tpl.controls.size()));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Mollwick"));

    const DialogBaseUnits base = BaseUnitsOfFont(TemplateFont(tpl));
    for (const ControlTemplate& c : tpl.controls) {
        QWidget* widget = w.value(c.id);
        QVERIFY(widget != nullptr);
        QCOMPARE(widget->parentWidget(), &dlg);
        QCOMPARE(widget->objectName(), QStringLiteral("c%1").arg(c.id));
        QCOMPARE(widget->property("controlId").toInt(), c.id);
        QCOMPARE(widget->property("templateClass").toString(), QString::fromUtf8(c.className));
        QCOMPARE(widget->geometry(), DialogRectToPixels(c.x, c.y, c.cx, c.cy, base));
        QVERIFY(widget->testAttribute(Qt::WA_SetFont));
        QCOMPARE(widget->font(), TemplateFont(tpl));
    }

    struct Kind {
        int id;
        const char* qtClass;
        bool enabled;
    };
    const Kind kinds[] = {
        {1010, "QPushButton", true}, {1011, "QPushButton", false}, {1007, "QGroupBox", true},
        {1014, "QCheckBox", true},   {1029, "QRadioButton", true}, {1008, "QLabel", true},
        {1017, "QLabel", true},      {1001, "QLineEdit", true},    {1013, "QPlainTextEdit", true},
        {1019, "QTreeView", true},   {1032, "QPushButton", true},
    };
    for (const Kind& k : kinds) {
        QCOMPARE(w[k.id]->metaObject()->className(), k.qtClass);
        QCOMPARE(w[k.id]->isEnabled(), k.enabled);
    }

    // Two default push buttons in the template; the first one is the default.
    QVERIFY(qobject_cast<QPushButton*>(w[1010])->isDefault());
    QVERIFY(!qobject_cast<QPushButton*>(w[1015])->isDefault());
    QCOMPARE(qobject_cast<QPushButton*>(w[1015])->text(), QStringLiteral("Add\nsource path"));

    auto* byName = qobject_cast<QRadioButton*>(w[1029]);
    auto* byContent = qobject_cast<QRadioButton*>(w[1030]);
    byName->setChecked(true);
    byContent->setChecked(true);
    QVERIFY(!byName->isChecked());
    qobject_cast<QCheckBox*>(w[1014])->setChecked(true);
    QVERIFY(byContent->isChecked());

    auto* current = qobject_cast<QLineEdit*>(w[1001]);
    QVERIFY(current->isReadOnly());
    QVERIFY(!qobject_cast<QLineEdit*>(w[1022])->isReadOnly());
    QCOMPARE(qobject_cast<QLineEdit*>(w[1003])->alignment() & Qt::AlignHorizontal_Mask,
             Qt::AlignHCenter);
    auto* sources = qobject_cast<QPlainTextEdit*>(w[1013]);
    QVERIFY(sources->isReadOnly());
    QCOMPARE(sources->lineWrapMode(), QPlainTextEdit::NoWrap);

    auto* list = qobject_cast<QTreeView*>(w[1019]);
    QVERIFY(!list->rootIsDecorated());
    QVERIFY(list->uniformRowHeights());
    QVERIFY(!list->header()->sectionsClickable());
    QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);

    // The corner icon comes from the compiled-in SVG.
    const QPixmap icon = qobject_cast<QLabel*>(w[1017])->pixmap();
    QVERIFY(!icon.isNull());

    // Tab order is template order.
    QList<int> order;
    QWidget* next = w[tpl.controls.front().id];
    for (std::size_t i = 0; i < tpl.controls.size(); ++i) {
        while (!next->property("controlId").isValid()) {
            next = next->nextInFocusChain();
        }
        order.append(next->property("controlId").toInt());
        next = next->nextInFocusChain();
    }
    QList<int> expected;
    for (const ControlTemplate& c : tpl.controls) {
        expected.append(c.id);
    }
    QCOMPARE(order, expected);
}

void TemplateTest::builtLayoutIsTheDesignSize() {
    // The builder and the pass measure dialog units with the same font, so a
    // client area of exactly the template's size gives factors of 1 and leaves
    // every control where the template put it.
    for (int templateId : {kAboutTemplateId, kMainTemplateId}) {
        CMySizingDialog dlg;
        const DialogTemplate& tpl = Template(templateId);
        const QMap<int, QWidget*> w = BuildControls(&dlg, tpl);
        dlg.m_nDesignCx = tpl.cx;
        dlg.m_nDesignCy = tpl.cy;
        dlg.m_bReady = true;
        QMap<int, QRect> before;
        for (auto it = w.cbegin(); it != w.cend(); ++it) {
            before.insert(it.key(), it.value()->geometry());
        }
        dlg.ResizeChildren(dlg.width(), dlg.height(), &dlg);
        QCOMPARE(dlg.m_dScaleX, 1.0);
        QCOMPARE(dlg.m_dScaleY, 1.0);
        for (auto it = w.cbegin(); it != w.cend(); ++it) {
            QCOMPARE(it.value()->geometry(), before.value(it.key()));
        }
    }
}

QTEST_MAIN(TemplateTest)
#include "TemplateTest.moc"
