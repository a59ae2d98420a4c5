#include "OleFrame.h"

#include <cmath>
#include <cstring>

namespace vexor::cad {

std::optional<std::array<Vec3, 4>> oleFrameCorners(std::span<const std::uint8_t> data) {
    constexpr std::size_t kStart = 2;
    if (data.size() < kStart + 4 * 3 * sizeof(double))
        return std::nullopt;
    std::array<Vec3, 4> corners;
    const std::uint8_t* p = data.data() + kStart;
    for (Vec3& c : corners)
        for (double* v : {&c.x, &c.y, &c.z}) {
            std::memcpy(v, p, sizeof(double));
            p += sizeof(double);
            if (!std::isfinite(*v))
                return std::nullopt;
        }
    return corners;
}

StandIn oleFrameStandIn(const std::array<Vec3, 4>& corners, const EntityCommon& common) {
    auto data = std::make_shared<StandInData>();
    data->typeName = "OLE2FRAME";
    data->omissions.push_back("drawn as a frame: OLE content cannot be shown");
    Polyline frame;
    frame.kind = Polyline::Kind::Poly3d;
    frame.closed = true;
    for (const Vec3& p : corners)
        frame.vertices.push_back(PolyVertex{p});
    EntityCommon part = common;
    part.setExtrusion({0, 0, 1});
    data->entities.push_back(Entity{part, std::move(frame)});
    return StandIn{std::move(data)};
}

} // namespace vexor::cad
