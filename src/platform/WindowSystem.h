#pragma once

#include "../control/DrawingControl.h"

#include <optional>
#include <string>

namespace vexor::platform {

using control::WindowId;

struct ScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

struct ScreenPoint {
    int x = 0, y = 0;
};

enum class MessageIcon { None, Information, Exclamation, Critical };

// What the open-file dialog is asked for. `filter` is label|pattern pairs separated by '|'.
struct OpenFileRequest {
    std::string filter;
    int filterIndex = 1; // 1-based
    int flags = 0;
    int maxFileLength = 256;
    std::string initialPath;
};

// The window system, dialogs and the shell, as the program uses them. The Qt implementation
// talks to the real desktop; tests substitute a recording fake so that nothing ever blocks.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // Suppresses painting of one window; 0 releases the suppression.
    virtual void LockWindowUpdate(WindowId window) = 0;
    // A top-level window with exactly this title, or 0.
    virtual WindowId FindWindowA(const std::string& title) = 0;
    virtual void SetWindowTextA(WindowId window, const std::string& title) = 0;
    virtual void ShowWindow(WindowId window, int showCommand) = 0;
    virtual ScreenRect GetWindowRect(WindowId window) = 0;
    virtual void SetWindowPos(WindowId window, int insertAfter, int x, int y, int width, int height,
                              unsigned flags) = 0;
    virtual ScreenPoint GetCursorPos() = 0;
    // Index 1: the primary screen's height in pixels; 0: its width.
    virtual int GetSystemMetrics(int index) = 0;
    // The primary screen's size in twips (1/1440 inch at the screen's logical resolution).
    virtual double ScreenHeightTwips() = 0;
    virtual double ScreenWidthTwips() = 0;

    // A modal message box with an OK button.
    virtual void MessageBox(const std::string& text, const std::string& title,
                            MessageIcon icon) = 0;
    // The open-file dialog; nothing when the user cancels.
    virtual std::optional<std::string> GetOpenFileName(const OpenFileRequest& request) = 0;
    // The shell's "open" of a web address or mail link; false when no program could be started
    // to open it.
    virtual bool ShellExecuteA(WindowId owner, const std::string& verb, const std::string& target,
                               int showCommand) = 0;
    // Whether a plain file (not hidden, not a folder) exists at the path.
    virtual bool FileExists(const std::string& path) = 0;
    // Lets the window system handle all pending events.
    virtual void DoEvents() = 0;
};

} // namespace vexor::platform
