#pragma once

#include "Program.h"

#include <cstdint>

namespace vexor::view {

// The eight view commands of the View menu and the toolbar.
void ZoomIn(Program& program);
void ZoomOut(Program& program);
void ZoomSelected(Program& program);
void UndoZoom(Program& program);
void ActualSize(Program& program);
void RefreshView(Program& program);
// Shows the drawing's whole width (height) at the control's aspect ratio, from its lower-left
// corner; nothing while the drawing's frame corners are all zero.
void ZoomToWidth(Program& program);
void ZoomToHeight(Program& program);
// Shows the drawing's whole frame; nothing while its corners are all zero.
void ZoomExtents(Program& program);

// Wheel zoom toward the pointer, panning by dragging, and the timer that ends a pan when the
// pointer leaves the drawing.
class Navigator : public control::DrawingControlEvents {
public:
    explicit Navigator(Program& program) : program_(program) {}

    // One zoom step per event; only the sign of the wheel value counts.
    void MouseWheel(std::int16_t value);
    void Timer1_Timer();

    void PointerDown(std::int32_t value, double x, double y) override;
    void PointerMove(double x, double y) override;
    void PointerUp(std::int32_t value, double x, double y) override;

    double LastPointerX = 0, LastPointerY = 0;
    double PanAnchorX = 0, PanAnchorY = 0;

private:
    void endPan();
    Program& program_;
};

} // namespace vexor::view
