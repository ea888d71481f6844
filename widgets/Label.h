#pragma once

#include <QCursor>
#include <QFont>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

#include "widgets/ControlValues.h"

namespace mollwick {

// Sent to the parent when a label that notifies is clicked.
constexpr std::uint32_t LABEL_NOTIFY_CLICK = 0x8200;

// What a notifying label tells its parent: who, which control, what happened.
struct LabelNotifyHeader {
    QWidget* pFrom = nullptr;
    int nIdFrom = 0;
    std::uint32_t nCode = 0;
};

}  // namespace mollwick

// A static text control that draws itself: its own text colour and font, a
// solid, gradient or no background, a one-pixel shadow copy of the text,
// rotated text from its centre, a blinking text, and clicks that open a web or
// mail link or tell the parent.
//
// It stands over a static control of a dialog template: the dialog gives it the
// control's rectangle, id, styles and text. Its font starts as the widget's
// font when it is constructed (the parent's, unless set), so font setters
// called before that have nothing to work on.
//
// Colours are 0x00BBGGRR; every setter returns the label so calls chain.
class CLabel : public QWidget {
    Q_OBJECT

public:
    using ColorRef = mollwick::ColorRef;
    using LogicalFont = mollwick::LogicalFont;

    explicit CLabel(QWidget* parent = nullptr);
    ~CLabel() override;

    // --- The setters ---
    // A solid background of start when gradient is false, else a left-to-right
    // gradient from start to end.
    CLabel& SetBackground(ColorRef start, ColorRef end = 0, bool gradient = false);
    CLabel& SetTextColor(ColorRef colour);
    CLabel& SetText(const QString& text);
    CLabel& SetBold(bool bold);
    // At most 31 characters of the face name are kept.
    CLabel& SetFaceName(const QString& faceName, std::uint8_t charSet = 0);
    CLabel& SetUnderline(bool underline);
    CLabel& SetItalic(bool italic);
    // Keeps the face name; replaces the height and width with those of a font of
    // pointSize points on the screen.
    CLabel& SetPointSize(int pointSize);
    CLabel& SetStaticEdge(bool edge);
    CLabel& SetBorder(bool border);
    // A transparent label draws no background; the parent shows through.
    CLabel& SetTransparent(bool transparent);
    CLabel& BlinkText(bool blink);
    CLabel& BlinkBackground(bool blink);
    // A click opens the link target, or the text when there is no target; with
    // notify the parent is told instead (NotifyParent) and nothing opens.
    CLabel& SetWebLink(bool link, bool notify = false);
    // std::nullopt leaves the cursor to the parent.
    CLabel& SetLinkCursor(std::optional<QCursor> cursor);
    // Down-right puts the shadow one pixel right and down, else one left and up.
    CLabel& SetTextShadow(bool shadow, bool downRight = true);
    // Angle in degrees, counter-clockwise; with rotate the text is drawn as one
    // line whose baseline starts at the centre.
    CLabel& SetRotation(int angle, bool rotate);
    CLabel& SetShadowColor(ColorRef colour);
    CLabel& SetLogFont(LogicalFont lf);
    // A click opens "mailto:" and the text; the link target plays no part.
    CLabel& SetMailLink(bool link, bool notify = false);
    CLabel& SetLinkTarget(const QString& target);

    // --- The control it stands for ---
    void SetDlgCtrlID(int id) { m_nCtrlId = id; }
    int GetDlgCtrlID() const { return m_nCtrlId; }
    // The control's styles (SS_*, WS_*); the text format and clicks follow them.
    void SetStyle(std::uint32_t style);
    std::uint32_t GetStyle() const { return m_nStyle; }
    std::uint32_t GetExStyle() const { return m_nExStyle; }
    // Removes then adds style bits.
    void ModifyStyle(std::uint32_t remove, std::uint32_t add);
    void ModifyStyleEx(std::uint32_t remove, std::uint32_t add);
    QString GetWindowText() const { return m_strText; }

    // --- What the label holds ---
    ColorRef TextColor() const { return m_crText; }
    ColorRef ShadowColor() const { return m_crShadow; }
    ColorRef DefaultBackColor() const { return m_crDefaultBrush; }
    std::optional<ColorRef> BackBrushColor() const { return m_backBrush; }
    ColorRef BackColor() const { return m_crBack; }
    ColorRef GradientEndColor() const { return m_crGradientEnd; }
    bool IsGradient() const { return m_bGradient; }
    bool IsTransparent() const { return m_bTransparent; }
    const LogicalFont& LogFont() const { return m_lf; }
    const QFont& Font() const { return m_font; }
    bool BlinkState() const { return m_bBlinkState; }
    int BlinkMode() const { return m_nBlinkMode; }
    int LinkMode() const { return m_nLinkMode; }
    bool NotifiesParent() const { return m_bNotifyParent; }
    bool IsRotated() const { return m_bRotate; }
    QString LinkTarget() const { return m_strLinkTarget; }
    // The area inside the border and edge, in widget coordinates.
    QRect ClientRect() const;

    // One blink tick: turns the phase and repaints. The blink timer calls it.
    void OnTimer();

    static constexpr int kBlinkTimerMs = 500;

    // Opens a link with the desktop's handler. Tests put a recorder here.
    static std::function<void(const QUrl&)> s_openUrl;

Q_SIGNALS:
    // The click of a label that notifies: the control id and a header whose code
    // is LABEL_NOTIFY_CLICK. Delivered at once (connect directly).
    void NotifyParent(int nCtrlId, const mollwick::LabelNotifyHeader& header);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Repaint();
    void RebuildFont();
    void StartBlink(int mode);
    void StopBlink();
    void UpdateFrame();
    void OnLButtonDown();
    void OnSysColorChange();

    ColorRef m_crText;
    ColorRef m_crShadow = 0x00FFFFFF;
    ColorRef m_crDefaultBrush;            // the button-face colour
    std::optional<ColorRef> m_backBrush;  // only while a solid custom background is set
    LogicalFont m_lf;
    QFont m_font;
    bool m_bBlinkState = false;    // false is the hidden phase
    bool m_bTimerStarted = false;  // set by the first blink, never cleared
    int m_nLinkMode = 0;           // 0 none, 1 web, 2 mail
    bool m_bTransparent = false;
    bool m_bShadow = false;
    bool m_bNotifyParent = false;
    bool m_bRotate = false;
    int m_nBlinkMode = 0;  // 0 none, 1 text, 2 background
    std::optional<QCursor> m_linkCursor;
    bool m_bShadowDownRight = true;
    bool m_bGradient = false;
    ColorRef m_crGradientEnd = 0;
    ColorRef m_crBack = 0;
    QString m_strLinkTarget;

    QString m_strText;
    int m_nCtrlId = 0;
    std::uint32_t m_nStyle = 0;
    std::uint32_t m_nExStyle = 0;
    QTimer* m_pBlinkTimer = nullptr;  // child "blinkTimer", 500 ms
};
