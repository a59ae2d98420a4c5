#pragma once

#include "cad/load/DrawingReader.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vexor::control {

// Layer tables of files opened before loading them, each reached by its own handle. Several
// may be open at once; names are handed out one per call, in table order.
class LayerTables {
public:
    // Reads the file's layer table; 0 when the file cannot be read.
    std::int32_t open(const std::string& path);
    std::int32_t count(std::int32_t handle) const; // 0 for an unknown handle
    std::string nextName(std::int32_t handle);     // empty after the last name
    std::int32_t state(std::int32_t handle, const std::string& name) const; // 0, 1, or 2
    void close(std::int32_t handle);
    std::size_t openCount() const { return tables_.size(); }

private:
    struct Table {
        std::vector<cad::LayerTableEntry> entries;
        std::size_t next = 0;
    };

    std::map<std::int32_t, Table> tables_;
    std::int32_t lastHandle_ = 0;
};

} // namespace vexor::control
