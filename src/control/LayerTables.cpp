#include "LayerTables.h"

#include <limits>

namespace vexor::control {

std::int32_t LayerTables::open(const std::string& path) {
    std::vector<cad::LayerTableEntry> entries;
    try {
        entries = cad::readLayerTable(path);
    } catch (const std::exception&) { // a ReadError, or no memory for a damaged table
        return 0;
    }
    if (lastHandle_ == std::numeric_limits<std::int32_t>::max())
        lastHandle_ = 0;
    do
        ++lastHandle_;
    while (tables_.count(lastHandle_));
    tables_[lastHandle_] = Table{std::move(entries), 0};
    return lastHandle_;
}

std::int32_t LayerTables::count(std::int32_t handle) const {
    const auto it = tables_.find(handle);
    return it == tables_.end() ? 0 : static_cast<std::int32_t>(it->second.entries.size());
}

std::string LayerTables::nextName(std::int32_t handle) {
    const auto it = tables_.find(handle);
    if (it == tables_.end() || it->second.next >= it->second.entries.size())
        return {};
    return it->second.entries[it->second.next++].name;
}

std::int32_t LayerTables::state(std::int32_t handle, const std::string& name) const {
    constexpr std::int32_t kUnavailable = 2;
    const auto it = tables_.find(handle);
    if (it == tables_.end())
        return kUnavailable;
    for (const auto& entry : it->second.entries)
        if (entry.name == name)
            return entry.state == 0 ? 0 : 1;
    return kUnavailable;
}

void LayerTables::close(std::int32_t handle) {
    tables_.erase(handle);
}

} // namespace vexor::control
