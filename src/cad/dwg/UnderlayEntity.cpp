#include "../io/UnderlayClip.h"
#include "EntityParsers.h"

namespace vexor::cad::dwg {
namespace {

// A clip boundary holds few points; each stored point takes 128 bits.
constexpr std::size_t kMaxClipPoints = 65536;
constexpr std::size_t kClipPointBits = 128;
constexpr int kClippingOn = 1;

} // namespace

void parseUnderlay(Underlay::Kind kind, ObjectFrame& f, ParsedEntity& out) {
    BitReader& r = f.data;
    Underlay u;
    u.kind = kind;
    out.extrusion = r.point3();
    u.origin = r.point3();
    u.rotation = r.bitDouble();
    u.scale = r.point3();
    const int flags = r.rawChar();
    r.rawChar(); // contrast
    r.rawChar(); // fade
    const std::size_t points = checkedCount(r, r.bitLong(), kClipPointBits);
    if (points > kMaxClipPoints)
        r.fail("underlay clip boundary of " + std::to_string(points) + " points");
    u.clip.resize(points);
    for (Vec2& p : u.clip)
        p = r.rawPoint2();
    u.definition = f.readHandle();
    finishUnderlayClip(u, (flags & kClippingOn) != 0);
    out.data = std::move(u);
}

} // namespace vexor::cad::dwg
