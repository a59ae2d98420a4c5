#include "DimensionGeometry.h"

#include "../curves/Tessellate.h"
#include "../model/AsciiCase.h"
#include "../text/TextLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vexor::cad {
namespace {

constexpr double kPi = 3.14159265358979323846;
// Sizes and measurements beyond this are not drawings but damage.
constexpr double kMaxSize = 1e12;
// Longer text overrides are cut: no dimension says that much.
constexpr std::size_t kMaxTextBytes = 4096;

double dot2(Vec2 a, Vec2 b) {
    return a.x * b.x + a.y * b.y;
}
Vec2 perp(Vec2 v) {
    return {-v.y, v.x};
}
Vec2 unit(Vec2 v, Vec2 fallback = {1, 0}) {
    const double len = length(v);
    return len > 0 && std::isfinite(len) ? v * (1 / len) : fallback;
}
Vec2 polar(double angle) {
    return {std::cos(angle), std::sin(angle)};
}
double angleOf(Vec2 v) {
    return std::atan2(v.y, v.x);
}
double normalised(double a) { // [0, 2 pi)
    a = std::fmod(a, 2 * kPi);
    return a < 0 ? a + 2 * kPi : a;
}
double ccwSweep(double from, double to) {
    return normalised(to - from);
}
bool finite(Vec3 p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// A text angle turned so that the text never reads upside down.
double readable(double angle) {
    angle = normalised(angle);
    if (angle > kPi / 2 + 1e-9 && angle <= 3 * kPi / 2 + 1e-9)
        angle -= kPi;
    return angle;
}

std::string upper(std::string_view s) {
    std::string out = asciiUpper(s);
    if (!out.empty() && out.front() == '_')
        out.erase(0, 1);
    return out;
}

// Removes the zeros a style suppresses from a number written with '.' as its separator.
std::string suppressZeros(std::string s, bool leading, bool trailing) {
    const std::size_t point = s.find('.');
    if (trailing && point != std::string::npos) {
        while (s.back() == '0')
            s.pop_back();
        if (s.back() == '.')
            s.pop_back();
    }
    if (leading) {
        const std::size_t digits = s.front() == '-' ? 1 : 0;
        if (s.size() > digits + 2 && s[digits] == '0' && s[digits + 1] == '.')
            s.erase(digits, 1);
    }
    return s;
}

std::string fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", std::clamp(decimals, 0, 8), value);
    std::string s = buffer;
    if (s == "-0" || s.find_first_not_of("-0.") == std::string::npos)
        s.erase(0, s.front() == '-' ? 1 : 0); // no "-0.00"
    return s;
}

// Inches as a whole number and a fraction with a power-of-two denominator.
std::string fraction(double inches, int precision) {
    const int denominator = 1 << std::clamp(precision, 0, 8);
    const double rounded = std::round(std::fabs(inches) * denominator);
    const long long whole = static_cast<long long>(rounded) / denominator;
    long long numerator = static_cast<long long>(rounded) % denominator;
    long long d = denominator;
    while (numerator > 0 && numerator % 2 == 0) {
        numerator /= 2;
        d /= 2;
    }
    std::string s = (inches < 0 && rounded > 0) ? "-" : "";
    if (whole > 0 || numerator == 0)
        s += std::to_string(whole);
    if (numerator > 0)
        s += (whole > 0 ? " " : "") + std::to_string(numerator) + "/" + std::to_string(d);
    return s;
}

std::string withSeparator(std::string s, char separator) {
    if (separator != '.')
        std::replace(s.begin(), s.end(), '.', separator);
    return s;
}

std::string applyPostfix(const std::string& value, const std::string& postfix) {
    const std::size_t at = postfix.find("<>");
    if (at == std::string::npos)
        return value + postfix;
    return postfix.substr(0, at) + value + postfix.substr(at + 2);
}

bool builtInArrow(const std::string& name) {
    static const char* const kNames[] = {"",          "CLOSEDFILLED", "CLOSEDBLANK", "CLOSED",
                                         "OPEN",      "OPEN30",       "OPEN90",      "INTEGRAL",
                                         "OBLIQUE",   "ARCHTICK",     "DOT",         "DOTSMALL",
                                         "DOTBLANK",  "SMALL",        "ORIGIN",      "ORIGIN2",
                                         "BOXFILLED", "BOXBLANK",     "DATUMFILLED", "DATUMBLANK",
                                         "NONE"};
    const std::string kind = upper(name);
    return std::any_of(std::begin(kNames), std::end(kNames),
                       [&](const char* n) { return kind == n; });
}

} // namespace

