#include "LayersMenu.h"

#include "DrawingLoader.h"
#include "LayerIcons.h"
#include "MenuArray.h"
#include "MenuIcons.h"

#include <QAction>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace vexor::view {
namespace {

constexpr const char* kEntryPrefix = "Layer_";
constexpr std::size_t kPrefixLength = 6;

std::int16_t toInt16(double value) {
    const double rounded = std::nearbyint(value); // halves to even
    if (rounded > std::numeric_limits<std::int16_t>::max())
        return std::numeric_limits<std::int16_t>::max();
    if (rounded < std::numeric_limits<std::int16_t>::min())
        return std::numeric_limits<std::int16_t>::min();
    return static_cast<std::int16_t>(rounded);
}

std::string layerName(const std::string& entryText) {
    return entryText.size() > kPrefixLength ? entryText.substr(kPrefixLength) : std::string();
}

// "#RRGGBB" from a layer record; anything else means the layer has no true colour.
std::optional<std::uint32_t> trueColourOf(const std::string& text) {
    if (text.size() != 7 || text[0] != '#')
        return std::nullopt;
    std::uint32_t rgb = 0;
    const auto [end, error] = std::from_chars(text.data() + 1, text.data() + 7, rgb, 16);
    if (error != std::errc() || end != text.data() + 7)
        return std::nullopt;
    return rgb;
}

} // namespace

void FillMenuEntries(MenuArray& menu, const std::vector<std::string>& texts, int count) {
    while (menu.UBound() > 0)
        menu.Unload();
    if (count < 1) {
        menu.SetCaption(0, "");
        menu.SetChecked(0, false);
        return;
    }
    menu.SetCaption(0, texts.empty() ? std::string() : texts[0]);
    menu.SetChecked(0, true);
    for (int i = 1; i < count; ++i) {
        menu.Load();
        const int index = menu.UBound();
        menu.SetCaption(index, static_cast<std::size_t>(i) < texts.size() ? texts[i] : "");
        menu.SetChecked(index, true);
    }
}

void ClearLayerMenu(Program& p) {
    p.layers.LayerCount = 1;
    p.layers.LayerEntries = {""};
    FillMenuEntries(*p.menus.mnuLayer, p.layers.LayerEntries, p.layers.LayerCount);
    p.menus.mnuLayer->SetEnabled(0, false);
}

namespace {

// Makes the list and the menu those of a layer table: "Layer_" + each name in table order, all
// colours 0 until read; entry checked for state 0 (shown), unchecked for 1 (hidden), unchecked
// and disabled for anything else. An empty table leaves one blank, disabled entry and the
// Layers menu disabled.
void fillLayerList(Program& p, const std::vector<std::string>& names,
                   const std::vector<std::int32_t>& states) {
    LayerList& l = p.layers;
    l.LayerCount = toInt16(static_cast<double>(names.size()));
    if (l.LayerCount <= 0) {
        p.menus.mnuLayers->setEnabled(false);
        ClearLayerMenu(p);
        return;
    }
    p.menus.mnuLayers->setEnabled(true);
    const auto n = static_cast<std::size_t>(l.LayerCount);
    l.LayerEntries.assign(n, std::string());
    l.LayerColors.assign(n, 0);
    l.LayerTrueColors.assign(n, std::nullopt);
    for (std::size_t i = 0; i < n; ++i)
        l.LayerEntries[i] = kEntryPrefix + names[i];
    MenuArray& menu = *p.menus.mnuLayer;
    FillMenuEntries(menu, l.LayerEntries, l.LayerCount);
    for (std::size_t i = 0; i < n; ++i) {
        const int index = static_cast<int>(i);
        menu.SetChecked(index, states[i] == 0);
        menu.SetEnabled(index, states[i] == 0 || states[i] == 1);
    }
}

// The layer table of a DWG file, read through the control before the file is loaded.
void readFileLayerTable(Program& p) {
    control::DrawingControl& c = p.Dbcocx1;
    std::int32_t handle = c.OpenLayerTable(p.CurrentDrawingPath);
    if (handle == 0)
        handle = c.OpenLayerTable(p.CurrentDrawingPath);
    const std::int32_t count =
        std::max<std::int32_t>(0, std::min<std::int32_t>(c.LayerTableCount(handle),
                                                         std::numeric_limits<std::int16_t>::max()));
    std::vector<std::string> names;
    std::vector<std::int32_t> states;
    for (std::int32_t i = 0; i < count; ++i)
        names.push_back(c.LayerTableName(handle, 0));
    for (const std::string& name : names)
        states.push_back(c.LayerTableState(handle, name));
    // An empty table is closed as well, so that no handle is left open.
    if (handle != 0)
        c.CloseLayerTable(handle);
    fillLayerList(p, names, states);
}

// The layers of the drawing just read (DXF layers, DGN levels), from its layer records.
void listLayersOfDrawing(Program& p) {
    control::DrawingControl& c = p.Dbcocx1;
    std::vector<std::string> names;
    std::vector<std::int32_t> states;
    const std::int32_t n = c.ItemCount();
    for (std::int32_t j = 0; j < n && names.size() < std::numeric_limits<std::int16_t>::max();
         ++j) {
        c.SelectItemAt(j);
        if (c.ItemValue("SECTION") != "L")
            continue;
        names.push_back(c.ItemValue("DESCR"));
        states.push_back(c.ItemValue("LSTATE") == "1" ? 1 : 0);
    }
    fillLayerList(p, names, states);
}

} // namespace

