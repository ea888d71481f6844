#pragma once

#include <QFont>
#include <QMap>

#include "resources/DialogTemplates.h"

class QWidget;

// The dynamic property that holds a built widget's control id.
inline constexpr char kControlIdProperty[] = "controlId";

// The dialog font of a template. "Garamond" falls back to EB Garamond where no
// face of that exact name is installed; the shell's dialog face is the desktop's
// general font.
QFont TemplateFont(const DialogTemplate& tpl);

// Builds a template onto dlg: the dialog gets the template's caption, font and
// client size, and one child widget per control, in template order (which is
// the tab order), placed by its rectangle in dialog units. Each child carries
// objectName "c<id>", the control id and its template class as properties, and
// the dialog font as a font of its own. Returns the children by id; controls
// with kNoControlId are built but not listed.
//
// Buttons: group box -> QGroupBox, auto check box -> QCheckBox, auto radio
// button -> QRadioButton (one exclusive group per WS_GROUP run), others ->
// QPushButton; the first default push button is the dialog's default.
// Static -> QLabel (SS_ICON shows the icon), Edit -> QLineEdit or, multi-line,
// QPlainTextEdit, SysListView32 -> QTreeView without a model, MfcMenuButton ->
// QPushButton without a menu.
QMap<int, QWidget*> BuildControls(QWidget* dlg, const DialogTemplate& tpl);
