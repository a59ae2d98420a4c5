// R2004-family DWG files against their DXF twins: entity by entity (matched by handle, in model
// space and in blocks), the fields that drawing depends on must agree.

#include "DwgCorpusSupport.h"
#include "cad/dwg/DwgReader.h"
#include "cad/load/DrawingReader.h"
#include "support/Corpus.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>

using namespace vexor;
using namespace vexor::cad;
using namespace vexor::test;
namespace fs = std::filesystem;

namespace {

struct Twin {
    fs::path dwg, dxf;
    std::string version;
};

std::vector<Twin> r2004FamilyTwins() {
    std::vector<Twin> twins;
    const std::set<std::string> versions = {"AC1018", "AC1024", "AC1027", "AC1032"};
    for (const std::vector<std::string>& cols : test::corpusPairRows()) {
        if (cols.size() < 5 || cols[0] != "DWG+DXF" || cols[2] != cols[4] ||
            !versions.count(cols[2]) || cols[3].find("/ascii/") == std::string::npos)
            continue;
        twins.push_back({*corpusDir() / cols[1], *corpusDir() / cols[3], cols[2]});
    }
    return twins;
}

bool near(double a, double b) {
    return std::abs(a - b) <= 1e-6 * std::max({1.0, std::abs(a), std::abs(b)});
}

bool near(const Vec3& a, const Vec3& b) {
    return near(a.x, b.x) && near(a.y, b.y) && near(a.z, b.z);
}

// Angles may differ by whole turns.
bool nearAngle(double a, double b) {
    const double turns = (a - b) / (2 * M_PI);
    return std::abs(turns - std::round(turns)) < 1e-6;
}

// Collects what differs, as "KIND field" keys with a count and one example each.
class Differences {
public:
    void check(bool same, const Entity& e, const char* field) {
        ++checked_;
        if (same)
            return;
        const std::string key = std::string(dxfTypeName(e)) + " " + field;
        if (counts_[key]++ == 0) {
            std::ostringstream os;
            os << std::hex << e.common.handle;
            examples_[key] = os.str();
        }
    }
    int checked() const { return checked_; }
    bool empty() const { return counts_.empty(); }
    std::string report() const {
        std::string out;
        for (const auto& [key, n] : counts_)
            out += key + ": " + std::to_string(n) + " (handle " + examples_.at(key) + ")\n";
        return out;
    }

private:
    int checked_ = 0;
    std::map<std::string, int> counts_;
    std::map<std::string, std::string> examples_;
};

// DXF writes a line break inside MTEXT as "^J".
std::string withCaretsDecoded(std::string text) {
    for (std::size_t at = text.find("^J"); at != std::string::npos; at = text.find("^J", at))
        text.replace(at, 2, "\n");
    return text;
}

std::string layerName(const Drawing& d, const Entity& e) {
    return e.common.layer < d.layers.size() ? d.layers[e.common.layer].name : "?";
}

std::string linetypeName(const Drawing& d, std::int32_t linetype) {
    if (linetype >= 0 && static_cast<std::size_t>(linetype) < d.linetypes.size())
        return d.linetypes[static_cast<std::size_t>(linetype)].name;
    return std::to_string(linetype); // by layer, by block, continuous
}

// A DXF text without a style uses "Standard".
std::string styleName(const Drawing& d, std::uint32_t style) {
    return style < d.textStyles.size() ? d.textStyles[style].name : "Standard";
}

// Anonymous blocks ("*D", "*U" ...) are numbered by whoever writes them; only their kind is
// compared.
std::string blockName(const Drawing& d, std::uint32_t block) {
    if (block >= d.blocks.size())
        return "";
    const std::string& name = d.blocks[block].name;
    if (!name.starts_with("*"))
        return name;
    return name.substr(0, name.find_first_of("0123456789"));
}

void compareText(const Drawing& dwg, const Text& a, const Drawing& dxf, const Text& b,
                 const Entity& e, Differences& diff) {
    diff.check(a.text == b.text, e, "text");
    diff.check(styleName(dwg, a.style) == styleName(dxf, b.style), e, "style");
    diff.check(near(a.insert, b.insert), e, "insert");
    diff.check(near(a.height, b.height), e, "height");
    diff.check(nearAngle(a.rotation, b.rotation), e, "rotation");
    diff.check(near(a.widthFactor, b.widthFactor), e, "width factor");
    diff.check(a.hAlign == b.hAlign && a.vAlign == b.vAlign, e, "alignment");
    // Some DXF writers leave the alignment point out (0, 0, 0).
    if ((a.hAlign != 0 || a.vAlign != 0) && !near(b.alignPoint, Vec3{}))
        diff.check(near(a.alignPoint, b.alignPoint), e, "alignment point");
    diff.check(a.tag == b.tag, e, "tag");
}

void comparePolyline(const Polyline& a, const Polyline& b, const Entity& e, Differences& diff) {
    diff.check(a.kind == b.kind, e, "kind");
    diff.check(a.closed == b.closed, e, "closed");
    diff.check(a.vertices.size() == b.vertices.size(), e, "vertex count");
    bool same = true;
    for (std::size_t i = 0; i < std::min(a.vertices.size(), b.vertices.size()); ++i)
        same = same && near(a.vertices[i].p, b.vertices[i].p) &&
               near(a.vertices[i].bulge, b.vertices[i].bulge);
    diff.check(same, e, "vertices");
    diff.check(a.faces.size() == b.faces.size(), e, "faces");
    diff.check(near(a.constantWidth, b.constantWidth), e, "width");
}

void compareData(const Drawing& dwg, const Entity& ours, const Drawing& dxf, const Entity& theirs,
                 Differences& diff) {
    const Entity& e = ours;
    visitData(
        [&](const auto& a) {
            using T = std::decay_t<decltype(a)>;
            const T& b = dataOf<T>(theirs.data);
            if constexpr (std::is_same_v<T, Line>) {
                diff.check(near(a.a, b.a) && near(a.b, b.b), e, "points");
            } else if constexpr (std::is_same_v<T, Point>) {
                diff.check(near(a.p, b.p), e, "point");
            } else if constexpr (std::is_same_v<T, Circle>) {
                diff.check(near(a.center, b.center) && near(a.radius, b.radius), e, "circle");
            } else if constexpr (std::is_same_v<T, Arc>) {
                diff.check(near(a.center, b.center) && near(a.radius, b.radius), e, "circle");
                diff.check(nearAngle(a.startAngle, b.startAngle) &&
                               nearAngle(a.endAngle, b.endAngle),
                           e, "angles");
            } else if constexpr (std::is_same_v<T, Ellipse>) {
                diff.check(near(a.center, b.center) && near(a.majorAxis, b.majorAxis) &&
                               near(a.ratio, b.ratio),
                           e, "axes");
            } else if constexpr (std::is_same_v<T, Polyline>) {
                comparePolyline(a, b, e, diff);
            } else if constexpr (std::is_same_v<T, Spline>) {
                diff.check(a.data.degree == b.data.degree, e, "degree");
                // A DXF writer may turn a spline stored by fit points into control points.
                if (!a.data.controlPoints.empty() || b.data.controlPoints.empty())
                    diff.check(a.data.fitPoints.size() == b.data.fitPoints.size(), e, "fit points");
                if (!a.data.controlPoints.empty())
                    diff.check(a.data.controlPoints.size() == b.data.controlPoints.size() &&
                                   a.data.knots.size() == b.data.knots.size(),
                               e, "control points");
            } else if constexpr (std::is_same_v<T, Text>) {
                compareText(dwg, a, dxf, b, e, diff);
            } else if constexpr (std::is_same_v<T, MText>) {
                diff.check(a.text == withCaretsDecoded(b.text), e, "text");
                diff.check(near(a.insert, b.insert), e, "insert");
                diff.check(near(a.height, b.height), e, "height");
                diff.check(near(a.referenceWidth, b.referenceWidth), e, "width");
                diff.check(a.attachment == b.attachment, e, "attachment");
                diff.check(styleName(dwg, a.style) == styleName(dxf, b.style), e, "style");
            } else if constexpr (std::is_same_v<T, Solid> || std::is_same_v<T, Face3d>) {
                bool same = true;
                for (int i = 0; i < 4; ++i)
                    same = same && near(a.corners[i], b.corners[i]);
                diff.check(same, e, "corners");
            } else if constexpr (std::is_same_v<T, Insert>) {
                diff.check(blockName(dwg, a.block) == blockName(dxf, b.block), e, "block");
                diff.check(near(a.insert, b.insert), e, "insert");
                diff.check(near(a.scale, b.scale), e, "scale");
                diff.check(nearAngle(a.rotation, b.rotation), e, "rotation");
                diff.check(a.columns == b.columns && a.rows == b.rows, e, "grid");
                diff.check(a.attributes.size() == b.attributes.size(), e, "attribute count");
                for (std::size_t i = 0; i < std::min(a.attributes.size(), b.attributes.size()); ++i)
                    compareText(dwg, a.attributes[i].text, dxf, b.attributes[i].text, e, diff);
            } else if constexpr (std::is_same_v<T, Hatch>) {
                diff.check(a.solid == b.solid, e, "solid");
                diff.check(a.patternName == b.patternName, e, "pattern");
                diff.check(a.loops.size() == b.loops.size(), e, "loops");
                diff.check(a.patternLines.size() == b.patternLines.size(), e, "pattern lines");
            } else if constexpr (std::is_same_v<T, Dimension>) {
                diff.check(blockName(dwg, a.block) == blockName(dxf, b.block), e, "block");
                diff.check(a.text == b.text, e, "text");
                diff.check(a.dimType == b.dimType, e, "type");
                diff.check(a.kind == b.kind, e, "kind");
                diff.check(near(a.definitionPoint, b.definitionPoint), e, "definition point");
            } else if constexpr (std::is_same_v<T, Leader>) {
                // DXF writers add the hook line's start as a point of its own.
                diff.check(a.points.size() == b.points.size() ||
                               a.points.size() + 1 == b.points.size(),
                           e, "points");
                diff.check(a.arrowhead == b.arrowhead, e, "arrowhead");
            } else if constexpr (std::is_same_v<T, Shape>) {
                diff.check(near(a.insert, b.insert) && near(a.size, b.size) &&
                               nearAngle(a.rotation, b.rotation),
                           e, "shape placement");
            } else if constexpr (std::is_same_v<T, Ray>) {
                diff.check(near(a.base, b.base) && near(a.direction, b.direction), e, "ray");
            } else if constexpr (std::is_same_v<T, Underlay>) {
                diff.check(a.kind == b.kind && near(a.origin, b.origin) && near(a.scale, b.scale) &&
                               nearAngle(a.rotation, b.rotation),
                           e, "underlay placement");
                diff.check(a.clip.size() == b.clip.size(), e, "underlay clip");
            } else if constexpr (std::is_same_v<T, MultiLeader>) {
                diff.check(a.data->branches.size() == b.data->branches.size() &&
                               a.data->text.text == b.data->text.text &&
                               a.data->block == b.data->block,
                           e, "multileader");
            } else if constexpr (std::is_same_v<T, ImageFrame>) {
                diff.check(near(a.origin, b.origin) && near(a.uPixel, b.uPixel), e, "frame");
                // DXF repeats the first clip point at the end, and gives the whole frame as
                // a clip where the DWG just switches clipping off.
                if (!a.clip.empty())
                    diff.check(a.clip.size() == b.clip.size() || a.clip.size() + 1 == b.clip.size(),
                               e, "clip");
            }
        },
        ours.data);
}

void compareEntity(const Drawing& dwg, const Entity& ours, const Drawing& dxf, const Entity& theirs,
                   Differences& diff) {
    // What the DXF reader leaves unsupported (tables, for one) may still be drawn from DWG.
    if (holds<Unsupported>(theirs.data))
        return;
    // A kind the DWG draws from its proxy picture where the DXF reads the entity itself.
    if (holds<StandIn>(ours.data) && !holds<StandIn>(theirs.data))
        return;
    diff.check(ours.data.index() == theirs.data.index(), ours, "kind");
    if (ours.data.index() != theirs.data.index())
        return;
    // Some twins were re-saved with layers the DWG does not have.
    const std::string theirLayer = layerName(dxf, theirs);
    if (std::any_of(dwg.layers.begin(), dwg.layers.end(),
                    [&](const Layer& l) { return l.name == theirLayer; }))
        diff.check(layerName(dwg, ours) == theirLayer, ours, "layer");
    // The DXF reader takes some unsupported entities' own colour fields for the entity colour,
    // and a gradient fill read from DWG shows in its first colour.
    const bool gradient = holds<Hatch>(ours.data) && ours.common.color.kind == Color::Kind::True &&
                          theirs.common.color.kind != Color::Kind::True;
    if (!gradient && !holds<Unsupported>(ours.data) && !holds<StandIn>(ours.data))
        diff.check(ours.common.color == theirs.common.color, ours, "colour");
    // DXF writers may leave out a "default" lineweight, which then reads as by layer.
    diff.check(ours.common.lineweight == theirs.common.lineweight ||
                   (ours.common.lineweight == kLineweightDefault &&
                    theirs.common.lineweight == kLineweightByLayer),
               ours, "lineweight");
    diff.check(ours.common.invisible == theirs.common.invisible, ours, "invisibility");
    diff.check(linetypeName(dwg, ours.common.linetype) == linetypeName(dxf, theirs.common.linetype),
               ours, "linetype");
    diff.check(near(ours.common.linetypeScale, theirs.common.linetypeScale), ours,
               "linetype scale");
    diff.check(near(ours.common.thickness(), theirs.common.thickness()), ours, "thickness");
    diff.check(near(ours.common.extrusion(), theirs.common.extrusion()), ours, "extrusion");
    compareData(dwg, ours, dxf, theirs, diff);
}

// Model space and every block's entities.
template <class Visit> void forEachEntity(const Drawing& d, Visit visit) {
    for (const Entity& e : d.modelSpace)
        visit(e);
    for (const Block& b : d.blocks)
        for (const Entity& e : b.entities)
            visit(e);
}

TEST(R2004EntityFields, EntitiesMatchTheirDxfTwins) {
    VEXOR_REQUIRE_CORPUS();
    std::set<std::string> versionsSeen;
    for (const Twin& twin : r2004FamilyTwins()) {
        SCOPED_TRACE(twin.dwg.filename().string());
        const Drawing dwg = readDrawingFile(twin.dwg.string());
        const Drawing dxf = readDrawingFile(twin.dxf.string());
        std::map<std::uint64_t, const Entity*> byHandle;
        forEachEntity(dxf, [&](const Entity& e) { byHandle[e.common.handle] = &e; });
        Differences diff;
        std::size_t matched = 0;
        forEachEntity(dwg, [&](const Entity& e) {
            const auto it = byHandle.find(e.common.handle);
            if (it == byHandle.end())
                return;
            ++matched;
            compareEntity(dwg, e, dxf, *it->second, diff);
        });
        // Paper-space blocks are not read from DWG; model space must be found nearly whole.
        std::size_t modelMatched = 0;
        for (const Entity& e : dwg.modelSpace)
            modelMatched += byHandle.count(e.common.handle);
        EXPECT_GE(modelMatched * 10, dxf.modelSpace.size() * 9)
            << modelMatched << " of " << dxf.modelSpace.size();
        EXPECT_TRUE(diff.empty()) << diff.report();
        RecordProperty(twin.dwg.filename().string(), std::to_string(matched) + " entities, " +
                                                         std::to_string(diff.checked()) +
                                                         " fields");
        if (matched > 0)
            versionsSeen.insert(twin.version);
    }
    EXPECT_EQ(versionsSeen.size(), 4u) << "twins of every R2004-family release";
}

} // namespace
