#include "ui/TessarinApp.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QRadioButton>
#include <QTimer>
#include <cstdlib>
#include <string_view>

#include "ui/TessarinDlg.h"

int CTessarinApp::InitInstance(int& argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mollwick"));
    {
        CTessarinDlg dlg;
        // scripts/screenshot.sh starts a content search of one folder tree
        // without anyone at the keyboard, and with MOLLWICK_DEMO_ABOUT=1 opens
        // the About box once the search has ended.
        if (const char* demo = std::getenv("MOLLWICK_DEMO_SOURCE"); demo != nullptr && *demo != 0) {
            const QString folder = QFile::decodeName(demo);
            if (const char* about = std::getenv("MOLLWICK_DEMO_ABOUT");
                about != nullptr && std::string_view(about) == "1") {
                QObject::connect(&dlg, &CTessarinDlg::JobEnded, &dlg,
                                 [&dlg] { QTimer::singleShot(0, &dlg, &CTessarinDlg::OnAbout); });
            }
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
