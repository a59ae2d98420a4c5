#include "frmSplash.h"

#include "ProductInfo.h"
#include "ToolbarPictures.h"
#include "view/ProgramVersion.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QVBoxLayout>
#include <stdexcept>

namespace vexor::app {

frmSplash::frmSplash(platform::WindowSystem& windows, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), windows_(windows) {
    setObjectName("frmSplash");
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(18, 18, 18, 18);
    auto* top = new QHBoxLayout;
    Picture1 = new QLabel(this);
    Picture1->setObjectName("Picture1");
    Picture1->setPixmap(toolbarPicture(10, 96, devicePixelRatioF()));
    top->addWidget(Picture1);
    auto* title = new QLabel("<span style='font-size:28pt; font-weight:600'>VEXOR</span>", this);
    top->addWidget(title, 1);
    outer->addLayout(top);

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName("Frame1");
    auto* frameLayout = new QVBoxLayout(Frame1);
    for (std::size_t i = 0; i < txtCompany.size(); ++i) {
        txtCompany[i] = new QLineEdit(Frame1);
        txtCompany[i]->setObjectName(QString("txtCompany%1").arg(i));
        txtCompany[i]->setReadOnly(true);
        txtCompany[i]->setFrame(false);
        frameLayout->addWidget(txtCompany[i]);
    }
    txtWarning = new QPlainTextEdit(Frame1);
    txtWarning->setObjectName("txtWarning");
    txtWarning->setReadOnly(true);
    txtWarning->setFixedHeight(80);
    frameLayout->addWidget(txtWarning);
    outer->addWidget(Frame1);

    lblExpect = new QLabel(this);
    lblExpect->setObjectName("lblExpect");
    outer->addWidget(lblExpect);
    lblPrgVer = new QLabel(this);
    lblPrgVer->setObjectName("lblPrgVer");
    lblPrgVer->setAlignment(Qt::AlignRight);
    outer->addWidget(lblPrgVer);
    setFixedSize(520, 400);
}

void frmSplash::runStep(const std::function<void()>& step) {
    try {
        step();
    } catch (const std::exception&) {
        windows_.MessageBox(std::string("Unkown Error Number ") + "0" + " has occured." + "\r\n" +
                                "If the error persists please email support at " + kSupportEmail +
                                ".",
                            "Unkown Error", platform::MessageIcon::Information);
    }
}

void frmSplash::Form_Load(const std::function<void()>& openDatabase) {
    runStep([this] {
        const char* lines[4] = {kPublisherName, kPublisherStreet, kPublisherCity,
                                kPublisherPostalCode};
        for (std::size_t i = 0; i < txtCompany.size(); ++i)
            txtCompany[i]->setText(QString::fromUtf8(lines[i]));
        txtWarning->setPlainText(QString::fromUtf8(kLegalWarning).replace("\r\n", "\n"));
        lblExpect->setText(QString::fromUtf8(kNoticeLine));
    });
    if (openDatabase)
        openDatabase();
    runStep([this] {
        lblPrgVer->setText(
            QString::fromStdString("Program Version: " + view::ProgramVersionText()));
    });
    runStep([this] { CenterWindow(*this); });
}

void CenterWindow(QWidget& window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QSize size = window.frameGeometry().size();
    window.move(area.x() + static_cast<int>((area.width() - size.width()) / 2.0f),
                area.y() + static_cast<int>((area.height() - size.height()) / 2.0f));
}

} // namespace vexor::app
