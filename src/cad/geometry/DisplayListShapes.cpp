#include "../curves/Tessellate.h"
#include "DisplayListCompiler.h"
#include "HatchGeometry.h"

#include <cmath>

namespace vexor::cad {

namespace {

bool hasWidth(const Polyline& p) {
    if (p.constantWidth > 0)
        return true;
    for (const PolyVertex& v : p.vertices)
        if (v.startWidth > 0 || v.endWidth > 0)
            return true;
    return false;
}

Vec2 leftNormal(Vec2 d) {
    const double len = length(d);
    return len > 0 ? Vec2{-d.y / len, d.x / len} : Vec2{0, 0};
}

} // namespace

void DisplayListCompiler::addCurve(ItemList& list, const Entity& entity, bool inBlock) {
    std::vector<Vec2> pts;
    bool closed = false;
    if (const auto* e = dataIf<Ellipse>(&entity.data)) {
        const Vec3 normal = OcsFrame::fromExtrusion(entity.common.extrusion()).zAxis;
        const Vec3 minor = cross(normal, e->majorAxis) * e->ratio;
        appendEllipse(pts, e->center.xy(), e->majorAxis.xy(), minor.xy(), e->startParam,
                      e->endParam);
        closed = std::fabs(sweepCcw(e->startParam, e->endParam) - 2 * M_PI) < 1e-9;
        if (closed)
            pts.pop_back();
    } else if (const auto* s = dataIf<Spline>(&entity.data)) {
        for (const Vec3& p : tessellateSpline(s->data))
            pts.push_back(p.xy());
    }
    addPolyline(list, makeItem(entity.common, inBlock), pts, closed);
}

void DisplayListCompiler::addPolylineEntity(ItemList& list, const EntityCommon& common,
                                            const Polyline& polyline, bool inBlock) {
    const DisplayItem item = makeItem(common, inBlock);
    if (polyline.vertices.empty())
        return;
    if (polyline.kind == Polyline::Kind::PolyfaceMesh ||
        polyline.kind == Polyline::Kind::PolygonMesh) {
        addMesh(list, item, polyline);
        return;
    }
    if (polyline.kind == Polyline::Kind::Poly3d) {
        std::vector<Vec2> pts;
        for (const PolyVertex& v : polyline.vertices)
            pts.push_back(v.p.xy());
        addPolyline(list, item, pts, polyline.closed);
        return;
    }
    const Affine2 plane =
        OcsFrame::fromExtrusion(common.extrusion()).planeToWorld(polyline.vertices.front().p.z);
    if (hasWidth(polyline)) {
        addWidePolyline(list, item, polyline, plane);
        return;
    }
    std::vector<Vec2> pts;
    const std::size_t n = polyline.vertices.size();
    const std::size_t segments = polyline.closed ? n : n - 1;
    pts.push_back(polyline.vertices[0].p.xy());
    for (std::size_t i = 0; i < segments; ++i) {
        const PolyVertex& v = polyline.vertices[i];
        appendBulge(pts, v.p.xy(), polyline.vertices[(i + 1) % n].p.xy(), v.bulge);
    }
    if (polyline.closed && pts.size() > 1)
        pts.pop_back(); // the closing point repeats the first
    for (Vec2& p : pts)
        p = plane.map(p);
    addPolyline(list, item, pts, polyline.closed);
}

void DisplayListCompiler::addWidePolyline(ItemList& list, const DisplayItem& item,
                                          const Polyline& polyline, const Affine2& plane) {
    // Each (sub-)segment becomes a quad; all quads wind the same way, so a non-zero fill
    // covers the overlaps at the joints instead of cancelling them.
    std::vector<std::vector<Vec2>> quads;
    const std::size_t n = polyline.vertices.size();
    const std::size_t segments = polyline.closed ? n : n - 1;
    for (std::size_t i = 0; i < segments; ++i) {
        const PolyVertex& v = polyline.vertices[i];
        const Vec2 a = v.p.xy(), b = polyline.vertices[(i + 1) % n].p.xy();
        double w0 = v.startWidth, w1 = v.endWidth;
        if (w0 == 0 && w1 == 0)
            w0 = w1 = polyline.constantWidth;
        std::vector<Vec2> path{a};
        appendBulge(path, a, b, v.bulge);
        const std::size_t steps = path.size() - 1;
        for (std::size_t k = 0; k < steps; ++k) {
            const Vec2 p = path[k], q = path[k + 1];
            const Vec2 nrm = leftNormal(q - p);
            const double wp = (w0 + (w1 - w0) * k / steps) / 2;
            const double wq = (w0 + (w1 - w0) * (k + 1) / steps) / 2;
            if (length(q - p) == 0)
                continue;
            quads.push_back({plane.map(p + nrm * wp), plane.map(p - nrm * wp),
                             plane.map(q - nrm * wq), plane.map(q + nrm * wq)});
        }
    }
    DisplayItem fill = item;
    fill.evenOdd = false;
    addPolygon(list, fill, quads);
}

void DisplayListCompiler::addMesh(ItemList& list, const DisplayItem& item,
                                  const Polyline& polyline) {
    const auto& v = polyline.vertices;
    if (polyline.kind == Polyline::Kind::PolyfaceMesh) {
        std::vector<Vec2> segments;
        for (std::size_t f = 0; f + 3 < polyline.faces.size(); f += 4) {
            const std::int32_t* face = &polyline.faces[f];
            int corners = 0;
            while (corners < 4 && face[corners] != 0)
                ++corners;
            for (int i = 0; i < corners; ++i) {
                const std::int32_t a = face[i], b = face[(i + 1) % corners];
                const std::size_t ia = static_cast<std::size_t>(std::abs(a)) - 1;
                const std::size_t ib = static_cast<std::size_t>(std::abs(b)) - 1;
                if (a < 0 || ia >= v.size() || ib >= v.size())
                    continue;
                segments.push_back(v[ia].p.xy());
                segments.push_back(v[ib].p.xy());
            }
        }
        DisplayItem lines = item;
        lines.kind = ItemKind::Segments;
        addPolyline(list, lines, segments, false);
        return;
    }
    const std::size_t m = static_cast<std::size_t>(std::max(polyline.meshM, 0));
    const std::size_t n = static_cast<std::size_t>(std::max(polyline.meshN, 0));
    if (m == 0 || n == 0 || m * n > v.size()) {
        std::vector<Vec2> pts;
        for (const PolyVertex& p : v)
            pts.push_back(p.p.xy());
        addPolyline(list, item, pts, false);
        return;
    }
    for (std::size_t r = 0; r < m; ++r) {
        std::vector<Vec2> row;
        for (std::size_t c = 0; c < n; ++c)
            row.push_back(v[r * n + c].p.xy());
        addPolyline(list, item, row, polyline.meshClosedN);
    }
    for (std::size_t c = 0; c < n; ++c) {
        std::vector<Vec2> column;
        for (std::size_t r = 0; r < m; ++r)
            column.push_back(v[r * n + c].p.xy());
        addPolyline(list, item, column, polyline.meshClosedM);
    }
}

void DisplayListCompiler::addHatch(ItemList& list, const EntityCommon& common, const Hatch& hatch,
                                   bool inBlock) {
    std::vector<std::vector<Vec2>> rings = hatchRings(hatch);
    if (rings.empty())
        return;
    const Affine2 plane = OcsFrame::fromExtrusion(common.extrusion()).planeToWorld(hatch.elevation);
    const DisplayItem item = makeItem(common, inBlock);
    if (hatch.solid || hatch.patternLines.empty()) {
        for (auto& ring : rings)
            for (Vec2& p : ring)
                p = plane.map(p);
        addPolygon(list, item, rings);
        return;
    }
    HatchSegments segments = hatchPatternSegments(hatch.patternLines, rings);
    for (auto& ring : rings)
        for (Vec2& p : ring)
            p = plane.map(p);
    if (segments.capped) {
        diagnose("hatch pattern \"" + hatch.patternName +
                 "\" too dense to draw; its boundary is drawn instead");
        for (const auto& ring : rings)
            addPolyline(list, item, ring, true);
        return;
    }
    for (Vec2& p : segments.points)
        p = plane.map(p);
    DisplayItem lines = item;
    lines.kind = ItemKind::Segments;
    lines.linetype = kLinetypeContinuous;
    addPolyline(list, lines, segments.points, false);
}

} // namespace vexor::cad
