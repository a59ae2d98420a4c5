#include "CommandLine.h"
#include "control/DrawingWidget.h"
#include "data/ProjectDatabase.h"
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
    // Without its database the program cannot run: the open reports why and nothing else
    // is shown.
    struct EndProgram {};
    std::unique_ptr<vexor::data::ProjectConnection> database;
    auto* splash = new vexor::app::frmSplash(windows);
    try {
        splash->Form_Load([&] {
            database = vexor::data::OpenProjectDatabase(programFolder, windows);
            if (!database)
                throw EndProgram{};
        });
    } catch (const EndProgram&) {
        delete splash;
        return 1;
    }
    splash->show();
    windows.DoEvents();

    vexor::control::DrawingWidget control;
    vexor::app::frmVEXOR mainWindow(control, &control, windows, programFolder, database.get());
    mainWindow.Form_Load(vexor::app::commandLineText(argc, argv));
    mainWindow.show();
    splash->close();
    delete splash;
    return app.exec();
}
