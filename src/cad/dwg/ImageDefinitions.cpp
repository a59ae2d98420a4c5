#include "ImageDefinitions.h"

#include "../io/LoadBudget.h"
#include "ObjectFrame.h"

#include <cstring>

namespace vexor::cad::dwg {
namespace {

// Classes are numbered from 500; a file declares far fewer than this many.
constexpr std::uint16_t kClassTypesLooked = 4096;
constexpr std::size_t kMaxDefinitions = 65536;

} // namespace

void readImageDefinitions(const ObjectStore& store, const TextDecoder& decode, Drawing& drawing) {
    std::uint16_t imageDef = 0;
    for (std::uint16_t type = 500; type < 500 + kClassTypesLooked && !imageDef; ++type) {
        const TypeInfo info = store.typeInfo(type);
        if (!info.isEntity && std::strcmp(info.name, "IMAGEDEF") == 0)
            imageDef = type;
    }
    if (!imageDef)
        return;
    std::size_t damaged = 0;
    for (const ObjectMap::Entry& entry : store.map().entries()) {
        try {
            if (store.typeAt(entry.offset) != imageDef)
                continue;
            loadCheckpoint();
            if (drawing.imageDefinitions.size() >= kMaxDefinitions)
                break;
            ObjectFrame f = store.openAt(entry.offset);
            readObjectPreamble(f);
            BitReader& r = f.data;
            ImageDefinition def;
            def.handle = f.handle;
            r.bitLong(); // class version
            def.sizePixels = r.rawPoint2();
            def.fileName = f.text(decode);
            drawing.imageDefinitions.push_back(std::move(def));
        } catch (const DwgFormatError& e) {
            if (damaged++ < 4)
                drawing.diagnostics.push_back("skipped damaged IMAGEDEF (handle " +
                                              std::to_string(entry.handle) + "): " + e.what());
        }
    }
}

} // namespace vexor::cad::dwg
