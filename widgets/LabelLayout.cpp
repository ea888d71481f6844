#include "widgets/LabelLayout.h"

#include <algorithm>

namespace mollwick {

std::uint32_t TextFormatFromStyle(std::uint32_t style, const QString& text) {
    if (style & SS_CENTERIMAGE) {
        // Centred in the middle of the control, unless the text has line breaks
        // of its own: a single line cannot hold them.
        return text.contains(u"\r\n") ? DT_CENTER : DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    }
    std::uint32_t format = 0;
    switch (style & SS_TYPEMASK) {
        case SS_CENTER:
            format = DT_CENTER | DT_WORDBREAK;
            break;
        case SS_RIGHT:
            format = DT_RIGHT | DT_WORDBREAK;
            break;
        case SS_LEFTNOWORDWRAP:
            format = DT_LEFT;
            break;
        default:  // SS_LEFT and every type that is not a text type
            format = DT_WORDBREAK;
            break;
    }
    if (text.contains(u'\t')) {
        format |= DT_EXPANDTABS;
    }
    return format;
}

GradientPlan PlanGradient(int left, int right, ColorRef start, ColorRef end) {
    GradientPlan plan;
    const int width = right - left;
    const int count = std::min(width, kMaxGradientStrips);
    const int divisor = std::max(count, 1);
    plan.nStepRed = (RedOf(end) - RedOf(start)) * 256 / divisor;
    plan.nStepGreen = (GreenOf(end) - GreenOf(start)) * 256 / divisor;
    plan.nStepBlue = (BlueOf(end) - BlueOf(start)) * 256 / divisor;
    const int stripWidth = width / divisor;
    if (count <= 0) {
        return plan;
    }
    plan.strips.reserve(static_cast<std::size_t>(count));
    int r = RedOf(start) * 256;
    int g = GreenOf(start) * 256;
    int b = BlueOf(start) * 256;
    int x = left;
    for (int i = 0; i < count; ++i) {
        const int edge = i == count - 1 ? right : x + stripWidth;
        plan.strips.push_back(
            {x, edge,
             MakeColorRef(static_cast<std::uint8_t>(r / 256), static_cast<std::uint8_t>(g / 256),
                          static_cast<std::uint8_t>(b / 256))});
        r += plan.nStepRed;
        g += plan.nStepGreen;
        b += plan.nStepBlue;
        x = edge;
    }
    return plan;
}

QPoint RotatedTextOrigin(int width, int height) {
    return QPoint(width / 2, height / 2);
}

}  // namespace mollwick
