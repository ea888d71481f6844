#pragma once

#include <QRect>
#include <QSize>

class QFont;

// Dialog units are a quarter of the dialog font's average character width
// horizontally and an eighth of its height vertically; the base units below
// are that width and that height in pixels.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;
};

// number * numerator / denominator with a 64-bit intermediate, rounded half away
// from zero. -1 when the denominator is 0 or the result does not fit in an int.
int MulDivRound(int number, int numerator, int denominator);

// The base units of a font: x is the average advance of the 52 letters A-Z and
// a-z, rounded as (width / 26 + 1) / 2; y is the font's height.
DialogBaseUnits BaseUnitsOfFont(const QFont& font);

int DialogUnitsToPixelsX(int dialogUnits, DialogBaseUnits base);
int DialogUnitsToPixelsY(int dialogUnits, DialogBaseUnits base);

// Each of x, y, width and height is converted on its own, as controls are
// placed from a template; the right edge is therefore not always the converted
// x + width.
QRect DialogRectToPixels(int x, int y, int cx, int cy, DialogBaseUnits base);
QSize DialogSizeToPixels(int cx, int cy, DialogBaseUnits base);
