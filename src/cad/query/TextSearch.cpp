#include "TextSearch.h"

#include "../curves/Ocs.h"
#include "../geometry/DimensionGeometry.h"
#include "../geometry/DisplayList.h"
#include "../geometry/PolygonClip.h"
#include "../text/TextLayout.h"

#include <cmath>

namespace vexor::cad {
namespace {

// Texts gathered from one drawing; caps the copies a drawing of many references makes.
constexpr std::size_t kMaxTexts = 4'000'000;

std::string joinedMText(std::string_view text, double height) {
    std::string out;
    for (const MTextLine& line : parseMText(text, height > 0 ? height : 1, 0)) {
        if (line.text.empty())
            continue;
        if (!out.empty())
            out += ' ';
        out += line.text;
    }
    return out;
}

// The dimension's text as drawn: from its definition points when it has them (the picture
// measures and formats as it draws), else its stored measurement in its style's format, with
// the kind's prefix, put into its override.
std::string dimensionShownText(const Dimension& dim, const DimStyle& style) {
    if (dim.definition) {
        const DimensionPicture picture = dimensionPicture(dim, style);
        if (picture.hasText)
            return joinedMText(picture.text.text, 1);
    }
    std::string measured;
    switch (dim.dimType & 0x07) {
    case 2:
    case 5:
        measured = formatAngularMeasurement(dim.measurement, style);
        break;
    case 3:
        measured = "%%c" + formatLinearMeasurement(dim.measurement, style);
        break;
    case 4:
        measured = "R" + formatLinearMeasurement(dim.measurement, style);
        break;
    default:
        measured = formatLinearMeasurement(dim.measurement, style);
        break;
    }
    return joinedMText(expandTextCodes(dimensionText(dim.text, measured)), 1);
}

class Collector {
public:
    explicit Collector(const Drawing& drawing)
        : drawing_(drawing), blockHasText_(drawing.blocks.size(), kUnknown) {}

    std::vector<SearchableText> run() {
        for (const Entity& e : drawing_.modelSpace)
            entity(e, Affine2{}, -1, kNoIndex, nullptr, 0);
        for (std::size_t i = 0; i < drawing_.layouts.size(); ++i) {
            const std::uint32_t block = drawing_.layouts[i].block;
            if (block >= drawing_.blocks.size())
                continue;
            for (const Entity& e : drawing_.blocks[block].entities)
                entity(e, Affine2{}, static_cast<std::int32_t>(i), kNoIndex, nullptr, 0);
        }
        return std::move(out_);
    }

private:
    static constexpr char kUnknown = 2;

