#include "PointerRouter.h"

#include "CursorReadout.h"

namespace vexor::view {

void PointerRouter::PointerDown(std::int32_t value, double x, double y) {
    if (measurer_ && measurer_->Active() && value == kLeftButton) {
        measurer_->Pick(x, y);
        return;
    }
    if (inspector_ && inspector_->Active() && value == kLeftButton) {
        inspector_->Pick(x, y);
        return;
    }
    navigator_.PointerDown(value, x, y);
}

void PointerRouter::PointerMove(double x, double y) {
    navigator_.PointerMove(x, y);
    std::string readout = CursorReadout(program_, x, y);
    if (measurer_ && measurer_->Active())
        if (const std::string snap = measurer_->Hover(x, y); !snap.empty())
            readout += " | Snap: " + snap;
    program_.mainWindow.ShowCursorPosition(readout);
}

void PointerRouter::PointerUp(std::int32_t value, double x, double y) {
    navigator_.PointerUp(value, x, y);
}

void PointerRouter::PointerDoubleClick(std::int32_t value, double, double) {
    if (value & kMiddleButton)
        ZoomExtents(program_);
}

} // namespace vexor::view
