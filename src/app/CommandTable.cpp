#include "CommandTable.h"

#include "view/MenuArray.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <utility>

namespace vexor::app {
namespace {

QAction* entry(QMenu* menu, const char* name, const char* caption) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(name);
    return action;
}

void separator(QMenu* menu, const char* name) {
    menu->addSeparator()->setObjectName(name);
}

QMenu* submenu(QMenu* parent, const char* name, const char* caption) {
    QMenu* menu = parent->addMenu(QString::fromUtf8(caption));
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    return menu;
}

QMenu* topMenu(QMenuBar* bar, const char* name, const char* caption) {
    QMenu* menu = bar->addMenu(QString::fromUtf8(caption));
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    return menu;
}

// The menu entry a toolbar button stands for; nullptr for none.
QAction* menuEntryOfButton(const view::Menus& m, const std::string& key) {
    const std::pair<const char*, QAction*> entries[] = {
        {"btnOpen", m.mnuOpen},
        {"btnZoomIn", m.mnuZoomIn},
        {"btnZoomOut", m.mnuZoomOut},
        {"btnPartLarge", m.mnuZoomSelected},
        {"btnUndo", m.mnuUndoZoom},
        {"btnHundred", m.mnu100Percent},
        {"btnRefresh", m.mnuRefresh},
        {"btnZoomWidth", m.mnuZoomWidth},
        {"btnZoomHeight", m.mnuZoomHeight},
        {"btnBirdsEye", m.mnuBirdsEye},
        {"btnPrint", m.mnuPrint},
    };
    for (const auto& [name, entry] : entries)
        if (key == name)
            return entry;
    return nullptr;
}

// A button is enabled exactly when the menu entry it stands for is.
void followMenuEntry(QAction* button, QAction* entry) {
    if (!entry)
        return;
    button->setEnabled(entry->isEnabled());
    QObject::connect(entry, &QAction::enabledChanged, button, &QAction::setEnabled);
}

// Check marks of these entries are set by the program, never toggled by a click itself.
QAction* checkEntry(QMenu* menu, const char* name, const char* caption) {
    QAction* action = entry(menu, name, caption);
    action->setCheckable(true);
    QObject::connect(action, &QAction::triggered, action,
                     [action](bool checked) { action->setChecked(!checked); });
    return action;
}

} // namespace

const std::vector<ToolbarButton>& toolbarButtons() {
    static const std::vector<ToolbarButton> buttons = {
        {"btnOpen", "Open a drawing"},     {"btnZoomIn", "Zoom in"},
        {"btnZoomOut", "Zoom out"},        {"btnPartLarge", "Zoom a selected area of the drawing"},
        {"btnUndo", "Undo the last zoom"}, {"btnHundred", "Actual size"},
        {"btnRefresh", "Re-drawn"},        {"btnZoomWidth", "Zoom width"},
        {"btnZoomHeight", "Zoom height"},  {"btnBirdsEye", "Open birds eye window"},
        {"btnPrint", "Print the drawing"},
    };
    return buttons;
}

