#include <QFont>
#include <QFontMetrics>
#include <QTest>
#include <climits>

#include "widgets/DialogUnits.h"

class DialogUnitsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void mulDivRoundsHalfAwayFromZero();
    void baseUnitsFollowTheFontMetrics();
    void eachRectComponentIsConvertedOnItsOwn();
};

void DialogUnitsTest::mulDivRoundsHalfAwayFromZero() {
    struct Case {
        int number, numerator, denominator, expected;
    };
    const Case cases[] = {
        {7, 5, 4, 9},              // 8.75
        {3, 7, 4, 5},              // 5.25
        {1, 6, 4, 2},              // 1.5 rounds up
        {-1, 6, 4, -2},            // -1.5 rounds away from zero
        {1, -6, 4, -2},            //
        {1, 6, -4, -2},            //
        {-1, -6, 4, 2},            //
        {-5, 1, 2, -3},            // -2.5
        {5, 3, 0, -1},             // no divisor
        {INT_MAX, 2, 2, INT_MAX},  // the product needs 64 bits
        {INT_MAX, 4, 2, -1},       // the result does not fit
        {580, 7, 4, 1015},         //
        {350, 15, 8, 656},         // 656.25
    };
    for (const Case& c : cases) {
        QCOMPARE(MulDivRound(c.number, c.numerator, c.denominator), c.expected);
    }
}

void DialogUnitsTest::baseUnitsFollowTheFontMetrics() {
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    int previousX = 0;
    for (int pointSize : {6, 8, 10, 13, 20, 31}) {
        QFont font(QStringLiteral("EB Garamond"));
        font.setPointSize(pointSize);
        const QFontMetrics metrics(font);
        const DialogBaseUnits base = BaseUnitsOfFont(font);
        // The average letter width, with a half rounded up.
        const int width = metrics.horizontalAdvance(letters);
        QCOMPARE(base.x, (2 * width + 52) / 104);
        QCOMPARE(base.y, metrics.height());
        QVERIFY2(base.x >= previousX, qPrintable(QString::number(pointSize)));
        previousX = base.x;
    }
    QVERIFY(previousX > 0);
}

void DialogUnitsTest::eachRectComponentIsConvertedOnItsOwn() {
    const DialogBaseUnits base{7, 15};
    struct Case {
        int x, y, cx, cy;
        QRect expected;
    };
    const Case cases[] = {
        // x 1.75, width 1.75: the right edge lands at 4, not at round(3.5).
        {1, 1, 1, 1, QRect(2, 2, 2, 2)},
        {10, 15, 33, 21, QRect(18, 28, 58, 39)},  // 17.5, 28.125, 57.75, 39.375
        {0, 0, 580, 350, QRect(0, 0, 1015, 656)},
    };
    for (const Case& c : cases) {
        QCOMPARE(DialogRectToPixels(c.x, c.y, c.cx, c.cy, base), c.expected);
    }
    QCOMPARE(DialogSizeToPixels(580, 350, base), QSize(1015, 656));
}

QTEST_MAIN(DialogUnitsTest)
#include "DialogUnitsTest.moc"
