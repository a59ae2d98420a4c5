#pragma once

#include "../model/Math.h"

#include <vector>

namespace vexor::cad {

// An elliptical arc: centre + major * cos(t) + minor * sin(t) for t from start to end
// (start <= end; a whole ellipse when end - start reaches a full turn). Circles and circular
// arcs are the case of equal, perpendicular axes. The form survives any affine map exactly:
// a circle drawn through a block reference scaled unevenly becomes the ellipse it looks like.
struct ConicArc {
    Vec2 centre, major, minor;
    double start = 0, end = 0;

    Vec2 at(double t) const;
    Vec2 tangentAt(double t) const; // derivative along t
    bool whole() const;
    // The same points traversed the other way.
    ConicArc reversed() const;
    ConicArc mapped(const Affine2& m) const;
    // Whether the axes are equal and perpendicular (within a relative 1e-9).
    bool circular() const;
    double radius() const; // of a circular arc: the length of its axes
    // The parameter of a point on the curve (its angle in the frame of the two axes), or
    // whether the curve passes that parameter, allowing for whole turns.
    double parameterOf(Vec2 p) const;
    bool covers(double t) const;
    // The signed area swept by the ray from `origin` along the arc (half the integral of
    // x dy - y dx relative to `origin`): added over a closed outline, its area.
    double sweptArea(Vec2 origin) const;
    double arcLength() const;
};

// The circular arc around `centre` starting at `fromAngle` (radians) and turning by `sweep`,
// counter-clockwise when positive.
ConicArc circularArc(Vec2 centre, double radius, double fromAngle, double sweep);
// The arc of a polyline segment from a to b bowed by `bulge` (not 0).
ConicArc bulgeArc(Vec2 a, Vec2 b, double bulge);

// The points where the curve is furthest left, right, down and up for a circle, else the ends
// of the ellipse's two axes; only those on the arc.
std::vector<Vec2> quadrantPoints(const ConicArc& arc);
// The points of the arc whose tangent passes through `from` (none when `from` is inside).
std::vector<Vec2> tangentPoints(const ConicArc& arc, Vec2 from);
// The points of the arc where the line from `from` meets it at a right angle.
std::vector<Vec2> perpendicularPoints(const ConicArc& arc, Vec2 from);

} // namespace vexor::cad
