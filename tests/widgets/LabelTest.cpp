#include <QtTest>

#include <QApplication>
#include <QPalette>
#include <QSet>
#include <QTimer>

#include <optional>
#include <vector>

#include "tests/support/OpenedUrls.h"
#include "widgets/ControlValues.h"
#include "widgets/Label.h"
#include "widgets/LabelLayout.h"

using namespace mollwick;
using namespace Qt::StringLiterals;

namespace {

constexpr ColorRef kRed = 0x000000FF;
constexpr ColorRef kGreen = 0x0000FF00;
constexpr ColorRef kBlue = 0x00FF0000;
constexpr ColorRef kWhite = 0x00FFFFFF;
constexpr ColorRef kBlack = 0;

// A font without smoothing, so every pixel is either text or background.
LogicalFont SharpFont() {
    LogicalFont lf;
    lf.nHeight = -16;
    lf.nWeight = FW_BOLD;
    lf.nQuality = NONANTIALIASED_QUALITY;
    lf.SetFaceName(u"DejaVu Sans"_s);
    return lf;
}

QImage Render(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

ColorRef PixelAt(const QImage& image, int x, int y) {
    return ToColorRef(QColor(image.pixel(x, y)));
}

QSet<ColorRef> ColoursOf(const QImage& image) {
    QSet<ColorRef> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            colours.insert(PixelAt(image, x, y));
        }
    }
    return colours;
}

std::vector<QPoint> PixelsOf(const QImage& image, ColorRef colour) {
    std::vector<QPoint> points;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (PixelAt(image, x, y) == colour) {
                points.emplace_back(x, y);
            }
        }
    }
    return points;
}

using mollwick::test::OpenedUrls;

// A shown window with one label on it, for clicks and paint counting.
struct ShownLabel {
    QWidget window;
    CLabel* label = new CLabel(&window);

    ShownLabel() {
        window.resize(200, 60);
        label->setGeometry(10, 10, 150, 30);
        label->SetLogFont(SharpFont());
        window.show();
    }

    // Clicks the window where the label is, so Qt picks the widget under the
    // pointer as it does for a user's click.
    void Click(Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(window.windowHandle(), button, {}, label->geometry().center());
    }
};

class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

}  // namespace

class LabelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void newLabelDrawsWindowTextOnButtonFace();
    void solidBackgroundThenGradientReplacesIt();
    void transparentLabelShowsParentBackground();
    void shadowIsOnePixelOff_data();
    void shadowIsOnePixelOff();
    void rotatedTextStartsAtTheCentre();
    void textBlinkHidesInTextOrBackgroundColour();
    void blinkTimerTurnsThePhaseEvery500Ms();
    void stoppingInHiddenPhaseDoesNotRepaint();
    void backgroundBlinkShowsDefaultBackgroundWhenHidden();
    void clickOpens_data();
    void clickOpens();
    void notifyingClickTellsParentAndOpensNothing();
    void fontSetters();
    void linkCursorIsTheLabelsCursor();
    void frameNarrowsClientArea();
    void systemColourChangeMovesOnlyDefaultBackground();
};

void LabelTest::newLabelDrawsWindowTextOnButtonFace() {
    CLabel label;
    const ColorRef text = ToColorRef(label.palette().color(QPalette::WindowText));
    const ColorRef face = ToColorRef(label.palette().color(QPalette::Button));
    QVERIFY(text != face);
    QCOMPARE(label.TextColor(), text);
    QCOMPARE(label.DefaultBackColor(), face);
    QCOMPARE(label.ShadowColor(), kWhite);
    QVERIFY(!label.BackBrushColor().has_value());

    label.resize(80, 30);
    label.SetLogFont(SharpFont()).SetText(u"Mollwick"_s);
    const QImage image = Render(label);
    QCOMPARE(ColoursOf(image), (QSet<ColorRef>{text, face}));
    QCOMPARE(PixelAt(image, 79, 29), face);
}

