#include "History.h"

#include "ProjectDatabase.h"
#include "ViewSettingsStore.h"
#include "view/DrawingLoader.h"
#include "view/MenuArray.h"
#include "view/Paths.h"

#include <QString>
#include <ctime>
#include <vector>

namespace vexor::data {

namespace {

constexpr char kUpdateErrorMessage[] = "Update error.  Database was not modified.";
constexpr char kHistoryErrorMessage[] = "Error loading project.  Project database not changed.";
constexpr char kMissingFileSuffix[] = " does not exist.";
constexpr char kApplicationTitle[] = "VEXOR";

// Characters as the user sees them (UTF-16 units), not UTF-8 bytes.
qsizetype displayLength(const std::string& path) {
    return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())).size();
}

enum class NextRow { Found, End, Unusable };

NextRow nextPath(Statement& newest, std::string& path) {
    if (!newest.step())
        return NextRow::End;
    if (newest.isNull(0))
        return NextRow::Unusable;
    path = newest.text(0);
    return NextRow::Found;
}

// Rewrites the existing entries in place, then adds entries while rows remain; false as soon as
// an existing entry finds no row or a row has no file name.
bool fillHistoryMenu(view::Program& program, Statement& newest) {
    view::MenuArray& menu = *program.menus.mnuHistory;
    std::string path;
    const int existing = menu.UBound();
    for (int i = 0; i <= existing; ++i) {
        if (nextPath(newest, path) != NextRow::Found)
            return false;
        menu.SetCaption(i, HistoryCaption(path));
        program.HistoryPaths[static_cast<std::size_t>(i)] = path;
        menu.SetEnabled(i, true);
    }
    for (int i = existing + 1; i < kHistorySize; ++i) {
        const NextRow next = nextPath(newest, path);
        if (next == NextRow::End)
            break;
        if (next == NextRow::Unusable)
            return false;
        menu.Load();
        menu.SetCaption(i, HistoryCaption(path));
        program.HistoryPaths[static_cast<std::size_t>(i)] = path;
    }
    return true;
}

void saveIfDrawingShown(view::Program& program) {
    if (!program.CurrentDrawingPath.empty())
        SaveViewSettings(program);
}

} // namespace

void recordDrawingRow(Connection& connection, const std::string& path) {
    Transaction transaction(connection);
    Statement find(connection, "SELECT rowid FROM tblRecentProject "
                               "WHERE vexor_upper(FileName) = vexor_upper(?1) "
                               "ORDER BY rowid LIMIT 1");
    find.bind(1, path);
    if (find.step()) {
        const std::int64_t rowId = find.integer(0);
        find.reset();
        // The renewed row also takes the highest row id, so that among rows stamped within the
        // same second the one opened last still comes first.
        Statement renew(connection, "UPDATE tblRecentProject SET AccessDate = ?1, "
                                    "rowid = (SELECT max(rowid) + 1 FROM tblRecentProject) "
                                    "WHERE rowid = ?2");
        renew.bind(1, currentAccessDate()).bind(2, rowId).step();
    } else {
        find.reset();
        Statement add(connection,
                      "INSERT INTO tblRecentProject (FileName, AccessDate) VALUES (?1, ?2)");
        add.bind(1, path).bind(2, currentAccessDate()).step();
    }
    transaction.commit();
}

std::string HistoryCaption(const std::string& path) {
    if (displayLength(path) <= kHistoryCaptionLimit)
        return path;
    const std::string separator(1, view::kPathSeparator);
    return view::FirstPathComponent(path) + separator + "..." + separator +
           view::LastPathComponent(path);
}

std::string currentAccessDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

void RecordDrawing(view::Program& program, const std::string& path) {
    try {
        auto connection = openWorkingConnection(program.ProgramFolder);
        recordDrawingRow(*connection, path);
    } catch (const std::exception&) {
        program.windows.MessageBox(kUpdateErrorMessage, kApplicationTitle,
                                   platform::MessageIcon::None);
    }
}

bool BuildHistoryMenu(view::Program& program) {
    auto connection = openWorkingConnection(program.ProgramFolder);
    // Rows opened within the same second: the one recorded later (higher rowid) counts as newer.
    Statement newest(*connection, "SELECT FileName FROM tblRecentProject "
                                  "ORDER BY AccessDate DESC, rowid DESC");
    try {
        return fillHistoryMenu(program, newest);
    } catch (const std::exception&) {
        return false;
    }
}

void mnuOpen_Click(view::Program& program) {
    // Every failure, cancelling included, ends the command without a message.
    try {
        saveIfDrawingShown(program);
        platform::OpenFileRequest request;
        request.maxFileLength = 256;
        request.flags = kOpenDialogFlags;
        request.filter = kOpenDialogFilter;
        request.filterIndex = 1;
        request.initialPath = program.OpenDialogPath;
        const std::optional<std::string> chosen = program.windows.GetOpenFileName(request);
        if (!chosen)
            return;
        program.OpenDialogPath = *chosen;
        program.CurrentDrawingPath = *chosen;
        if (program.windows.FileExists(program.CurrentDrawingPath)) {
            RecordDrawing(program, program.CurrentDrawingPath);
            BuildHistoryMenu(program);
        }
        RestoreViewSettings(program);
        view::LoadDrawing(program);
    } catch (const std::exception&) {
    }
}

void mnuHistory_Click(view::Program& program, int index) {
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
            view::LoadDrawing(program);
        } catch (const std::exception&) {
            // A drawing that fails to load ends the command silently, as File > Open does; the
            // drawing has been recorded, so the menu is still brought up to date.
        }
        if (!BuildHistoryMenu(program))
            program.windows.MessageBox(kHistoryErrorMessage, kApplicationTitle,
                                       platform::MessageIcon::None);
    } catch (const DatabaseError&) {
        // The database became unreadable during the run: say so and keep the program running.
        program.windows.MessageBox(kHistoryErrorMessage, kApplicationTitle,
                                   platform::MessageIcon::None);
    }
}

} // namespace vexor::data
