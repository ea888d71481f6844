#include "ui/TessarinApp.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QRadioButton>
#include <QTimer>
#include <cstdlib>

#include "ui/TessarinDlg.h"

int CTessarinApp::InitInstance(int& argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mollwick"));
    {
        CTessarinDlg dlg;
        // scripts/screenshot.sh starts a content search of one folder tree
        // without anyone at the keyboard.
        if (const char* demo = std::getenv("MOLLWICK_DEMO_SOURCE"); demo != nullptr && *demo != 0) {
            const QString folder = QFile::decodeName(demo);
            QTimer::singleShot(0, &dlg, [&dlg, folder] {
                dlg.AddSourceFolder(folder);
                dlg.m_chkSubfolders->setChecked(true);
                dlg.m_radioByContent->setChecked(true);
                dlg.OnStart();
            });
        }
        dlg.exec();
        m_remains = dlg.TakeWorkerRemains();
    }
    // The window is gone; let the display hear of it before a possibly long wait.
    QApplication::processEvents();
    m_remains.WaitAndFree();
    return 0;
}