void LabelTest::solidBackgroundThenGradientReplacesIt() {
    CLabel label;
    label.resize(250, 20);
    label.SetBackground(kRed, kBlue, false);
    QCOMPARE(label.BackBrushColor(), std::optional<ColorRef>(kRed));
    QCOMPARE(ColoursOf(Render(label)), QSet<ColorRef>{kRed});

    label.SetBackground(kBlack, kRed, true);
    QVERIFY(!label.BackBrushColor().has_value());
    const QImage image = Render(label);
    QCOMPARE(PixelAt(image, 0, 0), kBlack);
    QCOMPARE(PixelAt(image, 1, 5), kBlack);
    QCOMPARE(PixelAt(image, 2, 5), MakeColorRef(652 / 256, 0, 0));
    QCOMPARE(PixelAt(image, 101, 5), MakeColorRef(50 * 652 / 256, 0, 0));
    QCOMPARE(PixelAt(image, 198, 0), MakeColorRef(252, 0, 0));
    QCOMPARE(PixelAt(image, 249, 18), MakeColorRef(252, 0, 0));
    // The strips leave the bottom row as the fresh image had it: black.
    QCOMPARE(PixelAt(image, 249, 19), kBlack);
}

void LabelTest::transparentLabelShowsParentBackground() {
    const ColorRef parentColour = MakeColorRef(0x12, 0x34, 0x56);
    QWidget parent;
    QPalette palette = parent.palette();
    palette.setColor(QPalette::Window, ToQColor(parentColour));
    parent.setPalette(palette);
    parent.setAutoFillBackground(true);
    parent.resize(100, 50);
    CLabel* label = new CLabel(&parent);
    label->setGeometry(10, 10, 60, 20);
    label->SetBackground(kRed);

    QCOMPARE(PixelAt(Render(parent), 20, 15), kRed);
    label->SetTransparent(true);
    QVERIFY(label->GetExStyle() & WS_EX_TRANSPARENT);
    QCOMPARE(PixelAt(Render(parent), 20, 15), parentColour);

    // Turning it off brings the background back; the window style stays.
    label->SetTransparent(false);
    QVERIFY(!label->IsTransparent());
    QVERIFY(label->GetExStyle() & WS_EX_TRANSPARENT);
    QCOMPARE(PixelAt(Render(parent), 20, 15), kRed);
}

void LabelTest::shadowIsOnePixelOff_data() {
    QTest::addColumn<bool>("downRight");
    QTest::addColumn<int>("offset");
    QTest::newRow("right and down") << true << 1;
    QTest::newRow("left and up") << false << -1;
}

void LabelTest::shadowIsOnePixelOff() {
    QFETCH(bool, downRight);
    QFETCH(int, offset);

    CLabel label;
    label.resize(100, 40);
    label.SetStyle(SS_CENTER | SS_CENTERIMAGE);
    label.SetLogFont(SharpFont())
        .SetBackground(kWhite)
        .SetTextColor(kBlue)
        .SetShadowColor(kRed)
        .SetText(u"Hg&x"_s);
    const QImage plain = Render(label);
    const QImage shadowed = Render(label.SetTextShadow(true, downRight));

    int shadowPixels = 0;
    for (int y = 0; y < plain.height(); ++y) {
        for (int x = 0; x < plain.width(); ++x) {
            const QPoint source(x - offset, y - offset);
            const bool underText =
                plain.rect().contains(source) && PixelAt(plain, source.x(), source.y()) == kBlue;
            // The shadow is drawn over the first copy.
            const ColorRef expected = underText ? kRed : PixelAt(plain, x, y);
            QCOMPARE(PixelAt(shadowed, x, y), expected);
            shadowPixels += underText ? 1 : 0;
        }
    }
    QVERIFY(shadowPixels > 20);
}

