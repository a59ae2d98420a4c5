#include "frmVEXOR.h"

#include "CommandLine.h"
#include "DifferencesPanel.h"
#include "FindPanel.h"
#include "HelpLinks.h"
#include "KeyboardConventions.h"
#include "MeasurePanel.h"
#include "PropertiesPanel.h"
#include "ToolbarPictures.h"
#include "frmAbout.h"
#include "print/QtPrinterSystem.h"
#include "print/StartPrint.h"
#include "view/BirdsEye.h"
#include "view/Colours.h"
#include "view/Comparison.h"
#include "view/DrawingLoader.h"
#include "view/History.h"
#include "view/LayerIcons.h"
#include "view/LayersMenu.h"
#include "view/LayoutMenu.h"
#include "view/MenuArray.h"
#include "view/ProgramVersion.h"
#include "view/ViewSettings.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QWheelEvent>

namespace vexor::app {

frmVEXOR::frmVEXOR(control::DrawingControl& control, QWidget* controlWidget,
                   platform::WindowSystem& windows, const std::string& programFolder,
                   data::ProjectConnection* database)
    : imageList1_(makeToolbarPictures()), ilsIcons_(view::makeLayerIcons()),
      controlWidget_(controlWidget), program_(control, windows, *this, table_.menus, programFolder),
      navigator_(program_), measurer_(program_), inspector_(program_),
      router_(program_, navigator_, &measurer_, &inspector_), finder_(program_),
      about_(std::make_unique<AboutCommand>(windows, database, this)) {
    setObjectName("frmVEXOR");
    client_ = new QWidget(this);
    client_->setObjectName("client");
    setCentralWidget(client_);
    buildCommandTable(table_, menuBar(), client_, imageList1_);
    if (controlWidget_) {
        controlWidget_->setParent(client_);
        controlWidget_->setObjectName("Dbcocx1");
        controlWidget_->move(0, 0);
        controlWidget_->installEventFilter(this);
    }
    client_->installEventFilter(this);
    differences_ = new DifferencesPanel(this);
    addDockWidget(Qt::RightDockWidgetArea, differences_);
    program_.differencesPanel = differences_;
    timer_ = new QTimer(this);
    timer_->setObjectName("Timer1");
    connect(timer_, &QTimer::timeout, this, [this] { navigator_.Timer1_Timer(); });
    control.SetEventSink(&router_);
    cursorPosition_ = new QLabel(this);
    cursorPosition_->setObjectName("lblCursorPosition");
    statusBar()->addWidget(cursorPosition_);
    measurement_ = new QLabel(this);
    measurement_->setObjectName("lblMeasurement");
    statusBar()->addPermanentWidget(measurement_);
    findPanel_ = new FindPanel(finder_, this);
    addDockWidget(Qt::RightDockWidgetArea, findPanel_);
    findPanel_->hide();
    measurePanel_ = new MeasurePanel(measurer_, this);
    addDockWidget(Qt::RightDockWidgetArea, measurePanel_);
    measurePanel_->hide();
    propertiesPanel_ = new PropertiesPanel(inspector_, this);
    addDockWidget(Qt::RightDockWidgetArea, propertiesPanel_);
    propertiesPanel_->hide();
    inspector_.changed = [this] { propertiesPanel_->refresh(); };
    measurer_.changed = [this] {
        measurePanel_->refresh();
        ShowMeasurement(measurer_.Summary());
    };
    keys_ = new KeyboardConventions(this, program_, [this] { cancelTool(); });
    resize(1024, 720);
    setAcceptDrops(true);
    connectCommands();
}

frmVEXOR::~frmVEXOR() {
    program_.Dbcocx1.SetEventSink(nullptr);
    // The panels and keys act on tools held by this window: they go before the tools do.
    measurer_.changed = nullptr;
    inspector_.changed = nullptr;
    delete keys_;
    delete findPanel_;
    delete measurePanel_;
    delete propertiesPanel_;
    // The control widget belongs to the caller, not to this window.
    if (controlWidget_)
        controlWidget_->setParent(nullptr);
}

void frmVEXOR::connectCommands() {
    view::Menus& m = table_.menus;
    connect(m.mnuExit, &QAction::triggered, this, [this] { close(); });
    auto link = [this](QAction* action, void (*open)(platform::WindowSystem&, platform::WindowId)) {
        connect(action, &QAction::triggered, this,
                [this, open] { open(program_.windows, Handle()); });
    };
    link(m.mnuOnlineHelp, ShowOnlineHelp);
    link(m.mnuWebPage, ShowWebPage);
    link(m.mnuPricingInfo, ShowPricingInfo);
    link(m.mnuSupport, MailSupport);
    link(m.mnuComments, MailComments);
    auto command = [this](QAction* action, void (*run)(view::Program&)) {
        connect(action, &QAction::triggered, this,
                [this, run] { guarded([&] { run(program_); }); });
    };
    command(m.mnuOpen, view::mnuOpen_Click);
    command(m.mnuCompare, view::mnuCompare_Click);
    differences_->onChosen = [this](int index) {
        guarded([&] { view::ShowDifference(program_, index); });
    };
    differences_->onNext = [this] { guarded([&] { view::NextDifference(program_); }); };
    differences_->onPrevious = [this] { guarded([&] { view::PreviousDifference(program_); }); };
    differences_->onClose = [this] { guarded([&] { view::CloseComparison(program_); }); };
    connect(m.mnuPrint, &QAction::triggered, this, [this] { guarded([&] { printCommand(); }); });
    connect(m.mnuAbout, &QAction::triggered, this,
            [this] { guarded([&] { about_->mnuAbout_Click(); }); });
    m.mnuHistory->onClick = [this](int index) {
        guarded([&] { view::mnuHistory_Click(program_, index); });
    };
    command(m.mnuBackWhite, view::mnuBackWhite_Click);
    command(m.mnuBackBlack, view::mnuBackBlack_Click);
    command(m.mnuBackYellow, view::mnuBackYellow_Click);
    command(m.mnuBackBlue, view::mnuBackBlue_Click);
    command(m.mnuForeOriginal, view::mnuForeOriginal_Click);
    command(m.mnuForeWhite, view::mnuForeWhite_Click);
    command(m.mnuForeBlack, view::mnuForeBlack_Click);
    command(m.mnuForeYellow, view::mnuForeYellow_Click);
    command(m.mnuForeBlue, view::mnuForeBlue_Click);
    command(m.mnuZoomIn, view::ZoomIn);
    command(m.mnuZoomOut, view::ZoomOut);
    command(m.mnuZoomSelected, view::ZoomSelected);
    command(m.mnuUndoZoom, view::UndoZoom);
    command(m.mnu100Percent, view::ActualSize);
    command(m.mnuRefresh, view::RefreshView);
    command(m.mnuZoomWidth, view::ZoomToWidth);
    command(m.mnuZoomHeight, view::ZoomToHeight);
    command(m.mnuBirdsEye, view::mnuBirdsEye_Click);
    connect(m.mnuFind, &QAction::triggered, this, [this] { findPanel_->open(); });
    // One picking tool at a time: starting one ends the other.
    connect(m.mnuMeasure, &QAction::triggered, this, [this] {
        guarded([&] {
            inspector_.Cancel();
            measurePanel_->open();
        });
    });
    // Snap entries in bit order: endpoint, midpoint, intersection, nearest, node, insertion,
    // centre, quadrant, perpendicular, tangent.
    for (std::size_t k = 0; k < m.mnuSnapKinds.size(); ++k)
        connect(m.mnuSnapKinds[k], &QAction::toggled, this, [this, k](bool on) {
            const std::int32_t bit = 1 << k;
            measurer_.SnapKinds = on ? measurer_.SnapKinds | bit : measurer_.SnapKinds & ~bit;
        });
    connect(m.mnuProperties, &QAction::triggered, this, [this] {
        guarded([&] {
            measurer_.Cancel();
            propertiesPanel_->open();
        });
    });
    command(m.mnuLineweights, view::mnuLineweights_Click);
    m.mnuLayer->onClick = [this](int index) {
        guarded([&] { view::mnuLayer_Click(program_, index); });
    };
    m.mnuLayout->onClick = [this](int index) {
        guarded([&] { view::mnuLayout_Click(program_, index); });
    };
    for (QAction* button : table_.Toolbar2->actions()) {
        if (button->isSeparator())
            continue;
        const std::string key = button->objectName().toStdString();
        connect(button, &QAction::triggered, this,
                [this, key] { guarded([&] { Toolbar2_ButtonClick(key); }); });
    }
}

void frmVEXOR::Toolbar2_ButtonClick(const std::string& key) {
    if (key == "btnOpen")
        openCommand();
    else if (key == "btnZoomIn")
        view::ZoomIn(program_);
    else if (key == "btnZoomOut")
        view::ZoomOut(program_);
    else if (key == "btnPartLarge")
        view::ZoomSelected(program_);
    else if (key == "btnUndo")
        view::UndoZoom(program_);
    else if (key == "btnHundred")
        view::ActualSize(program_);
    else if (key == "btnRefresh")
        view::RefreshView(program_);
    else if (key == "btnZoomWidth")
        view::ZoomToWidth(program_);
    else if (key == "btnZoomHeight")
        view::ZoomToHeight(program_);
    else if (key == "btnBirdsEye")
        view::mnuBirdsEye_Click(program_);
    else if (key == "btnPrint")
        printCommand();
}

void frmVEXOR::openCommand() {
    view::mnuOpen_Click(program_);
}

void frmVEXOR::printCommand() {
    if (!printing_) {
        printers_ = std::make_unique<print::QtPrinterSystem>();
        printing_ = std::make_unique<print::PrintCommand>(program_, *printers_, this);
    }
    printing_->StartPrint();
}

void frmVEXOR::cancelTool() {
    guarded([&] {
        program_.Dbcocx1.CancelInput();
        finder_.Cancel();
        measurer_.Cancel();
        inspector_.Cancel();
    });
}

void frmVEXOR::Form_Load(const std::string& commandLine,
                         const std::function<void()>& beforeDrawing) {
    SetCaption(view::ProgramTitle());
    menuIcons_.SetOwnerWindow(this);
    menuIcons_.SetImageList(&ilsIcons_);
    program_.menuIcons = &menuIcons_;
    guarded([&] { view::BuildHistoryMenu(program_); });
    setWindowState(windowState() | Qt::WindowMaximized);
    table_.menus.mnuLayers->setEnabled(false);
    table_.menus.mnuPrint->setEnabled(false);
    guarded([&] { view::RestoreViewSettings(program_); });

    platform::WindowSystem& w = program_.windows;
    program_.ScreenPixelsPerTwip = w.GetSystemMetrics(1) / w.ScreenHeightTwips();

    if (const auto path = commandLineDrawing(commandLine)) {
        if (beforeDrawing)
            beforeDrawing();
        // Any kind the viewer reads, recognised by its content; a file that is missing or
        // cannot be read says so in the drawing area, as File > Open does. A failure must not
        // keep the main window from opening.
        try {
            view::OpenDrawing(program_, *path);
        } catch (const std::exception& e) {
            w.MessageBox("The drawing " + program_.CurrentDrawingPath +
                             " could not be opened.\r\n" + e.what(),
                         "VEXOR", platform::MessageIcon::Exclamation);
        }
    }
    timer_->setInterval(100);
    timer_->start();
}

void frmVEXOR::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFiles(event->mimeData()).empty())
        event->acceptProposedAction();
}