// Arrowhead shapes in units of the arrow size, the tip at the origin pointing along +x.
void addArrowhead(DimensionPicture& pic, const std::string& name, Vec2 tip, Vec2 direction,
                  double size) {
    if (!(size > 0))
        return;
    const Vec2 d = unit(direction) * size, n = perp(unit(direction)) * size;
    auto at = [&](double along, double across) { return tip + d * along + n * across; };
    const std::string kind = upper(name);
    using Stroke = DimensionPicture::Stroke;
    auto circle = [&](double radius, bool filled) {
        std::vector<Vec2> pts;
        appendArc(pts, tip, radius * size, 0, 2 * kPi);
        pts.pop_back();
        if (filled)
            pic.fills.push_back({pts});
        else
            pic.strokes.push_back(Stroke{pts, true});
    };
    if (kind.empty() || kind == "CLOSEDFILLED") {
        pic.fills.push_back({{tip, at(-1, 1.0 / 6), at(-1, -1.0 / 6)}});
    } else if (kind == "CLOSEDBLANK" || kind == "CLOSED") {
        pic.strokes.push_back(Stroke{{tip, at(-1, 1.0 / 6), at(-1, -1.0 / 6)}, true});
        if (kind == "CLOSED")
            pic.strokes.push_back(Stroke{{at(-1, 0), tip}});
    } else if (kind == "OPEN" || kind == "OPEN30" || kind == "OPEN90" || kind == "INTEGRAL") {
        const double half = kind == "OPEN30" ? std::tan(kPi / 12) : kind == "OPEN90" ? 1 : 1.0 / 6;
        pic.strokes.push_back(Stroke{{at(-1, half), tip, at(-1, -half)}});
    } else if (kind == "OBLIQUE") {
        pic.strokes.push_back(Stroke{{at(-0.5, -0.5), at(0.5, 0.5)}});
    } else if (kind == "ARCHTICK") {
        const double w = 0.05;
        pic.fills.push_back({{at(-0.5 + w, -0.5 - w), at(0.5 + w, 0.5 - w), at(0.5 - w, 0.5 + w),
                              at(-0.5 - w, -0.5 + w)}});
    } else if (kind == "DOT") {
        circle(0.25, true);
    } else if (kind == "DOTSMALL") {
        circle(1.0 / 16, true);
    } else if (kind == "DOTBLANK" || kind == "SMALL") {
        circle(kind == "SMALL" ? 0.125 : 0.25, false);
    } else if (kind == "ORIGIN" || kind == "ORIGIN2") {
        circle(0.5, false);
        if (kind == "ORIGIN2")
            circle(0.25, false);
    } else if (kind == "BOXFILLED" || kind == "BOXBLANK") {
        std::vector<Vec2> box{at(-0.25, -0.25), at(0.25, -0.25), at(0.25, 0.25), at(-0.25, 0.25)};
        if (kind == "BOXFILLED")
            pic.fills.push_back({box});
        else
            pic.strokes.push_back(Stroke{box, true});
    } else if (kind == "DATUMFILLED" || kind == "DATUMBLANK") {
        std::vector<Vec2> tri{at(0, 0.577), at(0, -0.577), at(-1, 0)};
        if (kind == "DATUMFILLED")
            pic.fills.push_back({tri});
        else
            pic.strokes.push_back(Stroke{tri, true});
    } else if (kind != "NONE") {
        pic.blocks.push_back({name, tip, unit(direction), size});
    }
}

