#include "EntityParsers.h"

namespace vexor::cad::dwg {
namespace {

// A multiline's style has at most 16 elements; each stores a few parameters.
constexpr std::size_t kMaxElements = 16;
constexpr std::size_t kMaxParameters = 64;
constexpr std::size_t kMinPointBits = 6;
constexpr std::size_t kMinDoubleBits = 2;

} // namespace

void parseMLine(ObjectFrame& f, ParsedEntity& out) {
    BitReader& r = f.data;
    MLine line;
    r.bitDouble(); // scale: the stored parameters are already scaled
    r.rawChar();   // justification: already applied to the parameters
    r.point3();    // base point: the first vertex
    out.extrusion = r.point3();
    const int flags = r.bitShort();
    line.closed = (flags & 2) != 0;
    line.suppressStartCaps = (flags & 4) != 0;
    line.suppressEndCaps = (flags & 8) != 0;
    const std::size_t elements = r.rawChar();
    if (elements > kMaxElements)
        r.fail("multiline with " + std::to_string(elements) + " elements");
    const std::size_t vertices = checkedCount(r, r.bitShort(), 9 * kMinPointBits);
    line.vertices.resize(vertices);
    for (MLineVertex& v : line.vertices) {
        v.point = r.point3();
        v.direction = r.point3();
        v.miter = r.point3();
        v.elements.resize(elements);
        for (std::vector<double>& params : v.elements) {
            params.resize(checkedCount(r, r.bitShort(), kMinDoubleBits, kMaxParameters));
            for (double& p : params)
                p = r.bitDouble();
            const std::size_t fills = checkedCount(r, r.bitShort(), kMinDoubleBits, kMaxParameters);
            for (std::size_t i = 0; i < fills; ++i)
                r.bitDouble(); // area fill parameters: the fill runs between the outer elements
        }
    }
    line.styleHandle = f.readHandle();
    out.data = std::move(line);
}

void parseTolerance(ObjectFrame& f, const TextDecoder& decode, ParsedEntity& out) {
    BitReader& r = f.data;
    Tolerance t;
    if (f.version <= DwgVersion::R14) {
        r.bitShort();
        t.height = r.bitDouble();
        r.bitDouble(); // gap
    }
    t.insert = r.point3();
    t.xDirection = r.point3();
    out.extrusion = r.point3();
    t.text = f.text(decode);
    out.data = std::move(t);
}

} // namespace vexor::cad::dwg
