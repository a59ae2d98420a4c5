#include "HelpLinks.h"

#include "ProductInfo.h"

namespace vexor::app {

void OpenLink(platform::WindowSystem& windows, platform::WindowId owner, const std::string& target,
              int showCommand) {
    // Without a browser or mail program the user is told the address, to open it another way.
    if (!windows.ShellExecuteA(owner, "open", target, showCommand))
        windows.MessageBox("No program could be started to open " + target +
                               ".\nPlease open this address with a program of your choice.",
                           "VEXOR", platform::MessageIcon::Information);
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
