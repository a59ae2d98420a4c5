#pragma once

#include "../model/Entities.h"

#include <vector>

namespace vexor::cad {

// Curves turned into polylines. Points are appended to `out`; counterclockwise means
// increasing angle in the curve's own plane.

// Segments used for a full turn; arcs use a proportional share, at least a few.
inline constexpr int kSegmentsPerTurn = 96;

void appendArc(std::vector<Vec2>& out, Vec2 center, double radius, double startAngle,
               double endAngle, bool counterClockwise = true);
// Elliptical arc center + major*cos(t) + minor*sin(t) for t from startParam to endParam,
// increasing.
void appendEllipse(std::vector<Vec2>& out, Vec2 center, Vec2 majorAxis, Vec2 minorAxis,
                   double startParam, double endParam);
// Segment from a to b bowed by `bulge` (tan of a quarter of the included angle; positive =
// counterclockwise). Appends the points after a, ending with b.
void appendBulge(std::vector<Vec2>& out, Vec2 a, Vec2 b, double bulge);

// Evaluates a (rational) NURBS curve at parameter u. Requires a valid knot vector.
Vec3 evaluateNurbs(const SplineData& spline, double u);
// The spline as a polyline: evaluated from control points and knots, or interpolated through
// the fit points when there are no control points. Invalid data gives the control polygon.
std::vector<Vec3> tessellateSpline(const SplineData& spline);

// Normalises an angle difference into (0, 2*pi].
double sweepCcw(double startAngle, double endAngle);

} // namespace vexor::cad