namespace {

// What the dimension draws with: sizes already multiplied by the overall scale.
struct Sizes {
    double arrow, tick, extOffset, extBeyond, dimBeyond, textHeight, gap;
};

Sizes sizesOf(const DimStyle& s) {
    const double k = s.scale;
    return {s.arrowSize * k,     s.tickSize * k,   s.extensionOffset * k,   s.extensionBeyond * k,
            s.dimLineBeyond * k, s.textHeight * k, std::fabs(s.textGap) * k};
}

class Builder {
public:
    Builder(const Dimension& dim, const DimStyle& style)
        : dim_(dim), def_(*dim.definition), style_(style), size_(sizesOf(style)) {}

    DimensionPicture build() {
        for (const Vec3& p : {dim_.definitionPoint, dim_.textMidpoint, def_.point13, def_.point14,
                              def_.point15, def_.point16})
            if (!finite(p) || std::fabs(p.x) > kMaxSize || std::fabs(p.y) > kMaxSize) {
                pic_.problem = "a dimension with points out of range is not drawn";
                return std::move(pic_);
            }
        if (dim_.kind == Dimension::Kind::ArcLength)
            arcLength();
        else if (dim_.kind == Dimension::Kind::LargeRadial)
            largeRadial();
        else {
            switch (dim_.dimType) {
            case 0:
                linear(false);
                break;
            case 1:
                linear(true);
                break;
            case 2:
                angularTwoLines();
                break;
            case 3:
                diameter();
                break;
            case 4:
                radius();
                break;
            case 5:
                angularThreePoints();
                break;
            case 6:
                ordinate();
                break;
            default:
                pic_.problem = "a dimension of an unknown kind is not drawn";
                break;
            }
        }
        return std::move(pic_);
    }

private:
    Vec2 p10() const { return dim_.definitionPoint.xy(); }
    Vec2 p13() const { return def_.point13.xy(); }
    Vec2 p14() const { return def_.point14.xy(); }
    Vec2 p15() const { return def_.point15.xy(); }
    Vec2 p16() const { return def_.point16.xy(); }
    Vec2 textAt() const { return dim_.textMidpoint.xy(); }

    const std::string& arrowName(int end) const {
        if (!style_.separateArrows)
            return style_.arrow;
        return end == 1 ? style_.arrow1 : style_.arrow2;
    }

    void stroke(std::vector<Vec2> pts, DimensionPicture::Part part) {
        pic_.strokes.push_back({std::move(pts), false, part});
    }

    // The extension line from a measured point towards the end of the dimension line.
    void extension(Vec2 origin, Vec2 end, bool suppressed) {
        const Vec2 v = end - origin;
        if (suppressed || !(length(v) > size_.extOffset))
            return;
        const Vec2 w = unit(v);
        stroke({origin + w * size_.extOffset, end + w * size_.extBeyond},
               DimensionPicture::Part::Extension);
    }

    // The measured text, placed at the dimension's text point (or `fallback` when the file
    // gives none), at `angle` unless the style keeps it horizontal. Returns its width.
    double text(const std::string& measured, double angle, bool inside, Vec2 fallback,
                std::string_view prefix = {}) {
        // An override that writes the prefix itself ("R<>") gets the bare value.
        const bool prefixed =
            !prefix.empty() && dim_.text.find(std::string(prefix) + "<>") != std::string::npos;
        std::string value = dimensionText(
            dim_.text, prefixed || prefix.empty() ? measured : std::string(prefix) + measured);
        if (value.size() > kMaxTextBytes) {
            value.resize(kMaxTextBytes);
            pic_.problem = "a dimension text too long to draw is cut short";
        }
        if (value.empty() || !(size_.textHeight > 0))
            return 0;
        const bool horizontal = inside ? style_.textInsideHorizontal : style_.textOutsideHorizontal;
        double rotation = horizontal ? 0 : readable(angle);
        if (def_.hasTextRotation && def_.textRotation != 0)
            rotation = def_.textRotation;
        const Vec2 at = textGiven() ? textAt() : fallback;
        pic_.hasText = true;
        pic_.text.insert = {at.x, at.y, 0};
        pic_.text.xDirection = {std::cos(rotation), std::sin(rotation), 0};
        pic_.text.height = size_.textHeight;
        pic_.text.attachment = 5; // middle centre
        pic_.text.style = style_.textStyle;
        pic_.text.text = std::move(value);
        textAngle_ = rotation;
        return estimateTextWidth(pic_.text.text) * size_.textHeight;
    }

