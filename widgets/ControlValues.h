#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include <cstdint>

// The numbers the dialog templates and the label's drawing rules are written in:
// colours as 0x00BBGGRR, control styles, draw-format bits and the logical font.
// They keep their historical values so figures from the templates can be checked
// as they stand; turning them into Qt's colours, flags and fonts happens only in
// the functions at the end of this header.
#include "resources/DialogTemplates.h"

namespace mollwick {

// 0x00BBGGRR: red in the low byte.
using ColorRef = std::uint32_t;

constexpr ColorRef MakeColorRef(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return ColorRef{r} | (ColorRef{g} << 8) | (ColorRef{b} << 16);
}
constexpr std::uint8_t RedOf(ColorRef cr) {
    return static_cast<std::uint8_t>(cr & 0xFF);
}
constexpr std::uint8_t GreenOf(ColorRef cr) {
    return static_cast<std::uint8_t>((cr >> 8) & 0xFF);
}
constexpr std::uint8_t BlueOf(ColorRef cr) {
    return static_cast<std::uint8_t>((cr >> 16) & 0xFF);
}

// Static control styles (the low five bits are the control's type).
constexpr std::uint32_t SS_LEFTNOWORDWRAP = 0x000C;

// Window styles the label switches.
constexpr std::uint32_t WS_EX_STATICEDGE = 0x00020000;

// Text draw-format bits.
constexpr std::uint32_t DT_TOP = 0x0000;
constexpr std::uint32_t DT_LEFT = 0x0000;
constexpr std::uint32_t DT_CENTER = 0x0001;
constexpr std::uint32_t DT_RIGHT = 0x0002;
constexpr std::uint32_t DT_VCENTER = 0x0004;
constexpr std::uint32_t DT_BOTTOM = 0x0008;
constexpr std::uint32_t DT_WORDBREAK = 0x0010;
constexpr std::uint32_t DT_SINGLELINE = 0x0020;
constexpr std::uint32_t DT_EXPANDTABS = 0x0040;
constexpr std::uint32_t DT_NOPREFIX = 0x0800;

// Font weights and qualities of the logical font.
constexpr std::int32_t FW_DONTCARE = 0;
constexpr std::int32_t FW_NORMAL = 400;
constexpr std::int32_t FW_BOLD = 700;
constexpr std::uint8_t DEFAULT_QUALITY = 0;
constexpr std::uint8_t NONANTIALIASED_QUALITY = 3;
constexpr std::uint8_t ANTIALIASED_QUALITY = 4;

// A font described field by field, 92 bytes like the template's. Heights are in
// pixels: negative for the character height, positive for the cell height, 0
// for the default size. Escapement and orientation are tenths of a degree,
// counter-clockwise.
struct LogicalFont {
    static constexpr int kFaceNameSize = 32;  // 31 characters and the terminator

    std::int32_t nHeight = 0;
    std::int32_t nWidth = 0;
    std::int32_t nEscapement = 0;
    std::int32_t nOrientation = 0;
    std::int32_t nWeight = FW_DONTCARE;
    std::uint8_t bItalic = 0;
    std::uint8_t bUnderline = 0;
    std::uint8_t bStrikeOut = 0;
    std::uint8_t nCharSet = 0;
    std::uint8_t nOutPrecision = 0;
    std::uint8_t nClipPrecision = 0;
    std::uint8_t nQuality = DEFAULT_QUALITY;
    std::uint8_t nPitchAndFamily = 0;
    char16_t faceName[kFaceNameSize] = {};

    QString FaceName() const;
    // Copies at most 31 characters and always ends the field with a terminator.
    void SetFaceName(const QString& name);

    friend bool operator==(const LogicalFont&, const LogicalFont&) = default;
};
static_assert(sizeof(LogicalFont) == 92);

// --- The one place where these numbers become Qt's ---

QColor ToQColor(ColorRef cr);
ColorRef ToColorRef(const QColor& colour);

// Qt alignment and text flags for a draw format.
int ToQtTextFlags(std::uint32_t format);

// The font a logical font describes. Escapement is not part of a QFont: the
// painter turns the text (see CLabel).
QFont ToQFont(const LogicalFont& lf);
// The description of a font, heights in pixels at dpiY dots per inch.
LogicalFont ToLogicalFont(const QFont& font, int dpiY);
// The character height in pixels of a font of tenthsOfPoint at dpiY, as a
// negative logical height (rounded to the nearest pixel).
std::int32_t PointSizeToHeight(int tenthsOfPoint, int dpiY);

}  // namespace mollwick
