#pragma once

#include "Sql.h"
#include "view/Program.h"

#include <string>

namespace vexor::data {

inline constexpr char kOpenDialogFilter[] =
    "Drawing Files (*.dwg;*.dgn)|*.dwg;*.dgn|AutoCAD Files (*.dwg)|*.dwg|"
    "Microstation Files (*.dgn)|*.dgn|All Files (*.*)|*.*";
inline constexpr int kOpenDialogFlags = 4; // the read-only check box is hidden
inline constexpr int kHistoryCaptionLimit = 50;
inline constexpr int kHistorySize = 10;

// The caption of a stored path in the recent-drawings menu: paths over 50 characters become
// first component + separator + "..." + separator + last component.
std::string HistoryCaption(const std::string& path);

// The local date and time to the second, as stored in AccessDate ("YYYY-MM-DD HH:MM:SS").
std::string currentAccessDate();

// The table work of RecordDrawing, in one transaction: renews the AccessDate of the path's row
// (matched without regard to letter case) or adds a row whose view fields take their defaults.
void recordDrawingRow(Connection& connection, const std::string& path);

// Renews the AccessDate of the path's row (matched without regard to letter case, the stored
// spelling kept) or adds a row for it. Any failure is reported with a message box.
void RecordDrawing(view::Program& program, const std::string& path);

// Fills mnuHistory and HistoryPaths with the ten newest rows, newest first. False when a
// failure stopped it (an empty table included). Failures to open the database itself pass to
// the caller as DatabaseError.
bool BuildHistoryMenu(view::Program& program);

// File > Open.
void mnuOpen_Click(view::Program& program);

// A recent-drawings entry.
void mnuHistory_Click(view::Program& program, int index);

} // namespace vexor::data