    bool textGiven() const {
        const Vec3& t = dim_.textMidpoint;
        return t.x != 0 || t.y != 0 || def_.textUserPlaced;
    }

    // A straight dimension line between the ends of the extension lines, with its arrowheads,
    // broken where the text sits on it and carried on to text placed beyond its ends.
    void straightDimLine(Vec2 a, Vec2 b, double textWidth) {
        const double len = length(b - a);
        const Vec2 u = unit(b - a, polar(def_.rotation));
        double from = 0, to = len;
        const bool ticks = size_.tick > 0;
        const bool room = ticks || len >= 2.4 * size_.arrow;
        if (ticks) {
            from -= size_.dimBeyond;
            to += size_.dimBeyond;
        } else if (!room) {
            from -= 2 * size_.arrow;
            to += 2 * size_.arrow;
        }
        // Text beside the line but past its ends: the line reaches under it.
        std::vector<std::pair<double, double>> gaps;
        if (pic_.hasText) {
            const Vec2 rel = textAt() - a;
            const double along = dot2(rel, u), across = std::fabs(dot2(rel, perp(u)));
            const double half = std::fabs(dot2(polar(textAngle_), u)) * textWidth / 2 + size_.gap;
            if (across < size_.textHeight * 0.6 && along > from && along < to)
                gaps.emplace_back(along - half, along + half);
            else if (across < size_.textHeight * 2) {
                if (along > to)
                    to = along - half + size_.gap;
                else if (along < from)
                    from = along + half - size_.gap;
            }
        }
        const double mid = len / 2;
        std::vector<std::pair<double, double>> pieces;
        if (!style_.suppressDimLine1)
            pieces.emplace_back(from, mid);
        if (!style_.suppressDimLine2)
            pieces.emplace_back(mid, to);
        for (auto [s, e] : pieces) {
            for (const auto& [g0, g1] : gaps) {
                if (g0 > s && g0 < e && g1 < e) {
                    stroke({a + u * s, a + u * g0}, DimensionPicture::Part::DimLine);
                    s = g1;
                } else if (g0 <= s && g1 > s) {
                    s = std::min(g1, e);
                } else if (g0 > s && g0 < e) {
                    e = g0;
                }
            }
            if (e > s)
                stroke({a + u * s, a + u * e}, DimensionPicture::Part::DimLine);
        }
        if (ticks) {
            if (!style_.suppressDimLine1)
                addArrowhead(pic_, "OBLIQUE", a, u, size_.tick * 2);
            if (!style_.suppressDimLine2)
                addArrowhead(pic_, "OBLIQUE", b, u, size_.tick * 2);
            return;
        }
        // Arrows point outwards at their ends, or inwards from outside when there is no room.
        const double out = room ? 1 : -1;
        if (!style_.suppressDimLine1)
            addArrowhead(pic_, arrowName(1), a, u * -out, size_.arrow);
        if (!style_.suppressDimLine2)
            addArrowhead(pic_, arrowName(2), b, u * out, size_.arrow);
    }

    void linear(bool aligned) {
        Vec2 dir = polar(def_.rotation);
        if (aligned)
            dir = unit(p14() - p13(), dir);
        const Vec2 n = perp(dir);
        // The ends of the dimension line: the measured points carried across to the line
        // through the definition point.
        const Vec2 a = p13() + n * dot2(p10() - p13(), n);
        const Vec2 b = p14() + n * dot2(p10() - p14(), n);
        pic_.measurement = std::fabs(dot2(p14() - p13(), dir));
        extension(p13(), a, style_.suppressExtension1);
        extension(p14(), b, style_.suppressExtension2);
        const Vec2 mid = (a + b) * 0.5;
        const double lift = style_.textAbove != 0 ? size_.gap + size_.textHeight / 2 : 0;
        const double w = text(formatLinearMeasurement(pic_.measurement, style_), angleOf(dir), true,
                              mid + perp(unit(b - a, dir)) * lift);
        straightDimLine(a, b, w);
    }