void LabelTest::rotatedTextStartsAtTheCentre() {
    CLabel label;
    label.resize(100, 100);
    label.SetLogFont(SharpFont()).SetBackground(kWhite).SetTextColor(kBlue).SetText(u"MMMM"_s);

    label.SetRotation(0, true);
    std::vector<QPoint> text = PixelsOf(Render(label), kBlue);
    QVERIFY(!text.empty());
    for (const QPoint& p : text) {
        // Upright, the line runs right from x = 50 with its baseline at y = 50.
        QVERIFY2(p.x() >= 50 && p.y() < 50 + 5 && p.y() > 50 - 20,
                 qPrintable(u"%1,%2"_s.arg(p.x()).arg(p.y())));
    }

    label.SetRotation(90, true);
    QCOMPARE(label.LogFont().nEscapement, 900);
    QCOMPARE(label.LogFont().nOrientation, 900);
    text = PixelsOf(Render(label), kBlue);
    QVERIFY(!text.empty());
    for (const QPoint& p : text) {
        // Turned a quarter counter-clockwise, it runs up from the centre, the
        // glyphs standing on the left of the baseline x = 50.
        QVERIFY2(p.y() <= 50 && p.x() < 50 + 5 && p.x() > 50 - 20,
                 qPrintable(u"%1,%2"_s.arg(p.x()).arg(p.y())));
    }
}

void LabelTest::textBlinkHidesInTextOrBackgroundColour() {
    CLabel label;
    label.resize(100, 30);
    label.SetLogFont(SharpFont()).SetTextColor(kRed).SetText(u"Mollwick"_s);
    const ColorRef face = label.DefaultBackColor();

    label.BlinkText(true);
    QCOMPARE(label.BlinkMode(), 1);
    QVERIFY(!label.BlinkState());
    // Hidden without a custom background: the text is drawn black.
    QCOMPARE(ColoursOf(Render(label)), (QSet<ColorRef>{kBlack, face}));
    label.OnTimer();
    QCOMPARE(ColoursOf(Render(label)), (QSet<ColorRef>{kRed, face}));
    label.OnTimer();
    QCOMPARE(ColoursOf(Render(label)), (QSet<ColorRef>{kBlack, face}));

    // With one, it takes the background's colour and vanishes.
    label.SetBackground(kGreen);
    QCOMPARE(ColoursOf(Render(label)), QSet<ColorRef>{kGreen});
    label.OnTimer();
    QCOMPARE(ColoursOf(Render(label)), (QSet<ColorRef>{kRed, kGreen}));
}

void LabelTest::blinkTimerTurnsThePhaseEvery500Ms() {
    CLabel label;
    QTimer* timer = label.findChild<QTimer*>(u"blinkTimer"_s);
    QVERIFY(timer);
    QVERIFY(!timer->isActive());

    label.BlinkText(true);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 500);
    QVERIFY(!timer->isSingleShot());
    // Deliver the ticks the event loop would deliver, without waiting for them.
    for (const bool expected : {true, false, true}) {
        QTimerEvent tick(timer->timerId());
        QCoreApplication::sendEvent(timer, &tick);
        QCOMPARE(label.BlinkState(), expected);
    }
    // A restart begins again in the hidden phase.
    label.BlinkText(true);
    QVERIFY(!label.BlinkState());
    QVERIFY(timer->isActive());

    label.BlinkText(false);
    QVERIFY(!timer->isActive());
    QCOMPARE(label.BlinkMode(), 0);
}

void LabelTest::stoppingInHiddenPhaseDoesNotRepaint() {
    ShownLabel shown;
    QVERIFY(QTest::qWaitForWindowExposed(&shown.window));
    CLabel& label = *shown.label;
    label.SetTextColor(kRed).SetText(u"Mollwick"_s);
    label.BlinkText(true);
    QVERIFY(!label.BlinkState());

    PaintCounter counter;
    label.installEventFilter(&counter);
    label.BlinkText(false);
    QCoreApplication::processEvents();
    QCOMPARE(counter.paints, 0);
    QVERIFY(!label.BlinkState());

    // The next paint, whatever brings it, shows the text again.
    label.SetText(u"Mollwick"_s);
    QVERIFY(counter.paints > 0);
    QVERIFY(ColoursOf(Render(label)).contains(kRed));
}

