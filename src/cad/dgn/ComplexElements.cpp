#include "ComplexElements.h"

#include "../io/LoadBudget.h"
#include "Symbology.h"

#include <algorithm>
#include <cmath>

namespace vexor::cad::dgn {
namespace {

enum : std::uint8_t {
    kCellHeader = 2,
    kTextNode = 7,
    kComplexChain = 12,
    kComplexShape = 14,
    kSurface = 18,
    kSolid = 19,
    kBsplinePole = 21,
    kBsplineSurface = 24,
    kBsplineBoundary = 25,
    kBsplineKnot = 26,
    kBsplineCurve = 27,
    kBsplineWeight = 28,
    kSharedCellDefinition = 34,
};

// Headers whose word 18 counts the words of their description, components included.
bool hasTotalLength(std::uint8_t type) {
    return type == kCellHeader || type == kTextNode || type == kComplexChain ||
           type == kComplexShape || type == kSurface || type == kSolid ||
           type == kSharedCellDefinition;
}

bool isBsplinePart(std::uint8_t type) {
    return type == kBsplinePole || type == kBsplineBoundary || type == kBsplineKnot ||
           type == kBsplineWeight;
}

// Element types that hold settings or data rather than anything to draw.
bool isNonGraphic(std::uint8_t type) {
    switch (type) {
    case 0:
    case 1:
    case 5:
    case 8:
    case 9:
    case 10:
    case 56:
    case 66:
        return true;
    default:
        return false;
    }
}

std::string typeName(int type) {
    switch (type) {
    case 22:
        return "point string";
    case 23:
        return "cone";
    case 24:
        return "B-spline surface";
    case 33:
        return "dimension";
    case 35:
        return "shared cell";
    case 36:
        return "multi-line";
    case 37:
        return "tag";
    case 87:
        return "raster";
    default:
        return "type " + std::to_string(type);
    }
}

bool near(Vec3 a, Vec3 b) {
    const double scale = 1 + std::max({std::abs(a.x), std::abs(a.y), std::abs(b.x), std::abs(b.y)});
    return std::abs(a.x - b.x) <= 1e-9 * scale && std::abs(a.y - b.y) <= 1e-9 * scale;
}

Vec3 flat(Vec3 p) {
    return {p.x, p.y, 0};
}
Vec3 flat(Vec2 p) {
    return {p.x, p.y, 0};
}

void appendPoints(std::vector<PolyVertex>& line, std::vector<Vec3> points) {
    if (points.empty())
        return;
    if (!line.empty() && near(line.back().p, points.back()) && !near(line.back().p, points.front()))
        std::reverse(points.begin(), points.end());
    for (const Vec3& p : points)
        if (line.empty() || !near(line.back().p, p))
            line.push_back({flat(p)});
}

void appendArc(std::vector<PolyVertex>& line, const ProjectedConic& arc) {
    Vec3 start = flat(arc.at(arc.start));
    Vec3 end = flat(arc.at(arc.start + arc.sweep));
    double bulge = std::tan(arc.signedSweep() / 4);
    if (!line.empty() && near(line.back().p, end) && !near(line.back().p, start)) {
        std::swap(start, end);
        bulge = -bulge;
    }
    if (line.empty() || !near(line.back().p, start))
        line.push_back({start});
    line.back().bulge = bulge;
    line.push_back({end});
}

} // namespace

ElementAssembler::ElementAssembler(const std::vector<Element>& elements,
                                   const PrimitiveDecoder& decoder, std::vector<Entity>& out,
                                   std::vector<std::string>& diagnostics)
    : elements_(elements), decoder_(decoder), out_(out), diagnostics_(diagnostics) {}

void ElementAssembler::run() {
    processRange(0, elements_.size(), 0);
    if (notDrawn_.empty())
        return;
    std::string text = "elements not drawn:";
    for (const auto& [type, count] : notDrawn_)
        text += " " + typeName(type) + " (" + std::to_string(count) + ")";
    diagnostics_.push_back(text);
}

void ElementAssembler::reportTooShort(const Element& e, const ElementTooShort& error) {
    diagnostics_.push_back(e.where() + ": type " + std::to_string(e.type) + " needs " +
                           std::to_string(error.neededBytes) + " bytes but has " +
                           std::to_string(e.size()) + "; skipped");
}

std::size_t ElementAssembler::componentsEnd(std::size_t header, std::size_t end) const {
    const Element& h = elements_[header];
    std::size_t j = header + 1;
    if (hasTotalLength(h.type)) {
        if (h.size() < 38)
            return j;
        const std::uint64_t byteEnd = h.offset + 2 * (19 + std::uint64_t{h.word(18)});
        while (j < end && elements_[j].offset < byteEnd && elements_[j].complex)
            ++j;
    } else { // B-spline curves and surfaces: their parts follow as components
        while (j < end && elements_[j].complex && isBsplinePart(elements_[j].type))
            ++j;
    }
    return j;
}

void ElementAssembler::processRange(std::size_t begin, std::size_t end, int depth) {
    for (std::size_t i = begin; i < end;) {
        loadCheckpoint();
        reportLoadProgress(i, elements_.size());
        const Element& e = elements_[i];
        if (hasTotalLength(e.type) || e.type == kBsplineCurve || e.type == kBsplineSurface) {
            const std::size_t last = componentsEnd(i, end);
            if (!e.deleted)
                processComplex(i, last, depth);
            i = last;
            continue;
        }
        if (!e.deleted)
            decodePrimitive(e);
        ++i;
    }
}

void ElementAssembler::decodePrimitive(const Element& e) {
    if (isNonGraphic(e.type) || isBsplinePart(e.type))
        return;
    try {
        if (!decoder_.decode(e, out_))
            ++notDrawn_[e.type];
    } catch (const ElementTooShort& error) {
        reportTooShort(e, error);
    }
}

void ElementAssembler::processComplex(std::size_t header, std::size_t end, int depth) {
    const Element& h = elements_[header];
    const std::size_t first = header + 1;
    switch (h.type) {
    case kCellHeader:
    case kTextNode:
        if (depth >= kMaxCellNesting) {
            diagnostics_.push_back(h.where() + ": cells nested deeper than " +
                                   std::to_string(kMaxCellNesting) +
                                   " levels; the inner ones are skipped");
            return;
        }
        processRange(first, end, depth + 1);
        return;
    case kComplexChain:
    case kComplexShape:
        try {
            if (assembleChain(h, first, end))
                return;
        } catch (const ElementTooShort& error) {
            reportTooShort(h, error);
            return;
        }
        drawUnderHandle(first, end, depth, h);
        return;
    case kSurface:
    case kSolid:
        drawUnderHandle(first, end, depth, h);
        return;
    case kBsplineCurve:
        assembleBspline(h, first, end);
        return;
    default:
        ++notDrawn_[h.type];
        return; // shared cell definitions, B-spline surfaces
    }
}

void ElementAssembler::drawUnderHandle(std::size_t first, std::size_t last, int depth,
                                       const Element& header) {
    if (depth >= kMaxCellNesting)
        return;
    const std::size_t before = out_.size();
    processRange(first, last, depth + 1);
    for (std::size_t k = before; k < out_.size(); ++k)
        out_[k].common.handle = header.index;
}

bool ElementAssembler::assembleChain(const Element& header, std::size_t first, std::size_t last) {
    std::vector<PolyVertex> vertices;
    for (std::size_t k = first; k < last; ++k) {
        const Element& c = elements_[k];
        if (c.deleted)
            continue;
        if (c.type == 3 || c.type == 4) {
            appendPoints(vertices, decoder_.vertices(c));
        } else if (c.type == 16) {
            const ProjectedConic arc = decoder_.conic(c);
            if (!arc.circular() || arc.degenerate())
                return false;
            appendArc(vertices, arc);
        } else {
            return false;
        }
    }
    if (vertices.empty())
        return true; // nothing to draw
    Polyline line;
    if (header.type == kComplexShape) {
        line.closed = true;
        if (vertices.size() > 1 && near(vertices.front().p, vertices.back().p))
            vertices.pop_back();
    }
    line.vertices = std::move(vertices);
    const EntityCommon common = decoder_.common(header);
    if (header.type == kComplexShape) {
        if (const auto fill = fillColorIndex(header); fill && !(header.properties() & 0x8000)) {
            Hatch hatch;
            hatch.solid = true;
            hatch.patternName = "SOLID";
            HatchLoop loop;
            loop.isPolyline = true;
            loop.polyline = line.vertices;
            hatch.loops.push_back(std::move(loop));
            Entity filled{common, std::move(hatch)};
            filled.common.color = decoder_.color(*fill);
            out_.push_back(std::move(filled));
        }
    }
    out_.push_back({common, std::move(line)});
    return true;
}

void ElementAssembler::assembleBspline(const Element& header, std::size_t first, std::size_t last) {
    constexpr double kFixedOne = 2147483647.0; // knots and weights are fixed point in 0..1
    try {
        const std::uint16_t flags = header.word(20);
        const int order = (flags & 0x0F) + 2;
        const bool closed = (flags & 0x80) != 0;
        Spline spline;
        spline.data.degree = order - 1;
        spline.data.closed = closed;
        std::vector<double> interior;
        for (std::size_t k = first; k < last; ++k) {
            const Element& c = elements_[k];
            const std::size_t count = c.size() >= 36 ? (c.size() / 2 - 18) / 2 : 0;
            if (c.type == kBsplinePole) {
                for (const Vec3& p : decoder_.vertices(c))
                    spline.data.controlPoints.push_back(flat(p));
            } else if (c.type == kBsplineKnot) {
                for (std::size_t i = 0; i < count; ++i)
                    interior.push_back(c.longAt(18 + 2 * i) / kFixedOne);
            } else if (c.type == kBsplineWeight) {
                for (std::size_t i = 0; i < count; ++i)
                    spline.data.weights.push_back(c.longAt(18 + 2 * i) / kFixedOne);
            }
        }
        const std::size_t poles = spline.data.controlPoints.size();
        if (poles < 2 || static_cast<std::size_t>(order) > poles) {
            diagnostics_.push_back(header.where() + ": B-spline curve with " +
                                   std::to_string(poles) + " poles of order " +
                                   std::to_string(order) + "; skipped");
            return;
        }
        if (spline.data.weights.size() != poles)
            spline.data.weights.clear();
        if (closed) { // periodic: wrap the poles and space the knots evenly
            for (int i = 0; i < order - 1; ++i) {
                spline.data.controlPoints.push_back(spline.data.controlPoints[i]);
                if (!spline.data.weights.empty())
                    spline.data.weights.push_back(spline.data.weights[i]);
            }
            for (std::size_t i = 0; i < spline.data.controlPoints.size() + order; ++i)
                spline.data.knots.push_back(static_cast<double>(i));
        } else { // clamped at both ends; uniform unless the file lists the interior knots
            const std::size_t inner = poles - order;
            if (interior.size() != inner) {
                interior.clear();
                for (std::size_t i = 1; i <= inner; ++i)
                    interior.push_back(static_cast<double>(i) / (inner + 1));
            }
            spline.data.knots.assign(order, 0.0);
            spline.data.knots.insert(spline.data.knots.end(), interior.begin(), interior.end());
            spline.data.knots.insert(spline.data.knots.end(), order, 1.0);
        }
        out_.push_back({decoder_.common(header), std::move(spline)});
    } catch (const ElementTooShort& error) {
        reportTooShort(header, error);
    }
}

} // namespace vexor::cad::dgn
