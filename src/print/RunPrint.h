#pragma once

#include "PrinterSystem.h"

#include <cstdint>

namespace vexor::view {
struct Program;
}

namespace vexor::print {

class frmPrint;

inline constexpr char kPrintFailedMessage[] =
    "There was an error printing your document. Please check that the printer is connected and "
    "on-line and try again.";

enum class PrintOutcome { Printed, Cancelled, Failed };

// The page rectangle inside a printable area of width x height points: a 15 point margin on
// every side, the far edges rounded to the nearest whole point, halves to even.
struct PageRect {
    std::int32_t left, top, right, bottom;
};
PageRect pageRectangle(float width, float height);

// The print run behind the options window's OK button: the printer dialog, the switch to the
// chosen printer and its settings, and the control's rendering of the visible area or the
// whole drawing onto the page. A cancelled dialog stops silently; a failure is reported with
// kPrintFailedMessage. In both cases the options window stays open; after printing it closes.
//
// The copy count is honoured by rendering one page per copy with a page break between them,
// while the printer itself is told to make one copy, so N copies give exactly N sheets.
PrintOutcome RunPrint(view::Program& program, PrinterSystem& printers, frmPrint& form);

} // namespace vexor::print
