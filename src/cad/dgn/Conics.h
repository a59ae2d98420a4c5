#pragma once

#include "../model/Entities.h"

namespace vexor::cad::dgn {

// A 3x3 rotation, rows first.
struct Rotation3 {
    double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    Vec3 apply(Vec3 v) const {
        return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z,
                m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
                m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
    }
};

// The rotation a 3D element stores as a quaternion (w, x, y, z), normalised here.
Rotation3 rotationFromQuaternion(double w, double x, double y, double z);
Rotation3 rotationAboutZ(double radians);

// An elliptical arc seen from the top: p(t) = center + u cos t + v sin t for t from `start`
// over `sweep` (negative runs clockwise), where u and v are the element's primary and
// secondary axes after its rotation, dropped onto the XY plane.
struct ProjectedConic {
    Vec2 center, u, v;
    double start = 0;
    double sweep = 6.283185307179586;

    Vec2 at(double t) const;
    bool full() const;
    bool circular() const;   // u and v perpendicular and of one length
    bool degenerate() const; // seen edge-on: a line
    // The swept angle of a circular conic, positive counter-clockwise in the XY plane.
    double signedSweep() const;
};

// The model entity drawing the conic: a circle or arc when circular, an ellipse otherwise,
// or a polyline through points along it when it is seen edge-on.
EntityData conicEntity(const ProjectedConic& conic);

// A closed boundary loop for filling a full conic.
HatchLoop conicLoop(const ProjectedConic& conic);

} // namespace vexor::cad::dgn
