#pragma once

#include "view/Program.h"

#include <string>
#include <vector>

namespace vexor::test {

// The main window as the program's procedures see it, recording cursor changes.
class FakeMainWindow : public view::MainWindowHost {
public:
    std::string caption;
    control::WindowId handle = 1001;
    double outerHeightTwips = 15 * 768;
    std::vector<bool> cursorChanges; // true: pan cursor, false: default
    std::string cursorPosition;      // the status bar's position text
    std::string measurement;         // the status bar's measurement text

    std::string Caption() override { return caption; }
    void SetCaption(const std::string& c) override { caption = c; }
    control::WindowId Handle() override { return handle; }
    double OuterHeightTwips() override { return outerHeightTwips; }
    void SetPanCursor(bool pan) override { cursorChanges.push_back(pan); }
    void ShowCursorPosition(const std::string& text) override { cursorPosition = text; }
    void ShowMeasurement(const std::string& text) override { measurement = text; }
};

} // namespace vexor::test