    // An arc of the dimension about `c` from angle `start` sweeping `sweep` counter-clockwise,
    // with arrowheads at its ends pointing along it.
    void dimArc(Vec2 c, double r, double start, double sweep) {
        std::vector<Vec2> pts;
        appendArc(pts, c, r, start, start + sweep);
        stroke(std::move(pts), DimensionPicture::Part::DimLine);
        const double end = start + sweep;
        const bool room = r * sweep >= 2.4 * size_.arrow;
        const double out = room ? 1 : -1;
        const Vec2 t0 = perp(polar(start)) * -out, t1 = perp(polar(end)) * out;
        if (size_.tick > 0) {
            addArrowhead(pic_, "OBLIQUE", c + polar(start) * r, t0, size_.tick * 2);
            addArrowhead(pic_, "OBLIQUE", c + polar(end) * r, t1, size_.tick * 2);
            return;
        }
        addArrowhead(pic_, arrowName(1), c + polar(start) * r, t0, size_.arrow);
        addArrowhead(pic_, arrowName(2), c + polar(end) * r, t1, size_.arrow);
    }

    // The extension line of an angular or arc dimension along the ray from `c` at `angle`,
    // from the nearer end of the measured segment [near, far] (distances along the ray) to
    // the dimension arc at radius r.
    void radialExtension(Vec2 c, double angle, double near, double far, double r, bool suppressed) {
        if (suppressed)
            return;
        const Vec2 w = polar(angle);
        if (r > far + size_.extOffset)
            stroke({c + w * (far + size_.extOffset), c + w * (r + size_.extBeyond)},
                   DimensionPicture::Part::Extension);
        else if (r < near - size_.extOffset)
            stroke({c + w * (near - size_.extOffset), c + w * (r - size_.extBeyond)},
                   DimensionPicture::Part::Extension);
    }

    void angularText(Vec2 c, double r, double start, double sweep) {
        const Vec2 mid = c + polar(start + sweep / 2) * r;
        const double at = angleOf((textGiven() ? textAt() : mid) - c);
        text(formatAngularMeasurement(sweep, style_), at - kPi / 2, true, mid);
    }

    void angularTwoLines() {
        const Vec2 a0 = p13(), a1 = p14(), b0 = p15(), b1 = p10();
        const Vec2 da = a1 - a0, db = b1 - b0;
        const double denom = da.x * db.y - da.y * db.x;
        if (!(std::fabs(denom) > 1e-12 * length(da) * length(db))) {
            pic_.problem = "an angular dimension between parallel lines is not drawn";
            return;
        }
        const double t = ((b0.x - a0.x) * db.y - (b0.y - a0.y) * db.x) / denom;
        const Vec2 c = a0 + da * t;
        const Vec2 arcPoint = p16();
        const double r = length(arcPoint - c);
        // The four rays from the corner bound four sectors; the one holding the arc point is
        // measured.
        struct Ray {
            double angle;
            int line;
        };
        std::vector<Ray> rays{{normalised(angleOf(da)), 0},
                              {normalised(angleOf(da) + kPi), 0},
                              {normalised(angleOf(db)), 1},
                              {normalised(angleOf(db) + kPi), 1}};
        std::sort(rays.begin(), rays.end(),
                  [](const Ray& x, const Ray& y) { return x.angle < y.angle; });
        const double target = normalised(angleOf(arcPoint - c));
        std::size_t k = 0;
        for (std::size_t i = 0; i < 4; ++i)
            if (ccwSweep(rays[i].angle, target) <= ccwSweep(rays[i].angle, rays[(i + 1) % 4].angle))
                k = i;
        const Ray first = rays[k], second = rays[(k + 1) % 4];
        const double sweep = ccwSweep(first.angle, second.angle);
        pic_.measurement = sweep;
        auto span = [&](const Ray& ray, double& near, double& far) {
            const Vec2 w = polar(ray.angle);
            const Vec2 p = ray.line == 0 ? a0 : b0, q = ray.line == 0 ? a1 : b1;
            near = std::max(0.0, std::min(dot2(p - c, w), dot2(q - c, w)));
            far = std::max(dot2(p - c, w), dot2(q - c, w));
        };
        double n0, f0, n1, f1;
        span(first, n0, f0);
        span(second, n1, f1);
        radialExtension(c, first.angle, n0, f0, r, style_.suppressExtension1);
        radialExtension(c, second.angle, n1, f1, r, style_.suppressExtension2);
        angularText(c, r, first.angle, sweep);
        dimArc(c, r, first.angle, sweep);
    }

