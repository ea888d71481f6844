#include "widgets/Label.h"

#include <QDesktopServices>
#include <QEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include "widgets/LabelLayout.h"

using namespace mollwick;
using namespace Qt::StringLiterals;

std::function<void(const QUrl&)> CLabel::s_openUrl = [](const QUrl& url) {
    QDesktopServices::openUrl(url);
};

namespace {

// Line breaks as the text layout knows them: CR LF and a lone CR become LF.
QString WithLineFeeds(QString text) {
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\r', u'\n');
    return text;
}

// Strips drawn without an outline cover their columns and every row but the
// last: the bottom row keeps what the surface held before.
void DrawGradient(QPainter& painter, const QRect& area, ColorRef start, ColorRef end) {
    const GradientPlan plan = PlanGradient(area.left(), area.left() + area.width(), start, end);
    const int rows = area.height() - 1;
    if (rows <= 0) {
        return;
    }
    for (const GradientStrip& strip : plan.strips) {
        painter.fillRect(QRect(strip.left, area.top(), strip.right - strip.left, rows),
                         ToQColor(strip.colour));
    }
}

}  // namespace

CLabel::CLabel(QWidget* parent)
    : QWidget(parent),
      m_crText(ToColorRef(palette().color(QPalette::WindowText))),
      m_crDefaultBrush(ToColorRef(palette().color(QPalette::Button))) {
    // The label takes over the font it is given when it is placed.
    m_lf = ToLogicalFont(font(), logicalDpiY());
    m_font = ToQFont(m_lf);
    // The erase draws nothing: the paint covers the whole client area itself.
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    SetStyle(m_nStyle);
    m_pBlinkTimer = new QTimer(this);
    m_pBlinkTimer->setObjectName(u"blinkTimer"_s);
    m_pBlinkTimer->setInterval(kBlinkTimerMs);
    connect(m_pBlinkTimer, &QTimer::timeout, this, &CLabel::OnTimer);
}

CLabel::~CLabel() = default;

// --- Setters ---

CLabel& CLabel::SetBackground(ColorRef start, ColorRef end, bool gradient) {
    m_crBack = start;
    m_crGradientEnd = end;
    m_bGradient = gradient;
    m_backBrush.reset();
    if (!gradient) {
        m_backBrush = start;
    }
    Repaint();
    return *this;
}

CLabel& CLabel::SetTextColor(ColorRef colour) {
    m_crText = colour;
    Repaint();
    return *this;
}

CLabel& CLabel::SetText(const QString& text) {
    m_strText = text;
    Repaint();
    return *this;
}

CLabel& CLabel::SetBold(bool bold) {
    m_lf.nWeight = bold ? FW_BOLD : FW_NORMAL;
    RebuildFont();
    Repaint();
    return *this;
}

CLabel& CLabel::SetFaceName(const QString& faceName, std::uint8_t charSet) {
    m_lf.nCharSet = charSet;
    m_lf.SetFaceName(faceName);
    RebuildFont();
    Repaint();
    return *this;
}

CLabel& CLabel::SetUnderline(bool underline) {
    m_lf.bUnderline = underline ? 1 : 0;
    RebuildFont();
    Repaint();
    return *this;
}

CLabel& CLabel::SetItalic(bool italic) {
    m_lf.bItalic = italic ? 1 : 0;
    RebuildFont();
    Repaint();
    return *this;
}

CLabel& CLabel::SetPointSize(int pointSize) {
    // A font made from a point size has a height and no width of its own.
    m_lf.nHeight = PointSizeToHeight(pointSize * 10, logicalDpiY());
    m_lf.nWidth = 0;
    RebuildFont();
    Repaint();
    return *this;
}

CLabel& CLabel::SetStaticEdge(bool edge) {
    ModifyStyleEx(edge ? 0 : WS_EX_STATICEDGE, edge ? WS_EX_STATICEDGE : 0);
    UpdateFrame();
    return *this;
}

CLabel& CLabel::SetBorder(bool border) {
    ModifyStyle(border ? 0 : WS_BORDER, border ? WS_BORDER : 0);
    UpdateFrame();
    return *this;
}

CLabel& CLabel::SetTransparent(bool transparent) {
    m_bTransparent = transparent;
    // The extended style is only ever added, whatever the argument.
    ModifyStyleEx(0, WS_EX_TRANSPARENT);
    setAttribute(Qt::WA_OpaquePaintEvent, !transparent);
    Repaint();
    return *this;
}

