// Entities whose groups repeat in order: light polylines, splines and hatches.
#include "EntityBuilder.h"

#include <algorithm>
#include <initializer_list>

namespace vexor::cad::dxf {
namespace {

// Walks a record's groups in order, for data whose meaning depends on what came before.
class GroupCursor {
public:
    explicit GroupCursor(std::span<const Group> groups) : groups_(groups) {}

    bool done() const { return index_ >= groups_.size(); }
    const Group* peek(std::size_t ahead = 0) const {
        return index_ + ahead < groups_.size() ? &groups_[index_ + ahead] : nullptr;
    }
    bool at(int code) const { return !done() && groups_[index_].code == code; }
    bool atAny(std::initializer_list<int> codes) const {
        return !done() &&
               std::find(codes.begin(), codes.end(), groups_[index_].code) != codes.end();
    }
    const Group& take() { return groups_[index_++]; }
    // The value of the group when it has this code, taking it.
    std::int64_t takeInt(int code, std::int64_t fallback) {
        return at(code) ? take().asInt(fallback) : fallback;
    }
    void skip() { ++index_; }

private:
    std::span<const Group> groups_;
    std::size_t index_ = 0;
};

std::int32_t clampDegree(std::int64_t degree) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(degree, 1, 32));
}

void dropUnitWeights(SplineData& spline) {
    if (std::all_of(spline.weights.begin(), spline.weights.end(),
                    [](double w) { return w == 1.0; }))
        spline.weights.clear();
}

// A spline edge of a hatch boundary. Its fit data is announced by a 97 that is followed by
// fit points or tangents; a 97 followed by anything else is the loop's source object count.
HatchEdge readSplineEdge(GroupCursor& c) {
    HatchEdge edge;
    edge.kind = HatchEdge::Kind::Spline;
    SplineData& s = edge.spline;
    while (c.atAny({94, 73, 74, 95, 96, 40, 10, 20, 42, 11, 21, 12, 22, 13, 23, 97})) {
        const Group& g = *c.peek();
        if (g.code == 97) {
            const Group* after = c.peek(1);
            if (!after || (after->code != 11 && after->code != 12 && after->code != 13))
                break;
        }
        c.skip();
        switch (g.code) {
        case 94:
            s.degree = clampDegree(g.asInt(3));
            break;
        case 73:
            s.rational = g.asInt() != 0;
            break;
        case 74:
            s.closed = g.asInt() != 0;
            break;
        case 40:
            s.knots.push_back(g.asDouble());
            break;
        case 10:
            s.controlPoints.push_back({g.asDouble(), 0, 0});
            break;
        case 20:
            if (!s.controlPoints.empty())
                s.controlPoints.back().y = g.asDouble();
            break;
        case 42:
            s.weights.push_back(g.asDouble(1));
            break;
        case 11:
            s.fitPoints.push_back({g.asDouble(), 0, 0});
            break;
        case 21:
            if (!s.fitPoints.empty())
                s.fitPoints.back().y = g.asDouble();
            break;
        }
    }
    dropUnitWeights(s);
    return edge;
}

HatchEdge readSimpleEdge(GroupCursor& c, std::int64_t type) {
    HatchEdge edge;
    edge.kind = type == 1   ? HatchEdge::Kind::Line
                : type == 2 ? HatchEdge::Kind::Arc
                            : HatchEdge::Kind::EllipseArc;
    while (c.atAny({10, 20, 11, 21, 40, 50, 51, 73})) {
        const Group& g = c.take();
        Vec2& first = edge.kind == HatchEdge::Kind::Line ? edge.p0 : edge.center;
        Vec2& second = edge.kind == HatchEdge::Kind::Line ? edge.p1 : edge.majorAxis;
        if (readCoordinate(g, 10, first) || readCoordinate(g, 11, second))
            continue;
        switch (g.code) {
        case 40:
            if (edge.kind == HatchEdge::Kind::Arc)
                edge.radius = g.asDouble();
            else
                edge.ratio = g.asDouble(1);
            break;
        case 50:
            edge.start = g.asDouble() * kDegreesToRadians;
            break;
        case 51:
            edge.end = g.asDouble() * kDegreesToRadians;
            break;
        case 73:
            edge.ccw = g.asInt(1) != 0;
            break;
        }
    }
    return edge;
}

void readPolylineLoop(GroupCursor& c, HatchLoop& loop) {
    loop.isPolyline = true;
    // A hatch stores whether bulges follow (72), then whether the loop is closed (73); an
    // MPOLYGON the two the other way round.
    while (c.atAny({72, 73})) {
        const Group& g = c.take();
        if (g.code == 73)
            loop.closed = g.asInt(1) != 0;
    }
    c.takeInt(93, 0);
    while (c.atAny({10, 20, 42})) {
        const Group& g = c.take();
        if (g.code == 10)
            loop.polyline.push_back({{g.asDouble(), 0, 0}});
        else if (!loop.polyline.empty() && g.code == 20)
            loop.polyline.back().p.y = g.asDouble();
        else if (!loop.polyline.empty())
            loop.polyline.back().bulge = g.asDouble();
    }
}

void readEdgeLoop(GroupCursor& c, HatchLoop& loop) {
    const std::int64_t count = c.takeInt(93, 0);
    for (std::int64_t i = 0; i < count && c.at(72); ++i) {
        const std::int64_t type = c.take().asInt();
        if (type == 4)
            loop.edges.push_back(readSplineEdge(c));
        else if (type >= 1 && type <= 3)
            loop.edges.push_back(readSimpleEdge(c, type));
        else
            break;
    }
}