    void angularThreePoints() {
        const Vec2 c = p15();
        const double a = angleOf(p13() - c), b = angleOf(p14() - c);
        const Vec2 arcPoint = p10();
        const double r = length(arcPoint - c);
        double start = a, sweep = ccwSweep(a, b);
        if (ccwSweep(a, angleOf(arcPoint - c)) > sweep) {
            start = b;
            sweep = ccwSweep(b, a);
        }
        pic_.measurement = sweep;
        const double la = length(p13() - c), lb = length(p14() - c);
        const bool fromA = start == a;
        radialExtension(c, start, fromA ? la : lb, fromA ? la : lb, r, style_.suppressExtension1);
        radialExtension(c, start + sweep, fromA ? lb : la, fromA ? lb : la, r,
                        style_.suppressExtension2);
        angularText(c, r, start, sweep);
        dimArc(c, r, start, sweep);
    }

    // A radial dimension line from `from` to the measured point `tip` on the curve, carried
    // on to text placed outside the curve.
    void radialLine(Vec2 centre, Vec2 from, Vec2 tip, double textWidth, int end) {
        const double r = length(tip - centre);
        const Vec2 u = unit(tip - centre);
        const double textAlong = dot2(textAt() - centre, u);
        if (pic_.hasText && textAlong > r + size_.arrow) {
            const double reach = std::max(r + size_.arrow, textAlong - textWidth / 2 - size_.gap);
            stroke({tip, centre + u * reach}, DimensionPicture::Part::DimLine);
            addArrowhead(pic_, arrowName(end), tip, u * -1, size_.arrow);
            return;
        }
        stroke({from, tip}, DimensionPicture::Part::DimLine);
        addArrowhead(pic_, arrowName(end), tip, u, size_.arrow);
    }

    void radius() {
        const Vec2 c = p10(), tip = p15();
        pic_.measurement = length(tip - c);
        const double w = text(formatLinearMeasurement(pic_.measurement, style_), angleOf(tip - c),
                              false, (c + tip) * 0.5, "R");
        radialLine(c, c, tip, w, 2);
    }

    void diameter() {
        const Vec2 near = p15(), far = p10(), c = (near + far) * 0.5;
        pic_.measurement = length(far - near);
        const double w = text(formatLinearMeasurement(pic_.measurement, style_),
                              angleOf(far - near), false, c, "%%c");
        const bool outside = pic_.hasText && length(textAt() - c) > pic_.measurement / 2;
        if (!outside) {
            stroke({near, far}, DimensionPicture::Part::DimLine);
            addArrowhead(pic_, arrowName(1), near, unit(near - far), size_.arrow);
            addArrowhead(pic_, arrowName(2), far, unit(far - near), size_.arrow);
            return;
        }
        // Text outside: the line leaves the circle on the text's side.
        const bool farSide = length(textAt() - far) < length(textAt() - near);
        radialLine(c, c, farSide ? far : near, w, 2);
    }

    void ordinate() {
        const Vec2 feature = p13(), leaderEnd = p14();
        pic_.measurement = std::fabs(def_.ordinateX ? feature.x - p10().x : feature.y - p10().y);
        const Vec2 v = leaderEnd - feature;
        if (length(v) > size_.extOffset)
            stroke({feature + unit(v) * size_.extOffset, leaderEnd},
                   DimensionPicture::Part::Extension);
        text(formatLinearMeasurement(pic_.measurement, style_), def_.ordinateX ? kPi / 2 : 0, false,
             leaderEnd);
    }

