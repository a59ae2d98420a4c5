#include "FakeWindowSystem.h"

#include "CallLog.h"

namespace vexor::test {

using platform::WindowId;

void FakeWindowSystem::LockWindowUpdate(WindowId window) {
    calls.push_back(call("LockWindowUpdate", static_cast<unsigned long>(window)));
}

WindowId FakeWindowSystem::FindWindowA(const std::string& title) {
    calls.push_back(call("FindWindowA", title));
    const auto it = windowsByTitle.find(title);
    return it == windowsByTitle.end() ? 0 : it->second;
}

void FakeWindowSystem::SetWindowTextA(WindowId window, const std::string& title) {
    calls.push_back(call("SetWindowTextA", static_cast<unsigned long>(window), title));
    if (window == 0)
        return;
    for (auto it = windowsByTitle.begin(); it != windowsByTitle.end(); ++it)
        if (it->second == window) {
            windowsByTitle.erase(it);
            break;
        }
    windowsByTitle[title] = window;
}

void FakeWindowSystem::ShowWindow(WindowId window, int showCommand) {
    calls.push_back(call("ShowWindow", static_cast<unsigned long>(window), showCommand));
}

platform::ScreenRect FakeWindowSystem::GetWindowRect(WindowId window) {
    calls.push_back(call("GetWindowRect", static_cast<unsigned long>(window)));
    const auto it = rects.find(window);
    return it == rects.end() ? platform::ScreenRect{} : it->second;
}

void FakeWindowSystem::SetWindowPos(WindowId window, int insertAfter, int x, int y, int width,
                                    int height, unsigned flags) {
    calls.push_back(call("SetWindowPos", static_cast<unsigned long>(window), insertAfter, x, y,
                         width, height, static_cast<int>(flags)));
}

platform::ScreenPoint FakeWindowSystem::GetCursorPos() {
    calls.push_back(call("GetCursorPos"));
    return cursor;
}

int FakeWindowSystem::GetSystemMetrics(int index) {
    calls.push_back(call("GetSystemMetrics", index));
    return index == 1 ? screenHeightPixels : screenWidthPixels;
}

double FakeWindowSystem::ScreenHeightTwips() {
    return screenHeightPixels * twipsPerPixel;
}
double FakeWindowSystem::ScreenWidthTwips() {
    return screenWidthPixels * twipsPerPixel;
}

void FakeWindowSystem::MessageBox(const std::string& text, const std::string& title,
                                  platform::MessageIcon icon) {
    calls.push_back(call("MessageBox", text, title));
    messages.push_back({text, title, icon});
}

std::optional<std::string>
FakeWindowSystem::GetOpenFileName(const platform::OpenFileRequest& request) {
    calls.push_back(call("GetOpenFileName"));
    openRequests.push_back(request);
    if (openFileAnswers.empty())
        return std::nullopt;
    auto answer = openFileAnswers.front();
    openFileAnswers.pop_front();
    return answer;
}

bool FakeWindowSystem::ShellExecuteA(WindowId owner, const std::string& verb,
                                     const std::string& target, int showCommand) {
    calls.push_back(
        call("ShellExecuteA", static_cast<unsigned long>(owner), verb, target, showCommand));
    return shellOpens;
}

bool FakeWindowSystem::FileExists(const std::string& path) {
    calls.push_back(call("FileExists", path));
    return existingFiles.count(path) > 0;
}

void FakeWindowSystem::DoEvents() {
    calls.push_back(call("DoEvents"));
}

} // namespace vexor::test
