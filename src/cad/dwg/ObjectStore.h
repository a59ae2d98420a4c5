#pragma once

#include "Classes.h"
#include "EntityParsers.h"
#include "ObjectFrame.h"
#include "ObjectMap.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vexor::cad::dwg {

// The parts of a DWG file the object reader works on, whatever container held them. For
// R13-R2000 they are views into the file; for R2004+ into decompressed section buffers.
struct DwgSections {
    DwgVersion version = DwgVersion::R2000;
    std::string versionName;                       // "AC1015"
    int maintenanceRelease = 0;                    // the byte at file offset 0x0B
    int codepage = 0;                              // DWG code page number
    std::span<const std::uint8_t> headerVariables; // from the start sentinel
    std::uint64_t headerVariablesOffset = 0;       // absolute position, for messages
    std::span<const std::uint8_t> classes;         // from the start sentinel; may be empty
    std::uint64_t classesOffset = 0;
    std::span<const std::uint8_t> objectMap;
    std::uint64_t objectMapOffset = 0;
    // The bytes the object map's offsets count into, and the absolute position of their start.
    std::span<const std::uint8_t> objects;
    std::uint64_t objectsOffset = 0;
    // Damage the R2004+ container worked around while decompressing.
    std::vector<std::string> containerDiagnostics;
};

// How an object type number is to be read.
struct TypeInfo {
    bool isEntity = false;
    EntityKind kind = EntityKind::Other;
    const char* name = "";
};

// Finds objects by handle and says what their type numbers mean.
class ObjectStore {
public:
    ObjectStore(const DwgSections& sections, ObjectMap map, std::vector<DwgClass> classes);
    // Type names point into the classes.
    ObjectStore(const ObjectStore&) = delete;
    ObjectStore& operator=(const ObjectStore&) = delete;

    DwgVersion version() const { return version_; }
    const ObjectMap& map() const { return map_; }

    // Opens an object; nothing when the handle is not in the map. Throws DwgFormatError when
    // the object is damaged.
    std::optional<ObjectFrame> open(std::uint64_t handle) const;
    ObjectFrame openAt(std::uint64_t offset) const;
    std::uint16_t typeAt(std::uint64_t offset) const;

    TypeInfo typeInfo(std::uint16_t type) const;
    // The type number the classes give objects of this DXF name; 0 when none does.
    std::uint16_t classType(std::string_view dxfName) const;

private:
    DwgVersion version_;
    std::span<const std::uint8_t> objects_;
    std::uint64_t objectsOffset_;
    ObjectMap map_;
    std::vector<DwgClass> classes_;
    std::vector<TypeInfo> classTypes_; // by type - 500
};

// Calls `read` with each object numbered by the class of this DXF name, its preamble read,
// until `limit` objects were read. A damaged object is skipped and, the first few, reported
// in `diagnostics`. Drawings without the class cost one look at the classes.
void readObjectsOfClass(const ObjectStore& store, std::string_view dxfName, std::size_t limit,
                        std::vector<std::string>& diagnostics,
                        const std::function<void(ObjectFrame&)>& read);

} // namespace vexor::cad::dwg