    void arcLength() {
        const Vec2 c = p15();
        const double a = angleOf(p13() - c), b = angleOf(p14() - c);
        const Vec2 arcPoint = length(p10() - c) > 0 ? p10() : p16();
        const double r = length(arcPoint - c);
        double start = a, sweep = ccwSweep(a, b);
        if (ccwSweep(a, angleOf(arcPoint - c)) > sweep) {
            start = b;
            sweep = ccwSweep(b, a);
        }
        const double radius = length(p13() - c);
        pic_.measurement = radius * sweep;
        radialExtension(c, start, radius, radius, r, style_.suppressExtension1);
        radialExtension(c, start + sweep, radius, radius, r, style_.suppressExtension2);
        const Vec2 mid = c + polar(start + sweep / 2) * r;
        text(formatLinearMeasurement(pic_.measurement, style_),
             angleOf((textGiven() ? textAt() : mid) - c) - kPi / 2, true, mid, "\xE2\x8C\x92");
        dimArc(c, r, start, sweep);
    }

    void largeRadial() {
        const Vec2 centre = p10(), chord = p15();
        pic_.measurement = length(chord - centre);
        text(formatLinearMeasurement(pic_.measurement, style_), angleOf(chord - centre), false,
             (centre + chord) * 0.5, "R");
        const Vec2 jog = p14(), from = p13();
        stroke({from, jog, chord}, DimensionPicture::Part::DimLine);
        addArrowhead(pic_, arrowName(2), chord, unit(chord - jog), size_.arrow);
    }

    const Dimension& dim_;
    const DimensionDefinition& def_;
    const DimStyle& style_;
    Sizes size_;
    DimensionPicture pic_;
    double textAngle_ = 0;
};

// The defaults of a metric drawing's standard style.
DimStyle metricDefaults() {
    DimStyle s;
    s.arrowSize = 2.5;
    s.extensionOffset = 0.625;
    s.extensionBeyond = 1.25;
    s.textHeight = 2.5;
    s.textGap = 0.625;
    s.decimals = 2;
    s.textAbove = 1;
    s.textInsideHorizontal = false;
    s.textOutsideHorizontal = false;
    s.zeroSuppression = 8;
    s.decimalSeparator = ',';
    return s;
}

bool sane(double v, bool mayBeZero) {
    return std::isfinite(v) && v >= 0 && v < kMaxSize && (mayBeZero || v > 0);
}

} // namespace

DimStyle effectiveDimStyle(const Drawing& drawing, const Dimension& dim, std::string& problem) {
    return effectiveDimStyle(drawing, dim.style,
                             dim.definition ? dim.definition->style.get() : nullptr, problem);
}

DimStyle effectiveDimStyle(const Drawing& drawing, std::uint32_t index, const DimStyle* overrides,
                           std::string& problem) {
    DimStyle style;
    const DimStyle defaults =
        drawing.header.measurement.value_or(0) == 1 ? metricDefaults() : DimStyle{};
    if (overrides)
        style = *overrides;
    else if (index < drawing.dimStyles.size())
        style = drawing.dimStyles[index];
    else
        style = defaults;
    bool fixedUp = false;
    auto check = [&](double& value, double fallback, bool mayBeZero) {
        if (!sane(value, mayBeZero)) {
            value = fallback;
            fixedUp = true;
        }
    };
    if (style.scale == 0) // scaled to the viewport: drawn at full size in model space
        style.scale = 1;
    check(style.scale, 1, false);
    if (style.scale * std::max(style.textHeight, style.arrowSize) > kMaxSize)
        style.scale = 1, fixedUp = true;
    check(style.arrowSize, defaults.arrowSize, true);
    check(style.textHeight, defaults.textHeight, false);
    check(style.extensionOffset, defaults.extensionOffset, true);
    check(style.extensionBeyond, defaults.extensionBeyond, true);
    check(style.dimLineBeyond, 0, true);
    check(style.tickSize, 0, true);
    check(style.rounding, 0, true);
    if (!std::isfinite(style.textGap) || std::fabs(style.textGap) >= kMaxSize)
        style.textGap = defaults.textGap, fixedUp = true;
    if (!std::isfinite(style.linearFactor) || std::fabs(style.linearFactor) >= kMaxSize ||
        style.linearFactor == 0)
        style.linearFactor = 1, fixedUp = true;
    if (style.textStyle >= drawing.textStyles.size())
        style.textStyle = kNoIndex;
    // An arrowhead block the drawing does not hold is drawn as the standard one.
    for (std::string* arrow : {&style.arrow, &style.arrow1, &style.arrow2, &style.leaderArrow})
        if (!arrowDrawable(drawing, *arrow))
            arrow->clear();
    if (fixedUp)
        problem = "dimension style \"" + style.name +
                  "\" has sizes out of range; the standard sizes are used instead";
    return style;
}

