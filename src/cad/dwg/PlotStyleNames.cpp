#include "PlotStyleNames.h"

#include "../io/PlotStyleLinks.h"
#include "ObjectTypes.h"

#include <string_view>
#include <unordered_map>

namespace vexor::cad::dwg {
namespace {

// A plot style name dictionary holds a few dozen entries at most.
constexpr std::int32_t kMaxEntries = 4096;

// A DICTIONARY (or a dictionary with a default, which adds its default's handle after the
// entries): the entry count, then each entry's name; the entries' handles follow the owner,
// reactor and extension dictionary handles.
std::unordered_map<std::uint64_t, std::string> parseDictionary(ObjectFrame& f,
                                                               const TextDecoder& decode) {
    readObjectPreamble(f);
    BitReader& r = f.data;
    const std::int32_t count = r.bitLong();
    if (count < 0 || count > kMaxEntries)
        r.fail("a dictionary of " + std::to_string(count) + " entries");
    if (f.version <= DwgVersion::R14) {
        r.rawChar();
    } else {
        r.bitShort(); // cloning flag
        r.rawChar();  // hard owner flag
    }
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i)
        names.push_back(f.text(decode));
    std::unordered_map<std::uint64_t, std::string> byHandle;
    for (std::string& name : names)
        byHandle.emplace(f.readHandle(), std::move(name));
    return byHandle;
}

} // namespace

void readPlotStyleNames(const ObjectStore& store, std::uint64_t dictionary,
                        const TextDecoder& decode, const TableIndex& tables,
                        const std::vector<std::pair<std::uint64_t, std::uint64_t>>& entities,
                        Drawing& drawing) {
    if (tables.layerPlotStyles.empty() && entities.empty())
        return;
    std::unordered_map<std::uint64_t, std::string> names;
    try {
        std::optional<ObjectFrame> f = store.open(dictionary);
        const std::string_view kind = f ? store.typeInfo(f->type).name : "";
        if (f && (f->type == kTypeDictionary || kind == "ACDBDICTIONARYWDFLT"))
            names = parseDictionary(*f, decode);
    } catch (const DwgFormatError& e) {
        drawing.diagnostics.push_back("skipped damaged plot style name dictionary (handle " +
                                      std::to_string(dictionary) + "): " + e.what());
    }
    nameLinkedPlotStyles(
        drawing,
        [&](std::uint64_t placeholder) -> const std::string* {
            const auto it = names.find(placeholder);
            return it == names.end() ? nullptr : &it->second;
        },
        tables.layerPlotStyles, entities, "");
}

} // namespace vexor::cad::dwg
