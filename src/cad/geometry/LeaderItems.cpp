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
        const TextBox ink = addMText(list, textCommon, pic.text, inBlock);
        if (pic.textFrame) {
            // The frame: the box of the text's runs in its own frame, turned with the text, a
            // landing gap away.
            const double gap = leader.data->landingGap;
            const std::vector<Vec2> corners =
                frameBoxCorners(ink.frame, ink.box, std::isfinite(gap) && gap > 0 ? gap : 0);
            if (!corners.empty())
                addPolyline(list, makeItem(textCommon, inBlock), corners, true);
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
                    pic.blockTransform * OcsFrame::fromExtrusion(e.common.extrusion())
                                             .planeToWorld(definition->insert.z);
                addTextEntity(list, makeItem(attributeCommon, inBlock), value, plane);
                break;
            }
        }
    }
}

} // namespace vexor::cad
