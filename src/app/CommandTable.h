#pragma once

#include "view/Program.h"

#include <QIcon>
#include <string>
#include <vector>

class QMenu;
class QMenuBar;
class QToolBar;
class QWidget;

namespace vexor::app {

// One toolbar button: its key, tooltip and picture number (1-based) in the image list.
struct ToolbarButton {
    const char* key;
    const char* tooltip;
};

// The toolbar's eleven buttons in order; separators follow btnOpen, btnZoomHeight and
// btnBirdsEye.
const std::vector<ToolbarButton>& toolbarButtons();

// The main window's menu tree and toolbar.
struct CommandTable {
    QMenu* mnuFile = nullptr;
    QMenu* mnuView = nullptr;
    QMenu* mnuLayers = nullptr;
    QMenu* mnuTools = nullptr;
    QMenu* mnuHelp = nullptr;
    QMenu* mnuBackColor = nullptr;
    QMenu* mnuForeColor = nullptr;
    view::Menus menus;
    QToolBar* Toolbar2 = nullptr;
};

// Builds every menu of the main window in order with captions, separators and start states
// (all enabled, visible and unchecked except the single history entry, which starts disabled),
// and the toolbar with the pictures of `imageList` (button k shows picture k).
void buildCommandTable(CommandTable& table, QMenuBar* menuBar, QWidget* toolbarParent,
                       const std::vector<QIcon>& imageList);

} // namespace vexor::app
