#include "Navigation.h"

namespace vexor::view {
namespace {
bool allZero(const ExtentsRecord& e) {
    return e.X1 == 0 && e.Y1 == 0 && e.X2 == 0 && e.Y2 == 0;
}
} // namespace

void ZoomIn(Program& p) {
    p.Dbcocx1.Zoom(1);
}
void ZoomOut(Program& p) {
    p.Dbcocx1.Zoom(-1);
}
void ZoomSelected(Program& p) {
    p.Dbcocx1.Zoom(2);
}
void UndoZoom(Program& p) {
    p.Dbcocx1.Zoom(-2);
}
void ActualSize(Program& p) {
    p.Dbcocx1.Zoom(100);
}
void RefreshView(Program& p) {
    p.Dbcocx1.Redraw();
}

void ZoomToWidth(Program& p) {
    const ExtentsRecord& e = p.DrawingExtents;
    if (allZero(e))
        return;
    const float h = static_cast<float>(p.Dbcocx1.Height());
    const float w = static_cast<float>(p.Dbcocx1.Width());
    const double y2 = e.Y1 + (e.X2 - e.X1) * h / w;
    p.Dbcocx1.ZoomWindow(e.X1, e.Y1, e.X2, y2);
}

void ZoomToHeight(Program& p) {
    const ExtentsRecord& e = p.DrawingExtents;
    if (allZero(e))
        return;
    const float w = static_cast<float>(p.Dbcocx1.Width());
    const float h = static_cast<float>(p.Dbcocx1.Height());
    const double x2 = e.X1 + (e.Y2 - e.Y1) * w / h;
    p.Dbcocx1.ZoomWindow(e.X1, e.Y1, x2, e.Y2);
}

void ZoomExtents(Program& p) {
    const ExtentsRecord& e = p.DrawingExtents;
    if (allZero(e))
        return;
    p.Dbcocx1.ZoomWindow(e.X1, e.Y1, e.X2, e.Y2);
}

void Navigator::MouseWheel(std::int16_t value) {
    double x1, y1, x2, y2, e1, e2;
    program_.Dbcocx1.GetView(x1, y1, x2, y2, e1, e2);
    if (value == 0)
        return;
    const double cx = (x1 + x2) / 2, cy = (y1 + y2) / 2;
    const double px = LastPointerX, py = LastPointerY;
    double nx, ny;
    if (value > 0) {
        program_.Dbcocx1.Zoom(1);
        nx = cx + (px - cx) / 3;
        ny = cy + (py - cy) / 3;
    } else {
        program_.Dbcocx1.Zoom(-1);
        nx = cx - (px - cx) / 3;
        ny = cy - (py - cy) / 3;
    }
    program_.Dbcocx1.PanTo(nx, ny);
}

void Navigator::PointerDown(std::int32_t, double x, double y) {
    program_.mainWindow.SetPanCursor(true);
    PanAnchorX = x;
    PanAnchorY = y;
}

void Navigator::PointerMove(double x, double y) {
    if (PanAnchorX == 0 || PanAnchorY == 0) {
        LastPointerX = x;
        LastPointerY = y;
        return;
    }
    double x1, y1, x2, y2, e1, e2;
    program_.Dbcocx1.GetView(x1, y1, x2, y2, e1, e2);
    if (x1 < x && x < x2 && y1 < y && y < y2)
        program_.Dbcocx1.PanTo((x1 + x2) / 2 - (x - PanAnchorX), (y1 + y2) / 2 - (y - PanAnchorY));
    else
        endPan();
}

void Navigator::PointerUp(std::int32_t, double, double) {
    PanAnchorX = 0;
    PanAnchorY = 0;
    program_.mainWindow.SetPanCursor(false);
}

void Navigator::endPan() {
    program_.mainWindow.SetPanCursor(false);
    PanAnchorX = 0;
    PanAnchorY = 0;
}

void Navigator::Timer1_Timer() {
    const platform::ScreenRect r = program_.windows.GetWindowRect(program_.Dbcocx1.WindowHandle());
    const platform::ScreenPoint pt = program_.windows.GetCursorPos();
    if (r.left <= pt.x && pt.x <= r.right && r.top <= pt.y && pt.y <= r.bottom)
        return;
    endPan();
}

} // namespace vexor::view
