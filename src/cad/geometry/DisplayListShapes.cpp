#include "../curves/OutlineFigures.h"
#include "../curves/Tessellate.h"
#include "DisplayListCompiler.h"
#include "HatchGeometry.h"

#include <algorithm>
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

double cross(Vec2 a, Vec2 b) {
    return a.x * b.y - a.y * b.x;
}

// Rings of one non-zero fill must all turn the same way, or overlapping ones cancel out.
void addCounterClockwise(std::vector<std::vector<Vec2>>& rings, std::vector<Vec2> ring) {
    double area = 0;
    for (std::size_t i = 0; i < ring.size(); ++i)
        area += cross(ring[i], ring[(i + 1) % ring.size()]);
    if (area < 0)
        std::reverse(ring.begin(), ring.end());
    if (area != 0)
        rings.push_back(std::move(ring));
}

// One wide segment: its path and, at each point, the unit normal to its left and the half
// width there.
struct WideSegment {
    std::vector<Vec2> path;
    std::vector<Vec2> normals;
    std::vector<double> halfWidths;

    Vec2 left(std::size_t k) const { return path[k] + normals[k] * halfWidths[k]; }
    Vec2 right(std::size_t k) const { return path[k] - normals[k] * halfWidths[k]; }
};

// The segment from a to b bowed by `bulge`, its width going from w0 to w1 along it. Normals of
// an arc point along its radius at every point, so the band's edges are true offset curves
// and one outline holds the whole segment.
WideSegment wideSegment(Vec2 a, Vec2 b, double bulge, double w0, double w1) {
    WideSegment s;
    s.path.push_back(a);
    appendBulge(s.path, a, b, bulge);
    const std::size_t n = s.path.size();
    const bool arc = n > 2;
    const Vec2 d = b - a;
    const Vec2 centre = (a + b) * 0.5 + Vec2{-d.y, d.x} * ((1 - bulge * bulge) / (4 * bulge));
    for (std::size_t k = 0; k < n; ++k) {
        Vec2 normal = leftNormal(d);
        if (arc) {
            const Vec2 out = s.path[k] - centre;
            const double r = length(out);
            if (r > 0)
                normal = out * ((bulge > 0 ? -1.0 : 1.0) / r);
        }
        s.normals.push_back(normal);
        s.halfWidths.push_back((w0 + (w1 - w0) * static_cast<double>(k) / (n - 1)) / 2);
    }
    return s;
}

// Direction of travel at a point whose left normal is n.
Vec2 along(Vec2 n) {
    return {n.y, -n.x};
}

// Fills the wedge that opens on the outside of a turn between the end of `before` and the
// start of `after`, up to the point where their outer edges meet (or cut off square when that
// point lies far out, at a very sharp turn).
void addJoin(std::vector<std::vector<Vec2>>& rings, const WideSegment& before,
             const WideSegment& after) {
    const std::size_t last = before.path.size() - 1;
    const Vec2 at = before.path[last];
    const Vec2 inDir = along(before.normals[last]), outDir = along(after.normals[0]);
    const double turn = cross(inDir, outDir);
    if (std::fabs(turn) < 1e-12)
        return;
    const Vec2 p = turn > 0 ? before.right(last) : before.left(last);
    const Vec2 q = turn > 0 ? after.right(0) : after.left(0);
    // Where p + inDir * t meets q - outDir * u.
    const double t = cross(q - p, outDir) / cross(inDir, outDir);
    const Vec2 miter = p + inDir * t;
    const double reach = std::max(before.halfWidths[last], after.halfWidths[0]);
    if (t > 0 && length(miter - at) <= 4 * reach)
        addCounterClockwise(rings, {at, p, miter, q});
    else
        addCounterClockwise(rings, {at, p, q});
}

} // namespace

