#include "../curves/Tessellate.h"
#include "DisplayListCompiler.h"

#include <algorithm>
#include <cmath>

namespace vexor::cad {
namespace {

bool finiteNumber(double v) {
    return std::isfinite(v);
}

bool finitePoint(Vec3 p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// Twice the signed area of a ring.
double ringArea(const std::vector<Vec2>& ring) {
    double area = 0;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
        area += (ring[j].x - ring[i].x) * (ring[j].y + ring[i].y);
    return area;
}

// The x and y axes of the plane seen along `direction` (the arbitrary-axis rule the drawing
// formats use for object coordinate systems).
void viewAxes(Vec3 direction, Vec3& xAxis, Vec3& yAxis) {
    const Vec3 n = direction * (1.0 / length(direction));
    const double limit = 1.0 / 64;
    xAxis = std::fabs(n.x) < limit && std::fabs(n.y) < limit ? cross({0, 1, 0}, n)
                                                             : cross({0, 0, 1}, n);
    xAxis = xAxis * (1.0 / length(xAxis));
    yAxis = cross(n, xAxis);
}

std::string describe(const Layout& layout, const Viewport& viewport) {
    return "layout \"" + layout.name + "\": viewport (handle " + std::to_string(viewport.handle) +
           ")";
}

// What the layout last showed on screen: the view of its paper viewport (centre, height and the
// window's proportions); empty when the paper-space block stores none.
Box2 displayedArea(const Block* block) {
    Box2 area;
    if (!block)
        return area;
    for (std::size_t i = 0; i < block->viewports.size(); ++i) {
        const Viewport& paper = block->viewports[i];
        if (!isPaperViewport(block->viewports, i))
            continue;
        if (!(finiteNumber(paper.viewHeight) && paper.viewHeight > 0 && paper.width > 0 &&
              paper.height > 0 && finitePoint(paper.viewTarget) &&
              finiteNumber(paper.viewCentre.x) && finiteNumber(paper.viewCentre.y)))
            break;
        const Vec2 centre = paper.viewCentre + paper.viewTarget.xy();
        const Vec2 half{paper.viewHeight * paper.width / paper.height / 2, paper.viewHeight / 2};
        area.add(centre - half);
        area.add(centre + half);
        break;
    }
    return area;
}

// The part of paper space a layout plots, in paper-space units; empty when it plots the sheet
// itself (or a part we cannot know, which a diagnostic names).
Box2 plottedRegion(const Layout& layout, const Block* block, const Box2& content,
                   std::string& unknown) {
    Box2 region;
    switch (layout.plotArea) {
    case PlotArea::Extents:
        region = content;
        break;
    case PlotArea::Limits:
        if (layout.hasLimits) {
            region.add(layout.limMin);
            region.add(layout.limMax);
        }
        break;
    case PlotArea::Window:
        region.add(layout.plotWindowMin);
        region.add(layout.plotWindowMax);
        break;
    case PlotArea::Display:
        region = displayedArea(block);
        if (region.empty())
            unknown = "the last screen display";
        break;
    case PlotArea::View:
        region = layout.plotView;
        if (region.empty())
            unknown = "the view \"" + layout.plotViewName + "\"";
        break;
    case PlotArea::Layout:
        break;
    }
    if (!(region.width() > 0 && region.height() > 0))
        region = {};
    return region;
}

} // namespace

void DisplayListCompiler::compileSheets() {
    for (const Layout& layout : drawing_.layouts) {
        Sheet sheet;
        sheet.name = layout.name;
        sheet.sizeMm = sheetSize(layout);
        sheet.unitsPerMm = paperUnitsPerMillimetre(layout);
        sheet.plotFlags = layout.plotFlags;
        sheet.plotStyleTable = layout.plotStyleTable;
        if (!layout.plotStyleTable.empty()) {
            std::string problem;
            sheet.plotStyles =
                findPlotStyleTable(layout.plotStyleTable, drawing_.sourcePath, problem);
            if (!problem.empty())
                diagnose("layout \"" + layout.name + "\": " + problem);
            checkPlotStyleNames(sheet);
        }
        const Box2 content =
            layout.block < out_->blocks_.size() ? out_->blocks_[layout.block].extents : Box2{};
        // The printable area, in millimetres on the sheet as looked at. Margins and plot
        // origin are given on the paper as it lies unturned: the plot rotation decides which
        // margins are left and bottom of the sheet as looked at, and turns the plot origin's
        // offset with the sheet.
        const double* m = layout.margins;
        const Vec2 corner[4] = {{m[0], m[1]}, {m[1], m[2]}, {m[2], m[3]}, {m[3], m[0]}};
        const Vec2 o = layout.plotOrigin;
        const Vec2 origin[4] = {{o.x, o.y}, {o.y, -o.x}, {-o.x, -o.y}, {-o.y, o.x}};
        const int turn = layout.rotation & 3;
        const Vec2 printableMin = corner[turn];
        const Vec2 printableMax = sheet.sizeMm - corner[(turn + 2) & 3];
        std::string unknown;
        const Box2 region = plottedRegion(
            layout,
            layout.block < drawing_.blocks.size() ? &drawing_.blocks[layout.block] : nullptr,
            content, unknown);
        if (!unknown.empty())
            diagnose("layout \"" + layout.name + "\" plots " + unknown +
                     ", which is not stored; plotted as the layout");
        Vec2 lowerLeft;
        if (region.empty()) {
            // Paper space's origin lies at the printable area's corner, moved by the plot
            // origin.
            lowerLeft = (printableMin + origin[turn]) * -sheet.unitsPerMm;
        } else {
            const Vec2 printable = printableMax - printableMin;
            if (layout.fitsToPaper() && printable.x > 0 && printable.y > 0)
                sheet.unitsPerMm =
                    std::max(region.width() / printable.x, region.height() / printable.y);
            const Vec2 regionMin{region.minX, region.minY};
            const Vec2 regionCentre{(region.minX + region.maxX) / 2,
                                    (region.minY + region.maxY) / 2};
            lowerLeft = (layout.plotFlags & kPlotCentred)
                            ? regionCentre - (printableMin + printableMax) * (sheet.unitsPerMm / 2)
                            : regionMin - (printableMin + origin[turn]) * sheet.unitsPerMm;
        }
        // Lineweights that scale with the plot: a millimetre of lineweight per paper
        // millimetre at 1:1.
        if (layout.plotFlags & kPlotScaleLineweights)
            sheet.lineweightScale = (layout.paperUnits == 0 ? 1 / 25.4 : 1.0) / sheet.unitsPerMm;
        const Vec2 size = sheet.sizeMm * sheet.unitsPerMm;
        sheet.paper.add(lowerLeft);
        sheet.paper.add(lowerLeft + size);
        // Some writers put paper space's origin at the paper's corner, ignoring the margins:
        // when the sheet's content only fits the paper placed that way, it is placed so.
        if (region.empty() && layout.block < out_->blocks_.size()) {
            const Box2 atOrigin{0, 0, size.x, size.y};
            const double slack = std::max(size.x, size.y) * 1e-3;
            auto fits = [&](const Box2& paper) {
                return !content.empty() && content.minX >= paper.minX - slack &&
                       content.minY >= paper.minY - slack && content.maxX <= paper.maxX + slack &&
                       content.maxY <= paper.maxY + slack;
            };
            if (!fits(sheet.paper) && fits(atOrigin))
                sheet.paper = atOrigin;
        }
        if (layout.block < drawing_.blocks.size()) {
            sheet.block = layout.block;
            const Block& block = drawing_.blocks[layout.block];
            for (std::size_t i = 0; i < block.viewports.size(); ++i) {
                const Viewport& viewport = block.viewports[i];
                if (isPaperViewport(block.viewports, i) || !viewport.on)
                    continue;
                SheetView view;
                if (compileView(layout, block, viewport, view))
                    sheet.views.push_back(std::move(view));
            }
        }
        out_->sheets_.push_back(std::move(sheet));
    }
}

bool DisplayListCompiler::compileView(const Layout& layout, const Block& block,
                                      const Viewport& viewport, SheetView& view) {
    const std::string name = describe(layout, viewport);
    if (!finiteNumber(viewport.width) || !finiteNumber(viewport.height) || !(viewport.width > 0) ||
        !(viewport.height > 0) || !finitePoint(viewport.centre)) {
        diagnose(name + " has no size on paper; not drawn");
        return false;
    }
    if (!finiteNumber(viewport.viewHeight) || !(viewport.viewHeight > 0) ||
        !finitePoint(viewport.viewTarget) || !finiteNumber(viewport.viewCentre.x) ||
        !finiteNumber(viewport.viewCentre.y) || !finiteNumber(viewport.twist)) {
        diagnose(name + " has no usable view (height " + std::to_string(viewport.viewHeight) +
                 "); its frame is drawn empty");
        view.showsModel = false;
    }
    Vec3 direction = viewport.viewDirection;
    if (!finitePoint(direction) || !(length(direction) > 0))
        direction = {0, 0, 1};
    Vec3 xAxis, yAxis;
    viewAxes(direction, xAxis, yAxis);
    // Model points (on the plane z = 0) seen along the direction, relative to the target,
    // turned by the twist, then scaled so that the view height fills the viewport's height.
    const Affine2 project{xAxis.x,
                          yAxis.x,
                          xAxis.y,
                          yAxis.y,
                          -dot(viewport.viewTarget, xAxis),
                          -dot(viewport.viewTarget, yAxis)};
    const double scale = viewport.height / viewport.viewHeight;
    const Vec2 centre = viewport.centre.xy();
    view.modelToPaper = Affine2::translate(centre.x, centre.y) * Affine2::scale(scale, scale) *
                        Affine2::translate(-viewport.viewCentre.x, -viewport.viewCentre.y) *
                        Affine2::rotate(viewport.twist) * project;
    const double det = view.modelToPaper.determinant();
    if (view.showsModel && !(std::isfinite(det) && std::fabs(det) > 1e-300)) {
        diagnose(name + " looks at model space edge-on; its frame is drawn empty");
        view.showsModel = false;
    }
    if (view.showsModel &&
        std::fabs(direction.x) + std::fabs(direction.y) > 1e-9 * length(direction))
        diagnose(name + " looks at model space from the side: drawn as a projection of the plan");

    const Vec2 half{viewport.width / 2, viewport.height / 2};
    view.clip = {centre - half,
                 {centre.x + half.x, centre.y - half.y},
                 centre + half,
                 {centre.x - half.x, centre.y + half.y}};
    if (viewport.clipByBoundary) {
        std::vector<Vec2> ring = clipBoundary(block, viewport.clipBoundary);
        if (ring.size() >= 3 && std::fabs(ringArea(ring)) > 0) {
            view.clip = std::move(ring);
            view.rectangular = false;
        } else {
            diagnose(name + " is clipped by a boundary that is missing or degenerate; clipped "
                            "by its rectangle");
        }
    }
    for (Vec2 p : view.clip)
        view.clipBox.add(p);
    view.frozenLayers = viewport.frozenLayers;
    std::sort(view.frozenLayers.begin(), view.frozenLayers.end());
    view.layer = viewport.layer < out_->layers_.size() ? viewport.layer : 0;
    view.frameColor = resolveColor(viewport.color, view.layer, false);
    view.frame = view.rectangular;
    return true;
}

// The outline of the entity of `block` with this handle, on paper.
std::vector<Vec2> DisplayListCompiler::clipBoundary(const Block& block,
                                                    std::uint64_t handle) const {
    std::vector<Vec2> ring;
    if (handle == 0)
        return ring;
    for (const Entity& entity : block.entities) {
        if (entity.common.handle != handle)
            continue;
        if (const auto* poly = dataIf<Polyline>(&entity.data)) {
            const auto& v = poly->vertices;
            for (std::size_t i = 0; i < v.size(); ++i) {
                if (ring.empty())
                    ring.push_back(v[i].p.xy());
                const std::size_t next = (i + 1) % v.size();
                if (next == 0 && !poly->closed)
                    break;
                appendBulge(ring, v[i].p.xy(), v[next].p.xy(), v[i].bulge);
            }
        } else if (const auto* circle = dataIf<Circle>(&entity.data)) {
            appendArc(ring, circle->center.xy(), circle->radius, 0, 2 * M_PI);
        } else if (const auto* ellipse = dataIf<Ellipse>(&entity.data)) {
            const Vec2 major = ellipse->majorAxis.xy();
            appendEllipse(ring, ellipse->center.xy(), major,
                          Vec2{-major.y, major.x} * ellipse->ratio, 0, 2 * M_PI);
        } else if (const auto* spline = dataIf<Spline>(&entity.data)) {
            for (const Vec3& p : tessellateSpline(spline->data))
                ring.push_back(p.xy());
        }
        break;
    }
    ring.erase(std::remove_if(ring.begin(), ring.end(),
                              [](Vec2 p) { return !std::isfinite(p.x) || !std::isfinite(p.y); }),
               ring.end());
    return ring;
}

int openingSheet(const DisplayList& list) {
    if (!list.extents().empty())
        return -1;
    const auto& sheets = list.sheets();
    for (std::size_t i = 0; i < sheets.size(); ++i)
        if (sheets[i].block < list.blockCount() && !list.block(sheets[i].block).extents.empty())
            return static_cast<int>(i);
    return -1;
}

} // namespace vexor::cad