void LabelTest::backgroundBlinkShowsDefaultBackgroundWhenHidden() {
    CLabel label;
    label.resize(40, 20);
    label.SetBackground(kGreen);
    const ColorRef face = label.DefaultBackColor();

    label.BlinkBackground(true);
    QCOMPARE(label.BlinkMode(), 2);
    QCOMPARE(ColoursOf(Render(label)), QSet<ColorRef>{face});
    label.OnTimer();
    QCOMPARE(ColoursOf(Render(label)), QSet<ColorRef>{kGreen});
    label.OnTimer();
    QCOMPARE(ColoursOf(Render(label)), QSet<ColorRef>{face});

    // Stopped, it keeps its mode and shows its background.
    label.BlinkBackground(false);
    QCOMPARE(label.BlinkMode(), 2);
    QCOMPARE(ColoursOf(Render(label)), QSet<ColorRef>{kGreen});
}

void LabelTest::clickOpens_data() {
    QTest::addColumn<int>("linkMode");  // 0 none (but clickable), 1 web, 2 mail
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("opened");  // empty: nothing opened

    QTest::newRow("web, no target") << 1 << u"https://mollwick.example/home"_s << QString()
                                    << u"https://mollwick.example/home"_s;
    QTest::newRow("web, target") << 1 << u"Our home"_s << u"https://mollwick.example/docs"_s
                                 << u"https://mollwick.example/docs"_s;
    QTest::newRow("mail ignores the target")
        << 2 << u"dev@mollwick.example"_s << u"https://mollwick.example/docs"_s
        << u"mailto:dev@mollwick.example"_s;
    QTest::newRow("no link mode") << 0 << u"https://mollwick.example/home"_s
                                  << u"https://mollwick.example/docs"_s << QString();
}

void LabelTest::clickOpens() {
    QFETCH(int, linkMode);
    QFETCH(QString, text);
    QFETCH(QString, target);
    QFETCH(QString, opened);

    OpenedUrls recorder;
    ShownLabel shown;
    QVERIFY(QTest::qWaitForWindowExposed(&shown.window));
    CLabel& label = *shown.label;
    label.SetText(text).SetLinkTarget(target);
    if (linkMode == 2) {
        label.SetMailLink(true);
    } else {
        label.SetWebLink(true);
        if (linkMode == 0) {
            // Switching the link off drops the click style; put it back so the click
            // reaches the label and only the link mode decides.
            label.SetWebLink(false);
            QVERIFY(!(label.GetStyle() & SS_NOTIFY));
            label.ModifyStyle(0, SS_NOTIFY);
        }
    }
    QVERIFY(label.GetStyle() & SS_NOTIFY);

    shown.Click(Qt::LeftButton);
    shown.Click(Qt::RightButton);
    if (opened.isEmpty()) {
        QVERIFY(recorder.urls.empty());
    } else {
        QCOMPARE(recorder.urls.size(), 1u);
        QCOMPARE(recorder.urls.front().toString(), opened);
    }
}

void LabelTest::notifyingClickTellsParentAndOpensNothing() {
    OpenedUrls recorder;
    ShownLabel shown;
    QVERIFY(QTest::qWaitForWindowExposed(&shown.window));
    CLabel& label = *shown.label;
    label.SetDlgCtrlID(1017);
    label.SetText(u"https://mollwick.example/home"_s).SetWebLink(true, true);

    std::vector<LabelNotifyHeader> headers;
    std::vector<int> ids;
    QObject::connect(&label, &CLabel::NotifyParent, &shown.window,
                     [&](int id, const LabelNotifyHeader& header) {
                         ids.push_back(id);
                         headers.push_back(header);
                     });
    shown.Click();
    QCOMPARE(ids, std::vector<int>{1017});
    QCOMPARE(headers.front().pFrom, &label);
    QCOMPARE(headers.front().nIdFrom, 1017);
    QCOMPARE(headers.front().nCode, 0x8200u);
    QVERIFY(recorder.urls.empty());

    // Without the click style a static passes clicks to the window underneath.
    OpenedUrls quiet;
    label.SetWebLink(false, true);
    shown.Click();
    QCOMPARE(ids.size(), 1u);
}

