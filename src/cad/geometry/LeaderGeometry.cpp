#include "LeaderGeometry.h"

#include "../curves/Tessellate.h"

#include <cmath>

namespace vexor::cad {
namespace {

// Sizes beyond this are damage, not drawings.
constexpr double kMaxSize = 1e12;

bool usable(double v) {
    return std::isfinite(v) && v > 0 && v < kMaxSize;
}

bool finitePoint(Vec3 p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::fabs(p.x) < kMaxSize &&
           std::fabs(p.y) < kMaxSize;
}

Vec2 unitOr(Vec2 v, Vec2 fallback) {
    const double len = length(v);
    return len > 0 && std::isfinite(len) ? v * (1 / len) : fallback;
}

// The drawn path through `points`: the points themselves, or a spline fitted through them.
std::vector<Vec2> pathThrough(const std::vector<Vec3>& points, bool spline) {
    std::vector<Vec2> out;
    if (spline && points.size() > 2) {
        SplineData fit;
        fit.fitPoints = points;
        for (const Vec3& p : tessellateSpline(fit))
            out.push_back(p.xy());
        return out;
    }
    for (const Vec3& p : points)
        if (out.empty() || p.x != out.back().x || p.y != out.back().y)
            out.push_back(p.xy());
    return out;
}

// The arrowhead at the start of a path through `points`, pointing back along its first
// segment. A first segment shorter than the arrow leaves it out: there is no room for it.
void arrowAtStart(DimensionPicture& pic, const std::vector<Vec2>& path,
                  const std::vector<Vec3>& points, const std::string& kind, double size) {
    if (path.size() < 2 || !usable(size))
        return;
    double first = 0;
    for (const Vec3& p : points)
        if ((first = length(p.xy() - path[0])) > 0)
            break;
    if (!(first >= size))
        return;
    addArrowhead(pic, kind, path[0], unitOr(path[0] - path[1], {1, 0}), size);
}

} // namespace

DimensionPicture leaderPicture(const Leader& leader, const DimStyle& style) {
    DimensionPicture pic;
    for (const Vec3& p : leader.points)
        if (!finitePoint(p)) {
            pic.problem = "a leader with points out of range is not drawn";
            return pic;
        }
    std::vector<Vec2> path = pathThrough(leader.points, leader.spline);
    if (path.size() < 2)
        return pic;
    const double arrowSize = style.arrowSize * style.scale;
    // The hook line to the text is usually stored as the last segment; one that is not gets
    // drawn here, an arrow size long.
    if (leader.hookline && !leader.spline && usable(arrowSize)) {
        const Vec2 h =
            unitOr(leader.horizontal.xy(), {1, 0}) * (leader.hooklineAlongHorizontal ? 1.0 : -1.0);
        const Vec2 last = path.back() - path[path.size() - 2];
        const double cross = last.x * h.y - last.y * h.x;
        if (!(std::fabs(cross) <= 1e-6 * length(last)))
            path.push_back(path.back() + h * arrowSize);
    }
    pic.strokes.push_back({path, false, DimensionPicture::Part::DimLine});
    if (leader.arrowhead)
        arrowAtStart(pic, path, leader.points, style.leaderArrow, arrowSize);
    return pic;
}

MultiLeaderPicture multiLeaderPicture(const Drawing& drawing, const MultiLeaderData& d) {
    MultiLeaderPicture pic;
    const MultiLeaderStyle* style = nullptr;
    for (const MultiLeaderStyle& s : drawing.multiLeaderStyles)
        if (s.handle == d.styleHandle && d.styleHandle != 0)
            style = &s;
    // The multileader's own value where it overrides its style (or has none).
    auto from = [&](std::uint32_t bit) -> const MultiLeaderStyle& {
        return !style || (d.overrides & bit) ? d.own : *style;
    };
    const double scale = usable(from(MultiLeaderOverride::kScale).scale)
                             ? from(MultiLeaderOverride::kScale).scale
                             : 1.0;
    const MultiLeaderStyle& lineStyle = from(MultiLeaderOverride::kLineColor);

    MultiLeaderPicture::Lines doglegs;
    doglegs.color = lineStyle.lineColor;
    doglegs.linetype = from(MultiLeaderOverride::kLinetype).linetype;
    doglegs.lineweight = from(MultiLeaderOverride::kLineweight).lineweight;
    const std::int16_t pathType = from(MultiLeaderOverride::kPathType).pathType;
    const bool dogleg = from(MultiLeaderOverride::kDogleg).dogleg;
    const std::string& arrowKind = from(MultiLeaderOverride::kArrow).arrow;
    double arrowSize = d.arrowSize;
    if (!usable(arrowSize))
        arrowSize = from(MultiLeaderOverride::kArrowSize).arrowSize * scale;

    bool outOfRange = false;
    for (const MultiLeaderBranch& branch : d.branches) {
        const bool landing = branch.hasLandingPoint && finitePoint(branch.landingPoint);
        for (const MultiLeaderLine& line : branch.lines) {
            const std::int16_t type = line.pathType.value_or(pathType);
            if (type == 0)
                continue;
            std::vector<Vec3> points;
            for (const Vec3& p : line.vertices)
                if (finitePoint(p))
                    points.push_back(p);
                else
                    outOfRange = true;
            if (landing)
                points.push_back(branch.landingPoint);
            MultiLeaderPicture::Lines part;
            part.color = line.color.value_or(doglegs.color);
            part.linetype = line.linetype.value_or(doglegs.linetype);
            part.lineweight = line.lineweight.value_or(doglegs.lineweight);
            const std::vector<Vec2> path = pathThrough(points, type == 2);
            if (path.size() < 2)
                continue;
            part.picture.strokes.push_back({path, false, DimensionPicture::Part::DimLine});
            std::string kind = line.arrow.value_or(arrowKind);
            if (!arrowDrawable(drawing, kind))
                kind.clear();
            const double size =
                line.arrowSize && usable(*line.arrowSize) ? *line.arrowSize : arrowSize;
            arrowAtStart(part.picture, path, points, kind, size);
            pic.lines.push_back(std::move(part));
        }
        if (landing && dogleg && pathType != 0 && usable(branch.doglegLength) &&
            length(branch.doglegDirection.xy()) > 0) {
            const Vec2 from2 = branch.landingPoint.xy();
            const Vec2 to =
                from2 + unitOr(branch.doglegDirection.xy(), {1, 0}) * branch.doglegLength;
            doglegs.picture.strokes.push_back(
                {{from2, to}, false, DimensionPicture::Part::DimLine});
        }
    }
    if (!doglegs.picture.strokes.empty())
        pic.lines.push_back(std::move(doglegs));
    if (outOfRange)
        pic.problem = "drawn in part: leader line points out of range are left out";

    const std::int16_t content = from(MultiLeaderOverride::kContentType).contentType;
    if (d.hasText && content != 1 && !d.text.text.empty() && finitePoint(d.text.insert)) {
        pic.hasText = true;
        pic.text = d.text;
        if (!usable(pic.text.height))
            pic.text.height = from(MultiLeaderOverride::kTextHeight).textHeight * scale;
        if (pic.text.style >= drawing.textStyles.size())
            pic.text.style = from(MultiLeaderOverride::kTextStyle).textStyle;
        pic.textColor = !style ? d.textColor.value_or(d.own.textColor)
                               : from(MultiLeaderOverride::kTextColor).textColor;
        pic.textFrame = from(MultiLeaderOverride::kTextFrame).textFrame;
    }
    if (d.hasBlock && content != 2) {
        const std::string& name =
            d.block.empty() ? from(MultiLeaderOverride::kBlock).block : d.block;
        pic.block = findBlockNamed(drawing, name);
        const Vec3 s = d.blockScale;
        const bool placed = finitePoint(d.blockPosition) && std::isfinite(d.blockRotation) &&
                            usable(std::fabs(s.x)) && usable(std::fabs(s.y));
        if (pic.block != kNoIndex && placed) {
            const Vec3 base = drawing.blocks[pic.block].base;
            pic.hasBlock = true;
            pic.blockTransform = Affine2::translate(d.blockPosition.x, d.blockPosition.y) *
                                 Affine2::rotate(d.blockRotation) * Affine2::scale(s.x, s.y) *
                                 Affine2::translate(-base.x, -base.y);
            pic.blockColor = !style ? d.blockColor.value_or(d.own.blockColor)
                                    : from(MultiLeaderOverride::kBlockColor).blockColor;
        } else {
            pic.problem = pic.block == kNoIndex
                              ? "drawn in part: the content block \"" + name + "\" is missing"
                              : "drawn in part: the content block is placed out of range";
        }
    }
    if (pic.lines.empty() && !pic.hasText && !pic.hasBlock && pic.problem.empty())
        pic.problem = "not drawn: it has neither leader lines nor content";
    return pic;
}

} // namespace vexor::cad
