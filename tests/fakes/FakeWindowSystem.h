#pragma once

#include "platform/WindowSystem.h"

#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vexor::test {

// A window system that records every call and answers from a script; dialogs never block.
class FakeWindowSystem : public platform::WindowSystem {
public:
    struct Message {
        std::string text, title;
        platform::MessageIcon icon;
    };

    std::vector<std::string> calls;
    std::vector<Message> messages;
    std::vector<platform::OpenFileRequest> openRequests;

    // Script
    std::map<std::string, platform::WindowId> windowsByTitle;
    std::map<platform::WindowId, platform::ScreenRect> rects;
    platform::ScreenPoint cursor;
    int screenWidthPixels = 1024, screenHeightPixels = 768;
    double twipsPerPixel = 15;
    std::set<std::string> existingFiles;
    std::deque<std::optional<std::string>> openFileAnswers; // empty: cancel
    bool shellOpens = true; // whether a program handles the shell's "open"

    void LockWindowUpdate(platform::WindowId window) override;
    platform::WindowId FindWindowA(const std::string& title) override;
    void SetWindowTextA(platform::WindowId window, const std::string& title) override;
    void ShowWindow(platform::WindowId window, int showCommand) override;
    platform::ScreenRect GetWindowRect(platform::WindowId window) override;
    void SetWindowPos(platform::WindowId window, int insertAfter, int x, int y, int width,
                      int height, unsigned flags) override;
    platform::ScreenPoint GetCursorPos() override;
    int GetSystemMetrics(int index) override;
    double ScreenHeightTwips() override;
    double ScreenWidthTwips() override;
    void MessageBox(const std::string& text, const std::string& title,
                    platform::MessageIcon icon) override;
    std::optional<std::string> GetOpenFileName(const platform::OpenFileRequest& request) override;
    bool ShellExecuteA(platform::WindowId owner, const std::string& verb, const std::string& target,
                       int showCommand) override;
    bool FileExists(const std::string& path) override;
    void DoEvents() override;
};

} // namespace vexor::test
