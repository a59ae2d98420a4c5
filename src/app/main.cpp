#include "CommandLine.h"
#include "control/DocumentLoader.h"
#include "control/DrawingWidget.h"
#include "data/DatabaseLocation.h"
#include "data/ProjectDatabase.h"
#include "frmSplash.h"
#include "frmVEXOR.h"
#include "platform/QtWindowSystem.h"
#include "view/ProgramVersion.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    using vexor::app::Invocation;
    const Invocation invocation =
        vexor::app::parseInvocation(std::vector<std::string>(argv + 1, argv + argc));
    switch (invocation.action) {
    case Invocation::Action::Help:
        std::fputs(vexor::app::usageText().c_str(), stdout);
        return 0;
    case Invocation::Action::Version:
        std::printf("%s\n", vexor::view::ProgramTitle().c_str());
        return 0;
    case Invocation::Action::BadOption:
        std::fprintf(stderr, "vexor: unknown option %s\n%s", invocation.badOption.c_str(),
                     vexor::app::usageText().c_str());
        return 2;
    case Invocation::Action::Run:
        break;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("VEXOR");
    vexor::platform::QtWindowSystem windows;
    // Beside the program while that folder is writable; for an installed program, the user's
    // own copy of the delivered database.
    const std::string executableFolder = QCoreApplication::applicationDirPath().toStdString();
    const std::string programFolder = vexor::data::projectDatabaseFolder(
        executableFolder, vexor::data::isWritableFolder(executableFolder),
        vexor::data::userDatabaseFolder());

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
    // A drawing named on the command line may take a while to read: the main window is shown
    // before it is, so that the drawing area shows how far the read has come.
    auto showMainWindow = [&] {
        mainWindow.show();
        splash->close();
        windows.DoEvents();
    };
    mainWindow.Form_Load(vexor::app::commandLineText(invocation.arguments), showMainWindow);
    mainWindow.show();
    splash->close();
    delete splash;
    const int status = app.exec();
    // A load cancelled by closing the window may still be unwinding: the program ends without
    // waiting for it.
    vexor::control::endProgramWithoutWaitingForLoads(status);
    return status;
}
