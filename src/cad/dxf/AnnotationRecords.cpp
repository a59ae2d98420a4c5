#include "AnnotationRecords.h"

#include "../io/LoadBudget.h"
#include "../io/UnderlayClip.h"

#include <algorithm>
#include <cmath>

namespace vexor::cad::dxf {
namespace {

// A multiline's style has at most 16 elements; a vertex's element stores few parameters (its
// offset and a handful of breaks). Larger counts are damage.
constexpr std::size_t kMaxMLineElements = 16;
constexpr std::size_t kMaxElementParameters = 64;
// Clip boundaries of images and underlays beyond this many points are cut.
constexpr std::size_t kMaxClipPoints = 65536;

Color colorNumber(std::int64_t number) {
    if (number == 0)
        return Color::byBlock();
    if (number >= 1 && number <= 255)
        return Color::indexed(static_cast<int>(number));
    return Color::byLayer();
}

} // namespace

MLine readMLine(const EntityRecord& r, DxfContext& context) {
    MLine line;
    bool dropped = false;
    for (const Group& g : r.groups) {
        switch (g.code) {
        case 2:
            line.styleName = context.decode(g.text);
            continue;
        case 340:
            line.styleHandle = parseHandle(g.trimmed());
            continue;
        case 71: {
            const auto flags = g.asInt();
            line.closed = (flags & 2) != 0;
            line.suppressStartCaps = (flags & 4) != 0;
            line.suppressEndCaps = (flags & 8) != 0;
            continue;
        }
        case 11:
            claimLoadMemory(1, sizeof(MLineVertex));
            line.vertices.emplace_back();
            break;
        case 74:
            if (line.vertices.empty())
                continue;
            if (line.vertices.back().elements.size() >= kMaxMLineElements) {
                dropped = true;
                continue;
            }
            line.vertices.back().elements.emplace_back();
            continue;
        case 41: {
            if (line.vertices.empty() || line.vertices.back().elements.empty())
                continue;
            auto& params = line.vertices.back().elements.back();
            if (params.size() < kMaxElementParameters)
                params.push_back(g.asDouble());
            else
                dropped = true;
            continue;
        }
        }
        if (line.vertices.empty())
            continue;
        MLineVertex& v = line.vertices.back();
        readCoordinate(g, 11, v.point) || readCoordinate(g, 12, v.direction) ||
            readCoordinate(g, 13, v.miter);
    }
    if (dropped)
        context.diagnostic(r.position, "MLINE elements or breaks beyond the limit left out");
    return line;
}

Tolerance readTolerance(const EntityRecord& r, DxfContext& context) {
    Tolerance t;
    for (const Group& g : r.groups) {
        if (readCoordinate(g, 10, t.insert) || readCoordinate(g, 11, t.xDirection))
            continue;
        if (g.code == 1)
            t.text += context.decode(g.text);
        else if (g.code == 3)
            t.dimStyle = context.drawing().findDimStyle(context.decode(g.trimmed()));
    }
    return t;
}

Underlay readUnderlay(const EntityRecord& r, Underlay::Kind kind) {
    Underlay u;
    u.kind = kind;
    bool clipped = true;
    for (const Group& g : r.groups) {
        if (readCoordinate(g, 10, u.origin))
            continue;
        switch (g.code) {
        case 41:
            u.scale.x = g.asDouble(1);
            break;
        case 42:
            u.scale.y = g.asDouble(1);
            break;
        case 43:
            u.scale.z = g.asDouble(1);
            break;
        case 50:
            u.rotation = g.asDouble() * kDegreesToRadians;
            break;
        case 340:
            u.definition = parseHandle(g.trimmed());
            break;
        case 280:
            clipped = (g.asInt() & 1) != 0;
            break;
        case 11:
            if (u.clip.size() < kMaxClipPoints)
                u.clip.emplace_back();
            break;
        }
        if ((g.code == 11 || g.code == 21) && !u.clip.empty())
            readCoordinate(g, 11, u.clip.back());
    }
    finishUnderlayClip(u, clipped);
    return u;
}

void readAnnotationObject(const EntityRecord& r, DxfContext& context) {
    Drawing& drawing = context.drawing();
    auto handleOf = [&] {
        for (const Group& g : r.groups)
            if (g.code == 5)
                return parseHandle(g.trimmed());
        return std::uint64_t{0};
    };
    if (r.type == "MLINESTYLE") {
        MLineStyle style;
        style.handle = handleOf();
        bool inElements = false;
        for (const Group& g : r.groups) {
            switch (g.code) {
            case 2:
                style.name = context.decode(g.text);
                break;
            case 70:
                style.flags = static_cast<std::uint16_t>(g.asInt() & 0xFFFF);
                break;
            case 71:
                inElements = true;
                break;
            case 49:
                if (style.elements.size() < kMaxMLineElements)
                    style.elements.push_back({g.asDouble(), Color::byLayer(), kLinetypeByLayer});
                break;
            case 62:
                if (!inElements)
                    style.fillColor = colorNumber(g.asInt(256));
                else if (!style.elements.empty())
                    style.elements.back().color = colorNumber(g.asInt(256));
                break;
            case 6:
                if (!style.elements.empty()) {
                    const std::string name = context.decode(g.trimmed());
                    style.elements.back().linetype = context.linetype(name);
                }
                break;
            }
        }
        drawing.mlineStyles.push_back(std::move(style));
    } else if (r.type == "IMAGEDEF") {
        ImageDefinition def;
        def.handle = handleOf();
        for (const Group& g : r.groups) {
            if (g.code == 1)
                def.fileName = context.decode(g.text);
            else
                readCoordinate(g, 10, def.sizePixels);
        }
        drawing.imageDefinitions.push_back(std::move(def));
    } else if (r.type == "WIPEOUTVARIABLES" || r.type == "RASTERVARIABLES") {
        for (const Group& g : r.groups)
            if (g.code == 70) {
                const auto frame =
                    static_cast<std::int32_t>(std::clamp<std::int64_t>(g.asInt(), 0, 2));
                (r.type == "WIPEOUTVARIABLES" ? drawing.header.wipeoutFrame
                                              : drawing.header.imageFrame) = frame;
            }
    }
}

} // namespace vexor::cad::dxf
