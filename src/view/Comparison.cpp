#include "Comparison.h"

#include "DrawingLoader.h"
#include "History.h"
#include "LayersMenu.h"
#include "LayoutMenu.h"
#include "MenuArray.h"

#include <QAction>
#include <algorithm>
#include <exception>

namespace vexor::view {

namespace {

// A difference smaller than this part of the drawing is zoomed to at this size.
constexpr double kSmallestShare = 0.02;
// Room round a difference zoomed to, as a part of its size.
constexpr double kMargin = 0.25;

bool comparing(const Program& p) {
    return !p.comparison.ComparedPath.empty();
}

std::vector<std::string> hiddenLayerEntries(Program& p) {
    std::vector<std::string> hidden;
    MenuArray* menu = p.menus.mnuLayer;
    if (!menu || !p.menus.mnuLayers || !p.menus.mnuLayers->isEnabled())
        return hidden;
    for (int i = 0; i <= menu->UBound(); ++i)
        if (!menu->Checked(i) && !menu->Caption(i).empty())
            hidden.push_back(menu->Caption(i));
    return hidden;
}

void hideLayerEntries(Program& p, const std::vector<std::string>& hidden) {
    MenuArray* menu = p.menus.mnuLayer;
    if (!menu)
        return;
    for (int i = 0; i <= menu->UBound(); ++i)
        if (menu->Checked(i) &&
            std::find(hidden.begin(), hidden.end(), menu->Caption(i)) != hidden.end())
            mnuLayer_Click(p, i);
}

} // namespace

void mnuCompare_Click(Program& program) {
    if (program.CurrentDrawingPath.empty() || !program.Dbcocx1.IsDrawingOpen())
        return;
    try {
        if (const std::optional<std::string> chosen = AskForDrawing(program))
            CompareWith(program, *chosen);
    } catch (const std::exception&) {
    }
}

void CompareWith(Program& p, const std::string& otherPath) {
    if (p.CurrentDrawingPath.empty())
        return;
    ComparisonState state;
    if (comparing(p)) {
        // Comparing again from a comparison: what to go back to stays the first drawing's.
        state = p.comparison;
    } else {
        state.SettingsBefore = p.ViewSettings;
        double extra1 = 0, extra2 = 0;
        ViewSettingsRecord& v = state.SettingsBefore;
        p.Dbcocx1.GetView(v.X1, v.Y1, v.X2, v.Y2, extra1, extra2);
        state.HiddenLayersBefore = hiddenLayerEntries(p);
        state.LayoutBefore = p.Dbcocx1.ShownLayout();
    }
    state.ComparedPath = otherPath;
    state.Differences.clear();
    state.CurrentDifference = -1;
    p.comparison = state;
    // The comparison opens on the whole of it, in the drawing's colours.
    p.ViewSettings.X1 = p.ViewSettings.Y1 = p.ViewSettings.X2 = p.ViewSettings.Y2 = 0;
    LoadComparedDrawings(p);
    // Its layer list is its own; what the user had hidden in the first drawing stays hidden.
    hideLayerEntries(p, state.HiddenLayersBefore);
    const std::int32_t count = p.Dbcocx1.DifferenceCount();
    for (std::int32_t i = 0; i < count; ++i)
        p.comparison.Differences.push_back(p.Dbcocx1.DifferenceAt(i));
    // Listed by kind and layer; next and previous walk the list in that order.
    std::stable_sort(p.comparison.Differences.begin(), p.comparison.Differences.end(),
                     [](const control::DrawingDifference& a, const control::DrawingDifference& b) {
                         return a.kind != b.kind ? a.kind < b.kind : a.layer < b.layer;
                     });
    if (p.differencesPanel)
        p.differencesPanel->ShowDifferences(p.comparison.Differences);
}

void ShowDifference(Program& p, int index) {
    if (!comparing(p) || index < 0 || index >= static_cast<int>(p.comparison.Differences.size()))
        return;
    const control::DrawingDifference& d = p.comparison.Differences[static_cast<std::size_t>(index)];
    p.comparison.CurrentDifference = index;
    // Switch to the difference's layout when another one is shown.
    const std::int32_t layouts = p.Dbcocx1.LayoutCount();
    for (std::int32_t l = 0; l < layouts; ++l)
        if (p.Dbcocx1.LayoutName(l) == d.layout) {
            if (p.Dbcocx1.ShownLayout() != l)
                mnuLayout_Click(p, l);
            break;
        }
    const ExtentsRecord& whole = p.DrawingExtents;
    const double drawingSize =
        std::max(std::abs(whole.X2 - whole.X1), std::abs(whole.Y2 - whole.Y1));
    const double size = std::max({d.x2 - d.x1, d.y2 - d.y1, drawingSize * kSmallestShare, 1e-9});
    const double cx = (d.x1 + d.x2) / 2, cy = (d.y1 + d.y2) / 2;
    const double half = size * (0.5 + kMargin);
    p.Dbcocx1.ZoomWindow(cx - half, cy - half, cx + half, cy + half);
    if (p.differencesPanel)
        p.differencesPanel->SelectDifference(index);
}

void NextDifference(Program& p) {
    const int n = static_cast<int>(p.comparison.Differences.size());
    if (n > 0)
        ShowDifference(p, (p.comparison.CurrentDifference + 1) % n);
}

void PreviousDifference(Program& p) {
    const int n = static_cast<int>(p.comparison.Differences.size());
    if (n > 0)
        ShowDifference(p, p.comparison.CurrentDifference <= 0 ? n - 1
                                                              : p.comparison.CurrentDifference - 1);
}

void CloseComparison(Program& p) {
    if (!comparing(p))
        return;
    const ComparisonState before = p.comparison;
    p.ViewSettings = before.SettingsBefore;
    // LoadDrawing leaves the comparison (its panel goes) and reads the first drawing again.
    LoadDrawing(p);
    hideLayerEntries(p, before.HiddenLayersBefore);
    if (before.LayoutBefore > 0 && before.LayoutBefore < p.Dbcocx1.LayoutCount()) {
        mnuLayout_Click(p, before.LayoutBefore);
        const ViewSettingsRecord& v = before.SettingsBefore;
        p.Dbcocx1.ZoomWindow(v.X1, v.Y1, v.X2, v.Y2);
    }
}

} // namespace vexor::view
