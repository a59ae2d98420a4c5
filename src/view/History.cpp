#include "History.h"

#include "DrawingLoader.h"
#include "MenuArray.h"
#include "Paths.h"
#include "ViewSettings.h"
#include "data/HistoryStore.h"

#include <QString>

namespace vexor::view {

namespace {

constexpr char kUpdateErrorMessage[] = "Update error.  Database was not modified.";
constexpr char kHistoryErrorMessage[] = "Error loading project.  Project database not changed.";
constexpr char kMissingFileSuffix[] = " does not exist.";
constexpr char kApplicationTitle[] = "VEXOR";

// Characters as the user sees them (UTF-16 units), not UTF-8 bytes.
qsizetype displayLength(const std::string& path) {
    return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())).size();
}

// Rewrites the existing entries in place, then adds entries while rows remain; false as soon as
// an existing entry finds no row, a row has no file name or the reading failed.
bool fillHistoryMenu(Program& program, const data::NewestPaths& newest) {
    MenuArray& menu = *program.menus.mnuHistory;
    const auto rowFor = [&newest](int i) -> const std::optional<std::string>* {
        const auto at = static_cast<std::size_t>(i);
        return at < newest.rows.size() ? &newest.rows[at] : nullptr;
    };
    const int existing = menu.UBound();
    for (int i = 0; i <= existing; ++i) {
        const auto* row = rowFor(i);
        if (!row || !*row)
            return false;
        menu.SetCaption(i, HistoryCaption(**row));
        program.HistoryPaths[static_cast<std::size_t>(i)] = **row;
        menu.SetEnabled(i, true);
    }
    for (int i = existing + 1; i < kHistorySize; ++i) {
        const auto* row = rowFor(i);
        if (!row)
            return newest.complete;
        if (!*row)
            return false;
        menu.Load();
        menu.SetCaption(i, HistoryCaption(**row));
        program.HistoryPaths[static_cast<std::size_t>(i)] = **row;
    }
    return true;
}

void saveIfDrawingShown(Program& program) {
    if (!program.CurrentDrawingPath.empty())
        SaveViewSettings(program);
}

} // namespace

std::string HistoryCaption(const std::string& path) {
    if (displayLength(path) <= kHistoryCaptionLimit)
        return path;
    const std::string separator(1, kPathSeparator);
    return FirstPathComponent(path) + separator + "..." + separator + LastPathComponent(path);
}

bool RecordDrawing(Program& program, const std::string& path) {
    try {
        return data::recordDrawing(program.ProgramFolder, path);
    } catch (const std::exception&) {
        program.windows.MessageBox(kUpdateErrorMessage, kApplicationTitle,
                                   platform::MessageIcon::None);
    }
    return false;
}

bool BuildHistoryMenu(Program& program) {
    const data::NewestPaths newest = data::readNewestPaths(program.ProgramFolder, kHistorySize);
    try {
        return fillHistoryMenu(program, newest);
    } catch (const std::exception&) {
        return false;
    }
}

std::optional<std::string> AskForDrawing(Program& program) {
    platform::OpenFileRequest request;
    request.maxFileLength = 256;
    request.flags = kOpenDialogFlags;
    request.filter = kOpenDialogFilter;
    request.filterIndex = 1;
    request.initialPath = program.OpenDialogPath;
    std::optional<std::string> chosen = program.windows.GetOpenFileName(request);
    if (chosen)
        program.OpenDialogPath = *chosen;
    return chosen;
}

void mnuOpen_Click(Program& program) {
    // Every failure, cancelling included, ends the command without a message.
    try {
        saveIfDrawingShown(program);
        if (const std::optional<std::string> chosen = AskForDrawing(program))
            OpenDrawing(program, *chosen);
    } catch (const std::exception&) {
    }
}

void OpenDrawing(Program& program, const std::string& path) {
    program.CurrentDrawingPath = path;
    const bool exists = program.windows.FileExists(path);
    // The row is made before the load, so that a drawing opened for the first time is restored
    // with the settings of a new row; a file that then gives no drawing is taken out again.
    const bool added = exists && RecordDrawing(program, path);
    RestoreViewSettings(program);
    bool shown = false;
    try {
        shown = LoadDrawing(program);
    } catch (const std::exception&) {
        if (exists)
            BuildHistoryMenu(program);
        throw;
    }
    if (!shown && added) {
        try {
            data::forgetDrawing(program.ProgramFolder, path);
        } catch (const std::exception&) {
            program.windows.MessageBox(kUpdateErrorMessage, kApplicationTitle,
                                       platform::MessageIcon::None);
        }
    }
    if (exists)
        BuildHistoryMenu(program);
}

void OpenDroppedDrawings(Program& program, const std::vector<std::string>& paths) {
    if (paths.empty())
        return;
    try {
        saveIfDrawingShown(program);
        OpenDrawing(program, paths.front());
    } catch (const std::exception&) {
    }
}

void mnuHistory_Click(Program& program, int index) {
    if (index < 0 || index >= kHistorySize)
        return;
    try {
        saveIfDrawingShown(program);
        // CurrentDrawingPath is left naming the drawing still shown, so that the next save
        // writes its view into its own row, never into the missing drawing's.
        const std::string path = program.HistoryPaths[static_cast<std::size_t>(index)];
        if (!program.windows.FileExists(path)) {
            program.windows.MessageBox(path + kMissingFileSuffix, program.mainWindow.Caption(),
                                       platform::MessageIcon::Exclamation);
            return;
        }
        program.CurrentDrawingPath = path;
        RecordDrawing(program, program.CurrentDrawingPath);
        RestoreViewSettings(program);
        try {
            LoadDrawing(program);
        } catch (const std::exception&) {
            // A drawing that fails to load ends the command silently, as File > Open does; the
            // drawing has been recorded, so the menu is still brought up to date.
        }
        if (!BuildHistoryMenu(program))
            program.windows.MessageBox(kHistoryErrorMessage, kApplicationTitle,
                                       platform::MessageIcon::None);
    } catch (const data::DatabaseError&) {
        // The database became unreadable during the run: say so and keep the program running.
        program.windows.MessageBox(kHistoryErrorMessage, kApplicationTitle,
                                   platform::MessageIcon::None);
    }
}

} // namespace vexor::view
