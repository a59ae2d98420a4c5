#include "ComparisonDrawing.h"

#include <unordered_map>
#include <unordered_set>

namespace vexor::cad {

namespace {

// Moves the indexes of an entity of the new drawing to the tables of the joined drawing.
struct Remap {
    std::vector<std::uint32_t> layers;
    std::uint32_t linetypes = 0, textStyles = 0, dimStyles = 0, blocks = 0;

    void common(EntityCommon& c) const {
        if (c.layer < layers.size())
            c.layer = layers[c.layer];
        if (c.linetype >= 0)
            c.linetype += static_cast<std::int32_t>(linetypes);
    }
    void index(std::uint32_t& i, std::uint32_t offset) const {
        if (i != kNoIndex)
            i += offset;
    }
    void entity(Entity& e) const {
        common(e.common);
        if (auto* t = dataIf<Text>(&e.data))
            index(t->style, textStyles);
        else if (auto* m = dataIf<MText>(&e.data))
            index(m->style, textStyles);
        else if (auto* s = dataIf<Shape>(&e.data))
            index(s->style, textStyles);
        else if (auto* i = dataIf<Insert>(&e.data)) {
            index(i->block, blocks);
            for (AttributeEntity& a : i->attributes) {
                common(a.common);
                index(a.text.style, textStyles);
            }
        } else if (auto* d = dataIf<Dimension>(&e.data)) {
            index(d->block, blocks);
            index(d->style, dimStyles);
        } else if (auto* l = dataIf<Leader>(&e.data))
            index(l->style, dimStyles);
        else if (auto* t = dataIf<Tolerance>(&e.data))
            index(t->dimStyle, dimStyles);
        else if (auto* m = dataIf<MLine>(&e.data))
            m->styleHandle = 0; // handles of two files may clash: found by name instead
        else if (auto* st = dataIf<StandIn>(&e.data); st && st->data) {
            auto copy = std::make_shared<StandInData>(*st->data);
            for (Entity& part : copy->entities)
                entity(part);
            st->data = std::move(copy);
        }
    }
};

void colour(Entity& e, Color c) {
    e.common.color = c;
    if (auto* i = dataIf<Insert>(&e.data))
        for (AttributeEntity& a : i->attributes)
            a.common.color = c;
    else if (auto* h = dataIf<Hatch>(&e.data))
        h->fillColor.reset(); // an MPOLYGON's fill shows the change too
    else if (auto* st = dataIf<StandIn>(&e.data); st && st->data) {
        auto copy = std::make_shared<StandInData>(*st->data);
        for (Entity& part : copy->entities)
            colour(part, c);
        st->data = std::move(copy);
    }
}

// Compared entities of one list: the old ones coloured by what became of them, then the new
// ones added or changed.
void joinCompared(std::vector<Entity>& olds, std::vector<Entity>& news,
                  const SpaceComparison& space, const Remap& remap) {
    for (std::size_t i = 0; i < olds.size() && i < space.oldChanges.size(); ++i)
        colour(olds[i], Color::trueColor(changeRgb(space.oldChanges[i])));
    for (std::size_t j = 0; j < news.size() && j < space.newChanges.size(); ++j) {
        const Change c = space.newChanges[j];
        if (c == Change::Same)
            continue;
        Entity e = std::move(news[j]);
        remap.entity(e);
        colour(e, Color::trueColor(changeRgb(c)));
        olds.push_back(std::move(e));
    }
    news.clear();
    news.shrink_to_fit();
}

} // namespace

std::uint32_t changeRgb(Change change) {
    switch (change) {
    case Change::Same:
        return kSameRgb;
    case Change::Removed:
        return kRemovedRgb;
    case Change::Added:
        return kAddedRgb;
    case Change::Changed:
        return kChangedRgb;
    }
    return kSameRgb;
}

Drawing buildComparisonDrawing(Drawing oldDrawing, Drawing newDrawing,
                               const Comparison& comparison) {
    Drawing out = std::move(oldDrawing);

    Remap remap;
    remap.linetypes = static_cast<std::uint32_t>(out.linetypes.size());
    remap.textStyles = static_cast<std::uint32_t>(out.textStyles.size());
    remap.dimStyles = static_cast<std::uint32_t>(out.dimStyles.size());
    remap.blocks = static_cast<std::uint32_t>(out.blocks.size());
    std::unordered_map<std::string, std::uint32_t> layerByName;
    for (std::uint32_t l = 0; l < out.layers.size(); ++l)
        layerByName.emplace(out.layers[l].name, l);
    for (Layer& layer : newDrawing.layers) {
        const auto [at, added] =
            layerByName.emplace(layer.name, static_cast<std::uint32_t>(out.layers.size()));
        if (added) {
            if (layer.linetype >= 0)
                layer.linetype += static_cast<std::int32_t>(remap.linetypes);
            out.layers.push_back(layer);
        }
        remap.layers.push_back(at->second);
    }
    for (Linetype& t : newDrawing.linetypes)
        out.linetypes.push_back(std::move(t));
    for (TextStyle& t : newDrawing.textStyles)
        out.textStyles.push_back(std::move(t));
    for (DimStyle& d : newDrawing.dimStyles) {
        remap.index(d.textStyle, remap.textStyles);
        out.dimStyles.push_back(std::move(d));
    }
    for (MLineStyle& m : newDrawing.mlineStyles) {
        m.handle = 0;
        out.mlineStyles.push_back(std::move(m));
    }

    // Every block but the compared layouts' paper space takes the colour of the insert that
    // draws it.
    std::unordered_set<std::uint32_t> oldPaper;
    for (const SpaceComparison& s : comparison.spaces)
        if (s.oldBlock != kNoIndex)
            oldPaper.insert(s.oldBlock);
    for (std::uint32_t b = 0; b < out.blocks.size(); ++b)
        if (!oldPaper.count(b))
            for (Entity& e : out.blocks[b].entities)
                colour(e, Color::byBlock());

    // The compared lists, entity by entity; the new layouts' paper space is left empty.
    for (const SpaceComparison& s : comparison.spaces) {
        if (s.oldBlock == kNoIndex)
            joinCompared(out.modelSpace, newDrawing.modelSpace, s, remap);
        else if (s.oldBlock < out.blocks.size() && s.newBlock < newDrawing.blocks.size())
            joinCompared(out.blocks[s.oldBlock].entities, newDrawing.blocks[s.newBlock].entities, s,
                         remap);
    }

    out.blocks.reserve(out.blocks.size() + newDrawing.blocks.size());
    for (Block& block : newDrawing.blocks) {
        for (Entity& e : block.entities) {
            remap.entity(e);
            colour(e, Color::byBlock());
        }
        block.viewports.clear();
        out.blocks.push_back(std::move(block));
    }
    return out;
}

} // namespace vexor::cad
