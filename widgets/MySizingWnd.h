#pragma once

class QString;
class QWidget;

// The dynamic property that names the template class of the control a widget
// stands for ("Button", "Edit", ...). The font pass reads it; whoever builds a
// widget from a template sets it.
inline constexpr char kTemplateClassProperty[] = "templateClass";

// Fits a dialog's direct children once to the dialog's client size, in
// proportion to the design size, and optionally gives children of some template
// classes a font of a fixed height. Not a widget: a dialog derives from it and
// calls ResizeChildren from its resize handling (see CMySizingDialog).
//
// The owner sets the fields directly. The pass runs on the first call after
// m_bReady is set and never again.
class CMySizingWnd {
public:
    CMySizingWnd() = default;
    virtual ~CMySizingWnd() = default;
    CMySizingWnd(const CMySizingWnd&) = delete;
    CMySizingWnd& operator=(const CMySizingWnd&) = delete;

    // Called once at the end of the pass, after the children have been moved.
    virtual void OnAfterResize(double dScaleX, double dScaleY);
    // Called at the start of the pass, before anything is measured.
    virtual void OnBeforeResize();

    // The pass: cx and cy are the new client size of dlg in pixels.
    void ResizeChildren(int cx, int cy, QWidget* dlg);
    // Gives child the configured font height of className's class, keeping the
    // rest of its font. A child without a font of its own, a class outside the
    // table and a height of 0 or less leave the font alone.
    void ApplyClassFont(QWidget* child, const QString& className);

    double m_dScaleX = 0.0;
    double m_dScaleY = 0.0;
    int m_nDesignCx = 0;  // design client size in dialog units; must be positive
    int m_nDesignCy = 0;
    bool m_bNoMove = false;
    bool m_bReady = false;
    bool m_bClassFonts = true;
    bool m_bResized = false;
    // Cell heights in pixels; never scaled.
    int m_nComboFontHeight = 16;
    int m_nListFontHeight = 16;
    int m_nStaticFontHeight = 16;
    int m_nButtonFontHeight = 16;
    int m_nEditFontHeight = 16;
};
