#include "widgets/MySizingWnd.h"

#include <QFont>
#include <QFontMetrics>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QWidget>
#include <cmath>

#include "widgets/DialogUnits.h"

namespace {

int CellHeightAt(QFont font, int pixelSize) {
    font.setPixelSize(pixelSize);
    return QFontMetrics(font).height();
}

// A font's height field asks for a cell height (ascent plus descent) while Qt
// sizes fonts by their em; take the largest pixel size whose cell still fits.
int PixelSizeForCellHeight(const QFont& font, int cellHeight) {
    constexpr int kProbe = 100;
    const int probeHeight = CellHeightAt(font, kProbe);
    int pixelSize =
        probeHeight > 0 ? (cellHeight * kProbe + probeHeight / 2) / probeHeight : cellHeight;
    if (pixelSize < 1) {
        pixelSize = 1;
    }
    // Hinting makes the cell height step unevenly; a few steps either way settle it.
    for (int step = 0; step < 8 && pixelSize > 1 && CellHeightAt(font, pixelSize) > cellHeight;
         ++step) {
        --pixelSize;
    }
    for (int step = 0; step < 8 && CellHeightAt(font, pixelSize + 1) <= cellHeight; ++step) {
        ++pixelSize;
    }
    return pixelSize;
}

int TruncScaled(int value, double factor) {
    return static_cast<int>(std::trunc(value * factor));
}

}  // namespace

void CMySizingWnd::OnAfterResize(double /*dScaleX*/, double /*dScaleY*/) {}

void CMySizingWnd::OnBeforeResize() {}

void CMySizingWnd::ResizeChildren(int cx, int cy, QWidget* dlg) {
    if (!m_bReady || m_bResized) {
        return;
    }
    OnBeforeResize();

    const QSize design = DialogSizeToPixels(m_nDesignCx, m_nDesignCy, BaseUnitsOfFont(dlg->font()));
    m_dScaleX = static_cast<double>(cx) / design.width();
    m_dScaleY = static_cast<double>(cy) / design.height();
    // A minimized window has no client area; keep the factors usable.
    if (m_dScaleX == 0.0) {
        m_dScaleX = 0.1;
    }
    if (m_dScaleY == 0.0) {
        m_dScaleY = 0.1;
    }

    if (!m_bNoMove || m_bClassFonts) {
        // Direct children in creation order; top-level widgets parented to the
        // dialog (menus, other dialogs) are not its controls.
        for (QObject* object : dlg->children()) {
            auto* child = qobject_cast<QWidget*>(object);
            if (child == nullptr || child->isWindow()) {
                continue;
            }
            if (!m_bNoMove) {
                const QRect r = child->geometry();
                child->setGeometry(TruncScaled(r.x(), m_dScaleX), TruncScaled(r.y(), m_dScaleY),
                                   TruncScaled(r.width(), m_dScaleX),
                                   TruncScaled(r.height(), m_dScaleY));
            }
            if (m_bClassFonts) {
                const QString className = child->property(kTemplateClassProperty).toString();
                if (!className.isEmpty()) {
                    ApplyClassFont(child, className);
                }
            }
        }
    }

    m_bResized = true;
    OnAfterResize(m_dScaleX, m_dScaleY);
}

void CMySizingWnd::ApplyClassFont(QWidget* child, const QString& className) {
    // Every widget has a font; one it merely inherits from the dialog is not its own.
    if (!child->testAttribute(Qt::WA_SetFont)) {
        return;
    }
    struct ClassHeight {
        const char* name;
        int CMySizingWnd::*height;
    };
    static constexpr ClassHeight kTable[] = {
        {"ComboBox", &CMySizingWnd::m_nComboFontHeight},
        {"Button", &CMySizingWnd::m_nButtonFontHeight},
        {"Static", &CMySizingWnd::m_nStaticFontHeight},
        {"SysListView32", &CMySizingWnd::m_nListFontHeight},
        {"Edit", &CMySizingWnd::m_nEditFontHeight},
        {"SysTabControl32", &CMySizingWnd::m_nListFontHeight},
    };
    for (const ClassHeight& entry : kTable) {
        if (className.compare(QLatin1String(entry.name), Qt::CaseInsensitive) != 0) {
            continue;
        }
        const int height = this->*entry.height;
        if (height > 0) {
            QFont font = child->font();
            font.setPixelSize(PixelSizeForCellHeight(font, height));
            child->setFont(font);
        }
        return;
    }
}