CLabel& CLabel::BlinkText(bool blink) {
    if (blink) {
        StartBlink(1);
    } else {
        StopBlink();
        m_nBlinkMode = 0;
    }
    return *this;
}

CLabel& CLabel::BlinkBackground(bool blink) {
    if (blink) {
        StartBlink(2);
    } else {
        StopBlink();  // the mode stays
    }
    return *this;
}

CLabel& CLabel::SetWebLink(bool link, bool notify) {
    m_nLinkMode = link ? 1 : 0;
    m_bNotifyParent = notify;
    ModifyStyle(m_nLinkMode ? 0 : SS_NOTIFY, m_nLinkMode ? SS_NOTIFY : 0);
    return *this;
}

CLabel& CLabel::SetLinkCursor(std::optional<QCursor> cursor) {
    m_linkCursor = std::move(cursor);
    if (m_linkCursor) {
        setCursor(*m_linkCursor);
    } else {
        unsetCursor();
    }
    return *this;
}

CLabel& CLabel::SetTextShadow(bool shadow, bool downRight) {
    m_bShadow = shadow;
    m_bShadowDownRight = downRight;
    Repaint();
    return *this;
}

CLabel& CLabel::SetRotation(int angle, bool rotate) {
    m_lf.nEscapement = angle * 10;
    m_lf.nOrientation = angle * 10;
    m_bRotate = rotate;
    RebuildFont();
    Repaint();
    return *this;
}

CLabel& CLabel::SetShadowColor(ColorRef colour) {
    m_crShadow = colour;
    Repaint();
    return *this;
}

CLabel& CLabel::SetLogFont(LogicalFont lf) {
    m_lf = lf;
    RebuildFont();
    Repaint();
    return *this;
}

CLabel& CLabel::SetMailLink(bool link, bool notify) {
    m_nLinkMode = link ? 2 : 0;
    m_bNotifyParent = notify;
    ModifyStyle(m_nLinkMode ? 0 : SS_NOTIFY, m_nLinkMode ? SS_NOTIFY : 0);
    return *this;
}

CLabel& CLabel::SetLinkTarget(const QString& target) {
    m_strLinkTarget = target;
    return *this;
}

// --- The control ---

void CLabel::SetStyle(std::uint32_t style) {
    m_nStyle = style;
    // A static control only takes clicks (and shows its cursor) with SS_NOTIFY;
    // otherwise they fall through to the window underneath.
    setAttribute(Qt::WA_TransparentForMouseEvents, !(style & SS_NOTIFY));
    UpdateFrame();
}

void CLabel::ModifyStyle(std::uint32_t remove, std::uint32_t add) {
    SetStyle((m_nStyle & ~remove) | add);
}

void CLabel::ModifyStyleEx(std::uint32_t remove, std::uint32_t add) {
    m_nExStyle = (m_nExStyle & ~remove) | add;
}

QRect CLabel::ClientRect() const {
    return contentsRect();
}

void CLabel::UpdateFrame() {
    const int frame = ((m_nStyle & WS_BORDER) ? 1 : 0) + ((m_nExStyle & WS_EX_STATICEDGE) ? 1 : 0);
    setContentsMargins(frame, frame, frame, frame);
    update();
}

void CLabel::RebuildFont() {
    m_font = ToQFont(m_lf);
}

void CLabel::Repaint() {
    // Qt paints what lies under a see-through widget in the same pass, so the
    // parent needs no separate invalidation for a transparent label.
    if (isVisible()) {
        repaint();
    }
}

// --- Blinking ---

void CLabel::StartBlink(int mode) {
    StopBlink();
    m_bBlinkState = false;
    m_bTimerStarted = true;
    m_pBlinkTimer->start();
    m_nBlinkMode = mode;
}

void CLabel::StopBlink() {
    if (m_bTimerStarted) {
        m_pBlinkTimer->stop();
    }
}

void CLabel::OnTimer() {
    m_bBlinkState = !m_bBlinkState;
    Repaint();
}

// --- Events ---

void CLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter screen(this);

    // Border and edge lie outside the client area, as a frame does.
    QRect frame = rect();
    if (m_nStyle & WS_BORDER) {
        screen.setPen(palette().color(QPalette::Shadow));
        screen.drawRect(frame.adjusted(0, 0, -1, -1));
        frame.adjust(1, 1, -1, -1);
    }
    if (m_nExStyle & WS_EX_STATICEDGE) {
        screen.setPen(palette().color(QPalette::Mid));
        screen.drawLine(frame.topLeft(), frame.topRight());
        screen.drawLine(frame.topLeft(), frame.bottomLeft());
        screen.setPen(palette().color(QPalette::Light));
        screen.drawLine(frame.bottomLeft(), frame.bottomRight());
        screen.drawLine(frame.topRight(), frame.bottomRight());
    }

    const QRect client = ClientRect();
    const int width = client.width();
    const int height = client.height();
    if (width <= 0 || height <= 0) {
        return;
    }

    // A label with a background is composed off-screen and copied in one go, so
    // the screen never shows the background without its text. A fresh image
    // starts black, which is what the gradient's bottom row keeps.
    QImage image;
    QPainter offscreen;
    QPainter* painter = &screen;
    if (!m_bTransparent) {
        const qreal ratio = devicePixelRatioF();
        image = QImage(QSize(width, height) * ratio, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::black);
        offscreen.begin(&image);
        painter = &offscreen;
    } else {
        screen.setClipRect(client);
        screen.translate(client.topLeft());
    }

    painter->setFont(m_font);
    const QRect area(0, 0, width, height);
    const bool blinking = m_pBlinkTimer->isActive();

    if (!m_bTransparent) {
        // A background blink shows the default background in its hidden phase.
        const bool backHidden = m_nBlinkMode == 2 && !m_bBlinkState && blinking;
        if (m_bGradient && !backHidden) {
            DrawGradient(*painter, area, m_crBack, m_crGradientEnd);
        } else {
            const ColorRef back =
                backHidden ? m_crDefaultBrush : m_backBrush.value_or(m_crDefaultBrush);
            painter->fillRect(area, ToQColor(back));
        }
    }

    // In the hidden phase of a text blink the text takes the colour of the solid
    // custom background, or black when there is none.
    ColorRef textColour = m_crText;
    if (!m_bBlinkState && m_nBlinkMode == 1) {
        textColour = m_backBrush.value_or(0);
    }
    painter->setPen(ToQColor(textColour));

    const QString text = WithLineFeeds(m_strText);
    if (m_bRotate) {
        // One line, its baseline starting at the centre, turned by the escapement.
        painter->save();
        painter->translate(RotatedTextOrigin(width, height));
        painter->rotate(-m_lf.nEscapement / 10.0);
        painter->drawText(QPointF(0, 0), text);
        painter->restore();
    } else {
        const int flags = ToQtTextFlags(TextFormatFromStyle(m_nStyle, m_strText));
        painter->drawText(area, flags, text);
        if (m_bShadow) {
            // The shadow goes over the first copy.
            const int offset = m_bShadowDownRight ? 1 : -1;
            painter->setPen(ToQColor(m_crShadow));
            painter->drawText(area.translated(offset, offset), flags, text);
        }
    }

    if (!m_bTransparent) {
        offscreen.end();
        screen.drawImage(client.topLeft(), image);
    }
}

void CLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    OnLButtonDown();
    // Handled here: the click does not travel on to the parent.
    event->accept();
}

void CLabel::OnLButtonDown() {
    if (m_bNotifyParent) {
        const LabelNotifyHeader header{this, m_nCtrlId, LABEL_NOTIFY_CLICK};
        Q_EMIT NotifyParent(m_nCtrlId, header);
        return;
    }
    if (!s_openUrl) {
        return;
    }
    if (m_nLinkMode == 1) {
        s_openUrl(QUrl::fromUserInput(m_strLinkTarget.isEmpty() ? m_strText : m_strLinkTarget));
    } else if (m_nLinkMode == 2) {
        // The address is always the text shown; the link target plays no part.
        s_openUrl(QUrl(u"mailto:"_s + m_strText));
    }
}

void CLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        OnSysColorChange();
    }
    QWidget::changeEvent(event);
}

void CLabel::OnSysColorChange() {
    // Only the default background follows; the text keeps the colour read at construction.
    m_crDefaultBrush = ToColorRef(palette().color(QPalette::Button));
    Repaint();
}
