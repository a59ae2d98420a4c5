#include "SatReader.h"

#include "../curves/Tessellate.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <span>

namespace vexor::cad::acis {
namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kHuge = 1e15;    // coordinates beyond this are damage, not geometry
constexpr int kMaxOwnerSteps = 8; // coedge -> loop -> face -> shell -> lump -> body

bool isSpace(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

using Record = SatRecord;

std::optional<double> number(std::string_view t) {
    double v = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

bool isRef(std::string_view t) {
    return t.size() >= 2 && t[0] == '$';
}

// The record index a "$N" token names; -1 for "$-1" or anything else.
long refIndex(std::string_view t) {
    long v = -1;
    if (!isRef(t))
        return -1;
    const auto [end, ec] = std::from_chars(t.data() + 1, t.data() + t.size(), v);
    return ec == std::errc() && end == t.data() + t.size() && v >= 0 ? v : -1;
}

// Splits SAT text into records after the header lines. Counted strings ("@7 unknown")
// become one token; a record ends at "#"; the end marker ends the data.
class Tokenizer {
public:
    explicit Tokenizer(std::string_view text) : text_(text) {}

    // The version number of the first header line (400, 700, 20800 ...), 0 when unreadable.
    int version() {
        const std::string_view first = token();
        int v = 0;
        std::from_chars(first.data(), first.data() + first.size(), v);
        return v;
    }
    void skipLines(int n) {
        while (n > 0 && pos_ < text_.size())
            if (text_[pos_++] == '\n')
                --n;
    }
    // The header: its first line, then the product and units lines that ACIS writes from
    // version 2 on (version 1 files, as R13 and R14 keep them, have none). Those begin with a
    // number or a counted string; a record begins with its name (or "-N", its number).
    void skipHeader() {
        skipLines(1);
        for (int line = 0; line < 2; ++line) {
            std::size_t p = pos_;
            while (p < text_.size() && isSpace(text_[p]))
                ++p;
            if (p >= text_.size() || !((text_[p] >= '0' && text_[p] <= '9') || text_[p] == '@'))
                return;
            skipLines(1);
        }
    }
    bool atEnd() {
        skipSpace();
        return pos_ >= text_.size();
    }
    std::string_view token() {
        skipSpace();
        const std::size_t start = pos_;
        if (pos_ < text_.size() && text_[pos_] == '@') {
            // A counted string: "@N" then a space and N characters.
            std::size_t end = pos_ + 1;
            while (end < text_.size() && !isSpace(text_[end]))
                ++end;
            std::size_t n = 0;
            std::from_chars(text_.data() + pos_ + 1, text_.data() + end, n);
            pos_ = std::min(text_.size(), end + 1 + std::min(n, text_.size()));
            return text_.substr(start, pos_ - start);
        }
        while (pos_ < text_.size() && !isSpace(text_[pos_]))
            ++pos_;
        return text_.substr(start, pos_ - start);
    }

private:
    void skipSpace() {
        while (pos_ < text_.size() && isSpace(text_[pos_]))
            ++pos_;
    }
    std::string_view text_;
    std::size_t pos_ = 0;
};

std::vector<Record> readRecords(std::string_view text, int& version) {
    Tokenizer tokens(text);
    version = tokens.version();
    tokens.skipHeader();
    std::vector<Record> records;
    std::size_t tokenCount = 0;
    while (!tokens.atEnd() && records.size() < kMaxSatRecords) {
        Record r;
        r.name = tokens.token();
        // Files written with record numbers put "-N" before each name.
        if (r.name.size() > 1 && r.name[0] == '-' && number(r.name))
            r.name = tokens.token();
        if (r.name.starts_with("End-of-") || r.name.empty())
            break;
        for (;;) {
            std::string_view t = tokens.token();
            if (t.empty() || ++tokenCount > 16 * kMaxSatRecords)
                return records;
            if (t == "#")
                break;
            if (t.back() == '#' && t[0] != '@') {
                r.tokens.push_back(t.substr(0, t.size() - 1));
                break;
            }
            r.tokens.push_back(t);
        }
        records.push_back(std::move(r));
    }
    return records;
}

// Where the ACIS data of a kind starts: SAT of version 7 and later writes a history number and
// (except in transforms) one more reference after the attribute reference.
struct Layout {
    bool extended = false;

    std::span<const std::string_view> fields(const Record& r) const {
        std::span<const std::string_view> t(r.tokens);
        if (t.empty())
            return t;
        t = t.subspan(1); // the attribute
        if (extended) {
            if (!t.empty() && !isRef(t[0]))
                t = t.subspan(1);
            if (r.name != "transform" && !t.empty() && isRef(t[0]))
                t = t.subspan(1);
        }
        return t;
    }
};

std::vector<long> refs(std::span<const std::string_view> fields) {
    std::vector<long> out;
    for (std::string_view t : fields)
        if (isRef(t) || t == "$-1")
            out.push_back(refIndex(t));
    return out;
}

std::string_view kindOf(std::string_view name) {
    return name.substr(0, name.find('-'));
}

// p' = (x*row1 + y*row2 + z*row3) * scale + translation.
struct Transform {
    Vec3 rows[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    Vec3 translation;
    double scale = 1;
    Vec3 apply(Vec3 p) const {
        return (rows[0] * p.x + rows[1] * p.y + rows[2] * p.z) * scale + translation;
    }
};

bool usable(Vec3 p) {
    // NaN and infinity fail these comparisons too.
    return std::abs(p.x) < kHuge && std::abs(p.y) < kHuge && std::abs(p.z) < kHuge;
}

std::optional<Vec3> vec3(std::span<const std::string_view> f, std::size_t at) {
    if (f.size() < at + 3)
        return std::nullopt;
    const auto x = number(f[at]), y = number(f[at + 1]), z = number(f[at + 2]);
    if (!x || !y || !z)
        return std::nullopt;
    return Vec3{*x, *y, *z};
}

class EdgeExtractor {
public:
    EdgeExtractor(const std::vector<Record>& records, Layout layout)
        : records_(records), layout_(layout) {}

    SatEdges run() {
        collectBodies();
        for (std::size_t i = 0; i < records_.size(); ++i)
            if (records_[i].name == "edge")
                addEdge(records_[i]);
        return std::move(out_);
    }

private:
    const Record* at(long index) const {
        return index >= 0 && static_cast<std::size_t>(index) < records_.size() ? &records_[index]
                                                                               : nullptr;
    }

    void collectBodies() {
        for (std::size_t i = 0; i < records_.size(); ++i) {
            if (records_[i].name != "body")
                continue;
            Transform t;
            const std::vector<long> r = refs(layout_.fields(records_[i]));
            if (r.size() >= 3)
                if (const Record* tr = at(r[2]); tr && tr->name == "transform")
                    t = readTransform(*tr);
            bodies_.push_back({static_cast<long>(i), t});
        }
    }

    Transform readTransform(const Record& r) const {
        Transform t;
        const auto f = layout_.fields(r);
        for (int row = 0; row < 3; ++row)
            if (auto v = vec3(f, row * 3))
                t.rows[row] = *v;
        if (auto v = vec3(f, 9))
            t.translation = *v;
        if (f.size() > 12)
            if (auto s = number(f[12]); s && *s > 0)
                t.scale = *s;
        return t;
    }

    // The transform of the body owning an edge, found through its coedge and the loops, faces,
    // shells and lumps above it; with one body, that body's.
    Transform transformOf(long coedge) const {
        if (bodies_.size() == 1)
            return bodies_.front().transform;
        long at = coedge;
        static constexpr std::pair<std::string_view, std::size_t> kOwner[] = {
            {"coedge", 4}, {"loop", 2}, {"face", 2}, {"shell", 4}, {"lump", 2}, {"wire", 2}};
        for (int step = 0; step < kMaxOwnerSteps; ++step) {
            const Record* r = this->at(at);
            if (!r)
                break;
            if (r->name == "body") {
                for (const Body& b : bodies_)
                    if (b.record == at)
                        return b.transform;
                break;
            }
            const auto owner = std::find_if(std::begin(kOwner), std::end(kOwner),
                                            [&](const auto& o) { return o.first == r->name; });
            const std::vector<long> rs = refs(layout_.fields(*r));
            if (owner == std::end(kOwner) || rs.size() <= owner->second)
                break;
            at = rs[owner->second];
        }
        return bodies_.empty() ? Transform{} : bodies_.front().transform;
    }

    // The edge's sense follows its curve reference (the fourth): "reversed" in text, a true
    // logical in binary data.
    static bool senseReversed(std::span<const std::string_view> f) {
        int seen = 0;
        for (std::size_t i = 0; i + 1 < f.size(); ++i)
            if (isRef(f[i]) && ++seen == 4)
                return f[i + 1] == "reversed" || f[i + 1] == kSabTrue;
        return false;
    }

    std::optional<Vec3> vertexPoint(long vertex) const {
        const Record* v = at(vertex);
        if (!v || v->name != "vertex")
            return std::nullopt;
        const std::vector<long> r = refs(layout_.fields(*v));
        if (r.empty())
            return std::nullopt;
        const Record* p = at(r.back());
        if (!p || p->name != "point")
            return std::nullopt;
        auto pt = vec3(layout_.fields(*p), 0);
        return pt && usable(*pt) ? pt : std::nullopt;
    }

    void addEdge(const Record& edge) {
        ++out_.edges;
        const auto f = layout_.fields(edge);
        const std::vector<long> r = refs(f);
        if (r.size() < 4) {
            ++out_.unreadable;
            return;
        }
        const std::optional<Vec3> a = vertexPoint(r[0]), b = vertexPoint(r[1]);
        const bool reversed = senseReversed(f);
        const Record* curve = at(r[3]);
        const Transform t = transformOf(r[2]);
        std::vector<Vec3> pts;
        bool drawn = false;
        if (curve && a && b) {
            const std::string_view kind = kindOf(curve->name);
            if (kind == "straight") {
                pts = {*a, *b};
                drawn = true;
            } else if (kind == "ellipse") {
                drawn = ellipse(*curve, *a, *b, r[0] == r[1], reversed, pts);
            } else if (kind == "intcurve") {
                drawn = spline(*curve, *a, *b, r[0] == r[1], pts);
            }
        }
        if (!drawn) {
            if (!a || !b) {
                ++out_.unreadable;
                return;
            }
            ++out_.approximated;
            pts = {*a, *b};
        }
        if (pts.size() < 2 || (pts.size() == 2 && pts[0].x == pts[1].x && pts[0].y == pts[1].y &&
                               pts[0].z == pts[1].z))
            return;
        if (points_ + pts.size() > kMaxSatPoints) {
            ++out_.unreadable;
            return;
        }
        points_ += pts.size();
        for (Vec3& p : pts)
            p = t.apply(p);
        out_.curves.push_back(std::move(pts));
    }

    // An arc of the ellipse center + major cos s + (normal x major) ratio sin s between the
    // edge's vertices (the whole curve when they are one), along the curve's direction unless
    // the edge runs against it.
    bool ellipse(const Record& curve, Vec3 a, Vec3 b, bool closed, bool reversed,
                 std::vector<Vec3>& out) const {
        const auto f = layout_.fields(curve);
        const auto c = vec3(f, 0), n = vec3(f, 3), major = vec3(f, 6);
        std::optional<double> ratio;
        if (f.size() > 9)
            ratio = number(f[9]);
        if (!c || !n || !major || !ratio || !usable(*c) || !usable(*major))
            return false;
        const double nl = length(*n), ml = length(*major);
        if (!(nl > 0) || !(ml > 0) || !(*ratio > 0) || *ratio > 1e6)
            return false;
        const Vec3 minor = cross(*n * (1.0 / nl), *major) * *ratio;
        const double minorLength = length(minor);
        if (!(minorLength > 0))
            return false;
        auto param = [&](Vec3 p) {
            const Vec3 d = p - *c;
            return std::atan2(dot(d, minor) / (minorLength * minorLength),
                              dot(d, *major) / (ml * ml));
        };
        double s0 = param(reversed ? b : a), s1 = param(reversed ? a : b);
        double sweep = closed ? kTwoPi : s1 - s0;
        while (sweep <= 0)
            sweep += kTwoPi;
        const int n_ = std::max(4, static_cast<int>(std::ceil(kSegmentsPerTurn * sweep / kTwoPi)));
        out.reserve(n_ + 1);
        for (int i = 0; i <= n_; ++i) {
            const double s = s0 + sweep * i / n_;
            out.push_back(*c + *major * std::cos(s) + minor * std::sin(s));
        }
        return true;
    }

    // The B-spline approximation stored in an intcurve ("{ exactcur nubs 3 open 4 0 3 1 3 ...").
    // Knots are given as value and multiplicity with one fewer at each end than usual, so the
    // curve has (sum of multiplicities - degree + 1) control points, with a weight each when
    // rational. The part between the edge's vertices is drawn.
    bool spline(const Record& curve, Vec3 a, Vec3 b, bool closed, std::vector<Vec3>& out) const {
        const auto f = layout_.fields(curve);
        std::size_t i = 0;
        while (i < f.size() && f[i] != "{")
            ++i;
        // The brace, the subtype's name and, in later versions, a word ("full") before the
        // spline's kind.
        const std::size_t first = i;
        while (i < f.size() && i < first + 4 && f[i] != "nubs" && f[i] != "nurbs")
            ++i;
        if (i + 3 >= f.size() || (f[i] != "nubs" && f[i] != "nurbs"))
            return false;
        const bool rational = f[i] == "nurbs";
        ++i;
        const auto degree = number(f[i++]);
        if (!degree || *degree < 1 || *degree > 25 || i >= f.size())
            return false;
        if (!number(f[i]))
            ++i; // open, closed or periodic
        const auto knotCount = i < f.size() ? number(f[i++]) : std::nullopt;
        if (!knotCount || *knotCount < 2 || *knotCount > 100000 ||
            i + 2 * static_cast<std::size_t>(*knotCount) > f.size())
            return false;
        SplineData s;
        s.degree = static_cast<int>(*degree);
        s.rational = rational;
        for (std::size_t k = 0; k < static_cast<std::size_t>(*knotCount); ++k) {
            const auto value = number(f[i++]), mult = number(f[i++]);
            if (!value || !mult || *mult < 1 || *mult > s.degree + 1)
                return false;
            for (int m = 0; m < static_cast<int>(*mult); ++m)
                s.knots.push_back(*value);
        }
        s.knots.insert(s.knots.begin(), s.knots.front());
        s.knots.push_back(s.knots.back());
        const std::size_t count = s.knots.size() - static_cast<std::size_t>(s.degree) - 1;
        const std::size_t stride = rational ? 4 : 3;
        if (count < 2 || i + count * stride > f.size())
            return false;
        for (std::size_t k = 0; k < count; ++k, i += stride) {
            const auto p = vec3(f, i);
            if (!p || !usable(*p))
                return false;
            s.controlPoints.push_back(*p);
            if (rational) {
                const auto w = number(f[i + 3]);
                if (!w || !(*w > 0))
                    return false;
                s.weights.push_back(*w);
            }
        }
        if (!rational)
            s.weights.clear();
        std::vector<Vec3> all = tessellateSpline(s);
        if (all.size() < 2)
            return false;
        if (closed) {
            out = std::move(all);
            return true;
        }
        auto nearest = [&](Vec3 p) {
            std::size_t best = 0;
            double bestDistance = INFINITY;
            for (std::size_t k = 0; k < all.size(); ++k)
                if (const double d = length(all[k] - p); d < bestDistance)
                    bestDistance = d, best = k;
            return best;
        };
        const std::size_t ia = nearest(a), ib = nearest(b);
        if (ia == ib) {
            out = {a, b};
            return true;
        }
        const std::size_t from = std::min(ia, ib), to = std::max(ia, ib);
        out.assign(all.begin() + static_cast<long>(from), all.begin() + static_cast<long>(to) + 1);
        out.front() = ia == from ? a : b;
        out.back() = ia == from ? b : a;
        return true;
    }

    struct Body {
        long record;
        Transform transform;
    };
    const std::vector<Record>& records_;
    Layout layout_;
    std::vector<Body> bodies_;
    std::size_t points_ = 0;
    SatEdges out_;
};

} // namespace

std::string decodeSatCharacters(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (const auto u = static_cast<unsigned char>(c); u > ' ' && u < 159)
            c = static_cast<char>(159 - u);
    return out;
}

bool satLooksEncoded(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    return start != std::string_view::npos && !(text[start] >= '0' && text[start] <= '9');
}

bool isBinarySat(std::string_view data) {
    return data.starts_with("ACIS BinaryFile") || data.starts_with("ASM BinaryFile");
}

SatEdges readSatEdges(std::string_view text) {
    int version = 0;
    return satEdgesFromRecords(readRecords(text, version), version);
}

SatEdges satEdgesFromRecords(const std::vector<SatRecord>& records, int version) {
    if (records.empty()) {
        SatEdges none;
        none.problem = version == 0 ? "the modeler data is not readable" : "no modeler records";
        return none;
    }
    // Version 7 and later write a history number after each record's attribute reference;
    // the body (always present) shows which layout the file has.
    Layout layout;
    for (const Record& r : records)
        if (r.name == "body") {
            layout.extended = r.tokens.size() > 1 && !isRef(r.tokens[1]);
            break;
        }
    return EdgeExtractor(records, layout).run();
}

} // namespace vexor::cad::acis
