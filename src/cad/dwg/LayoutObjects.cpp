#include "LayoutObjects.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <string>

namespace vexor::cad::dwg {
namespace {

constexpr std::size_t kMaxFrozenLayers = 65536;
constexpr std::size_t kMaxLayouts = 4096;
// LAYOUT has a type number of its own; some writers number it through a class instead.
constexpr std::uint16_t kTypeLayout = 82;

// The plot settings and layout values of a LAYOUT object, up to its handle references.
Layout parseLayoutData(ObjectFrame& f, const TextDecoder& decode) {
    BitReader& r = f.data;
    Layout layout;
    layout.pageSetupName = f.text(decode);
    layout.printerName = f.text(decode); // printer or plot configuration
    layout.plotFlags = static_cast<std::uint16_t>(r.bitShort());
    for (double& m : layout.margins)
        m = r.bitDouble(); // left, bottom, right, top
    layout.paperSize.x = r.bitDouble();
    layout.paperSize.y = r.bitDouble();
    layout.paperName = f.text(decode);
    layout.plotOrigin = r.point2();
    layout.paperUnits = r.bitShort();
    layout.rotation = r.bitShort();
    layout.plotArea = static_cast<PlotArea>(r.bitShort());
    layout.plotWindowMin = r.point2();
    layout.plotWindowMax = r.point2();
    if (f.version <= DwgVersion::R2000)
        layout.plotViewName = f.text(decode);
    layout.printedUnits = r.bitDouble();
    layout.drawingUnits = r.bitDouble();
    layout.plotStyleTable = f.text(decode);
    layout.standardScale = r.bitShort();
    r.bitDouble(); // standard scale factor
    r.point2();    // paper image origin
    if (f.version >= DwgVersion::R2004) {
        r.bitShort(); // shade plot mode
        r.bitShort(); // shade plot resolution level
        r.bitShort(); // shade plot custom resolution
    }
    layout.name = f.text(decode);
    layout.tabOrder = r.bitLong();
    r.bitShort(); // layout flags
    r.point3();   // UCS origin
    layout.limMin = r.rawPoint2();
    layout.limMax = r.rawPoint2();
    layout.hasLimits = true;
    return layout;
}

// The area of a VIEW table record: its centre (relative to its target) with its width and
// height; empty when those are not usable. `name` receives the record's name.
Box2 parseViewArea(ObjectFrame& f, const TextDecoder& decode, std::string* name = nullptr) {
    readObjectPreamble(f);
    std::string stored = readRecordName(f, decode);
    if (name)
        *name = std::move(stored);
    BitReader& r = f.data;
    const double height = r.bitDouble();
    const double width = r.bitDouble();
    const Vec2 centre = r.rawPoint2() + r.point3().xy();
    Box2 area;
    if (width > 0 && height > 0 && std::isfinite(width + height + centre.x + centre.y)) {
        area.add(centre - Vec2{width / 2, height / 2});
        area.add(centre + Vec2{width / 2, height / 2});
    }
    return area;
}

// The area of the object at `handle` when it is a readable VIEW record, else empty (a layout
// plotting it then says the view is not stored).
Box2 plottedView(const ObjectStore& store, std::uint64_t handle, const TextDecoder& decode) {
    try {
        std::optional<ObjectFrame> view = store.open(handle);
        return view && view->type == kTypeView ? parseViewArea(*view, decode) : Box2{};
    } catch (const DwgFormatError&) {
        return {};
    }
}

std::string lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Layouts that name the view they plot (R2000 stores its name, not a reference) take its
// area from the VIEW record of that name, in any case.
void findNamedViews(const ObjectStore& store, const TextDecoder& decode,
                    std::vector<Layout>& layouts) {
    std::map<std::string, std::vector<Layout*>> wanted;
    for (Layout& layout : layouts)
        if (layout.plotArea == PlotArea::View && layout.plotView.empty() &&
            !layout.plotViewName.empty())
            wanted[lower(layout.plotViewName)].push_back(&layout);
    if (wanted.empty())
        return;
    for (const ObjectMap::Entry& entry : store.map().entries()) {
        try {
            if (store.typeAt(entry.offset) != kTypeView)
                continue;
            ObjectFrame f = store.openAt(entry.offset);
            std::string name;
            const Box2 area = parseViewArea(f, decode, &name);
            if (const auto it = wanted.find(lower(name)); it != wanted.end())
                for (Layout* layout : it->second)
                    layout->plotView = area;
        } catch (const DwgFormatError&) {
            // A damaged view is not plotted: the layout says its view is not stored.
        }
    }
}

} // namespace

Viewport parseViewport(ObjectFrame& f) {
    BitReader& r = f.data;
    Viewport v;
    v.centre = r.point3();
    v.width = r.bitDouble();
    v.height = r.bitDouble();
    if (f.version < DwgVersion::R2000)
        return v;
    v.viewTarget = r.point3();
    v.viewDirection = r.point3();
    v.twist = r.bitDouble();
    v.viewHeight = r.bitDouble();
    for (int i = 0; i < 4; ++i)
        r.bitDouble(); // lens length, front and back clip, snap angle
    v.viewCentre = r.rawPoint2();
    for (int i = 0; i < 3; ++i)
        r.rawPoint2(); // snap base, snap spacing, grid spacing
    r.bitShort();      // circle zoom
    if (f.version >= DwgVersion::R2007)
        r.bitShort(); // grid major
    const std::size_t frozen = checkedCount(r, r.bitLong(), 0);
    const std::uint32_t status = static_cast<std::uint32_t>(r.bitLong());
    v.on = (status & 0x20000) == 0;
    v.clipByBoundary = (status & 0x10000) != 0;
    if (frozen > kMaxFrozenLayers || frozen > f.refs.remainingBits() / 8)
        r.fail("viewport freezes more layers than it can hold");
    for (std::size_t i = 0; i < frozen; ++i)
        v.frozenLayerHandles.push_back(f.readHandle());
    v.clipBoundary = f.readHandle();
    return v;
}

void readLayouts(const ObjectStore& store, const TableIndex& tables, const TextDecoder& decode,
                 Drawing& drawing) {
    // Paper-space block records (and model space) a layout may name.
    auto isSpace = [&](std::uint64_t h) {
        return h != 0 && (h == tables.modelSpace || tables.blocks.count(h) != 0);
    };
    std::size_t damaged = 0;
    for (const ObjectMap::Entry& entry : store.map().entries()) {
        try {
            const std::uint16_t type = store.typeAt(entry.offset);
            const TypeInfo info = store.typeInfo(type);
            if (type != kTypeLayout && (info.isEntity || std::strcmp(info.name, "LAYOUT") != 0))
                continue;
            if (drawing.layouts.size() >= kMaxLayouts) {
                drawing.diagnostics.push_back("layouts beyond the limit of " +
                                              std::to_string(kMaxLayouts) + " skipped");
                break;
            }
            ObjectFrame f = store.openAt(entry.offset);
            readObjectPreamble(f);
            Layout layout = parseLayoutData(f, decode);
            layout.handle = f.handle;
            // The references start with a plot view (from R2004) and a visual style (from
            // R2007) before the paper-space block; taking the first that names a space
            // block stays right however many of those a writer stored. A layout plotting a
            // named view takes the area of the reference that is a VIEW record.
            for (int i = 0; i < 6 && f.refs.remainingBits() >= 8; ++i) {
                const std::uint64_t h = f.readHandle();
                if (isSpace(h)) {
                    layout.blockRecord = h;
                    break;
                }
                if (layout.plotArea == PlotArea::View && layout.plotView.empty() && h != 0)
                    layout.plotView = plottedView(store, h, decode);
            }
            drawing.layouts.push_back(std::move(layout));
        } catch (const DwgFormatError& e) {
            if (damaged++ < 4)
                drawing.diagnostics.push_back("skipped damaged LAYOUT (handle " +
                                              std::to_string(entry.handle) + "): " + e.what());
        }
    }
    findNamedViews(store, decode, drawing.layouts);
}

} // namespace vexor::cad::dwg