bool arrowDrawable(const Drawing& drawing, const std::string& name) {
    return builtInArrow(name) || findBlockNamed(drawing, name) != kNoIndex;
}

std::uint32_t findBlockNamed(const Drawing& drawing, std::string_view name) {
    const std::string wanted = upper(name);
    for (std::size_t i = 0; i < drawing.blocks.size(); ++i) {
        const std::string& n = drawing.blocks[i].name;
        if (n.size() == name.size() && upper(n) == wanted)
            return static_cast<std::uint32_t>(i);
    }
    return kNoIndex;
}

DimensionPicture dimensionPicture(const Dimension& dim, const DimStyle& style) {
    if (!dim.definition) {
        DimensionPicture pic;
        pic.problem = "a dimension without its definition points is not drawn";
        return pic;
    }
    return Builder(dim, style).build();
}

std::string formatLinearMeasurement(double value, const DimStyle& s) {
    value *= std::fabs(s.linearFactor);
    if (!std::isfinite(value) || std::fabs(value) >= kMaxSize)
        return "?";
    if (s.rounding > 0)
        value = std::round(value / s.rounding) * s.rounding;
    const bool leading = (s.zeroSuppression & 4) != 0, trailing = (s.zeroSuppression & 8) != 0;
    std::string text;
    switch (s.linearUnits) {
    case 1: {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.*E", std::clamp<int>(s.decimals, 0, 8), value);
        text = withSeparator(buffer, s.decimalSeparator);
        break;
    }
    case 3: { // feet and decimal inches
        const double feet = std::trunc(value / 12);
        const std::string inches =
            suppressZeros(fixed(std::fabs(value - feet * 12), s.decimals), false, trailing);
        text = fixed(feet, 0) + "'-" + withSeparator(inches, s.decimalSeparator) + "\"";
        break;
    }
    case 4: { // feet and fractional inches
        const double feet = std::trunc(value / 12);
        text = fixed(feet, 0) + "'-" + fraction(std::fabs(value - feet * 12), s.decimals) + "\"";
        break;
    }
    case 5:
        text = fraction(value, s.decimals);
        break;
    default:
        text = withSeparator(suppressZeros(fixed(value, s.decimals), leading, trailing),
                             s.decimalSeparator);
        break;
    }
    return applyPostfix(text, s.postfix);
}

std::string formatAngularMeasurement(double radians, const DimStyle& s) {
    if (!std::isfinite(radians))
        return "?";
    const bool leading = (s.angularZeroSuppression & 1) != 0;
    const bool trailing = (s.angularZeroSuppression & 2) != 0;
    const int decimals = s.angularDecimals;
    auto number = [&](double v) {
        return withSeparator(suppressZeros(fixed(v, decimals), leading, trailing),
                             s.decimalSeparator);
    };
    const double degrees = radians * 180 / kPi;
    switch (s.angularUnits) {
    case 1: { // degrees, minutes, seconds
        const long long total = std::llround(degrees * 3600);
        const long long d = total / 3600, m = total / 60 % 60, sec = total % 60;
        std::string text = std::to_string(d) + "%%d";
        if (decimals >= 1)
            text += std::to_string(m) + "'";
        if (decimals >= 3)
            text += std::to_string(sec) + "\"";
        return text;
    }
    case 2:
        return number(radians * 200 / kPi) + "g";
    case 3:
        return number(radians) + "r";
    default:
        return number(degrees) + "%%d";
    }
}

std::string dimensionText(const std::string& override, const std::string& measured) {
    if (override.empty() || override == "<>")
        return measured;
    if (override == " ")
        return {};
    std::string out;
    std::size_t from = 0;
    for (std::size_t at; (at = override.find("<>", from)) != std::string::npos; from = at + 2)
        out += override.substr(from, at - from) + measured;
    return out + override.substr(from);
}

} // namespace vexor::cad
