#include "SpatialFilters.h"

#include "../io/InsertClips.h"
#include "ObjectFrame.h"
#include "ObjectTypes.h"

namespace vexor::cad::dwg {
namespace {

// Far more clipped inserts than any drawing holds.
constexpr std::size_t kMaxFilters = 65536;
constexpr std::int32_t kMaxBoundaryPoints = 1 << 16;

SpatialFilter readFilter(ObjectFrame& f) {
    BitReader& r = f.data;
    SpatialFilter filter;
    filter.owner = f.owner;
    const std::int32_t count = static_cast<std::uint16_t>(r.bitShort());
    if (count > kMaxBoundaryPoints || static_cast<std::size_t>(count) * 128 > r.remainingBits())
        r.fail("clip boundary with more points than the object holds");
    filter.boundary.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i)
        filter.boundary.push_back(r.rawPoint2());
    r.point3(); // normal of the boundary's plane
    r.point3(); // origin of the boundary's coordinates
    filter.enabled = r.bitShort() != 0;
    if (r.bitShort() != 0)
        r.bitDouble(); // front clipping plane
    if (r.bitShort() != 0)
        r.bitDouble(); // back clipping plane
    for (double& value : filter.inverseInsert)
        value = r.bitDouble();
    return filter;
}

// The owner of the dictionary `handle`, or 0 when it is no readable dictionary.
std::uint64_t dictionaryOwner(const ObjectStore& store, std::uint64_t handle) {
    std::optional<ObjectFrame> f = store.open(handle);
    if (!f || f->type != kTypeDictionary)
        return 0;
    return readObjectPreamble(*f);
}

} // namespace

void readInsertClips(const ObjectStore& store, Drawing& drawing) {
    std::vector<SpatialFilter> filters;
    readObjectsOfClass(store, "SPATIAL_FILTER", kMaxFilters, drawing.diagnostics,
                       [&](ObjectFrame& f) { filters.push_back(readFilter(f)); });
    if (filters.empty())
        return;
    std::unordered_map<std::uint64_t, std::uint64_t> owners;
    for (const SpatialFilter& filter : filters) {
        try {
            if (owners.contains(filter.owner))
                continue;
            const std::uint64_t extension = dictionaryOwner(store, filter.owner);
            if (extension == 0)
                continue;
            owners[filter.owner] = extension;
            if (const std::uint64_t insert = dictionaryOwner(store, extension))
                owners[extension] = insert;
        } catch (const DwgFormatError& e) {
            drawing.diagnostics.push_back("clip boundary of an insert not used: its dictionary "
                                          "is damaged (" +
                                          std::string(e.what()) + ")");
        }
    }
    attachInsertClips(drawing, filters, owners);
}

} // namespace vexor::cad::dwg
