#include "BirdsEye.h"

#include <cmath>

namespace vexor::view {
namespace {
constexpr const char* kBirdsEyeTitle = "Birds eye";
constexpr int kNotTopMost = -2;
constexpr unsigned kKeepSize = 1, kFrameChanged = 32;
constexpr int kShowAsItWas = 5;
} // namespace

int birdsEyeTop(float outerHeightTwips, double pixelsPerTwip, int top, int bottom) {
    const double y = static_cast<double>(outerHeightTwips) * pixelsPerTwip + top - bottom;
    return static_cast<int>(std::nearbyint(y));
}

void PlaceBirdsEye(Program& p) {
    p.BirdsEyeHandle = p.windows.FindWindowA(kBirdsEyeTitle);
    if (p.BirdsEyeHandle == 0)
        return;
    const platform::ScreenRect rect = p.windows.GetWindowRect(p.BirdsEyeHandle);
    const int y = birdsEyeTop(static_cast<float>(p.mainWindow.OuterHeightTwips()),
                              p.ScreenPixelsPerTwip, rect.top, rect.bottom);
    p.windows.SetWindowPos(p.BirdsEyeHandle, kNotTopMost, rect.left, y, 1, 1,
                           kKeepSize | kFrameChanged);
}

void mnuBirdsEye_Click(Program& p) {
    p.BirdsEyeHandle = p.windows.FindWindowA(kBirdsEyeTitle);
    if (p.BirdsEyeHandle != 0)
        p.windows.ShowWindow(p.BirdsEyeHandle, kShowAsItWas);
    else
        p.Dbcocx1.ShowOverview();
}

} // namespace vexor::view
