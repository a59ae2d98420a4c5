#pragma once

#include "../model/Drawing.h"
#include "GroupSource.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vexor::cad::dxf {

inline constexpr double kDegreesToRadians = 3.14159265358979323846 / 180.0;

// What the entity and table readers share while one file is read: the drawing being filled,
// how its strings are encoded, name lookups, and the diagnostics.
class DxfContext {
public:
    DxfContext(Drawing& drawing, std::string fileName)
        : drawing_(drawing), fileName_(std::move(fileName)) {}

    Drawing& drawing() { return drawing_; }
    const std::string& fileName() const { return fileName_; }

    // Called once the header has said which version and code page the file has.
    void setEncoding(std::string_view version, std::string_view codepage);
    // A string value as UTF-8: files before R2007 store text in their code page.
    std::string decode(std::string_view bytes) const;

    // Layer names are case-insensitive; an unknown name adds a layer.
    std::uint32_t layer(std::string_view name);
    void registerLayer(std::uint32_t index);
    std::int32_t linetype(std::string_view name);
    std::uint32_t textStyle(std::string_view name);
    std::uint32_t block(std::string_view name);

    void diagnostic(const GroupPosition& where, const std::string& message);

    // Handles of table entries that other entries refer to: block records (by name, as
    // arrowhead blocks) and text styles.
    void addBlockRecord(std::uint64_t handle, std::string name);
    const std::string* blockRecordName(std::uint64_t handle) const;
    void addTextStyleHandle(std::uint64_t handle, std::uint32_t style);
    std::uint32_t textStyleByHandle(std::uint64_t handle) const;
    void addLinetypeHandle(std::uint64_t handle, std::int32_t linetype);
    // The linetype index, or `fallback` for an unknown handle.
    std::int32_t linetypeByHandle(std::uint64_t handle, std::int32_t fallback) const;
    // A dimension style's arrowhead given by a handle of a block record not read yet; looked
    // up once the tables are read.
    void deferArrowHandle(std::uint32_t dimStyle, int code, std::uint64_t handle);
    void resolveDeferredArrows();

    // Named plot styles and views, which layers, entities and layouts name before the OBJECTS
    // section holds the dictionaries that name the styles: gathered while reading and resolved
    // by resolveNamedObjects() once the file is read.
    void addLayerPlotStyle(std::uint32_t layer, std::uint64_t placeholder);
    void addEntityPlotStyle(std::uint64_t entity, std::uint64_t placeholder);
    // A dictionary's entries (name, handle); the first dictionary read is the root.
    void addDictionary(std::uint64_t handle,
                       std::vector<std::pair<std::string, std::uint64_t>> entries);
    // A named view's area (world coordinates of its plane, or paper space).
    void addView(std::string_view name, const Box2& area);
    void resolveNamedObjects();

private:
    static std::string upper(std::string_view s);

    Drawing& drawing_;
    std::string fileName_;
    bool utf8_ = false;
    bool versionKnown_ = false;
    std::string codepage_ = "ANSI_1252";
    std::unordered_map<std::string, std::uint32_t> layerByUpperName_;
    std::string lastLayerName_;
    std::uint32_t lastLayer_ = kNoIndex;
    std::unordered_map<std::string, std::int32_t> linetypeByUpperName_;
    std::size_t linetypesIndexed_ = 0;
    std::unordered_map<std::string, std::uint32_t> styleByUpperName_;
    std::size_t stylesIndexed_ = 0;
    std::string lastLinetypeName_;
    std::int32_t lastLinetype_ = kLinetypeByLayer;
    std::string lastStyleName_;
    std::uint32_t lastStyle_ = kNoIndex;
    std::size_t diagnosticsDropped_ = 0;
    std::unordered_map<std::uint64_t, std::string> blockRecordNames_;
    std::unordered_map<std::uint64_t, std::uint32_t> textStyleHandles_;
    std::unordered_map<std::uint64_t, std::int32_t> linetypeHandles_;
    struct DeferredArrow {
        std::uint32_t dimStyle;
        int code;
        std::uint64_t handle;
    };
    std::vector<DeferredArrow> deferredArrows_;
    std::vector<std::pair<std::uint32_t, std::uint64_t>> layerPlotStyles_;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> entityPlotStyles_;
    std::unordered_map<std::uint64_t, std::vector<std::pair<std::string, std::uint64_t>>>
        dictionaries_;
    std::uint64_t rootDictionary_ = 0;
    std::unordered_map<std::string, Box2> viewsByUpperName_;
};

// A handle written as hexadecimal digits; 0 when there are none.
std::uint64_t parseHandle(std::string_view hex);

// Reads x, y or z of `point` when `group` is the code `base` (x), base + 10 (y) or
// base + 20 (z). True when the group was one of them.
bool readCoordinate(const Group& group, int base, Vec3& point);
bool readCoordinate(const Group& group, int base, Vec2& point);

} // namespace vexor::cad::dxf