void DisplayListCompiler::addCurve(ItemList& list, const Entity& entity, bool inBlock) {
    std::vector<Vec2> pts;
    std::vector<ItemCurve> curves;
    bool closed = false;
    if (const auto* e = dataIf<Ellipse>(&entity.data)) {
        const Vec3 normal = OcsFrame::fromExtrusion(entity.common.extrusion()).zAxis;
        const Vec3 minor = cross(normal, e->majorAxis) * e->ratio;
        appendEllipse(pts, e->center.xy(), e->majorAxis.xy(), minor.xy(), e->startParam,
                      e->endParam);
        const double sweep = sweepCcw(e->startParam, e->endParam);
        closed = std::fabs(sweep - 2 * M_PI) < 1e-9;
        if (closed)
            pts.pop_back();
        const ConicArc arc{e->center.xy(), e->majorAxis.xy(), minor.xy(), e->startParam,
                           e->startParam + sweep};
        curves.push_back({arc, 0, 0, static_cast<std::uint32_t>(closed ? 0 : pts.size() - 1)});
    } else if (const auto* s = dataIf<Spline>(&entity.data)) {
        for (const Vec3& p : tessellateSpline(s->data))
            pts.push_back(p.xy());
    }
    const std::size_t before = list.items.size();
    addPolyline(list, makeItem(entity.common, inBlock), pts, closed);
    keepCurves(list, before, pts.size(), curves);
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
    std::vector<ItemCurve> curves;
    const std::size_t n = polyline.vertices.size();
    const std::size_t segments = polyline.closed ? n : n - 1;
    pts.push_back(polyline.vertices[0].p.xy());
    for (std::size_t i = 0; i < segments; ++i) {
        const PolyVertex& v = polyline.vertices[i];
        const Vec2 a = v.p.xy(), b = polyline.vertices[(i + 1) % n].p.xy();
        const auto from = static_cast<std::uint32_t>(pts.size() - 1);
        appendBulge(pts, a, b, v.bulge);
        if (pts.size() - 1 > from + 1u) // drawn as an arc
            curves.push_back({bulgeArc(a, b, v.bulge).mapped(plane), 0, from,
                              static_cast<std::uint32_t>(pts.size() - 1)});
    }
    if (polyline.closed && pts.size() > 1) {
        pts.pop_back(); // the closing point repeats the first
        for (ItemCurve& curve : curves)
            if (curve.to == pts.size())
                curve.to = 0;
    }
    for (Vec2& p : pts)
        p = plane.map(p);
    const std::size_t before = list.items.size();
    addPolyline(list, item, pts, polyline.closed);
    keepCurves(list, before, pts.size(), curves);
}

