#include "HelpLinks.h"

#include "ProductInfo.h"

namespace vexor::app {

void OpenLink(platform::WindowSystem& windows, platform::WindowId owner, const std::string& target,
              int showCommand) {
    windows.ShellExecuteA(owner, "open", target, showCommand);
}

void MailSupport(platform::WindowSystem& w, platform::WindowId owner) {
    OpenLink(w, owner, std::string("mailto:") + kSupportEmail, 5);
}

void MailComments(platform::WindowSystem& w, platform::WindowId owner) {
    OpenLink(w, owner, std::string("mailto:") + kCommentsEmail, 5);
}

void ShowWebPage(platform::WindowSystem& w, platform::WindowId owner) {
    OpenLink(w, owner, kWebAddress, 1);
}

void ShowOnlineHelp(platform::WindowSystem& w, platform::WindowId owner) {
    OpenLink(w, owner, std::string(kWebAddress) + "/onlinehelp.html", 1);
}

void ShowPricingInfo(platform::WindowSystem& w, platform::WindowId owner) {
    OpenLink(w, owner, std::string(kWebAddress) + "/pricinginfo.html", 1);
}

} // namespace vexor::app
