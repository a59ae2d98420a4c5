#include "MLineStyleObjects.h"

#include "ObjectTypes.h"
#include "TableRecords.h"

#include <set>

namespace vexor::cad::dwg {
namespace {

// A style has at most 16 elements; a drawing rarely more than a few styles.
constexpr std::size_t kMaxElements = 16;
constexpr std::size_t kMaxStyles = 4096;
// Linetype numbers of the elements before R2018 that stand for no table entry.
constexpr std::int16_t kLinetypeIndexByLayer = 32767;
constexpr std::int16_t kLinetypeIndexByBlock = 32766;

std::int32_t linetypeOfIndex(std::int16_t index, const Drawing& drawing) {
    if (index == kLinetypeIndexByBlock)
        return kLinetypeByBlock;
    if (index < 0 || index == kLinetypeIndexByLayer ||
        static_cast<std::size_t>(index) >= drawing.linetypes.size())
        return kLinetypeByLayer;
    return index;
}

MLineStyle parseStyle(ObjectFrame& f, const TextDecoder& decode, const TableIndex& tables,
                      const Drawing& drawing) {
    readObjectPreamble(f);
    BitReader& r = f.data;
    MLineStyle s;
    s.handle = f.handle;
    s.name = f.text(decode);
    f.text(decode); // description
    s.flags = static_cast<std::uint16_t>(r.bitShort());
    s.fillColor = readObjectColor(f, decode);
    r.bitDouble(); // start and end angle
    r.bitDouble();
    const std::size_t elements = r.rawChar();
    if (elements > kMaxElements)
        r.fail("multiline style with " + std::to_string(elements) + " elements");
    for (std::size_t i = 0; i < elements; ++i) {
        MLineStyle::Element& e = s.elements.emplace_back();
        e.offset = r.bitDouble();
        e.color = readObjectColor(f, decode);
        if (f.version >= DwgVersion::R2018) {
            const std::uint64_t handle = f.readHandle();
            const auto it = tables.linetypes.find(handle);
            e.linetype = it != tables.linetypes.end()       ? it->second
                         : handle == tables.linetypeByBlock ? kLinetypeByBlock
                                                            : kLinetypeByLayer;
        } else {
            e.linetype = linetypeOfIndex(r.bitShort(), drawing);
        }
    }
    return s;
}

template <class Visit> void forEachMLine(const Drawing& drawing, Visit visit) {
    for (const Entity& e : drawing.modelSpace)
        if (const auto* line = dataIf<MLine>(&e.data))
            visit(*line);
    for (const Block& b : drawing.blocks)
        for (const Entity& e : b.entities)
            if (const auto* line = dataIf<MLine>(&e.data))
                visit(*line);
}

} // namespace

void readMLineStyles(const ObjectStore& store, const TextDecoder& decode, const TableIndex& tables,
                     Drawing& drawing) {
    std::set<std::uint64_t> used;
    forEachMLine(drawing, [&](const MLine& line) {
        if (line.styleHandle && used.size() < kMaxStyles)
            used.insert(line.styleHandle);
    });
    for (const std::uint64_t handle : used) {
        try {
            std::optional<ObjectFrame> f = store.open(handle);
            if (!f || f->type != kTypeMLineStyle)
                continue;
            drawing.mlineStyles.push_back(parseStyle(*f, decode, tables, drawing));
        } catch (const DwgFormatError& e) {
            drawing.diagnostics.push_back("skipped damaged MLINESTYLE (handle " +
                                          std::to_string(handle) + "): " + e.what());
        }
    }
}

} // namespace vexor::cad::dwg
