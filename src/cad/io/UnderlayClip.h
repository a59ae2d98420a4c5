#pragma once

#include "../model/Entities.h"

namespace vexor::cad {

// An underlay's clip boundary as both readers leave it: none when clipping is off, and a
// rectangle given by two opposite corners made into its four corners.
inline void finishUnderlayClip(Underlay& u, bool clipped) {
    if (!clipped) {
        u.clip.clear();
    } else if (u.clip.size() == 2) {
        const Vec2 a = u.clip[0], b = u.clip[1];
        u.clip = {a, {b.x, a.y}, b, {a.x, b.y}};
    }
}

} // namespace vexor::cad
