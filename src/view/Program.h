#pragma once

#include "control/DrawingControl.h"
#include "data/ViewSettingsStore.h"
#include "platform/WindowSystem.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QAction;

namespace vexor::view {

class MenuArray;
class MenuIcons;

// The Layers menu's list: one entry per layer of the drawing, "Layer_" + the layer's name,
// with the layer's colour number.
struct LayerList {
    std::int16_t LayerCount = 0;
    std::vector<std::string> LayerEntries;
    std::vector<std::int16_t> LayerColors;
    // Parallel to LayerColors: the layer's true colour (0xRRGGBB) when it has one.
    std::vector<std::optional<std::uint32_t>> LayerTrueColors;
    std::string LastLoadedPath; // the path of the previous load, of any file type
    // Set for a new DXF or DGN file: its layers are listed from the drawing once it is read.
    bool ListFromDrawing = false;
};

using data::ViewSettingsRecord;

// The loaded drawing's frame corners; all zero while no drawing gives them.
struct ExtentsRecord {
    double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
};

// The main window's menu entries that the drawing-view, history and print code use.
struct Menus {
    QAction* mnuOpen = nullptr;
    QAction* mnuCompare = nullptr;
    QAction* mnuPrint = nullptr;
    QAction* mnuExit = nullptr;
    MenuArray* mnuHistory = nullptr;

    QAction* mnuZoomIn = nullptr;
    QAction* mnuZoomOut = nullptr;
    QAction* mnuZoomSelected = nullptr;
    QAction* mnuUndoZoom = nullptr;
    QAction* mnu100Percent = nullptr;
    QAction* mnuRefresh = nullptr;
    QAction* mnuZoomWidth = nullptr;
    QAction* mnuZoomHeight = nullptr;
    QAction* mnuBirdsEye = nullptr;
    QAction* mnuBackColor = nullptr;
    QAction* mnuBackWhite = nullptr;
    QAction* mnuBackBlack = nullptr;
    QAction* mnuBackYellow = nullptr;
    QAction* mnuBackBlue = nullptr;
    QAction* mnuForeColor = nullptr;
    QAction* mnuForeOriginal = nullptr;
    QAction* mnuForeWhite = nullptr;
    QAction* mnuForeBlack = nullptr;
    QAction* mnuForeYellow = nullptr;
    QAction* mnuForeBlue = nullptr;
    QAction* mnuLayouts = nullptr;     // the "Layout" submenu of the View menu
    MenuArray* mnuLayout = nullptr;    // "Model", then each layout of the drawing
    QAction* mnuLineweights = nullptr; // check entry: lines at their lineweight on screen

    QAction* mnuLayers = nullptr; // the Layers menu itself
    MenuArray* mnuLayer = nullptr;

    QAction* mnuFind = nullptr; // Tools menu
    QAction* mnuMeasure = nullptr;
    QAction* mnuProperties = nullptr;
    QAction* mnuSnap = nullptr; // the "Snap" submenu: one checked entry per kind of point
    std::array<QAction*, 10> mnuSnapKinds{};

    QAction* mnuAbout = nullptr;
    QAction* mnuOnlineHelp = nullptr;
    QAction* mnuWebPage = nullptr;
    QAction* mnuPricingInfo = nullptr;
    QAction* mnuSupport = nullptr;
    QAction* mnuComments = nullptr;
};

// The main window as the program's procedures see it.
class MainWindowHost {
public:
    virtual ~MainWindowHost() = default;
    virtual std::string Caption() = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual control::WindowId Handle() = 0;
    // The window's outer height, frame included, in twips.
    virtual double OuterHeightTwips() = 0;
    // Switches the mouse cursor between the pan cursor and the default one.
    virtual void SetPanCursor(bool pan) = 0;
    // Shows where the pointer is, in the status bar.
    virtual void ShowCursorPosition(const std::string& text) = 0;
    // Shows the result of the last measurement, or what the measure tool asks for, in the
    // status bar.
    virtual void ShowMeasurement(const std::string& text) = 0;
};

// The dockable panel that lists a comparison's differences, by kind and layer, with next and
// previous; the main window's.
class DifferencesPanelHost {
public:
    virtual ~DifferencesPanelHost() = default;
    virtual void ShowDifferences(const std::vector<control::DrawingDifference>& differences) = 0;
    virtual void HideDifferences() = 0;
    // Marks the difference chosen (-1: none).
    virtual void SelectDifference(int index) = 0;
};

// A comparison shown: the drawing CurrentDrawingPath is compared with, and what the first
// drawing looked like before, to go back to.
struct ComparisonState {
    std::string ComparedPath; // empty while no comparison is shown
    ViewSettingsRecord SettingsBefore;
    std::vector<std::string> HiddenLayersBefore; // Layers menu entries unchecked
    std::int32_t LayoutBefore = 0;
    std::vector<control::DrawingDifference> Differences;
    int CurrentDifference = -1;
};

// State shared by the program's procedures for the whole run, and the seams they act through.
struct Program {
    Program(control::DrawingControl& control, platform::WindowSystem& windowSystem,
            MainWindowHost& host, Menus& menuEntries, std::string folder)
        : Dbcocx1(control), windows(windowSystem), mainWindow(host), menus(menuEntries),
          ProgramFolder(std::move(folder)) {}

    control::DrawingControl& Dbcocx1;
    platform::WindowSystem& windows;
    MainWindowHost& mainWindow;
    Menus& menus;
    // The folder of the project database and the control's work file: beside the program, or
    // the user's own copy for an installed program.
    std::string ProgramFolder;

    std::string CurrentDrawingPath;
    ViewSettingsRecord ViewSettings;
    ExtentsRecord DrawingExtents;
    double ScreenPixelsPerTwip = 0;
    control::WindowId BirdsEyeHandle = 0;
    LayerList layers;
    MenuIcons* menuIcons = nullptr; // icons beside menu entries; set up by the main window
    DifferencesPanelHost* differencesPanel = nullptr; // set up by the main window
    ComparisonState comparison;

    // The stored paths behind the recent-drawings entries mnuHistory(0..9).
    std::array<std::string, 10> HistoryPaths;
    // The open-file dialog's file-name box starts with the path chosen in it last time.
    std::string OpenDialogPath;
};

} // namespace vexor::view