void buildCommandTable(CommandTable& t, QMenuBar* bar, QWidget* toolbarParent,
                       const std::vector<QIcon>& imageList) {
    view::Menus& m = t.menus;

    t.mnuFile = topMenu(bar, "mnuFile", "&File");
    m.mnuOpen = entry(t.mnuFile, "mnuOpen", "&Open");
    m.mnuCompare = entry(t.mnuFile, "mnuCompare", "Compare with...");
    separator(t.mnuFile, "Separate0");
    m.mnuPrint = entry(t.mnuFile, "mnuPrint", "&Print");
    separator(t.mnuFile, "Separate1");
    m.mnuExit = entry(t.mnuFile, "mnuExit", "E&xit");
    separator(t.mnuFile, "Separate2");
    m.mnuHistory = new view::MenuArray(t.mnuFile, "No recent drawings", t.mnuFile);
    m.mnuHistory->Entry(0)->setObjectName("mnuHistory");
    m.mnuHistory->SetEnabled(0, false);

    t.mnuView = topMenu(bar, "mnuView", "&View");
    m.mnuZoomIn = entry(t.mnuView, "mnuZoomIn", "Zoom in");
    m.mnuZoomOut = entry(t.mnuView, "mnuZoomOut", "Zoom out");
    m.mnuZoomSelected = entry(t.mnuView, "mnuZoomSelected", "Zoom selected");
    m.mnuUndoZoom = entry(t.mnuView, "mnuUndoZoom", "Undo zoom");
    m.mnu100Percent = entry(t.mnuView, "mnu100Percent", "Actual size");
    m.mnuRefresh = entry(t.mnuView, "mnuRefresh", "Refresh view");
    m.mnuZoomWidth = entry(t.mnuView, "mnuZoomWidth", "Zoom width");
    m.mnuZoomHeight = entry(t.mnuView, "mnuZoomHeight", "Zoom height");
    separator(t.mnuView, "mnuSep1");
    m.mnuBirdsEye = entry(t.mnuView, "mnuBirdsEye", "Birds &Eye");
    separator(t.mnuView, "mnuSep2");
    t.mnuBackColor = submenu(t.mnuView, "mnuBackColor", "&Back color");
    m.mnuBackColor = t.mnuBackColor->menuAction();
    m.mnuBackWhite = checkEntry(t.mnuBackColor, "mnuBackWhite", "White");
    m.mnuBackBlack = checkEntry(t.mnuBackColor, "mnuBackBlack", "Black");
    m.mnuBackYellow = checkEntry(t.mnuBackColor, "mnuBackYellow", "Yellow");
    m.mnuBackBlue = checkEntry(t.mnuBackColor, "mnuBackBlue", "Blue");
    t.mnuForeColor = submenu(t.mnuView, "mnuForeColor", "Fore color");
    m.mnuForeColor = t.mnuForeColor->menuAction();
    m.mnuForeOriginal = checkEntry(t.mnuForeColor, "mnuForeOriginal", "Original");
    m.mnuForeWhite = checkEntry(t.mnuForeColor, "mnuForeWhite", "White");
    m.mnuForeBlack = checkEntry(t.mnuForeColor, "mnuForeBlack", "Black");
    m.mnuForeYellow = checkEntry(t.mnuForeColor, "mnuForeYellow", "Yellow");
    m.mnuForeBlue = checkEntry(t.mnuForeColor, "mnuForeBlue", "Blue");
    separator(t.mnuView, "mnuSep3");
    QMenu* layouts = submenu(t.mnuView, "mnuLayouts", "Layout");
    m.mnuLayouts = layouts->menuAction();
    m.mnuLayout = new view::MenuArray(layouts, "Model", layouts);
    m.mnuLayout->Entry(0)->setObjectName("mnuLayout");
    m.mnuLayout->SetCheckable(true);
    m.mnuLineweights = entry(t.mnuView, "mnuLineweights", "Lineweights");
    m.mnuLineweights->setCheckable(true);

    t.mnuLayers = topMenu(bar, "mnuLayers", "&Layers");
    m.mnuLayers = t.mnuLayers->menuAction();
    m.mnuLayer = new view::MenuArray(t.mnuLayers, "Layer", t.mnuLayers);
    m.mnuLayer->Entry(0)->setObjectName("mnuLayer");
    m.mnuLayer->SetCheckable(true);

    // Tools that work with the drawing: the one menu whose entries carry shortcuts.
    t.mnuTools = topMenu(bar, "mnuTools", "&Tools");
    m.mnuFind = entry(t.mnuTools, "mnuFind", "&Find...");
    m.mnuFind->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    m.mnuMeasure = entry(t.mnuTools, "mnuMeasure", "&Measure");
    m.mnuProperties = entry(t.mnuTools, "mnuProperties", "&Properties");
    QMenu* snaps = submenu(t.mnuTools, "mnuSnap", "&Snap");
    m.mnuSnap = snaps->menuAction();
    static const char* const kSnapKinds[][2] = {{"mnuSnapEndpoint", "Endpoint"},
                                                {"mnuSnapMidpoint", "Midpoint"},
                                                {"mnuSnapIntersection", "Intersection"},
                                                {"mnuSnapNearest", "Nearest"},
                                                {"mnuSnapNode", "Node"},
                                                {"mnuSnapInsertion", "Insertion"},
                                                {"mnuSnapCentre", "Centre"},
                                                {"mnuSnapQuadrant", "Quadrant"},
                                                {"mnuSnapPerpendicular", "Perpendicular"},
                                                {"mnuSnapTangent", "Tangent"}};
    for (std::size_t k = 0; k < m.mnuSnapKinds.size(); ++k) {
        m.mnuSnapKinds[k] = entry(snaps, kSnapKinds[k][0], kSnapKinds[k][1]);
        m.mnuSnapKinds[k]->setCheckable(true);
        m.mnuSnapKinds[k]->setChecked(true);
    }

    t.mnuHelp = topMenu(bar, "mnuHelp", "&Help");
    m.mnuAbout = entry(t.mnuHelp, "mnuAbout", "&About");
    m.mnuOnlineHelp = entry(t.mnuHelp, "mnuOnlineHelp", "Online help");
    m.mnuWebPage = entry(t.mnuHelp, "mnuWebPage", "VEXOR Webpage");
    m.mnuPricingInfo = entry(t.mnuHelp, "mnuPricingInfo", "Pricing Info");
    m.mnuSupport = entry(t.mnuHelp, "mnuSupport", "Email Support");
    m.mnuComments = entry(t.mnuHelp, "mnuComments", "Email comments");

    t.Toolbar2 = new QToolBar(toolbarParent);
    t.Toolbar2->setObjectName("Toolbar2");
    t.Toolbar2->setMovable(false);
    t.Toolbar2->setFloatable(false);
    t.Toolbar2->setIconSize(QSize(24, 24));
    const auto& buttons = toolbarButtons();
    for (std::size_t k = 0; k < buttons.size(); ++k) {
        QAction* button = t.Toolbar2->addAction(k < imageList.size() ? imageList[k] : QIcon(),
                                                QString::fromUtf8(buttons[k].tooltip));
        button->setObjectName(buttons[k].key);
        button->setToolTip(QString::fromUtf8(buttons[k].tooltip));
        const std::string key = buttons[k].key;
        if (key == "btnOpen" || key == "btnZoomHeight" || key == "btnBirdsEye")
            t.Toolbar2->addSeparator();
        followMenuEntry(button, menuEntryOfButton(m, key));
    }
}

} // namespace vexor::app
