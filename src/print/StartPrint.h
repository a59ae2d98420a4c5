#pragma once

#include <QPointer>

class QWidget;

namespace vexor::view {
struct Program;
}

namespace vexor::print {

class PrinterSystem;
class frmPrint;

// The print command of the main window (File > Print and the toolbar's print button). It keeps
// the options window while that is open; the printer state lives in `printers` for the run.
class PrintCommand {
public:
    PrintCommand(view::Program& program, PrinterSystem& printers, QWidget* owner = nullptr);
    ~PrintCommand();
    PrintCommand(const PrintCommand&) = delete;
    PrintCommand& operator=(const PrintCommand&) = delete;

    // Without a current drawing nothing happens; otherwise the options window is shown, not
    // modal, built afresh unless it is already open.
    void StartPrint();

    // The options window while it is open, else null.
    frmPrint* window() const;

private:
    view::Program& program_;
    PrinterSystem& printers_;
    QWidget* owner_;
    QPointer<frmPrint> form_;
};

} // namespace vexor::print
