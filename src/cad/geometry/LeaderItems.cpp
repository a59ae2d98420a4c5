#include "DisplayListCompiler.h"
#include "LeaderGeometry.h"

#include <cmath>

namespace vexor::cad {
namespace {

// The properties of one part of an annotation: what the part sets for itself, the
// annotation's own where the part says "by block".
EntityCommon partOf(const EntityCommon& common, const Color& color,
                    std::int32_t linetype = kLinetypeByBlock,
                    std::int16_t lineweight = kLineweightByBlock) {
    EntityCommon part = common;
    if (color.kind != Color::Kind::ByBlock)
        part.color = color;
    if (linetype != kLinetypeByBlock)
        part.linetype = linetype;
    if (lineweight != kLineweightByBlock)
        part.lineweight = lineweight;
    return part;
}

} // namespace

void DisplayListCompiler::addLeader(ItemList& list, const EntityCommon& common,
                                    const Leader& leader, bool inBlock) {
    std::string problem;
    const DimStyle style =
        effectiveDimStyle(drawing_, leader.style, leader.overrides.get(), problem);
    const DimensionPicture pic = leaderPicture(leader, style);
    if (!problem.empty())
        diagnose(problem);
    if (!pic.problem.empty())
        diagnose(pic.problem);
    const DisplayItem item = makeItem(partOf(common, style.lineColor), inBlock);
    addPicture(list, item, item, pic);
}

void DisplayListCompiler::addMultiLeader(ItemList& list, const EntityCommon& common,
                                         const MultiLeader& leader, bool inBlock) {
    if (!leader.data)
        return;
    const MultiLeaderPicture pic = multiLeaderPicture(drawing_, *leader.data);
    if (!pic.problem.empty())
        countIncomplete("MULTILEADER", pic.problem);
    for (const MultiLeaderPicture::Lines& lines : pic.lines) {
        const DisplayItem item =
            makeItem(partOf(common, lines.color, lines.linetype, lines.lineweight), inBlock);
        addPicture(list, item, item, lines.picture);
    }
    if (pic.hasText) {
        const EntityCommon textCommon = partOf(common, pic.textColor);
        const std::size_t first = list.items.size();
        addMText(list, textCommon, pic.text, inBlock);
        if (pic.textFrame) {
            // The frame of upright text: the box of its runs, a landing gap away.
            Box2 box;
            for (std::size_t i = first; i < list.items.size(); ++i)
                box.add(list.items[i].box);
            const double gap = leader.data->landingGap;
            if (!box.empty() && std::fabs(pic.text.xDirection.y) < 1e-9 &&
                pic.text.xDirection.x > 0) {
                const double g = std::isfinite(gap) && gap > 0 ? gap : 0;
                addPolyline(list, makeItem(textCommon, inBlock),
                            {{box.minX - g, box.minY - g},
                             {box.maxX + g, box.minY - g},
                             {box.maxX + g, box.maxY + g},
                             {box.minX - g, box.maxY + g}},
                            true);
            } else if (!box.empty()) {
                countIncomplete("MULTILEADER",
                                "drawn in part: the frame of turned text is left out");
            }
        }
    }
    if (pic.hasBlock) {
        const EntityCommon blockCommon = partOf(common, pic.blockColor);
        addBlockReference(list, makeItem(blockCommon, inBlock), pic.block, pic.blockTransform);
        // The block's attribute definitions show the values the multileader gives them.
        for (const Entity& e : drawing_.blocks[pic.block].entities) {
            const Text* definition = dataIf<Text>(&e.data);
            if (!definition || definition->kind != TextKind::AttributeDefinition)
                continue;
            for (const MultiLeaderAttribute& a : leader.data->attributes) {
                if (a.definition != e.common.handle || a.definition == 0)
                    continue;
                Text value = *definition;
                value.kind = TextKind::Attribute;
                value.text = a.text;
                const EntityCommon attributeCommon = e.common.color.kind == Color::Kind::ByBlock
                                                         ? partOf(e.common, blockCommon.color)
                                                         : e.common;
                const Affine2 plane =
                    pic.blockTransform *
                    OcsFrame::fromExtrusion(e.common.extrusion()).planeToWorld(definition->insert.z);
                addTextEntity(list, makeItem(attributeCommon, inBlock), value, plane);
                break;
            }
        }
    }
}

} // namespace vexor::cad
