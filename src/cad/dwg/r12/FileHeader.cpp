#include "FileHeader.h"

#include "ByteReader.h"

#include <cmath>
#include <string_view>

namespace vexor::cad::dwg::r12 {
namespace {

struct VersionName {
    const char* magic;
    Release release;
};

constexpr VersionName kVersions[] = {
    {"AC1009", Release::R11},  {"AC1006", Release::R10},  {"AC1004", Release::R9},
    {"AC1003", Release::R2_6}, {"AC1002", Release::R2_5}, {"AC1001", Release::R2_5},
    {"AC2.22", Release::R2_1}, {"AC2.21", Release::R2_1}, {"AC2.10", Release::R2_1},
    {"AC1.40", Release::R1_4},
};

// Offsets of the fixed header, the same from R2.1 to R12.
constexpr std::size_t kSectionLocators = 0x14;
constexpr std::size_t kTableLocators = 0x2C;
constexpr std::size_t kInsBase = 0x60; // the header's points in the order DXF lists them
constexpr std::size_t kExtMin = 0x78;
constexpr std::size_t kLimMin = 0xA8;
constexpr std::size_t kLinetypeScale = 0x132;
constexpr std::size_t kCodepage = 0x3F9;
// Locators of the tables later releases added, among the header variables.
constexpr std::size_t kUcsTable = 0x3EF;
constexpr std::size_t kViewportConfigTable = 0x500;
constexpr std::size_t kApplicationTable = 0x512;
constexpr std::size_t kDimStyleTable = 0x522;
// Releases 1.x keep a fixed header of this size; their entities follow it directly.
constexpr std::size_t kR1HeaderSize = 0x202;
constexpr std::size_t kR1EntityEnd = 0x24;
constexpr std::size_t kR1ExtMin = 0x32; // 2D points up to limits
constexpr std::size_t kR1ExtMax = 0x42;
constexpr std::size_t kR1LimMin = 0x5A;
constexpr std::size_t kR1LimMax = 0x6A;
// Sizes of block and extra entity sections carry flags in their top byte.
constexpr std::uint32_t kSizeMask = 0x00FFFFFF;

// An unset extent is stored as +-1e20; keep it out of the header.
std::optional<Vec3> extent(const Vec3& p) {
    if (std::abs(p.x) >= 1e19 || std::abs(p.y) >= 1e19)
        return std::nullopt;
    return p;
}

Vec3 point3(ByteReader& r) {
    Vec3 p;
    p.x = r.f64();
    p.y = r.f64();
    p.z = r.f64();
    return p;
}

Vec2 point2(ByteReader& r) {
    Vec2 p;
    p.x = r.f64();
    p.y = r.f64();
    return p;
}

Extent checkedExtent(std::uint32_t start, std::uint32_t size, std::size_t fileSize,
                     const char* what) {
    if (start > fileSize || size > fileSize - start)
        throw DwgFormatError(std::string(what) + " lie outside the file", kSectionLocators, 0);
    return {start, size};
}

TableLocator table(ByteReader& r) {
    TableLocator t;
    t.recordSize = r.u16();
    t.count = r.u16();
    r.skip(2); // flags
    t.offset = r.u32();
    return t;
}

void readValues(ByteReader& r, FileHeader& h) {
    if (h.release >= Release::R11) { // older releases keep other values beside it
        r.seek(kInsBase);
        const Vec3 base = point3(r);
        if (std::isfinite(base.x) && std::isfinite(base.y) && std::isfinite(base.z))
            h.values.insBase = extent(base);
    }
    r.seek(kExtMin);
    const Vec3 extMin = point3(r);
    const Vec3 extMax = point3(r);
    if (const auto lo = extent(extMin), hi = extent(extMax); lo && hi) {
        h.values.extMin = lo;
        h.values.extMax = hi;
    }
    r.seek(kLimMin);
    h.values.limMin = point2(r);
    h.values.limMax = point2(r);
    r.seek(kLinetypeScale);
    const double ltscale = r.f64();
    if (ltscale > 0 && ltscale < 1e12)
        h.values.linetypeScale = ltscale;
    if (h.release >= Release::R11) {
        r.seek(kCodepage);
        h.codepage = r.u16();
    }
}

} // namespace

std::optional<Release> releaseOf(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 6)
        return std::nullopt;
    const std::string_view magic(reinterpret_cast<const char*>(bytes.data()), 6);
    for (const VersionName& v : kVersions)
        if (magic == v.magic)
            return v.release;
    return std::nullopt;
}

FileHeader parseFileHeader(std::span<const std::uint8_t> file) {
    FileHeader h;
    const auto release = releaseOf(file);
    if (!release)
        throw DwgFormatError("not a DWG file of a release before R13", 0, 0);
    h.release = *release;
    h.versionName.assign(reinterpret_cast<const char*>(file.data()), 6);
    ByteReader r(file, 0);
    if (h.release == Release::R1_4) {
        // Only the end of the entities is located; the tables of these releases are not read.
        r.seek(kR1EntityEnd);
        const std::uint32_t end = r.u32();
        if (end < kR1HeaderSize || end > file.size())
            throw DwgFormatError("entity section lies outside the file", kR1EntityEnd, 0);
        h.entities = {static_cast<std::uint32_t>(kR1HeaderSize),
                      static_cast<std::uint32_t>(end - kR1HeaderSize)};
        r.seek(kR1ExtMin);
        const Vec2 lo = point2(r);
        r.seek(kR1ExtMax);
        const Vec2 hi = point2(r);
        if (const auto a = extent({lo.x, lo.y, 0}), b = extent({hi.x, hi.y, 0}); a && b) {
            h.values.extMin = a;
            h.values.extMax = b;
        }
        r.seek(kR1LimMin);
        h.values.limMin = point2(r);
        r.seek(kR1LimMax);
        h.values.limMax = point2(r);
        return h;
    }
    r.seek(kSectionLocators);
    const std::uint32_t entitiesStart = r.u32();
    const std::uint32_t entitiesEnd = r.u32();
    const std::uint32_t blocksStart = r.u32();
    const std::uint32_t blocksSize = r.u32() & kSizeMask;
    const std::uint32_t extrasStart = r.u32();
    const std::uint32_t extrasSize = r.u32() & kSizeMask;
    if (entitiesEnd < entitiesStart)
        throw DwgFormatError("entity section ends before it starts", kSectionLocators, 0);
    h.entities = checkedExtent(entitiesStart, entitiesEnd - entitiesStart, file.size(), "entities");
    h.blockEntities = checkedExtent(blocksStart, blocksSize, file.size(), "block entities");
    h.extraEntities = checkedExtent(extrasStart, extrasSize, file.size(), "extra entities");
    r.seek(kTableLocators);
    h.blocks = table(r);
    h.layers = table(r);
    h.styles = table(r);
    h.linetypes = table(r);
    h.views = table(r);
    if (h.release >= Release::R10) {
        r.seek(kUcsTable);
        h.ucs = table(r);
        r.seek(kViewportConfigTable);
        h.viewportConfigs = table(r);
    }
    if (h.release >= Release::R11) {
        r.seek(kApplicationTable);
        h.applications = table(r);
        r.seek(kDimStyleTable);
        h.dimStyles = table(r);
    }
    readValues(r, h);
    return h;
}

} // namespace vexor::cad::dwg::r12
