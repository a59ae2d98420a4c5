#include "DrawingLoader.h"

#include "BirdsEye.h"
#include "LayersMenu.h"
#include "LayoutMenu.h"
#include "Paths.h"
#include "ProgramVersion.h"

#include <QAction>
#include <cctype>
#include <charconv>
#include <functional>

namespace vexor::view {
namespace {

// Keeps the control's window from repainting until released; releases it on any exit, so a
// failing load can never leave the drawing area frozen.
class PaintingSuppression {
public:
    PaintingSuppression(platform::WindowSystem& windows, control::WindowId window)
        : windows_(windows) {
        windows_.LockWindowUpdate(window);
    }
    ~PaintingSuppression() { release(); }
    void release() {
        if (!released_) {
            released_ = true;
            windows_.LockWindowUpdate(0);
        }
    }

private:
    platform::WindowSystem& windows_;
    bool released_ = false;
};

void readCorner(control::DrawingControl& control, const char* item, double& x, double& y) {
    control.SelectItem(item);
    if (control.ItemFound() != 0) {
        x = itemNumber(control.ItemValue("VX1"));
        y = itemNumber(control.ItemValue("VY1"));
    } else {
        x = 0;
        y = 0;
    }
}

// Reads what the control is to show: a drawing file, or a comparison of two.
using ReadStep = std::function<void(control::DrawingControl&, const std::string& path)>;

// The load sequence every shown drawing goes through, with its title and read step.
bool loadShown(Program& p, const std::string& caption, const ReadStep& read);

// Another drawing loaded ends the comparison shown: its panel goes.
void leaveComparison(Program& p) {
    if (p.comparison.ComparedPath.empty())
        return;
    p.comparison = {};
    if (p.differencesPanel)
        p.differencesPanel->HideDifferences();
}

void loadNothing(Program& p) {
    if (p.Dbcocx1.IsDrawingOpen())
        p.Dbcocx1.CloseDrawing();
    p.Dbcocx1.SetVisible(false);
    p.menus.mnuLayers->setEnabled(false);
    p.menus.mnuPrint->setEnabled(false);
    p.DrawingExtents = {};
    ClearLayoutMenu(p);
}

// What went wrong, in the words of someone who does not read file formats.
std::string plainWords(control::LoadFailure failure) {
    using control::LoadFailure;
    switch (failure) {
    case LoadFailure::Missing:
        return "the file does not exist or cannot be read.";
    case LoadFailure::NotADrawing:
        return "the file is not a drawing.";
    case LoadFailure::Unsupported:
        return "this kind or version of drawing cannot be read yet.";
    case LoadFailure::Damaged:
        return "the file is damaged.";
    case LoadFailure::TooLarge:
        return "the drawing is too large to open on this computer.";
    case LoadFailure::Cancelled:
        return "the loading was cancelled.";
    case LoadFailure::None:
    case LoadFailure::Unexpected:
        break;
    }
    return "an unexpected error stopped the loading.";
}

// The read gave no drawing: the program is left with none open, as at start, and says why
// unless the user stopped the read.
void loadFailed(Program& p, const control::LoadReport& report) {
    const std::string path = p.CurrentDrawingPath;
    p.CurrentDrawingPath.clear();
    p.layers.LastLoadedPath.clear();
    loadNothing(p);
    ClearLayerMenu(p);
    p.mainWindow.SetCaption(ProgramTitle());
    if (report.failure != control::LoadFailure::Cancelled)
        p.windows.MessageBox(LoadFailureMessage(path, report), "VEXOR",
                             platform::MessageIcon::Exclamation);
}

} // namespace

std::string LoadFailureMessage(const std::string& path, const control::LoadReport& report) {
    std::string message =
        "The drawing " + path + " could not be opened: " + plainWords(report.failure);
    if (!report.reason.empty())
        message += "\n" + report.reason;
    return message;
}

bool isDwgPath(const std::string& path) {
    if (path.size() < 3)
        return false;
    std::string tail = path.substr(path.size() - 3);
    for (char& c : tail)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return tail == "DWG";
}

double itemNumber(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    if (begin < end && text[begin] == '+')
        ++begin;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(text.data() + begin, text.data() + end, value);
    if (begin == end || ec != std::errc() || ptr != text.data() + end)
        throw LoadError("the drawing's frame corner \"" + text + "\" is not a number");
    return value;
}

void ReadDrawingExtents(Program& p) {
    readCorner(p.Dbcocx1, "V100", p.DrawingExtents.X1, p.DrawingExtents.Y1);
    readCorner(p.Dbcocx1, "V101", p.DrawingExtents.X2, p.DrawingExtents.Y2);
}

bool LoadDrawing(Program& p) {
    leaveComparison(p);
    if (p.CurrentDrawingPath.empty()) {
        loadNothing(p);
        return false;
    }
    return loadShown(p, ProgramTitle() + " - " + LastPathComponent(p.CurrentDrawingPath),
                     [&p](control::DrawingControl& c, const std::string& path) {
                         if (isDwgPath(path)) {
                             c.CreateDrawing(path, 0, "");
                             c.LoadDwg(path);
                         } else {
                             c.SetImportLibrary(joinPath(p.ProgramFolder, "dbcdgn32.dll"));
                             c.CreateDrawing(path, 0, "");
                             c.DgnImport(path, c.DrawingHandle(), "");
                         }
                     });
}

void LoadComparedDrawings(Program& p) {
    const std::string& other = p.comparison.ComparedPath;
    loadShown(p,
              ProgramTitle() + " - " + LastPathComponent(p.CurrentDrawingPath) + " compared with " +
                  LastPathComponent(other),
              [&other](control::DrawingControl& c, const std::string& path) {
                  c.CreateDrawing(path, 0, "");
                  c.LoadComparison(path, other);
              });
}

namespace {

bool loadShown(Program& p, const std::string& caption, const ReadStep& read) {
    control::DrawingControl& c = p.Dbcocx1;
    const std::string& path = p.CurrentDrawingPath;

    p.mainWindow.SetCaption(caption);
    p.menus.mnuPrint->setEnabled(true);
    if (c.IsDrawingOpen())
        c.CloseDrawing();
    c.ResetDrawing();
    c.SetVisible(true);
    ReadLayerTable(p);

    c.SetColorMode(2);
    c.SetDisplayMode(6);
    c.SetRedrawMode(1);
    c.ClearView();
    c.SetFilter("");
    c.SetViewTransform(0, 0, 0, 0, 1, 1, 1, 1);
    c.SetBackgroundColor(p.ViewSettings.BackRed, p.ViewSettings.BackGreen, p.ViewSettings.BackBlue);
    c.AttachLibrary("dbcmem32.dll", "", 0);
    c.SetWorkFile(joinPath(p.ProgramFolder, "temp.mgb"), 255);

    PaintingSuppression painting(p.windows, c.WindowHandle());
    read(c, path);
    if (const control::LoadReport outcome = c.LastLoad();
        outcome.failure != control::LoadFailure::None) {
        painting.release();
        loadFailed(p, outcome);
        return false;
    }

    ReadDrawingExtents(p);

    c.SetZoomOptions(0.5, 1, 1);
    const ViewSettingsRecord& v = p.ViewSettings;
    if (!(v.X1 == 0 && v.Y1 == 0 && v.X2 == 0 && v.Y2 == 0))
        c.ZoomWindow(v.X1, v.Y1, v.X2, v.Y2);

    c.SetForeColor("#", v.ForeColor);
    c.ShowOverview();
    p.BirdsEyeHandle = p.windows.FindWindowA("Overview");
    p.windows.SetWindowTextA(p.BirdsEyeHandle, "Birds eye");
    PlaceBirdsEye(p);

    ReadLayerColors(p);
    painting.release();
    ApplyLayerStates(p);
    p.windows.ShowWindow(p.BirdsEyeHandle, 5);
    BuildLayoutMenu(p);
    ShowLineweightState(p);
    return true;
}

} // namespace

} // namespace vexor::view
