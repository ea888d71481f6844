#include "widgets/ControlValues.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace mollwick {

QString LogicalFont::FaceName() const {
    int length = 0;
    while (length < kFaceNameSize && faceName[length] != u'\0') {
        ++length;
    }
    return QString::fromUtf16(faceName, length);
}

void LogicalFont::SetFaceName(const QString& name) {
    const int length = std::min<int>(static_cast<int>(name.size()), kFaceNameSize - 1);
    std::fill(std::begin(faceName), std::end(faceName), u'\0');
    for (int i = 0; i < length; ++i) {
        faceName[i] = name[i].unicode();
    }
}

QColor ToQColor(ColorRef cr) {
    return QColor(RedOf(cr), GreenOf(cr), BlueOf(cr));
}

ColorRef ToColorRef(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return MakeColorRef(static_cast<std::uint8_t>(rgb.red()),
                        static_cast<std::uint8_t>(rgb.green()),
                        static_cast<std::uint8_t>(rgb.blue()));
}

int ToQtTextFlags(std::uint32_t format) {
    int flags = 0;
    if (format & DT_CENTER) {
        flags |= Qt::AlignHCenter;
    } else if (format & DT_RIGHT) {
        flags |= Qt::AlignRight;
    } else {
        flags |= Qt::AlignLeft;
    }
    // Vertical placement is only honoured on a single line; several lines start at the top.
    if (format & DT_SINGLELINE) {
        flags |= Qt::TextSingleLine;
        if (format & DT_VCENTER) {
            flags |= Qt::AlignVCenter;
        } else if (format & DT_BOTTOM) {
            flags |= Qt::AlignBottom;
        } else {
            flags |= Qt::AlignTop;
        }
    } else {
        flags |= Qt::AlignTop;
    }
    if (format & DT_WORDBREAK) {
        flags |= Qt::TextWordWrap;
    }
    if (format & DT_EXPANDTABS) {
        flags |= Qt::TextExpandTabs;
    }
    // Without DT_NOPREFIX an ampersand marks the next character and "&&" shows one.
    if (!(format & DT_NOPREFIX)) {
        flags |= Qt::TextShowMnemonic;
    }
    return flags;
}

QFont ToQFont(const LogicalFont& lf) {
    QFont font;
    const QString face = lf.FaceName();
    if (!face.isEmpty()) {
        font.setFamilies({face});
    }
    if (lf.nHeight < 0) {
        font.setPixelSize(-lf.nHeight);
    } else if (lf.nHeight > 0) {
        // A positive height is the whole cell; scale the em size down so the cell fits it.
        font.setPixelSize(lf.nHeight);
        const int cell = QFontMetrics(font).height();
        if (cell > 0) {
            font.setPixelSize(
                std::max(1, static_cast<int>(std::lround(double(lf.nHeight) * lf.nHeight / cell))));
        }
    }
    font.setWeight(lf.nWeight == FW_DONTCARE
                       ? QFont::Normal
                       : static_cast<QFont::Weight>(std::clamp(lf.nWeight, 1, 1000)));
    font.setItalic(lf.bItalic != 0);
    font.setUnderline(lf.bUnderline != 0);
    font.setStrikeOut(lf.bStrikeOut != 0);
    if (lf.nQuality == NONANTIALIASED_QUALITY) {
        font.setStyleStrategy(QFont::NoAntialias);
    } else if (lf.nQuality == ANTIALIASED_QUALITY) {
        font.setStyleStrategy(QFont::PreferAntialias);
    }
    if (lf.nWidth > 0) {
        // A width is the average character width; stretch the face to reach it.
        const int average = QFontMetrics(font).averageCharWidth();
        if (average > 0) {
            font.setStretch(std::clamp(lf.nWidth * 100 / average, 1, 4000));
        }
    }
    return font;
}

LogicalFont ToLogicalFont(const QFont& font, int dpiY) {
    LogicalFont lf;
    if (font.pixelSize() > 0) {
        lf.nHeight = -font.pixelSize();
    } else {
        lf.nHeight = -static_cast<std::int32_t>(std::lround(font.pointSizeF() * dpiY / 72.0));
    }
    lf.nWeight = font.weight();
    lf.bItalic = font.italic() ? 1 : 0;
    lf.bUnderline = font.underline() ? 1 : 0;
    lf.bStrikeOut = font.strikeOut() ? 1 : 0;
    if (font.styleStrategy() & QFont::NoAntialias) {
        lf.nQuality = NONANTIALIASED_QUALITY;
    } else if (font.styleStrategy() & QFont::PreferAntialias) {
        lf.nQuality = ANTIALIASED_QUALITY;
    }
    lf.SetFaceName(font.family());
    return lf;
}

std::int32_t PointSizeToHeight(int tenthsOfPoint, int dpiY) {
    // tenths of a point -> pixels: dpi / 720 per tenth, rounded to the nearest.
    const long long scaled = static_cast<long long>(tenthsOfPoint) * dpiY;
    const long long pixels = (std::llabs(scaled) + 360) / 720;
    return -static_cast<std::int32_t>(pixels);
}

}  // namespace mollwick
