#pragma once

#include <QDialog>
#include <QString>

#include "widgets/Label.h"

class QHideEvent;
class QShowEvent;

// The About box, built from dialog template 100: the program icon, the About
// text in a label drawn over the dialog's own background, the rights line and
// OK. Open it modally and throw it away:
//
//     CAboutDlg dlg(this);
//     dlg.exec();
//
// Its modal loop keeps serving every other window of the program, so a search
// running behind it goes on showing its progress.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // The four lines of the About text, joined by LF.
    static QString AboutText();

    // The label on static 1017.
    CLabel& Label() { return *m_label; }

protected:
    // Runs on every show and every hide, after the dialog's own handling, and
    // whichever it is does the same: the label becomes transparent and gets the
    // About text.
    virtual void OnShowWindow(bool bShow, unsigned nStatus);

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void OnOK();

    CLabel* m_label = nullptr;  // owned by the dialog as a child
};
