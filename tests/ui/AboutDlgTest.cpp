#include <QtTest>

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <vector>

#include "tests/support/OpenedUrls.h"
#include "ui/AboutDlg.h"
#include "widgets/Label.h"

using namespace Qt::StringLiterals;

namespace {

// A window colour no style uses, so every pixel of it is the dialog's own background.
const QColor kDialogBack(0x20, 0x80, 0x40);

using mollwick::test::OpenedUrls;

// Records every OnShowWindow with what the label held before and after it.
class RecordingAboutDlg : public CAboutDlg {
public:
    struct Call {
        bool bShow;
        bool visible;
        bool transparentBefore;
        QString textBefore;
        bool transparentAfter;
        QString textAfter;
    };
    std::vector<Call> calls;

protected:
    void OnShowWindow(bool bShow, unsigned nStatus) override {
        Call call{bShow, isVisible(), Label().IsTransparent(), Label().GetWindowText(), false, {}};
        CAboutDlg::OnShowWindow(bShow, nStatus);
        call.transparentAfter = Label().IsTransparent();
        call.textAfter = Label().GetWindowText();
        calls.push_back(call);
    }
};

// The rows of image that hold anything but colour, grouped into runs of
// neighbouring rows: one run per line of text.
std::vector<std::pair<int, int>> InkBands(const QImage& image, const QColor& colour) {
    std::vector<std::pair<int, int>> bands;
    bool inBand = false;
    for (int y = 0; y < image.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < image.width() && !ink; ++x) {
            ink = image.pixelColor(x, y).rgb() != colour.rgb();
        }
        if (ink && !inBand) {
            bands.emplace_back(y, y);
        } else if (ink) {
            bands.back().second = y;
        }
        inBand = ink;
    }
    return bands;
}

}  // namespace

class AboutDlgTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aboutTextIsFourLines();
    void boxAsBuilt();
    void labelShowsFourLinesOverDialogBackground();
    void clickOnLabelOpensNothing();
    void onShowWindowRunsOnEveryShowAndHide();
    void everyWayOutEndsTheBox_data();
    void everyWayOutEndsTheBox();
    void modalRunReturnsOnOk();
};

void AboutDlgTest::aboutTextIsFourLines() {
    QCOMPARE(CAboutDlg::AboutText(),
             u"Mollwick Ver. 1.0.7\n"
             u"Contact: see the project's README\n"
             u"Credits:\n"
             u"SHA-1 code: the Mollwick developers (FIPS PUB 180-4)"_s);

    CAboutDlg dlg;
    dlg.show();
    QCOMPARE(dlg.Label().GetWindowText(), CAboutDlg::AboutText());
}

void AboutDlgTest::boxAsBuilt() {
    CAboutDlg dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCOMPARE(dlg.windowTitle(), u"About..."_s);
    QCOMPARE(dlg.minimumSize(), dlg.maximumSize());

    auto* icon = dlg.findChild<QLabel*>(u"c-1"_s);
    QVERIFY(icon != nullptr);
    QVERIFY(!icon->pixmap().isNull());

    QCOMPARE(dlg.Label().GetDlgCtrlID(), 1017);
    QCOMPARE(dlg.findChildren<QLabel*>(u"c1017"_s).size(), 0);  // the label replaced the static

    // The rights line fits its static on one line and stays clear of OK.
    auto* rights = dlg.findChild<QLabel*>(u"c1016"_s);
    auto* ok = dlg.findChild<QPushButton*>(u"c1"_s);
    QVERIFY(rights != nullptr && ok != nullptr);
    QCOMPARE(rights->text(), u"© 2026 The Mollwick developers"_s);
    QVERIFY(rights->fontMetrics().horizontalAdvance(rights->text()) <= rights->width());
    QVERIFY(rights->geometry().right() < ok->geometry().left());
    QVERIFY(ok->isDefault());
}