void frmVEXOR::dropEvent(QDropEvent* event) {
    const std::vector<std::string> paths = droppedFiles(event->mimeData());
    if (paths.empty())
        return;
    event->acceptProposedAction();
    view::OpenDroppedDrawings(program_, paths);
}

std::vector<std::string> frmVEXOR::droppedFiles(const QMimeData* data) {
    std::vector<std::string> paths;
    if (!data)
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile().toStdString());
    return paths;
}

void frmVEXOR::Form_Resize() {
    // The control fills exactly the area below the toolbar; reaching below the window's
    // inner area would hide the bottom of the drawing under the window edge.
    const int innerWidth = client_->width();
    const int innerHeight = client_->height();
    table_.Toolbar2->setGeometry(0, 0, innerWidth, table_.Toolbar2->sizeHint().height());
    control::DrawingControl& c = program_.Dbcocx1;
    const int toolbarHeight = table_.Toolbar2->height();
    c.SetTop(toolbarHeight);
    if (innerHeight - toolbarHeight > 0)
        c.SetHeight(innerHeight - toolbarHeight);
    c.SetWidth(innerWidth);
}

void frmVEXOR::Form_Unload() {
    if (!program_.CurrentDrawingPath.empty())
        guarded([&] { view::SaveViewSettings(program_); });
}

