#include "Classes.h"

#include "BitReader.h"
#include "FileHeader.h"
#include "SectionStreams.h"

namespace vexor::cad::dwg {
namespace {

constexpr std::int16_t kEntityClassId = 0x1F2;
// The smallest record: two bit shorts, three empty texts (up to R2004), a bit and a bit short.
constexpr std::size_t kMinClassBits = 2 + 2 + 3 * 2 + 1 + 2;

} // namespace

std::vector<DwgClass> parseClasses(std::span<const std::uint8_t> section, DwgVersion version,
                                   int maintenanceRelease, std::uint64_t absoluteOffset) {
    const auto data =
        sentinelSection(section, kClassesSentinel, absoluteOffset, version, maintenanceRelease);
    SectionStreams streams(data, version, absoluteOffset + (data.data() - section.data()));
    BitReader& r = streams.values();
    if (version >= DwgVersion::R2004) {
        r.bitShort(); // highest class number
        r.rawChar();
        r.rawChar();
        r.bit();
    }
    std::vector<DwgClass> classes;
    while (r.remainingBits() >= kMinClassBits) {
        try {
            DwgClass c;
            c.number = r.bitShort();
            r.bitShort();   // proxy capabilities
            streams.text(); // application name
            c.cppName = streams.text();
            c.dxfName = streams.text();
            r.bit(); // was a zombie
            c.isEntity = r.bitShort() == kEntityClassId;
            if (version >= DwgVersion::R2004) {
                r.bitLong(); // instance count
                r.bitLong(); // DWG version
                r.bitLong(); // maintenance version
                r.bitLong();
                r.bitLong();
            }
            classes.push_back(std::move(c));
        } catch (const DwgFormatError&) {
            break; // padding at the end of the section
        }
    }
    return classes;
}

} // namespace vexor::cad::dwg
