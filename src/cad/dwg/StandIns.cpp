#include "../io/OleFrame.h"
#include "EntityAssembler.h"
#include "ObjectTypes.h"
#include "ProxyGraphics.h"

namespace vexor::cad::dwg {

std::optional<StandIn> EntityAssembler::proxyGraphics(std::span<const std::uint8_t> graphics,
                                                      const char* typeName,
                                                      const EntityCommon& common) const {
    ProxyGraphicsContext context;
    context.parent = common;
    context.layerCount = tables_.layers.size();
    context.decodeText = [this](std::string_view text) { return decode_(text); };
    StandInData data = decodeProxyGraphics(graphics, typeName ? typeName : "", context);
    if (data.entities.empty())
        return std::nullopt;
    return StandIn{std::make_shared<const StandInData>(std::move(data))};
}

// OLE2FRAME: flags, mode (R2000+), then the length and bytes of the OLE data, whose start
// holds the frame's corners.
EntityData EntityAssembler::oleFrame(ObjectFrame& f, const EntityCommon& common) const {
    BitReader& r = f.data;
    r.bitShort(); // flags
    if (f.version >= DwgVersion::R2000)
        r.bitShort(); // mode
    const std::uint32_t length = static_cast<std::uint32_t>(r.bitLong());
    if (length > r.remainingBits() / 8)
        r.fail("OLE data larger than the object");
    std::array<std::uint8_t, 2 + 4 * 3 * 8> head{};
    const std::size_t n = std::min<std::size_t>(length, head.size());
    for (std::size_t i = 0; i < n; ++i)
        head[i] = r.rawChar();
    if (const auto corners = oleFrameCorners(std::span(head.data(), n)))
        return oleFrameStandIn(*corners, common);
    return Unsupported{"OLE2FRAME"};
}

} // namespace vexor::cad::dwg
