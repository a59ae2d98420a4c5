#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vexor::cad::dwg {

// The DWG releases whose object encoding differs; ordered so that comparisons read naturally
// ("version >= DwgVersion::R2000").
enum class DwgVersion : std::uint8_t { R13, R14, R2000, R2004, R2007, R2010, R2013, R2018 };

// The release of a file's six-byte version string ("AC1015" -> R2000), if it is one we know.
inline std::optional<DwgVersion> dwgVersionOf(std::string_view magic) {
    if (magic == "AC1012")
        return DwgVersion::R13;
    if (magic == "AC1014")
        return DwgVersion::R14;
    if (magic == "AC1015")
        return DwgVersion::R2000;
    if (magic == "AC1018")
        return DwgVersion::R2004;
    if (magic == "AC1021")
        return DwgVersion::R2007;
    if (magic == "AC1024")
        return DwgVersion::R2010;
    if (magic == "AC1027")
        return DwgVersion::R2013;
    if (magic == "AC1032")
        return DwgVersion::R2018;
    return std::nullopt;
}

} // namespace vexor::cad::dwg
