#include "widgets/DialogUnits.h"

#include <QFont>
#include <QFontMetrics>
#include <QString>
#include <cstdint>
#include <limits>

int MulDivRound(int number, int numerator, int denominator) {
    if (denominator == 0) {
        return -1;
    }
    const std::int64_t product = std::int64_t{number} * numerator;
    const bool negative = (product < 0) != (denominator < 0);
    const std::int64_t magnitude = product < 0 ? -product : product;
    const std::int64_t divisor = denominator < 0 ? -std::int64_t{denominator} : denominator;
    std::int64_t result = (magnitude + divisor / 2) / divisor;
    if (negative) {
        result = -result;
    }
    if (result > std::numeric_limits<int>::max() || result < -std::numeric_limits<int>::max()) {
        return -1;
    }
    return static_cast<int>(result);
}

DialogBaseUnits BaseUnitsOfFont(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return DialogBaseUnits{(width / 26 + 1) / 2, metrics.height()};
}

int DialogUnitsToPixelsX(int dialogUnits, DialogBaseUnits base) {
    return MulDivRound(dialogUnits, base.x, 4);
}

int DialogUnitsToPixelsY(int dialogUnits, DialogBaseUnits base) {
    return MulDivRound(dialogUnits, base.y, 8);
}

QRect DialogRectToPixels(int x, int y, int cx, int cy, DialogBaseUnits base) {
    return QRect(DialogUnitsToPixelsX(x, base), DialogUnitsToPixelsY(y, base),
                 DialogUnitsToPixelsX(cx, base), DialogUnitsToPixelsY(cy, base));
}

QSize DialogSizeToPixels(int cx, int cy, DialogBaseUnits base) {
    return QSize(DialogUnitsToPixelsX(cx, base), DialogUnitsToPixelsY(cy, base));
}