    // `inheritLayer`: the layer that items on layer "0" take (the reference's), or kNoIndex.
    // `kindOverride`: the kind every text found here is listed as (TABLE cells), or null.
    void entity(const Entity& e, const Affine2& t, std::int32_t layout, std::uint32_t inheritLayer,
                const char* kindOverride, int depth) {
        if (out_.size() >= kMaxTexts || e.common.invisible)
            return;
        const std::uint32_t layer = layerOf(e.common, inheritLayer);
        const double scale = std::sqrt(std::fabs(t.determinant()));
        if (const Text* text = dataIf<Text>(&e.data)) {
            // Attribute definitions inside blocks are drawn only through their attributes.
            if (text->kind == TextKind::AttributeDefinition && depth > 0)
                return;
            const std::string& shown =
                text->kind == TextKind::AttributeDefinition ? text->tag.str() : text->text;
            const Affine2 plane =
                OcsFrame::fromExtrusion(e.common.extrusion()).planeToWorld(text->insert.z);
            add(expandTextCodes(shown), kindOverride ? kindOverride : dxfTypeName(e), layer, layout,
                t.map(plane.map(text->insert.xy())), text->height * scale);
        } else if (const MText* mtext = dataIf<MText>(&e.data)) {
            add(joinedMText(mtext->text, mtext->height), kindOverride ? kindOverride : "MTEXT",
                layer, layout, t.map(mtext->insert.xy()), mtext->height * scale);
        } else if (const Dimension* dim = dataIf<Dimension>(&e.data)) {
            std::string problem;
            const DimStyle style = effectiveDimStyle(drawing_, *dim, problem);
            add(dimensionShownText(*dim, style), "DIMENSION", layer, layout,
                t.map(dim->textMidpoint.xy()), style.textHeight * style.scale * scale);
        } else if (const MultiLeader* leader = dataIf<MultiLeader>(&e.data)) {
            if (!leader->data)
                return;
            const MultiLeaderData& d = *leader->data;
            if (d.hasText)
                add(joinedMText(d.text.text, d.text.height), "MULTILEADER", layer, layout,
                    t.map(d.text.insert.xy()), d.text.height * scale);
            for (const MultiLeaderAttribute& a : d.attributes)
                add(expandTextCodes(a.text), "MULTILEADER", layer, layout,
                    t.map(d.blockPosition.xy()), d.text.height * scale);
        } else if (const Insert* insert = dataIf<Insert>(&e.data)) {
            for (const AttributeEntity& a : insert->attributes) {
                if (a.common.invisible)
                    continue;
                const Affine2 plane =
                    OcsFrame::fromExtrusion(a.common.extrusion()).planeToWorld(a.text.insert.z);
                add(expandTextCodes(a.text.text), "ATTRIB", layerOf(a.common, inheritLayer), layout,
                    t.map(plane.map(a.text.insert.xy())), a.text.height * scale);
            }
            if (insert->block >= drawing_.blocks.size() || depth >= kMaxInsertDepth ||
                !hasText(insert->block, 0))
                return;
            const Block& block = drawing_.blocks[insert->block];
            const Affine2 plane =
                OcsFrame::fromExtrusion(e.common.extrusion()).planeToWorld(insert->insert.z);
            const Affine2 placed = t * plane *
                                   Affine2::translate(insert->insert.x, insert->insert.y) *
                                   Affine2::rotate(insert->rotation) *
                                   Affine2::scale(insert->scale.x, insert->scale.y) *
                                   Affine2::translate(-block.base.x, -block.base.y);
            const char* kind = insert->table ? "TABLE" : kindOverride;
            // A clipped insert shows only what lies inside its boundary.
            if (!insert->clip.empty()) {
                clips_.emplace_back();
                for (Vec2 p : insert->clip)
                    clips_.back().push_back(placed.map(p));
            }
            for (const Entity& inner : block.entities)
                entity(inner, placed, layout, layer, kind, depth + 1);
            if (!insert->clip.empty())
                clips_.pop_back();
        } else if (const StandIn* standIn = dataIf<StandIn>(&e.data)) {
            if (standIn->data)
                for (const Entity& part : standIn->data->entities)
                    entity(part, t, layout, inheritLayer, kindOverride, depth + 1);
        }
    }

    std::uint32_t layerOf(const EntityCommon& common, std::uint32_t inheritLayer) const {
        if (inheritLayer != kNoIndex && common.layer < drawing_.layers.size() &&
            drawing_.layers[common.layer].name == "0")
            return inheritLayer;
        return common.layer;
    }

    // Whether a block shows any text, through its own references too (memoised; cycles and
    // deep nesting count as none).
    bool hasText(std::uint32_t block, int depth) {
        char& known = blockHasText_[block];
        if (known != kUnknown)
            return known != 0;
        if (depth >= kMaxInsertDepth)
            return false;
        known = 0; // a cycle back to this block finds nothing
        bool found = false;
        for (const Entity& e : drawing_.blocks[block].entities) {
            if (holds<Text>(e.data) || holds<MText>(e.data) || holds<Dimension>(e.data) ||
                holds<MultiLeader>(e.data) || holds<StandIn>(e.data)) {
                found = true;
            } else if (const Insert* insert = dataIf<Insert>(&e.data)) {
                found = !insert->attributes.empty() || (insert->block < drawing_.blocks.size() &&
                                                        hasText(insert->block, depth + 1));
            }
            if (found)
                break;
        }
        known = found ? 1 : 0;
        return found;
    }