void frmVEXOR::guarded(const std::function<void()>& command) {
    // A command that fails tells the user why and leaves the program running.
    try {
        command();
    } catch (const std::exception& e) {
        program_.windows.MessageBox(e.what(), "VEXOR", platform::MessageIcon::Exclamation);
    }
}

void frmVEXOR::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

bool frmVEXOR::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client_ && event->type() == QEvent::Resize)
        Form_Resize();
    if (watched == controlWidget_ && event->type() == QEvent::Wheel) {
        // Every wheel notch is one zoom step toward the pointer, whatever its size.
        const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
        navigator_.MouseWheel(static_cast<std::int16_t>(delta > 0 ? 120 : delta < 0 ? -120 : 0));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

std::string frmVEXOR::Caption() {
    return windowTitle().toStdString();
}

void frmVEXOR::SetCaption(const std::string& caption) {
    setWindowTitle(QString::fromStdString(caption));
}

control::WindowId frmVEXOR::Handle() {
    return static_cast<control::WindowId>(winId());
}

double frmVEXOR::OuterHeightTwips() {
    const QScreen* s = screen();
    const double twipsPerPixel = 1440.0 / (s ? s->logicalDotsPerInchY() : 96.0);
    return frameGeometry().height() * twipsPerPixel;
}

void frmVEXOR::ShowCursorPosition(const std::string& text) {
    cursorPosition_->setText(QString::fromStdString(text));
}

void frmVEXOR::ShowMeasurement(const std::string& text) {
    measurement_->setText(QString::fromStdString(text));
}

void frmVEXOR::SetPanCursor(bool pan) {
    if (pan)
        setCursor(QCursor(toolbarPicture(12, 32, devicePixelRatioF()), 13, 14));
    else
        unsetCursor();
}

} // namespace vexor::app
