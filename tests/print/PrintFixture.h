#pragma once

#include "FakePrinterSystem.h"
#include "fakes/CallLog.h"
#include "fakes/TestProgram.h"
#include "print/StartPrint.h"
#include "print/frmPrint.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace vexor::test {

// A program with a drawing open, a fake printer whose dialog answers "Office Laser" with one
// copy, and the print command under test.
class PrintFixture : public ::testing::Test {
protected:
    PrintFixture() {
        t.program.CurrentDrawingPath = "/plans/house.dwg";
        const double view[6] = {10, 20, 110, 220, 0.5, 0.25};
        std::copy(view, view + 6, t.control.view);
        printers.dialogAnswer = choice("Office Laser", 1);
    }

    static print::PrinterChoice choice(const std::string& name, std::int16_t copies) {
        print::PrinterChoice answer;
        answer.printerName = name;
        answer.settings = {copies, 2, 1, 2, 4, 9, 600};
        return answer;
    }

    print::frmPrint& openOptions() {
        command.StartPrint();
        EXPECT_NE(command.window(), nullptr);
        return *command.window();
    }

    void clickOk() { command.window()->OKButton->click(); }

    // Lets windows that were unloaded be destroyed.
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    std::vector<std::string> rendering() const {
        return only(t.control.calls,
                    {"PrintBegin", "PrintWindow", "NewPage", "PrintEnd", "EndDocument"});
    }

    TestProgram t;
    FakePrinterSystem printers{t.control.calls};
    print::PrintCommand command{t.program, printers};
};

} // namespace vexor::test
