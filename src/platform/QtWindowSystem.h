#pragma once

#include "WindowSystem.h"

#include <QPointer>
#include <QWidget>

namespace vexor::platform {

// The window system on Qt: windows are found by their native id among the application's
// top-level and child widgets; dialogs are Qt's.
class QtWindowSystem : public WindowSystem {
public:
    void LockWindowUpdate(WindowId window) override;
    WindowId FindWindowA(const std::string& title) override;
    void SetWindowTextA(WindowId window, const std::string& title) override;
    void ShowWindow(WindowId window, int showCommand) override;
    ScreenRect GetWindowRect(WindowId window) override;
    void SetWindowPos(WindowId window, int insertAfter, int x, int y, int width, int height,
                      unsigned flags) override;
    ScreenPoint GetCursorPos() override;
    int GetSystemMetrics(int index) override;
    double ScreenHeightTwips() override;
    double ScreenWidthTwips() override;
    void MessageBox(const std::string& text, const std::string& title, MessageIcon icon) override;
    std::optional<std::string> GetOpenFileName(const OpenFileRequest& request) override;
    bool ShellExecuteA(WindowId owner, const std::string& verb, const std::string& target,
                       int showCommand) override;
    bool FileExists(const std::string& path) override;
    void DoEvents() override;

private:
    QPointer<QWidget> locked_;
};

// The Qt name filter list for an open-file dialog filter of label|pattern pairs: each label as
// written, followed by its patterns made to match any letter case (for a dialog that hides
// them); `selected` becomes the filter numbered `filterIndex`, counted from 1.
QString qtFileFilter(const std::string& filter, int filterIndex, QString* selected);

} // namespace vexor::platform
