#include "ImageDefinitions.h"

#include "ObjectFrame.h"

namespace vexor::cad::dwg {
namespace {

// Far more pictures than any drawing refers to.
constexpr std::size_t kMaxDefinitions = 65536;

} // namespace

void readImageDefinitions(const ObjectStore& store, const TextDecoder& decode, Drawing& drawing) {
    readObjectsOfClass(store, "IMAGEDEF", kMaxDefinitions, drawing.diagnostics,
                       [&](ObjectFrame& f) {
                           BitReader& r = f.data;
                           ImageDefinition def;
                           def.handle = f.handle;
                           r.bitLong(); // class version
                           def.sizePixels = r.rawPoint2();
                           def.fileName = f.text(decode);
                           drawing.imageDefinitions.push_back(std::move(def));
                       });
}

} // namespace vexor::cad::dwg