void DisplayListCompiler::addWidePolyline(ItemList& list, const DisplayItem& item,
                                          const Polyline& polyline, const Affine2& plane) {
    // Each wide segment is one outline and each join between wide segments a wedge; all wind
    // the same way, so a non-zero fill covers their overlaps as one band without seams.
    // Segments of no width are drawn as lines.
    std::vector<std::vector<Vec2>> rings;
    std::vector<std::vector<Vec2>> lines;
    const std::size_t n = polyline.vertices.size();
    const std::size_t segments = polyline.closed ? n : n - 1;
    std::vector<WideSegment> wide(segments);
    std::vector<char> isWide(segments, 0);
    bool lineOpen = false;
    for (std::size_t i = 0; i < segments; ++i) {
        const PolyVertex& v = polyline.vertices[i];
        const Vec2 a = v.p.xy(), b = polyline.vertices[(i + 1) % n].p.xy();
        double w0 = v.startWidth, w1 = v.endWidth;
        if (polyline.kind == Polyline::Kind::Light && w0 == 0 && w1 == 0)
            w0 = w1 = polyline.constantWidth;
        if (w0 == 0 && w1 == 0) {
            std::vector<Vec2> path{a};
            appendBulge(path, a, b, v.bulge);
            if (!lineOpen)
                lines.emplace_back(1, a);
            lines.back().insert(lines.back().end(), path.begin() + 1, path.end());
            lineOpen = true;
            continue;
        }
        lineOpen = false;
        if (length(b - a) == 0)
            continue;
        wide[i] = wideSegment(a, b, v.bulge, w0, w1);
        isWide[i] = 1;
        std::vector<Vec2> outline;
        const WideSegment& s = wide[i];
        for (std::size_t k = 0; k < s.path.size(); ++k)
            outline.push_back(s.left(k));
        for (std::size_t k = s.path.size(); k-- > 0;)
            outline.push_back(s.right(k));
        addCounterClockwise(rings, std::move(outline));
    }
    for (std::size_t i = 0; i + 1 < segments || (polyline.closed && i < segments); ++i) {
        const std::size_t next = (i + 1) % segments;
        if (isWide[i] && isWide[next] && next != i)
            addJoin(rings, wide[i], wide[next]);
    }
    for (auto& ring : rings)
        for (Vec2& p : ring)
            p = plane.map(p);
    DisplayItem fill = item;
    fill.evenOdd = false;
    if (!rings.empty())
        addPolygon(list, fill, rings);
    for (auto& line : lines) {
        for (Vec2& p : line)
            p = plane.map(p);
        addPolyline(list, item, line, false);
    }
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
    std::vector<RingCurve> ringCurves;
    std::vector<std::vector<Vec2>> rings = hatchRings(hatch, &ringCurves);
    if (rings.empty())
        return;
    const Affine2 plane = OcsFrame::fromExtrusion(common.extrusion()).planeToWorld(hatch.elevation);
    // The curved edges by the item's points: each ring's runs after the rings before it.
    std::vector<std::uint32_t> ringFirst(rings.size() + 1, 0);
    for (std::size_t r = 0; r < rings.size(); ++r)
        ringFirst[r + 1] = ringFirst[r] + static_cast<std::uint32_t>(rings[r].size());
    std::vector<ItemCurve> curves;
    for (const RingCurve& c : ringCurves) {
        const std::uint32_t first = ringFirst[c.ring];
        // A run closing its ring ends at the ring's first point, not the next ring's.
        const std::uint32_t to = c.to == rings[c.ring].size() ? first : first + c.to;
        curves.push_back({c.arc.mapped(plane), 0, first + c.from, to});
    }
    const DisplayItem item = makeItem(common, inBlock);
    if (!hatch.polygon) {
        addHatchFill(list, item, hatch, std::move(rings), std::move(curves), plane);
        return;
    }
    // An MPOLYGON: its fill, if it has one, in the fill's colour, and its loops over it as
    // lines in its own.
    if (hatch.fillUnread)
        countIncomplete("MPOLYGON", "drawn without its fill: its fill could not be read");
    if (hatch.solid || !hatch.patternLines.empty()) {
        DisplayItem fill = item;
        if (hatch.fillColor)
            fill.color = resolveColor(*hatch.fillColor, item.layer, inBlock);
        addHatchFill(list, fill, hatch, rings, curves, plane);
    }
    for (std::size_t r = 0; r < rings.size(); ++r) {
        std::vector<Vec2>& ring = rings[r];
        for (Vec2& p : ring)
            p = plane.map(p);
        std::vector<ItemCurve> ringArcs;
        for (const RingCurve& c : ringCurves) {
            if (c.ring == r)
                ringArcs.push_back({c.arc.mapped(plane), 0, static_cast<std::uint32_t>(c.from),
                                    static_cast<std::uint32_t>(c.to == ring.size() ? 0 : c.to)});
        }
        const std::size_t before = list.items.size();
        addPolyline(list, item, ring, true);
        keepCurves(list, before, ring.size(), ringArcs);
    }
}

void DisplayListCompiler::addHatchFill(ItemList& list, const DisplayItem& item, const Hatch& hatch,
                                       std::vector<std::vector<Vec2>> rings,
                                       std::vector<ItemCurve> curves, const Affine2& plane) {
    if (hatch.solid || hatch.patternLines.empty()) {
        std::size_t pointCount = 0;
        for (auto& ring : rings) {
            for (Vec2& p : ring)
                p = plane.map(p);
            pointCount += ring.size();
        }
        const std::size_t before = list.items.size();
        addPolygon(list, item, rings);
        keepCurves(list, before, pointCount, curves);
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
    const std::size_t before = list.items.size();
    addPolyline(list, lines, segments.points, false);
    if (list.items.size() == before + 1) {
        // The lines hold no boundary: its figures are kept for them.
        std::vector<Vec2> boundary;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> loops;
        for (const auto& ring : rings) {
            const auto first = static_cast<std::uint32_t>(boundary.size());
            boundary.insert(boundary.end(), ring.begin(), ring.end());
            loops.emplace_back(first, static_cast<std::uint32_t>(boundary.size()));
        }
        std::vector<ArcRun> runs;
        for (const ItemCurve& c : curves)
            runs.push_back({c.arc, c.from, c.to});
        const OutlineFigures figures = outlineFigures(boundary, loops, runs, true);
        list.areas.push_back({static_cast<std::uint32_t>(before), figures.area, figures.length});
    }
}

} // namespace vexor::cad
