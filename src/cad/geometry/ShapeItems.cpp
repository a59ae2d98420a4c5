// SHAPE entities: the strokes of a shape from its compiled shape file, placed like a
// one-character text; a marker the size of the shape where the file or the shape is missing.
#include "../model/AsciiCase.h"
#include "DisplayListCompiler.h"

#include <cmath>

namespace vexor::cad {

void DisplayListCompiler::addShape(ItemList& list, const EntityCommon& common, const Shape& shape,
                                   bool inBlock) {
    const double size = std::isfinite(shape.size) && shape.size != 0 ? shape.size : 1;
    const double widthFactor =
        std::isfinite(shape.widthFactor) && shape.widthFactor != 0 ? shape.widthFactor : 1;
    const double oblique =
        std::isfinite(shape.oblique) && std::abs(shape.oblique) < 1.5 ? shape.oblique : 0;
    if (!std::isfinite(shape.insert.x) || !std::isfinite(shape.insert.y) ||
        !std::isfinite(shape.rotation) || std::abs(size) > 1e12) {
        ++shapeMarkers_["its placement is not a number"];
        return;
    }

    // The shape: by number in its style's file, or by name in the style's file or, when the
    // entity names no file (DXF), in every shape file the drawing loads.
    const StrokeGlyph* glyph = nullptr;
    bool anyFile = false;
    auto lookIn = [&](const std::shared_ptr<const StrokeFont>& file) {
        if (!file || glyph)
            return;
        anyFile = true;
        const char32_t number =
            shape.number ? shape.number : file->shapeNumber(asciiUpper(shape.name));
        if (number)
            glyph = file->glyph(number);
    };
    if (shape.style < shapeFiles_.size())
        lookIn(shapeFiles_[shape.style]);
    else
        for (const auto& file : shapeFiles_)
            lookIn(file);

    const Affine2 place =
        OcsFrame::fromExtrusion(common.extrusion()).planeToWorld(shape.insert.z) *
        Affine2::translate(shape.insert.x, shape.insert.y) * Affine2::rotate(shape.rotation) *
        Affine2{1, 0, std::tan(oblique), 1, 0, 0} * Affine2::scale(size * widthFactor, size);
    if (!glyph) {
        ++shapeMarkers_[anyFile ? "the shape is not in its shape file"
                                : "its shape file was not found"];
        addPolyline(list, makeItem(common, inBlock),
                    {place.map({0, 0}), place.map({1, 0}), place.map({1, 1}), place.map({0, 1})},
                    true);
        return;
    }
    std::size_t first = 0;
    for (const std::uint32_t count : glyph->strokeSizes) {
        std::vector<Vec2> points;
        points.reserve(count);
        for (std::size_t i = first; i < first + count && i < glyph->points.size(); ++i)
            points.push_back(place.map(glyph->points[i]));
        first += count;
        if (points.size() >= 2)
            addPolyline(list, makeItem(common, inBlock), points, false);
    }
}

void DisplayListCompiler::reportShapeMarkers() {
    for (const auto& [why, count] : shapeMarkers_)
        diagnose(std::to_string(count) + (count == 1 ? " SHAPE entity" : " SHAPE entities") +
                 " drawn as a square marker: " + why);
}

} // namespace vexor::cad
