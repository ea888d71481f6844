#pragma once

#include <QDialog>

#include "widgets/MySizingWnd.h"

class QResizeEvent;

// A dialog whose children are fitted once to its client size: every resize
// runs the ordinary handling, then offers the new client size to the pass.
class CMySizingDialog : public QDialog, public CMySizingWnd {
    Q_OBJECT

public:
    explicit CMySizingDialog(QWidget* parent = nullptr);

protected:
    void resizeEvent(QResizeEvent* event) override;
};
