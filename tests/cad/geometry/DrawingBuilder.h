#pragma once

#include "cad/model/Drawing.h"

#include <string>

namespace vexor::test {

// Small drawings built in code for the geometry and renderer tests.
class DrawingBuilder {
public:
    DrawingBuilder() {
        drawing.format = cad::FileFormat::Dxf;
        drawing.layerIndex("0");
    }

    std::uint32_t layer(const std::string& name, int color = 7) {
        const std::uint32_t i = drawing.layerIndex(name);
        drawing.layers[i].color = cad::Color::indexed(color);
        return i;
    }

    cad::Entity& line(std::vector<cad::Entity>& into, cad::Vec2 a, cad::Vec2 b,
                      std::uint32_t layer = 0) {
        cad::Entity e;
        e.common.layer = layer;
        e.data = cad::Line{{a.x, a.y, 0}, {b.x, b.y, 0}};
        into.push_back(e);
        return into.back();
    }
    cad::Entity& line(cad::Vec2 a, cad::Vec2 b, std::uint32_t layer = 0) {
        return line(drawing.modelSpace, a, b, layer);
    }

    std::uint32_t block(const std::string& name) { return drawing.blockIndex(name); }
    std::vector<cad::Entity>& blockEntities(std::uint32_t b) { return drawing.blocks[b].entities; }

    cad::Entity& insert(std::vector<cad::Entity>& into, std::uint32_t block, cad::Vec2 at,
                        double rotation = 0, cad::Vec2 scale = {1, 1}) {
        cad::Insert ins;
        ins.block = block;
        ins.insert = {at.x, at.y, 0};
        ins.rotation = rotation;
        ins.scale = {scale.x, scale.y, 1};
        cad::Entity e;
        e.data = ins;
        into.push_back(e);
        return into.back();
    }
    cad::Entity& insert(std::uint32_t block, cad::Vec2 at, double rotation = 0,
                        cad::Vec2 scale = {1, 1}) {
        return insert(drawing.modelSpace, block, at, rotation, scale);
    }

    cad::Drawing drawing;
};

} // namespace vexor::test
