#include "StandInRecords.h"

#include "../dwg/ProxyGraphics.h"
#include "../io/OleFrame.h"
#include "ChunkBytes.h"

#include <string>
#include <vector>

namespace vexor::cad::dxf {

std::optional<StandIn> readProxyGraphics(const EntityRecord& r, DxfContext& context,
                                         const EntityCommon& common) {
    const std::span<const Group> groups = r.groups;
    for (std::size_t i = 0; i + 1 < groups.size(); ++i) {
        if ((groups[i].code != 92 && groups[i].code != 160) || groups[i + 1].code != 310)
            continue;
        const std::int64_t size = groups[i].asInt(-1);
        std::size_t end = i + 1;
        while (end < groups.size() && groups[end].code == 310)
            ++end;
        if (size < 8)
            continue;
        const auto bytes =
            chunkBytes(groups.subspan(i + 1, end - i - 1), static_cast<std::uint64_t>(size));
        if (!bytes)
            continue;
        ProxyGraphicsContext proxy;
        proxy.parent = common;
        proxy.layerCount = context.drawing().layers.size();
        proxy.decodeText = [&context](std::string_view text) { return context.decode(text); };
        StandInData data = decodeProxyGraphics(*bytes, std::string(r.type), proxy);
        if (data.entities.empty())
            return std::nullopt;
        return StandIn{std::make_shared<const StandInData>(std::move(data))};
    }
    return std::nullopt;
}

StandIn singlePart(std::string_view typeName, const EntityCommon& common, EntityData part) {
    auto data = std::make_shared<StandInData>();
    data->typeName = std::string(typeName);
    data->entities.push_back(Entity{common, std::move(part)});
    return StandIn{std::move(data)};
}

StandIn readOleFrame(const EntityRecord& r, const EntityCommon& common) {
    Vec3 upperLeft, lowerRight;
    for (const Group& g : r.groups)
        if (!readCoordinate(g, 10, upperLeft))
            readCoordinate(g, 11, lowerRight);
    return oleFrameStandIn({upperLeft, Vec3{lowerRight.x, upperLeft.y, upperLeft.z}, lowerRight,
                            Vec3{upperLeft.x, lowerRight.y, lowerRight.z}},
                           common);
}

} // namespace vexor::cad::dxf
