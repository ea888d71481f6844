#pragma once

#include <QPoint>
#include <QString>

#include <cstdint>
#include <vector>

#include "widgets/ControlValues.h"

// What the label draws, worked out without a widget.
namespace mollwick {

// The draw format for a static control's style and its text.
std::uint32_t TextFormatFromStyle(std::uint32_t style, const QString& text);

// One vertical strip of a gradient: columns left up to right - 1.
struct GradientStrip {
    int left = 0;
    int right = 0;
    ColorRef colour = 0;
    friend bool operator==(const GradientStrip&, const GradientStrip&) = default;
};

// A left-to-right gradient over columns left up to right - 1: at most 100 strips
// of equal width, the last one taking what is left. Colours move in fixed
// integer steps of (end - start) * 256 / strips per strip, in 1/256 units, so
// the end colour is only approached.
struct GradientPlan {
    int nStepRed = 0;  // per strip, in 1/256 of a colour level
    int nStepGreen = 0;
    int nStepBlue = 0;
    std::vector<GradientStrip> strips;
};

constexpr int kMaxGradientStrips = 100;

GradientPlan PlanGradient(int left, int right, ColorRef start, ColorRef end);

// Where rotated text starts: the centre of a width x height client area, each
// half cut toward zero. The text's baseline runs through this point.
QPoint RotatedTextOrigin(int width, int height);

}  // namespace mollwick
