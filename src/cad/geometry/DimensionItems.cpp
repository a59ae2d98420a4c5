#include "../io/Codepage.h"
#include "../text/TextLayout.h"
#include "DimensionGeometry.h"
#include "DisplayListCompiler.h"

#include <cstdio>

namespace vexor::cad {

void DisplayListCompiler::addDimension(ItemList& list, const EntityCommon& common,
                                       const Dimension& dim, bool inBlock) {
    std::string problem;
    const DimStyle style = effectiveDimStyle(drawing_, dim, problem);
    const DimensionPicture pic = dimensionPicture(dim, style);
    if (!problem.empty())
        diagnose(problem);
    if (!pic.problem.empty())
        diagnose(pic.problem);
    // Each part takes the colour its style gives it; "by block" is the dimension's own.
    auto itemIn = [&](const Color& partColor) {
        EntityCommon part = common;
        if (partColor.kind != Color::Kind::ByBlock)
            part.color = partColor;
        return makeItem(part, inBlock);
    };
    addPicture(list, itemIn(style.lineColor), itemIn(style.extensionColor), pic);
    if (pic.hasText) {
        const DisplayItem text = itemIn(style.textColor);
        // In the face of the style's text style (DIMTXSTY), or of the drawing's standard one.
        for (TextRun& run :
             layoutMTextFull(pic.text, common.extrusion(), textStyle(pic.text.style)).runs)
            addText(list, text, std::move(run));
    }
}

void DisplayListCompiler::addPicture(ItemList& list, const DisplayItem& line,
                                     const DisplayItem& extension, const DimensionPicture& pic) {
    for (const DimensionPicture::Stroke& s : pic.strokes)
        addPolyline(list, s.part == DimensionPicture::Part::Extension ? extension : line, s.points,
                    s.closed);
    DisplayItem fill = line;
    fill.evenOdd = false;
    for (const DimensionPicture::Fill& f : pic.fills)
        addPolygon(list, fill, {f.ring});
    for (const DimensionPicture::ArrowBlock& a : pic.blocks) {
        const std::uint32_t block = findBlockNamed(drawing_, a.name);
        if (block == kNoIndex)
            continue;
        const Vec3 base = drawing_.blocks[block].base;
        const Affine2 transform = Affine2::translate(a.tip.x, a.tip.y) *
                                  Affine2::rotate(std::atan2(a.direction.y, a.direction.x)) *
                                  Affine2::scale(a.size, a.size) *
                                  Affine2::translate(-base.x, -base.y);
        addBlockReference(list, line, block, transform);
    }
}

void DisplayListCompiler::countNotDrawn(const std::string& typeName) {
    ++notDrawn_[typeName];
}

void DisplayListCompiler::countIncomplete(const std::string& typeName, const std::string& reason) {
    ++incomplete_[{typeName, reason}];
}

// Whatever the drawing holds and the display list leaves out is said, by kind and reason.
void DisplayListCompiler::reportNotDrawn() {
    for (const auto& [what, count] : incomplete_)
        diagnose(std::to_string(count) + " " + what.first +
                 (count == 1 ? " entity " : " entities ") + what.second);
    for (const auto& [name, count] : notDrawn_) {
        const bool solid = name == "3DSOLID" || name == "REGION" || name == "BODY" ||
                           name.find("SURFACE") != std::string::npos || name == "MESH";
        const std::string why =
            solid                ? "3D solids, regions and surfaces are not drawn"
            : name == "VIEWPORT" ? "viewports show the drawing, not themselves"
            : name == "LIGHT"    ? "lights only shine on rendered 3D views and have no 2D picture"
            : name.ends_with("UNDERLAY")
                ? "without a clip boundary the page size is in the referenced file"
                : "this kind of entity is not drawn yet";
        diagnose(std::to_string(count) + " " + name + (count == 1 ? " entity" : " entities") +
                 " not drawn: " + why);
    }
    if (!missingGlyphs_.empty()) {
        std::string message = "characters in no installed face, drawn as boxes:";
        for (const auto& [c, count] : missingGlyphs_) {
            char code[16];
            std::snprintf(code, sizeof code, " U+%04X \"", static_cast<unsigned>(c));
            message += code;
            appendUtf8(message, c);
            message += "\" in " + std::to_string(count) + (count == 1 ? " text," : " texts,");
        }
        message.pop_back();
        diagnose(message);
    }
}

} // namespace vexor::cad