void LabelTest::fontSetters() {
    CLabel label;
    label.SetLogFont(SharpFont()).SetItalic(true).SetUnderline(true);

    QCOMPARE(label.SetBold(true).LogFont().nWeight, 700);
    QCOMPARE(label.Font().weight(), QFont::Bold);
    QCOMPARE(label.SetBold(false).LogFont().nWeight, 400);
    QCOMPARE(label.Font().weight(), QFont::Normal);
    QVERIFY(label.Font().italic());
    QVERIFY(label.Font().underline());

    LogicalFont before = label.LogFont();
    before.nWidth = 9;
    label.SetLogFont(before).SetPointSize(12);
    LogicalFont expected = before;
    expected.nHeight = PointSizeToHeight(120, label.logicalDpiY());
    expected.nWidth = 0;
    QCOMPARE(label.LogFont(), expected);
    QCOMPARE(label.Font().family(), u"DejaVu Sans"_s);
    QCOMPARE(label.Font().pixelSize(), -expected.nHeight);

    label.SetFaceName(QString(40, u'z'), 2);
    QCOMPARE(label.LogFont().FaceName(), QString(31, u'z'));
    QCOMPARE(label.LogFont().nCharSet, 2);
}

void LabelTest::linkCursorIsTheLabelsCursor() {
    QWidget parent;
    parent.setCursor(Qt::WaitCursor);
    CLabel* label = new CLabel(&parent);
    QCOMPARE(label->cursor().shape(), Qt::WaitCursor);
    label->SetLinkCursor(QCursor(Qt::PointingHandCursor));
    QCOMPARE(label->cursor().shape(), Qt::PointingHandCursor);
    label->SetLinkCursor(std::nullopt);
    QCOMPARE(label->cursor().shape(), Qt::WaitCursor);
}

void LabelTest::frameNarrowsClientArea() {
    CLabel label;
    label.resize(50, 20);
    QCOMPARE(label.ClientRect(), QRect(0, 0, 50, 20));
    label.SetBorder(true);
    QVERIFY(label.GetStyle() & WS_BORDER);
    QCOMPARE(label.ClientRect(), QRect(1, 1, 48, 18));
    label.SetStaticEdge(true);
    QVERIFY(label.GetExStyle() & WS_EX_STATICEDGE);
    QCOMPARE(label.ClientRect(), QRect(2, 2, 46, 16));

    // The background fills the client area only.
    label.SetBackground(kGreen);
    const QImage image = Render(label);
    QVERIFY(PixelAt(image, 0, 0) != kGreen);
    QVERIFY(PixelAt(image, 1, 1) != kGreen);
    QCOMPARE(PixelAt(image, 2, 2), kGreen);
    QCOMPARE(PixelAt(image, 47, 17), kGreen);

    label.SetBorder(false).SetStaticEdge(false);
    QCOMPARE(label.ClientRect(), QRect(0, 0, 50, 20));
}

void LabelTest::systemColourChangeMovesOnlyDefaultBackground() {
    const QPalette saved = QApplication::palette();
    CLabel label;
    label.resize(20, 10);
    const ColorRef text = label.TextColor();

    QPalette changed = saved;
    changed.setColor(QPalette::Button, ToQColor(kGreen));
    changed.setColor(QPalette::WindowText, ToQColor(kBlue));
    QApplication::setPalette(changed);
    QCoreApplication::processEvents();  // the change reaches widgets as posted events
    QCOMPARE(label.DefaultBackColor(), kGreen);
    QCOMPARE(label.TextColor(), text);
    QCOMPARE(ColoursOf(Render(label)), QSet<ColorRef>{kGreen});
    QApplication::setPalette(saved);
    QCoreApplication::processEvents();
}

QTEST_MAIN(LabelTest)
#include "LabelTest.moc"
