#pragma once

#include "ui/WorkerRemains.h"

// The application: names itself, runs the main window modally and ends. When
// the window closed while the worker was still inside a file, the program
// ends only after the worker has, and frees the results after that.
class CTessarinApp {
public:
    int InitInstance(int& argc, char** argv);

private:
    CWorkerRemains m_remains;
};
