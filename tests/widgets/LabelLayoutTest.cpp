#include <QtTest>

#include "widgets/ControlValues.h"
#include "widgets/LabelLayout.h"

using namespace mollwick;
using namespace Qt::StringLiterals;

class LabelLayoutTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void formatFromStyle_data();
    void formatFromStyle();
    void gradientOver250PixelsHasHundredStrips();
    void gradientWidthsTable_data();
    void gradientWidthsTable();
    void gradientStepsCutTowardZeroPerChannel();
    void rotatedOriginIsTheCentreCutTowardZero();
    void drawFormatBecomesQtFlags_data();
    void drawFormatBecomesQtFlags();
    void logicalFontRoundTrip();
    void pointSizeToHeight();
};

void LabelLayoutTest::formatFromStyle_data() {
    QTest::addColumn<quint32>("style");
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("format");

    QTest::newRow("left") << SS_LEFT << u"abc"_s << 0x10u;
    QTest::newRow("left, tab") << SS_LEFT << u"a\tb"_s << 0x50u;
    QTest::newRow("center") << SS_CENTER << u"abc"_s << 0x11u;
    QTest::newRow("center, tab") << SS_CENTER << u"a\tb"_s << 0x51u;
    QTest::newRow("right") << SS_RIGHT << u"abc"_s << 0x12u;
    QTest::newRow("left no word wrap") << SS_LEFTNOWORDWRAP << u"abc"_s << 0x00u;
    QTest::newRow("left no word wrap, tab") << SS_LEFTNOWORDWRAP << u"a\tb"_s << 0x40u;
    QTest::newRow("other type") << 0x0Bu << u"abc"_s << 0x10u;
    QTest::newRow("empty text") << SS_CENTER << QString() << 0x11u;
    QTest::newRow("center image, one line") << SS_CENTERIMAGE << u"abc"_s << 0x25u;
    QTest::newRow("center image, CR LF") << (SS_CENTERIMAGE | SS_RIGHT) << u"one\r\ntwo"_s << 0x01u;
    QTest::newRow("center image, LF alone") << SS_CENTERIMAGE << u"one\ntwo"_s << 0x25u;
    QTest::newRow("center image, tab") << SS_CENTERIMAGE << u"a\tb"_s << 0x25u;
    QTest::newRow("bits beside the type")
        << (SS_CENTER | SS_NOPREFIX | SS_NOTIFY | WS_GROUP | WS_BORDER) << u"a&b"_s << 0x11u;
}

void LabelLayoutTest::formatFromStyle() {
    QFETCH(quint32, style);
    QFETCH(QString, text);
    QFETCH(quint32, format);
    QCOMPARE(TextFormatFromStyle(style, text), format);
}

void LabelLayoutTest::gradientOver250PixelsHasHundredStrips() {
    const ColorRef red = MakeColorRef(255, 0, 0);
    const GradientPlan plan = PlanGradient(0, 250, 0, red);
    QCOMPARE(plan.strips.size(), 100u);
    QCOMPARE(plan.nStepRed, 652);
    QCOMPARE(plan.nStepGreen, 0);
    QCOMPARE(plan.nStepBlue, 0);
    for (int i = 0; i < 99; ++i) {
        const GradientStrip& strip = plan.strips[static_cast<std::size_t>(i)];
        QCOMPARE(strip.left, 2 * i);
        QCOMPARE(strip.right, 2 * i + 2);
        QCOMPARE(strip.colour, MakeColorRef(static_cast<std::uint8_t>(i * 652 / 256), 0, 0));
    }
    // The last strip takes the rest, and its red falls short of 255.
    QCOMPARE(plan.strips.back(), (GradientStrip{198, 250, MakeColorRef(252, 0, 0)}));
}

void LabelLayoutTest::gradientWidthsTable_data() {
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("strips");
    QTest::addColumn<int>("stripWidth");
    QTest::addColumn<int>("lastLeft");

    QTest::newRow("50 px") << 0 << 50 << 50 << 1 << 49;
    QTest::newRow("100 px") << 0 << 100 << 100 << 1 << 99;
    QTest::newRow("199 px") << 0 << 199 << 100 << 1 << 99;
    QTest::newRow("moved right") << 10 << 260 << 100 << 2 << 208;
    QTest::newRow("1 px") << 0 << 1 << 1 << 1 << 0;
    QTest::newRow("0 px") << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("negative") << 10 << 5 << 0 << 0 << 0;
}

void LabelLayoutTest::gradientWidthsTable() {
    QFETCH(int, left);
    QFETCH(int, right);
    QFETCH(int, strips);
    QFETCH(int, stripWidth);
    QFETCH(int, lastLeft);

    const ColorRef start = MakeColorRef(10, 200, 30);
    const GradientPlan plan = PlanGradient(left, right, start, MakeColorRef(250, 0, 90));
    QCOMPARE(static_cast<int>(plan.strips.size()), strips);
    if (strips == 0) {
        return;
    }
    QCOMPARE(plan.strips.front().left, left);
    QCOMPARE(plan.strips.front().colour, start);
    for (std::size_t i = 0; i + 1 < plan.strips.size(); ++i) {
        QCOMPARE(plan.strips[i].right - plan.strips[i].left, stripWidth);
        QCOMPARE(plan.strips[i + 1].left, plan.strips[i].right);
    }
    QCOMPARE(plan.strips.back().left, lastLeft);
    QCOMPARE(plan.strips.back().right, right);
}

