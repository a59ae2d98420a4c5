// libFuzzer target for the whole load a user's file goes through: recognition by content, the
// matching reader, then the display-list compile. Any bytes must give a display list or a
// ReadError; seeded from every kind of drawing.
#include "cad/geometry/DisplayList.h"
#include "cad/load/DrawingReader.h"
#include "cad/model/ReadError.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const vexor::cad::Drawing drawing =
            vexor::cad::readDrawingBytes(std::span<const std::uint8_t>(data, size), "fuzz.drawing");
        vexor::cad::compileDisplayList(drawing);
    } catch (const vexor::cad::ReadError&) {
    }
    return 0;
}
