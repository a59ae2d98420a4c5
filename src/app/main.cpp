#include "CommandLine.h"
#include "control/DrawingWidget.h"
#include "frmSplash.h"
#include "frmVEXOR.h"
#include "platform/QtWindowSystem.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("VEXOR");
    vexor::platform::QtWindowSystem windows;
    const std::string programFolder = QCoreApplication::applicationDirPath().toStdString();

    // The splash window shows while the main window loads, including a command-line drawing.
    auto* splash = new vexor::app::frmSplash(windows);
    splash->Form_Load({});
    splash->show();
    windows.DoEvents();

    vexor::control::DrawingWidget control;
    vexor::app::frmVEXOR mainWindow(control, &control, windows, programFolder);
    mainWindow.Form_Load(vexor::app::commandLineText(argc, argv));
    mainWindow.show();
    splash->close();
    delete splash;
    return app.exec();
}
