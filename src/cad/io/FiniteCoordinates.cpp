#include "FiniteCoordinates.h"

#include "../model/MultiLeader.h"

#include <cmath>
#include <cstdio>
#include <type_traits>

namespace vexor::cad {
namespace {

bool finite(double v) {
    return std::isfinite(v);
}
bool finite(Vec2 v) {
    return std::isfinite(v.x) && std::isfinite(v.y);
}
bool finite(Vec3 v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}
bool finite(const PolyVertex& v);
bool finite(const SplineData& s);
bool finite(const Text& t);
bool finite(const MText& t);
bool finite(const HatchEdge& e);
bool finite(const HatchLoop& l);
bool finite(const MLineVertex& v);
bool finite(const std::vector<Vec3>& curve);
bool finite(const AttributeEntity& a);
bool finite(const MultiLeaderLine& l);
bool finite(const MultiLeaderBranch& b);

template <class T> bool allFinite(const std::vector<T>& values) {
    for (const T& v : values)
        if (!finite(v))
            return false;
    return true;
}
template <class... T> bool allFinite(const T&... values) {
    return (finite(values) && ...);
}

bool finite(const PolyVertex& v) {
    return allFinite(v.p, v.bulge, v.startWidth, v.endWidth);
}
bool finite(const SplineData& s) {
    return allFinite(s.knots) && allFinite(s.controlPoints) && allFinite(s.weights) &&
           allFinite(s.fitPoints);
}
bool finite(const Text& t) {
    return allFinite(t.insert, t.alignPoint, t.height, t.rotation, t.widthFactor, t.oblique);
}
bool finite(const MText& t) {
    return allFinite(t.insert, t.xDirection, t.height, t.referenceWidth);
}
bool finite(const HatchEdge& e) {
    return allFinite(e.p0, e.p1, e.center, e.radius, e.majorAxis, e.ratio, e.start, e.end) &&
           finite(e.spline);
}
bool finite(const HatchLoop& l) {
    return allFinite(l.polyline) && allFinite(l.edges);
}
bool finite(const MLineVertex& v) {
    return allFinite(v.point, v.direction, v.miter);
}
bool finite(const std::vector<Vec3>& curve) {
    return allFinite<Vec3>(curve);
}
bool finite(const AttributeEntity& a) {
    return finite(a.text);
}
bool finite(const MultiLeaderLine& l) {
    return allFinite(l.vertices);
}
bool finite(const MultiLeaderBranch& b) {
    return allFinite(b.landingPoint, b.doglegDirection, b.doglegLength) && allFinite(b.lines);
}

struct FiniteData {
    bool operator()(const Line& l) const { return allFinite(l.a, l.b); }
    bool operator()(const Point& p) const { return finite(p.p); }
    bool operator()(const Circle& c) const { return allFinite(c.center, c.radius); }
    bool operator()(const Arc& a) const {
        return allFinite(a.center, a.radius, a.startAngle, a.endAngle);
    }
    bool operator()(const Ellipse& e) const {
        return allFinite(e.center, e.majorAxis, e.ratio, e.startParam, e.endParam);
    }
    bool operator()(const Polyline& p) const {
        return finite(p.constantWidth) && allFinite(p.vertices);
    }
    bool operator()(const Spline& s) const { return finite(s.data); }
    bool operator()(const Text& t) const { return finite(t); }
    bool operator()(const MText& t) const { return finite(t); }
    bool operator()(const Solid& s) const {
        return allFinite(s.corners[0], s.corners[1], s.corners[2], s.corners[3]);
    }
    bool operator()(const Face3d& f) const {
        return allFinite(f.corners[0], f.corners[1], f.corners[2], f.corners[3]);
    }
    bool operator()(const Insert& i) const {
        return allFinite(i.insert, i.scale, i.rotation, i.columnSpacing, i.rowSpacing) &&
               allFinite(i.attributes);
    }
    bool operator()(const Hatch& h) const { return finite(h.elevation) && allFinite(h.loops); }
    bool operator()(const Dimension& d) const {
        return allFinite(d.definitionPoint, d.textMidpoint, d.insert);
    }
    bool operator()(const Leader& l) const { return allFinite(l.points) && finite(l.horizontal); }
    bool operator()(const MultiLeader& m) const {
        if (!m.data)
            return true;
        const MultiLeaderData& d = *m.data;
        return allFinite(d.branches) && (!d.hasText || finite(d.text)) &&
               allFinite(d.blockPosition, d.blockScale, d.blockRotation);
    }
    bool operator()(const Ray& r) const { return allFinite(r.base, r.direction); }
    bool operator()(const ImageFrame& f) const {
        return allFinite(f.origin, f.uPixel, f.vPixel, f.sizePixels) && allFinite(f.clip);
    }
    bool operator()(const MLine& m) const { return allFinite(m.vertices); }
    bool operator()(const Tolerance& t) const {
        return allFinite(t.insert, t.xDirection, t.height);
    }
    bool operator()(const Underlay& u) const {
        return allFinite(u.origin, u.scale, u.rotation) && allFinite(u.clip);
    }
    bool operator()(const Shape& s) const {
        return allFinite(s.insert, s.size, s.rotation, s.widthFactor, s.oblique);
    }
    bool operator()(const Unsupported&) const { return true; }
    bool operator()(const Wireframe& w) const {
        if (!w.data)
            return true;
        for (const auto& curve : w.data->curves)
            if (!finite(curve))
                return false;
        return true;
    }
    bool operator()(const StandIn& s) const {
        if (!s.data)
            return true;
        for (const Entity& part : s.data->entities)
            if (!hasFiniteCoordinates(part))
                return false;
        return true;
    }
};

} // namespace

bool hasFiniteCoordinates(const Entity& entity) {
    return allFinite(entity.common.thickness(), entity.common.extrusion()) &&
           visitData(FiniteData{}, entity.data);
}

std::string nonFiniteEntityNote(const Entity& entity) {
    std::string note = dxfTypeName(entity);
    if (entity.common.handle != 0) {
        char handle[32];
        std::snprintf(handle, sizeof handle, " %llX",
                      static_cast<unsigned long long>(entity.common.handle));
        note += handle;
    }
    return note + " skipped: a coordinate is not a finite number";
}

bool NonFiniteEntities::admit(const Entity& entity) {
    if (hasFiniteCoordinates(entity))
        return true;
    if (named_.size() < kNamed)
        named_.push_back(nonFiniteEntityNote(entity));
    ++counts_[dxfTypeName(entity)];
    ++total_;
    return false;
}

void NonFiniteEntities::report(std::vector<std::string>& diagnostics) const {
    diagnostics.insert(diagnostics.end(), named_.begin(), named_.end());
    if (total_ <= named_.size())
        return;
    for (const auto& [kind, count] : counts_)
        diagnostics.push_back("skipped " + std::to_string(count) + " " + kind +
                              " entities in all: a coordinate is not a finite number");
}

} // namespace vexor::cad