    void add(std::string text, const char* kind, std::uint32_t layer, std::int32_t layout, Vec2 at,
             double height) {
        if (text.empty())
            return;
        for (const std::vector<Vec2>& clip : clips_)
            if (!insidePolygon(at, clip))
                return;
        out_.push_back({std::move(text), kind, layer, layout, at, height});
    }

    const Drawing& drawing_;
    std::vector<char> blockHasText_;
    std::vector<std::vector<Vec2>> clips_; // of the clipped inserts being walked, in the world
    std::vector<SearchableText> out_;
};

// Decodes UTF-8 into code points folded to lower case (ASCII, Latin-1, Latin Extended-A,
// Greek and Cyrillic); bytes that are not UTF-8 stand for themselves.
std::u32string folded(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        char32_t c = b;
        std::size_t n = 1;
        if (b >= 0xC0 && b < 0xE0 && i + 1 < s.size())
            c = (b & 0x1Fu) << 6 | (static_cast<unsigned char>(s[i + 1]) & 0x3Fu), n = 2;
        else if (b >= 0xE0 && b < 0xF0 && i + 2 < s.size())
            c = (b & 0x0Fu) << 12 | (static_cast<unsigned char>(s[i + 1]) & 0x3Fu) << 6 |
                (static_cast<unsigned char>(s[i + 2]) & 0x3Fu),
            n = 3;
        else if (b >= 0xF0 && i + 3 < s.size())
            c = (b & 0x07u) << 18 | (static_cast<unsigned char>(s[i + 1]) & 0x3Fu) << 12 |
                (static_cast<unsigned char>(s[i + 2]) & 0x3Fu) << 6 |
                (static_cast<unsigned char>(s[i + 3]) & 0x3Fu),
            n = 4;
        i += n;
        if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
            (c >= 0x391 && c <= 0x3AB) || (c >= 0x410 && c <= 0x42F))
            c += 32;
        else if (c >= 0x400 && c <= 0x40F)
            c += 80;
        else if (c >= 0x100 && c <= 0x17F && c % 2 == 0 && c != 0x130 && c != 0x138)
            c += 1;
        out.push_back(c);
    }
    return out;
}

bool wordCharacter(char32_t c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
           (c >= 0xC0 && c != 0xD7 && c != 0xF7 && !(c >= 0x2000 && c <= 0x206F));
}

bool matchesFolded(const std::u32string& text, const std::u32string& query, bool wholeWords) {
    if (query.empty())
        return false;
    for (std::size_t at = text.find(query); at != std::u32string::npos;
         at = text.find(query, at + 1)) {
        if (!wholeWords)
            return true;
        const std::size_t end = at + query.size();
        const bool before = at > 0 && wordCharacter(text[at - 1]) && wordCharacter(query.front());
        const bool after =
            end < text.size() && wordCharacter(text[end]) && wordCharacter(query.back());
        if (!before && !after)
            return true;
    }
    return false;
}

} // namespace

std::vector<SearchableText> collectSearchableTexts(const Drawing& drawing) {
    return Collector(drawing).run();
}

bool matchesText(std::string_view text, const TextQuery& query) {
    return matchesFolded(folded(text), folded(query.text), query.wholeWords);
}

std::vector<std::size_t> findTexts(const std::vector<SearchableText>& texts,
                                   const TextQuery& query) {
    std::vector<std::size_t> hits;
    const std::u32string q = folded(query.text);
    if (q.empty())
        return hits;
    for (std::size_t i = 0; i < texts.size(); ++i)
        if (matchesFolded(folded(texts[i].text), q, query.wholeWords))
            hits.push_back(i);
    return hits;
}

std::string layoutName(const Drawing& drawing, std::int32_t layout) {
    if (layout < 0 || static_cast<std::size_t>(layout) >= drawing.layouts.size())
        return "Model";
    return drawing.layouts[static_cast<std::size_t>(layout)].name;
}

} // namespace vexor::cad