void AboutDlgTest::labelShowsFourLinesOverDialogBackground() {
    CAboutDlg dlg;
    QPalette palette = dlg.palette();
    palette.setColor(QPalette::Window, kDialogBack);
    dlg.setPalette(palette);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));

    const CLabel& label = dlg.Label();
    QVERIFY(label.IsTransparent());
    QVERIFY(label.DefaultBackColor() != mollwick::ToColorRef(kDialogBack));

    const QImage area = dlg.grab(label.geometry()).toImage().convertToFormat(QImage::Format_RGB32);
    // Outside the text every pixel is the dialog's colour: nothing fills the
    // label's background.
    QCOMPARE(area.pixelColor(0, 0).rgb(), kDialogBack.rgb());
    QCOMPARE(area.pixelColor(area.width() - 1, area.height() - 1).rgb(), kDialogBack.rgb());

    // Four separate lines of text, each a line's height below the one before,
    // the last one whole inside the label.
    const auto bands = InkBands(area, kDialogBack);
    QCOMPARE(bands.size(), 4u);
    const int lineSpacing = QFontMetrics(label.Font()).lineSpacing();
    for (std::size_t i = 1; i < bands.size(); ++i) {
        QVERIFY(bands[i].first > bands[i - 1].second);
        QVERIFY(bands[i].first - bands[i - 1].first <= 2 * lineSpacing);
    }
    QVERIFY(bands.back().second < area.height() - 1);
}

void AboutDlgTest::clickOnLabelOpensNothing() {
    OpenedUrls opened;
    CAboutDlg dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));

    CLabel& label = dlg.Label();
    const int firstLine = QFontMetrics(label.Font()).height() / 2;
    for (const QPoint& at : {QPoint(10, firstLine), label.rect().center()}) {
        QTest::mouseClick(&label, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(&label, Qt::LeftButton, Qt::NoModifier, at);
    }
    QVERIFY(opened.urls.empty());
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.result(), 0);
    QCOMPARE(label.GetWindowText(), CAboutDlg::AboutText());
}

void AboutDlgTest::onShowWindowRunsOnEveryShowAndHide() {
    RecordingAboutDlg dlg;
    dlg.show();
    dlg.Label().SetTransparent(false).SetText(u"changed while shown"_s);
    dlg.hide();
    dlg.show();
    dlg.hide();

    QCOMPARE(dlg.calls.size(), 4u);
    const bool shows[] = {true, false, true, false};
    for (std::size_t i = 0; i < dlg.calls.size(); ++i) {
        const auto& call = dlg.calls[i];
        QCOMPARE(call.bShow, shows[i]);
        // Each call comes after the dialog's own handling of the show or hide.
        QCOMPARE(call.visible, shows[i]);
        QVERIFY(call.transparentAfter);
        QCOMPARE(call.textAfter, CAboutDlg::AboutText());
    }
    // The first show finds the template's placeholder; the hide puts back what
    // was changed while shown.
    QVERIFY(!dlg.calls[0].transparentBefore);
    QCOMPARE(dlg.calls[0].textBefore, u"Mollwick"_s);
    QVERIFY(!dlg.calls[1].transparentBefore);
    QCOMPARE(dlg.calls[1].textBefore, u"changed while shown"_s);
}

void AboutDlgTest::everyWayOutEndsTheBox_data() {
    QTest::addColumn<int>("how");
    QTest::addColumn<int>("result");
    QTest::newRow("OK") << 0 << int(QDialog::Accepted);
    QTest::newRow("Enter") << 1 << int(QDialog::Accepted);
    QTest::newRow("Escape") << 2 << int(QDialog::Rejected);
    QTest::newRow("close box") << 3 << int(QDialog::Rejected);
}

void AboutDlgTest::everyWayOutEndsTheBox() {
    QFETCH(int, how);
    QFETCH(int, result);
    CAboutDlg dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    dlg.activateWindow();
    auto* ok = dlg.findChild<QPushButton*>(u"c1"_s);
    switch (how) {
        case 0:
            QTest::mouseClick(ok, Qt::LeftButton);
            break;
        case 1:
            QTest::keyClick(&dlg, Qt::Key_Return);
            break;
        case 2:
            QTest::keyClick(&dlg, Qt::Key_Escape);
            break;
        default:
            dlg.close();
            break;
    }
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), result);
}

void AboutDlgTest::modalRunReturnsOnOk() {
    CAboutDlg dlg;
    QTimer::singleShot(0, &dlg, [&dlg] {
        QVERIFY(dlg.isModal());
        QTest::mouseClick(dlg.findChild<QPushButton*>(u"c1"_s), Qt::LeftButton);
    });
    QCOMPARE(dlg.exec(), int(QDialog::Accepted));
}

QTEST_MAIN(AboutDlgTest)
#include "AboutDlgTest.moc"