void ReadLayerTable(Program& p) {
    LayerList& l = p.layers;
    l.ListFromDrawing = false;
    // A comparison shows the layers of both drawings: it is its own drawing.
    const bool comparison = !p.comparison.ComparedPath.empty();
    const std::string shown =
        comparison ? p.CurrentDrawingPath + "\n" + p.comparison.ComparedPath : p.CurrentDrawingPath;
    if (shown != l.LastLoadedPath) {
        // Other kinds, and comparisons, keep their layers in the drawing itself: they are listed
        // once it is read, so that the file is read only once.
        if (!comparison && isDwgPath(p.CurrentDrawingPath))
            readFileLayerTable(p);
        else
            l.ListFromDrawing = true;
    }
    l.LastLoadedPath = shown;
}

void ReadLayerColors(Program& p) {
    if (p.layers.ListFromDrawing) {
        p.layers.ListFromDrawing = false;
        listLayersOfDrawing(p);
    }
    if (p.layers.LayerCount <= 0)
        return;
    control::DrawingControl& c = p.Dbcocx1;
    const std::int32_t n = c.ItemCount();
    for (std::int32_t j = 0; j < n; ++j) {
        c.SelectItemAt(j);
        if (c.ItemValue("SECTION") == "L")
            ReadLayerColor(p, c.ItemValue("DESCR"));
    }
}

void ReadLayerColor(Program& p, const std::string& name) {
    LayerList& l = p.layers;
    const std::string wanted = kEntryPrefix + name;
    for (std::size_t i = 0; i < l.LayerEntries.size() && i < l.LayerColors.size(); ++i) {
        if (l.LayerEntries[i] == wanted) {
            l.LayerColors[i] = toInt16(std::fabs(itemNumber(p.Dbcocx1.ItemValue("ECOLOR"))));
            if (i < l.LayerTrueColors.size())
                l.LayerTrueColors[i] = trueColourOf(p.Dbcocx1.ItemValue("TRUECOLOR"));
            return;
        }
    }
}

void ApplyLayerStates(Program& p) {
    ApplyLayerIcons(p);
    p.menus.mnuLayers->setEnabled(true);
    MenuArray& menu = *p.menus.mnuLayer;
    for (int i = 0; i < p.layers.LayerCount && i <= menu.UBound(); ++i) {
        // The drawing shows exactly what the menu says, both ways: a reload starts again from
        // the file's own states. One-character names (layer "0") included.
        const std::string caption = menu.Caption(i);
        if (caption.size() <= kPrefixLength)
            continue;
        if (menu.Checked(i))
            p.Dbcocx1.ShowLayer(layerName(caption));
        else
            p.Dbcocx1.HideLayer(layerName(caption));
    }
    RefreshLayerDisplay(p);
}

void ApplyLayerIcons(Program& p) {
    const LayerList& l = p.layers;
    MenuArray& menu = *p.menus.mnuLayer;
    for (int i = 0; i < l.LayerCount && i <= menu.UBound(); ++i) {
        const auto at = static_cast<std::size_t>(i);
        const int c = at < l.LayerColors.size() ? l.LayerColors[at] : 0;
        const auto rgb = at < l.LayerTrueColors.size() ? l.LayerTrueColors[at] : std::nullopt;
        const int index = layerIconIndex(c, rgb, menu.Checked(i));
        if (index > 0 && p.menuIcons && at < l.LayerEntries.size())
            p.menuIcons->SetItemIcon(l.LayerEntries[at], index);
    }
}

void RefreshLayerDisplay(Program& p) {
    if (p.CurrentDrawingPath.empty())
        return;
    p.Dbcocx1.SetColorMode(2);
    p.Dbcocx1.SetForeColor("#", p.ViewSettings.ForeColor);
}

void mnuLayer_Click(Program& p, int index) {
    MenuArray& menu = *p.menus.mnuLayer;
    menu.SetChecked(index, !menu.Checked(index));
    const auto at = static_cast<std::size_t>(index);
    const std::string entry =
        at < p.layers.LayerEntries.size() ? p.layers.LayerEntries[at] : menu.Caption(index);
    if (p.menuIcons) {
        const std::int32_t icon = p.menuIcons->GetItemIcon(entry);
        p.menuIcons->SetItemIcon(entry, icon < 15 ? icon + 14 : (icon + 1) % 15);
    }
    const std::string name = layerName(menu.Caption(index));
    if (menu.Checked(index))
        p.Dbcocx1.ShowLayer(name);
    else
        p.Dbcocx1.HideLayer(name);
    RefreshLayerDisplay(p);
}

} // namespace vexor::view
