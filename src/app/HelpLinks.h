#pragma once

#include "platform/WindowSystem.h"

#include <string>

namespace vexor::app {

// Hands a web address or mail link to the system's opener; when nothing handles it, a message
// box names the address so that the user can copy it.
void OpenLink(platform::WindowSystem& windows, platform::WindowId owner, const std::string& target,
              int showCommand);

void MailSupport(platform::WindowSystem& windows, platform::WindowId owner);
void MailComments(platform::WindowSystem& windows, platform::WindowId owner);
void ShowWebPage(platform::WindowSystem& windows, platform::WindowId owner);
void ShowOnlineHelp(platform::WindowSystem& windows, platform::WindowId owner);
void ShowPricingInfo(platform::WindowSystem& windows, platform::WindowId owner);

} // namespace vexor::app
