#include "ui/TessarinApp.h"

int main(int argc, char** argv) {
    CTessarinApp app;
    return app.InitInstance(argc, argv);
}