void readLoops(GroupCursor& c, Hatch& hatch, std::int64_t count) {
    for (std::int64_t i = 0; i < count && c.at(92); ++i) {
        const std::int64_t flags = c.take().asInt();
        HatchLoop loop;
        if (flags & 2)
            readPolylineLoop(c, loop);
        else
            readEdgeLoop(c, loop);
        if (c.at(97)) {
            c.skip();
            while (c.at(330))
                c.skip();
        }
        hatch.loops.push_back(std::move(loop));
    }
}

void readPatternLines(GroupCursor& c, Hatch& hatch) {
    while (c.atAny({53, 43, 44, 45, 46, 79, 49})) {
        const Group& g = c.take();
        if (g.code == 53) {
            hatch.patternLines.emplace_back();
            hatch.patternLines.back().angle = g.asDouble() * kDegreesToRadians;
            continue;
        }
        if (hatch.patternLines.empty())
            continue;
        HatchPatternLine& line = hatch.patternLines.back();
        switch (g.code) {
        case 43:
            line.base.x = g.asDouble();
            break;
        case 44:
            line.base.y = g.asDouble();
            break;
        case 45:
            line.offset.x = g.asDouble();
            break;
        case 46:
            line.offset.y = g.asDouble();
            break;
        case 49:
            line.dashes.push_back(g.asDouble());
            break;
        }
    }
}

} // namespace

Polyline readLightPolyline(const EntityRecord& r, DxfContext&) {
    Polyline polyline;
    polyline.kind = Polyline::Kind::Light;
    double elevation = 0;
    for (const Group& g : r.groups) {
        switch (g.code) {
        case 10:
            polyline.vertices.push_back(
                {{g.asDouble(), 0, 0}, 0, polyline.constantWidth, polyline.constantWidth});
            break;
        case 20:
            if (!polyline.vertices.empty())
                polyline.vertices.back().p.y = g.asDouble();
            break;
        case 38:
            elevation = g.asDouble();
            break;
        case 40:
            if (!polyline.vertices.empty())
                polyline.vertices.back().startWidth = g.asDouble();
            break;
        case 41:
            if (!polyline.vertices.empty())
                polyline.vertices.back().endWidth = g.asDouble();
            break;
        case 42:
            if (!polyline.vertices.empty())
                polyline.vertices.back().bulge = g.asDouble();
            break;
        case 43:
            polyline.constantWidth = g.asDouble();
            break;
        case 70:
            polyline.closed = (g.asInt() & 1) != 0;
            break;
        }
    }
    for (PolyVertex& v : polyline.vertices)
        v.p.z = elevation;
    return polyline;
}

Spline readSpline(const EntityRecord& r, DxfContext&) {
    Spline spline;
    SplineData& s = spline.data;
    for (const Group& g : r.groups) {
        switch (g.code) {
        case 70: {
            const auto flags = g.asInt();
            s.closed = (flags & 1) != 0;
            s.rational = (flags & 4) != 0;
            break;
        }
        case 71:
            s.degree = clampDegree(g.asInt(3));
            break;
        case 40:
            s.knots.push_back(g.asDouble());
            break;
        case 41:
            s.weights.push_back(g.asDouble(1));
            break;
        case 10:
            s.controlPoints.push_back({g.asDouble(), 0, 0});
            break;
        case 11:
            s.fitPoints.push_back({g.asDouble(), 0, 0});
            break;
        default:
            if (!s.controlPoints.empty() && (g.code == 20 || g.code == 30))
                readCoordinate(g, 10, s.controlPoints.back());
            else if (!s.fitPoints.empty() && (g.code == 21 || g.code == 31))
                readCoordinate(g, 11, s.fitPoints.back());
        }
    }
    dropUnitWeights(s);
    return spline;
}

namespace {

// HATCH and MPOLYGON share their group codes but for a few: an MPOLYGON's 70 is its version,
// its 71 says whether it is filled solid, and its 63 gives the fill's colour.
Hatch readHatchGroups(const EntityRecord& r, bool polygon) {
    Hatch hatch;
    hatch.polygon = polygon;
    GroupCursor c(r.groups);
    bool boundaryRead = false;
    bool gradient = false;
    while (!c.done()) {
        const Group& g = c.take();
        switch (g.code) {
        case 2:
            hatch.patternName = std::string(g.trimmed());
            break;
        case 30:
            if (!boundaryRead)
                hatch.elevation = g.asDouble();
            break;
        case 70:
            if (!polygon)
                hatch.solid = g.asInt() != 0;
            break;
        case 71:
            if (polygon)
                hatch.solid = g.asInt() != 0;
            break;
        case 63:
            if (polygon && !gradient && !hatch.fillColor)
                hatch.fillColor = colorOfNumber(g.asInt(256));
            break;
        case 450:
            gradient = true;
            break;
        case 91:
            readLoops(c, hatch, g.asInt());
            boundaryRead = true;
            break;
        case 78:
            readPatternLines(c, hatch);
            break;
        }
    }
    return hatch;
}

} // namespace

Hatch readHatch(const EntityRecord& r, DxfContext&) {
    return readHatchGroups(r, false);
}

Hatch readMPolygon(const EntityRecord& r, DxfContext&) {
    return readHatchGroups(r, true);
}

} // namespace vexor::cad::dxf
