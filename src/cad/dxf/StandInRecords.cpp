#include "StandInRecords.h"

#include "../io/OleFrame.h"
#include "../io/ProxyGraphics.h"

#include <string>
#include <vector>

namespace vexor::cad::dxf {
namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The bytes of a run of 310 groups: raw in binary files, two hexadecimal digits a byte in
// text files. The size announced before them tells which (a text file's run is twice as
// long); nothing when the run matches neither.
std::optional<std::vector<std::uint8_t>> chunkBytes(std::span<const Group> run,
                                                    std::uint64_t size) {
    std::uint64_t length = 0;
    for (const Group& g : run)
        length += g.text.size();
    std::vector<std::uint8_t> bytes;
    if (length == size) {
        bytes.reserve(length);
        for (const Group& g : run)
            bytes.insert(bytes.end(), g.text.begin(), g.text.end());
        return bytes;
    }
    bytes.reserve(length / 2);
    for (const Group& g : run) {
        const std::string_view hex = g.trimmed();
        if (hex.size() % 2 != 0)
            return std::nullopt;
        for (std::size_t i = 0; i < hex.size(); i += 2) {
            const int hi = hexDigit(hex[i]), lo = hexDigit(hex[i + 1]);
            if (hi < 0 || lo < 0)
                return std::nullopt;
            bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
        }
    }
    if (bytes.size() != size)
        return std::nullopt;
    return bytes;
}

} // namespace

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
