#include "widgets/MySizingDialog.h"

#include <QResizeEvent>

CMySizingDialog::CMySizingDialog(QWidget* parent) : QDialog(parent) {}

void CMySizingDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    ResizeChildren(event->size().width(), event->size().height(), this);
}
