#include "ModelerDataStore.h"

#include "../acis/ModelerGeometry.h"
#include "ChunkBytes.h"

namespace vexor::cad::dxf {
namespace {

// Gives a stand-in wireframe the data kept for its entity, if any.
void attachTo(std::vector<Entity>& entities,
              const std::unordered_map<std::uint64_t, std::string>& data) {
    for (Entity& e : entities) {
        Wireframe* w = dataIf<Wireframe>(&e.data);
        if (!w || !w->data || !w->data->curves.empty())
            continue;
        const auto found = data.find(e.common.handle);
        if (found != data.end())
            w->data = acis::wireframeFromModelerData(w->data->typeName, found->second);
    }
}

} // namespace

void ModelerDataStore::read(const EntityRecord& record) {
    if (record.type != "ACDSRECORD")
        return;
    const std::span<const Group> groups = record.groups;
    std::uint64_t handle = 0;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        const Group& g = groups[i];
        if (g.code == 320 && handle == 0) {
            handle = parseHandle(g.trimmed());
        } else if (g.is(2, "ASM_Data") && handle != 0) {
            // 280 (the value's type), 94 (its size), then the chunks.
            std::size_t at = i + 1;
            while (at < groups.size() && groups[at].code != 94 && groups[at].code != 310)
                ++at;
            if (at >= groups.size() || groups[at].code != 94)
                return;
            const std::int64_t size = groups[at].asInt(-1);
            std::size_t end = ++at;
            while (end < groups.size() && groups[end].code == 310)
                ++end;
            if (size <= 0)
                return;
            const auto bytes =
                chunkBytes(groups.subspan(at, end - at), static_cast<std::uint64_t>(size));
            if (bytes)
                data_[handle].assign(bytes->begin(), bytes->end());
            return;
        }
    }
}

void ModelerDataStore::attach(Drawing& drawing) const {
    if (data_.empty())
        return;
    attachTo(drawing.modelSpace, data_);
    for (Block& block : drawing.blocks)
        attachTo(block.entities, data_);
}

} // namespace vexor::cad::dxf
