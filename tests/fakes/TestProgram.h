#pragma once

#include "FakeDrawingControl.h"
#include "FakeMainWindow.h"
#include "FakeWindowSystem.h"
#include "app/CommandTable.h"
#include "view/Program.h"

#include <QMenuBar>
#include <QWidget>
#include <memory>

namespace vexor::test {

// A program wired to recording fakes and the real menu tree, for headless tests of the
// program's procedures.
struct TestProgram {
    TestProgram() : program(control, windows, host, table.menus, "/opt/vexor") {
        app::buildCommandTable(table, &bar, &toolbarParent, {});
    }

    FakeDrawingControl control;
    FakeWindowSystem windows;
    FakeMainWindow host;
    QMenuBar bar;
    QWidget toolbarParent;
    app::CommandTable table;
    view::Program program;
};

} // namespace vexor::test
