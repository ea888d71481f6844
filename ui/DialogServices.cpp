#include "ui/DialogServices.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>

bool CQtDialogServices::AskYesNo(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
}

void CQtDialogServices::ShowMessage(QWidget* parent, const QString& text, Icon icon) {
    QMessageBox::Icon shown = QMessageBox::Warning;
    switch (icon) {
        case Icon::Exclamation:
            shown = QMessageBox::Warning;
            break;
        case Icon::Error:
            shown = QMessageBox::Critical;
            break;
        case Icon::Information:
            shown = QMessageBox::Information;
            break;
    }
    QMessageBox box(shown, QCoreApplication::applicationName(), text, QMessageBox::Ok, parent);
    box.exec();
}

QString CQtDialogServices::BrowseForFolder(QWidget* parent) {
    // No starting folder; folders of the file system only. Cancel gives "".
    return QFileDialog::getExistingDirectory(parent, QString(), QString(),
                                             QFileDialog::ShowDirsOnly);
}