void LabelLayoutTest::gradientStepsCutTowardZeroPerChannel() {
    // Falling from 255 to 0 over 100 strips: -65280 / 100 = -652.8, cut to -652.
    // Green rises 10 -> 20 over 7 strips: 2560 / 7 = 365.7, cut to 365.
    const GradientPlan plan =
        PlanGradient(0, 7, MakeColorRef(255, 10, 50), MakeColorRef(0, 20, 50));
    QCOMPARE(plan.nStepRed, -255 * 256 / 7);
    QCOMPARE(plan.nStepRed, -9325);
    QCOMPARE(plan.nStepGreen, 365);
    QCOMPARE(plan.nStepBlue, 0);
    // After six steps: red (65280 - 55950) / 256 = 36, green (2560 + 2190) / 256 = 18.
    QCOMPARE(plan.strips.back().colour, MakeColorRef(36, 18, 50));

    const GradientPlan wide = PlanGradient(0, 300, MakeColorRef(255, 255, 255), 0);
    QCOMPARE(wide.nStepRed, -652);
    QCOMPARE(wide.strips.back().colour, MakeColorRef(2, 2, 2));
}

void LabelLayoutTest::rotatedOriginIsTheCentreCutTowardZero() {
    QCOMPARE(RotatedTextOrigin(100, 40), QPoint(50, 20));
    QCOMPARE(RotatedTextOrigin(101, 41), QPoint(50, 20));
    QCOMPARE(RotatedTextOrigin(1, 1), QPoint(0, 0));
    QCOMPARE(RotatedTextOrigin(0, 0), QPoint(0, 0));
}

void LabelLayoutTest::drawFormatBecomesQtFlags_data() {
    QTest::addColumn<quint32>("format");
    QTest::addColumn<int>("flags");

    // Built as plain ints: the column holds an int, not a flags type.
    const int left = Qt::AlignLeft, hcenter = Qt::AlignHCenter, right = Qt::AlignRight;
    const int top = Qt::AlignTop, vcenter = Qt::AlignVCenter, bottom = Qt::AlignBottom;
    const int wrap = Qt::TextWordWrap, tabs = Qt::TextExpandTabs, single = Qt::TextSingleLine;
    const int mnemonic = Qt::TextShowMnemonic;
    QTest::newRow("left") << 0x00u << (left | top | mnemonic);
    QTest::newRow("center, wrap, tabs") << 0x51u << (hcenter | top | wrap | tabs | mnemonic);
    QTest::newRow("right, wrap") << 0x12u << (right | top | wrap | mnemonic);
    QTest::newRow("one centred line") << 0x25u << (hcenter | vcenter | single | mnemonic);
    // Vertical centring needs a single line.
    QTest::newRow("vcenter without single line") << 0x05u << (hcenter | top | mnemonic);
    QTest::newRow("no prefix") << (DT_NOPREFIX | DT_BOTTOM | DT_SINGLELINE)
                               << (left | bottom | single);
}

void LabelLayoutTest::drawFormatBecomesQtFlags() {
    QFETCH(quint32, format);
    QFETCH(int, flags);
    QCOMPARE(ToQtTextFlags(format), flags);
}

void LabelLayoutTest::logicalFontRoundTrip() {
    LogicalFont lf;
    const QString longName(40, u'x');
    lf.SetFaceName(longName);
    QCOMPARE(lf.FaceName(), QString(31, u'x'));
    QCOMPARE(lf.faceName[31], u'\0');
    lf.SetFaceName(u"DejaVu Sans"_s);
    QCOMPARE(lf.FaceName(), u"DejaVu Sans"_s);
    QCOMPARE(lf.faceName[11], u'\0');  // the tail of the longer name is gone

    lf.nHeight = -20;
    lf.nWeight = FW_BOLD;
    lf.bItalic = 1;
    lf.bUnderline = 1;
    lf.nQuality = NONANTIALIASED_QUALITY;
    const QFont font = ToQFont(lf);
    QCOMPARE(font.family(), u"DejaVu Sans"_s);
    QCOMPARE(font.pixelSize(), 20);
    QCOMPARE(font.weight(), QFont::Bold);
    QVERIFY(font.italic());
    QVERIFY(font.underline());
    QVERIFY(!font.strikeOut());
    QCOMPARE(font.styleStrategy() & QFont::NoAntialias, QFont::NoAntialias);

    QCOMPARE(ToLogicalFont(font, 96), lf);
    QCOMPARE(ToQFont(LogicalFont{}).weight(), QFont::Normal);

    QCOMPARE(ToQColor(0x000000FF), QColor(255, 0, 0));
    QCOMPARE(ToColorRef(QColor(1, 2, 3)), 0x00030201u);
}

void LabelLayoutTest::pointSizeToHeight() {
    QCOMPARE(PointSizeToHeight(90, 96), -12);
    QCOMPARE(PointSizeToHeight(80, 96), -11);  // 10.67 rounds up
    QCOMPARE(PointSizeToHeight(100, 72), -10);
    QCOMPARE(PointSizeToHeight(0, 96), 0);
}

QTEST_MAIN(LabelLayoutTest)
#include "LabelLayoutTest.moc"
