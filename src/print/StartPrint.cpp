#include "StartPrint.h"

#include "RunPrint.h"
#include "frmPrint.h"
#include "view/Program.h"

namespace vexor::print {

PrintCommand::PrintCommand(view::Program& program, PrinterSystem& printers, QWidget* owner)
    : program_(program), printers_(printers), owner_(owner) {}

PrintCommand::~PrintCommand() {
    delete form_.data();
}

void PrintCommand::StartPrint() {
    if (program_.CurrentDrawingPath.empty())
        return;
    if (!window()) {
        form_ = new frmPrint(owner_);
        frmPrint* form = form_.data();
        form->onOk = [this, form] { RunPrint(program_, printers_, *form); };
    }
    form_->show();
    form_->raise();
    form_->activateWindow();
}

frmPrint* PrintCommand::window() const {
    return form_ && !form_->unloaded() ? form_.data() : nullptr;
}

} // namespace vexor::print
