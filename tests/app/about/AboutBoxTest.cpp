#include "app/HelpLinks.h"
#include "app/ProductInfo.h"
#include "app/frmAbout.h"
#include "data/ProjectDatabase.h"
#include "data/ProjectSchema.h"
#include "data/Sql.h"
#include "fakes/FakeWindowSystem.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <vexor/Version.h>

namespace vexor::test {
namespace {

// A project database holding `credits`, opened as the program opens it for the run.
struct CreditsDatabase {
    explicit CreditsDatabase(const std::vector<data::Credit>& credits) {
        path = data::ProjectDatabasePath(dir.path().toStdString());
        data::createProjectDatabase(path, credits);
        connection = std::make_unique<data::ProjectConnection>(path);
    }
    QTemporaryDir dir;
    std::string path;
    std::unique_ptr<data::ProjectConnection> connection;
};

void settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void clickField(QWidget* field) {
    const QPointF at(4, 4);
    QMouseEvent press(QEvent::MouseButtonPress, at, field->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, field->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(field, &press);
    QCoreApplication::sendEvent(field, &release);
}

TEST(CreditsText, NoRowsGiveNoText) {
    CreditsDatabase db({});
    EXPECT_EQ(app::CreditsText(db.connection.get()), "");
    EXPECT_EQ(app::CreditsText(nullptr), "");
}

TEST(CreditsText, OneHeadingWithThreeNames) {
    CreditsDatabase db(
        {{"Programming", "Ada"}, {"Programming", "Grace"}, {"Programming", "Linus"}});
    EXPECT_EQ(app::CreditsText(db.connection.get()),
              "\r\nProgramming\r\n\tAda\r\n\tGrace\r\n\tLinus\r\n");
}

TEST(CreditsText, TwoHeadingsEachPrecededByAnEmptyLine) {
    CreditsDatabase db({{"A", "a1"}, {"B", "b1"}, {"A", "a2"}});
    EXPECT_EQ(app::CreditsText(db.connection.get()), "\r\nA\r\n\ta1\r\n\ta2\r\n\r\nB\r\n\tb1\r\n");
}

TEST(CreditsText, HeadingWithAnApostropheListsItsNames) {
    CreditsDatabase db({{"Users' feedback", "Brian O'Neil"}, {"Users' feedback", "Zoë"}});
    EXPECT_EQ(app::CreditsText(db.connection.get()),
              "\r\nUsers' feedback\r\n\tBrian O'Neil\r\n\tZoë\r\n");
}

TEST(CreditsText, MissingTableGivesNoTextAndNoFailure) {
    CreditsDatabase db(std::vector<data::Credit>{{"A", "a1"}});
    data::Connection(db.path, data::kProjectDatabasePassword).execute("DROP TABLE tblCredits");
    EXPECT_EQ(app::CreditsText(db.connection.get()), "");
}

class AboutBox : public ::testing::Test {
protected:
    CreditsDatabase db{{{"Programming", "Ada"}, {"Testing", "Linus"}}};
    FakeWindowSystem windows;
    app::AboutCommand command{windows, db.connection.get()};
};

TEST_F(AboutBox, ShowsTitleFieldsAndCreditsNotModal) {
    command.mnuAbout_Click();
    app::frmAbout* box = command.window();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_FALSE(box->isModal());
    EXPECT_EQ(box->windowTitle().toStdString(), "About VEXOR " + std::to_string(kVersionMajor) +
                                                    "." + std::to_string(kVersionMinor) + "." +
                                                    std::to_string(kVersionRevision));
    EXPECT_EQ(box->Text1->text(), app::kPublisherName);
    EXPECT_EQ(box->Text2->text(), app::kPublisherStreet);
    EXPECT_TRUE(box->Text3->text().contains(app::kPublisherCity));
    EXPECT_EQ(box->Text4->text(), "Email: ");
    EXPECT_EQ(box->txtSupport->text(), app::kSupportEmail);
    EXPECT_EQ(box->Text5->text(), app::kPublisherFax);
    EXPECT_EQ(box->txtWeb->text(), app::kWebAddress);
    EXPECT_FALSE(box->Picture1->pixmap().isNull());
    EXPECT_EQ(box->Label1->text(), "Credits");
    EXPECT_EQ(box->cmdOk->text(), "&OK");
    EXPECT_EQ(box->creditsText(), "\r\nProgramming\r\n\tAda\r\n\r\nTesting\r\n\tLinus\r\n");
    EXPECT_EQ(box->txtCredits->toPlainText(), "\nProgramming\n\tAda\n\nTesting\n\tLinus\n");
    EXPECT_TRUE(windows.messages.empty());
}

TEST_F(AboutBox, OpeningTwiceAddsTheCreditsOnce) {
    command.mnuAbout_Click();
    app::frmAbout* first = command.window();
    const QString credits = first->txtCredits->toPlainText();
    command.mnuAbout_Click();
    EXPECT_EQ(command.window(), first);
    EXPECT_EQ(first->txtCredits->toPlainText(), credits);
    EXPECT_EQ(first->creditsText(), "\r\nProgramming\r\n\tAda\r\n\r\nTesting\r\n\tLinus\r\n");
}

TEST_F(AboutBox, OkUnloadsAndTheNextOpeningBuildsAfresh) {
    command.mnuAbout_Click();
    QPointer<app::frmAbout> first = command.window();
    first->cmdOk->click();
    EXPECT_EQ(command.window(), nullptr);
    settle();
    EXPECT_TRUE(first.isNull());

    command.mnuAbout_Click();
    ASSERT_NE(command.window(), nullptr);
    EXPECT_EQ(command.window()->creditsText(),
              "\r\nProgramming\r\n\tAda\r\n\r\nTesting\r\n\tLinus\r\n");
}

TEST_F(AboutBox, ClosingByTheFrameUnloads) {
    command.mnuAbout_Click();
    command.window()->close();
    EXPECT_EQ(command.window(), nullptr);
}

TEST_F(AboutBox, EmptyCreditsTableLeavesTheBoxEmptyWithoutMessage) {
    CreditsDatabase empty({});
    app::AboutCommand emptyCommand(windows, empty.connection.get());
    emptyCommand.mnuAbout_Click();
    ASSERT_NE(emptyCommand.window(), nullptr);
    EXPECT_TRUE(emptyCommand.window()->txtCredits->toPlainText().isEmpty());
    EXPECT_TRUE(windows.messages.empty());
}

// The two link fields open what Help > Support and Help > Web page open.
TEST_F(AboutBox, LinkFieldsOpenTheHelpMenuTargets) {
    FakeWindowSystem helpMenu;
    app::MailSupport(helpMenu, 0);
    app::ShowWebPage(helpMenu, 0);
    const auto target = [](const std::string& call) {
        const std::size_t verb = call.find("\"open\", ");
        return call.substr(verb);
    };

    command.mnuAbout_Click();
    clickField(command.window()->txtSupport);
    clickField(command.window()->txtWeb);
    ASSERT_EQ(windows.calls.size(), 2u);
    EXPECT_EQ(target(windows.calls[0]), target(helpMenu.calls[0]));
    EXPECT_EQ(target(windows.calls[1]), target(helpMenu.calls[1]));
    EXPECT_NE(windows.calls[0].find("mailto:support@vexor.example"), std::string::npos);
}

TEST(AboutErrors, MessagesReadAsTheProgramWordsThem) {
    EXPECT_EQ(app::UnknownErrorText(91), "Unknown Error Number 91 has occured.\r\nIf the problem "
                                         "persists please email support at "
                                         "support@vexor.example.");
    EXPECT_EQ(app::AboutLoadErrorText(5), "Unkown Error Number 5 has occured.  If the error "
                                          "persists\r\n please email support at "
                                          "support@vexor.example.");
}

} // namespace
} // namespace vexor::test
