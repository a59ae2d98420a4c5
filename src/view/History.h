#pragma once

#include "Program.h"

#include <optional>
#include <string>
#include <vector>

namespace vexor::view {

inline constexpr char kOpenDialogFilter[] =
    "Drawing Files (*.dwg;*.dxf;*.dgn)|*.dwg;*.dxf;*.dgn|AutoCAD Files (*.dwg)|*.dwg|"
    "DXF Files (*.dxf)|*.dxf|Microstation Files (*.dgn)|*.dgn|All Files (*.*)|*.*";
inline constexpr int kOpenDialogFlags = 4; // the read-only check box is hidden
inline constexpr int kHistoryCaptionLimit = 50;
inline constexpr int kHistorySize = 10;

// The caption of a stored path in the recent-drawings menu: paths over 50 characters become
// first component + separator + "..." + separator + last component.
std::string HistoryCaption(const std::string& path);

// Renews the AccessDate of the path's row (matched without regard to letter case, the stored
// spelling kept) or adds a row for it; true when a row was added. Any failure is reported with a
// message box.
bool RecordDrawing(Program& program, const std::string& path);

// Fills mnuHistory and HistoryPaths with the ten newest rows, newest first. False when a
// failure stopped it (an empty table included). Failures to open the database itself pass to
// the caller as DatabaseError.
bool BuildHistoryMenu(Program& program);

// Opens a drawing the user named, as File > Open does once its dialog has answered: the path
// becomes CurrentDrawingPath; an existing file is recorded, its view restored and it is loaded,
// then the menu rebuilt. A file that gives no drawing says why and is not added to the recent
// drawings. Failures pass to the caller.
void OpenDrawing(Program& program, const std::string& path);

// The Open dialog, starting where the last one ended: the file chosen (remembered for the next
// dialog), or nothing when the user cancelled. Failures pass to the caller.
std::optional<std::string> AskForDrawing(Program& program);

// File > Open.
void mnuOpen_Click(Program& program);

// Files dropped onto the main window: the first is opened as File > Open opens a chosen file,
// after the shown drawing's view is saved. Failures end the command without a message.
void OpenDroppedDrawings(Program& program, const std::vector<std::string>& paths);

// A recent-drawings entry.
void mnuHistory_Click(Program& program, int index);

} // namespace vexor::view
