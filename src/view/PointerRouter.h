#pragma once

#include "Measurer.h"
#include "Navigation.h"
#include "PropertiesInspector.h"

namespace vexor::view {

// Receives the drawing control's pointer events: the navigator pans and zooms with them as
// ever, the status bar follows the pointer, a double click of the middle button shows the
// whole drawing, and while the measure or properties tool runs the left button picks for it
// instead of panning.
class PointerRouter : public control::DrawingControlEvents {
public:
    PointerRouter(Program& program, Navigator& navigator, Measurer* measurer = nullptr,
                  PropertiesInspector* inspector = nullptr)
        : program_(program), navigator_(navigator), measurer_(measurer), inspector_(inspector) {}

    void PointerDown(std::int32_t value, double x, double y) override;
    void PointerMove(double x, double y) override;
    void PointerUp(std::int32_t value, double x, double y) override;
    void PointerDoubleClick(std::int32_t value, double x, double y) override;

    static constexpr std::int32_t kLeftButton = 1;
    static constexpr std::int32_t kMiddleButton = 4;

private:
    Program& program_;
    Navigator& navigator_;
    Measurer* measurer_;
    PropertiesInspector* inspector_;
};

} // namespace vexor::view
