#pragma once

#include "platform/WindowSystem.h"

#include <QPointer>
#include <QWidget>
#include <string>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace vexor::data {
class ProjectConnection;
}

namespace vexor::app {

// The credits from tblCredits: for each heading an empty line, the heading on its own line, then
// each name on a line of its own indented by one tab; lines end in CR LF. Failures are ignored:
// what could be read is returned, and nothing at all without a connection or rows.
std::string CreditsText(data::ProjectConnection* connection);

// "Unknown Error Number <n> has occured." and the support address: opening the About box failed.
std::string UnknownErrorText(int errorNumber);
// The text of the "Unkown Error" box shown when loading the About box fails.
std::string AboutLoadErrorText(int errorNumber);

// The About box: title, contact fields (the e-mail address and the web address open a new mail
// and the web page), the product picture and the credits. Not modal; a new one is built each
// time it is opened after being closed.
class frmAbout : public QWidget {
    Q_OBJECT
public:
    frmAbout(platform::WindowSystem& windows, data::ProjectConnection* connection,
             QWidget* owner = nullptr);

    QGroupBox* Frame1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLineEdit* Text4 = nullptr;
    QLabel* txtSupport = nullptr;
    QLineEdit* Text5 = nullptr;
    QLabel* txtWeb = nullptr;
    QLabel* Picture1 = nullptr;
    QLabel* Label1 = nullptr;
    QPlainTextEdit* txtCredits = nullptr;
    QPushButton* cmdOk = nullptr;

    // The credits box's text as built, with its CR LF line ends.
    const std::string& creditsText() const { return credits_; }

    void txtSupport_Click();
    void txtWeb_Click();
    // Closes the box for good; it is destroyed once control returns to the event loop.
    void unload();
    bool unloaded() const { return unloaded_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void appendCredits(const std::string& text);
    platform::WindowId ownWindow();

    platform::WindowSystem& windows_;
    data::ProjectConnection* connection_;
    std::string credits_;
    bool unloaded_ = false;
};

// Help > About: shows the About box, loading it first unless it is open already, in which case
// it is brought to the front.
class AboutCommand {
public:
    AboutCommand(platform::WindowSystem& windows, data::ProjectConnection* connection,
                 QWidget* owner = nullptr);
    ~AboutCommand();
    AboutCommand(const AboutCommand&) = delete;
    AboutCommand& operator=(const AboutCommand&) = delete;

    void mnuAbout_Click();
    // The About box while it is open, else null.
    frmAbout* window() const;

private:
    platform::WindowSystem& windows_;
    data::ProjectConnection* connection_;
    QWidget* owner_;
    QPointer<frmAbout> form_;
};

} // namespace vexor::app
