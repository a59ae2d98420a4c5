#include "frmAbout.h"

#include "HelpLinks.h"
#include "ProductInfo.h"
#include "ToolbarPictures.h"
#include "data/ProjectDatabase.h"
#include "view/ProgramVersion.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

namespace vexor::app {

namespace {

constexpr char kLineEnd[] = "\r\n";

// The number an error message names: the database engine's result code where there is one.
int errorNumber(const std::exception& error) {
    if (const auto* database = dynamic_cast<const data::DatabaseError*>(&error))
        return database->code();
    return 1;
}

QLineEdit* textField(QWidget* parent, const char* name, const QString& text, const QRect& place) {
    auto* field = new QLineEdit(text, parent);
    field->setObjectName(name);
    field->setReadOnly(true);
    field->setFrame(false);
    field->setStyleSheet("background: transparent;");
    field->setGeometry(place);
    return field;
}

QLabel* linkField(QWidget* parent, const char* name, const QString& text, const QRect& place) {
    auto* field = new QLabel(text, parent);
    field->setObjectName(name);
    field->setGeometry(place);
    field->setCursor(Qt::PointingHandCursor);
    field->setStyleSheet("color: #0645ad; text-decoration: underline;");
    return field;
}

} // namespace

std::string CreditsText(data::ProjectConnection* connection) {
    if (!connection)
        return {};
    std::vector<std::string> headings;
    try {
        headings = connection->Contributions();
    } catch (const std::exception&) {
        return {};
    }
    std::string text;
    for (const std::string& heading : headings) {
        text += kLineEnd + heading + kLineEnd;
        try {
            // The heading is a bound parameter, so one with an apostrophe lists its names too.
            for (const std::string& name : connection->NamesFor(heading))
                text += "\t" + name + kLineEnd;
        } catch (const std::exception&) {
        }
    }
    return text;
}

std::string UnknownErrorText(int number) {
    return "Unknown Error Number " + std::to_string(number) + " has occured." + kLineEnd +
           "If the problem persists please email support at " + kSupportEmail + ".";
}

std::string AboutLoadErrorText(int number) {
    return "Unkown Error Number " + std::to_string(number) +
           " has occured.  If the error persists" + kLineEnd + " please email support at " +
           kSupportEmail + ".";
}

frmAbout::frmAbout(platform::WindowSystem& windows, data::ProjectConnection* connection,
                   QWidget* owner)
    : QWidget(owner, Qt::Dialog), windows_(windows), connection_(connection) {
    setObjectName("frmAbout");
    setFixedSize(440, 400);

    Picture1 = new QLabel(this);
    Picture1->setObjectName("Picture1");
    Picture1->setGeometry(16, 20, 72, 72);
    Picture1->setPixmap(toolbarPicture(10, 72, devicePixelRatioF()));

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName("Frame1");
    Frame1->setGeometry(104, 8, 320, 146);
    const int left = 12, width = 296, line = 20;
    Text1 = textField(Frame1, "Text1", kPublisherName, {left, 14, width, line});
    Text2 = textField(Frame1, "Text2", kPublisherStreet, {left, 14 + line, width, line});
    Text3 = textField(Frame1, "Text3", QString("%1 %2").arg(kPublisherPostalCode, kPublisherCity),
                      {left, 14 + 2 * line, width, line});
    Text4 = textField(Frame1, "Text4", "Email: ", {left, 14 + 3 * line, 48, line});
    txtSupport = linkField(Frame1, "txtSupport", kSupportEmail,
                           {left + 48, 14 + 3 * line, width - 48, line});
    Text5 = textField(Frame1, "Text5", kPublisherFax, {left, 14 + 4 * line, width, line});
    txtWeb = linkField(Frame1, "txtWeb", kWebAddress, {left + 2, 14 + 5 * line, width, line});
    txtSupport->installEventFilter(this);
    txtWeb->installEventFilter(this);

    Label1 = new QLabel("Credits", this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(16, 164, 200, 20);
    txtCredits = new QPlainTextEdit(this);
    txtCredits->setObjectName("txtCredits");
    txtCredits->setReadOnly(true);
    txtCredits->setTabStopDistance(3 * txtCredits->fontMetrics().horizontalAdvance('M'));
    txtCredits->setGeometry(16, 186, 408, 164);

    cmdOk = new QPushButton("&OK", this);
    cmdOk->setObjectName("cmdOk");
    cmdOk->setGeometry(334, 360, 90, 28);
    cmdOk->setDefault(true);
    connect(cmdOk, &QPushButton::clicked, this, &frmAbout::unload);

    Form_Load();
}

void frmAbout::Form_Load() {
    const auto reportAndGoOn = [this](const std::exception& error) {
        windows_.MessageBox(AboutLoadErrorText(errorNumber(error)), "Unkown Error",
                            platform::MessageIcon::Information);
    };
    try {
        appendCredits(CreditsText(connection_));
    } catch (const std::exception& error) {
        reportAndGoOn(error);
    }
    try {
        setWindowTitle(QString::fromStdString("About VEXOR " + view::ProgramVersionText()));
    } catch (const std::exception& error) {
        reportAndGoOn(error);
    }
}

void frmAbout::appendCredits(const std::string& text) {
    credits_ += text;
    // The box shows lines; CR LF is the stored line end.
    QString shown = QString::fromStdString(credits_);
    shown.replace("\r\n", "\n");
    txtCredits->setPlainText(shown);
}

platform::WindowId frmAbout::ownWindow() {
    return static_cast<platform::WindowId>(winId());
}

void frmAbout::txtSupport_Click() {
    MailSupport(windows_, ownWindow());
}

void frmAbout::txtWeb_Click() {
    ShowWebPage(windows_, ownWindow());
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == txtSupport) {
            txtSupport_Click();
            return true;
        }
        if (watched == txtWeb) {
            txtWeb_Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmAbout::unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    hide();
    deleteLater();
}

void frmAbout::closeEvent(QCloseEvent* event) {
    event->accept();
    unload();
}

AboutCommand::AboutCommand(platform::WindowSystem& windows, data::ProjectConnection* connection,
                           QWidget* owner)
    : windows_(windows), connection_(connection), owner_(owner) {}

AboutCommand::~AboutCommand() {
    delete form_.data();
}

void AboutCommand::mnuAbout_Click() {
    const auto report = [this](const std::exception& error) {
        windows_.MessageBox(UnknownErrorText(errorNumber(error)), "VEXOR",
                            platform::MessageIcon::None);
    };
    try {
        if (!window())
            form_ = new frmAbout(windows_, connection_, owner_);
    } catch (const std::exception& error) {
        report(error);
    }
    try {
        if (frmAbout* form = window()) {
            form->show();
            form->raise();
            form->activateWindow();
        }
    } catch (const std::exception& error) {
        report(error);
    }
}

frmAbout* AboutCommand::window() const {
    return form_ && !form_->unloaded() ? form_.data() : nullptr;
}

} // namespace vexor::app
