#pragma once

#include "cad/dxf/DxfReader.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vexor::test {

// Writes small DXF files for tests: groups as text lines, optionally wrapped in sections.
class DxfText {
public:
    DxfText& g(int code, std::string_view value) {
        text_ += std::to_string(code) + "\n" + std::string(value) + "\n";
        return *this;
    }
    DxfText& g(int code, double value) { return g(code, std::to_string(value)); }
    DxfText& g(int code, int value) { return g(code, std::to_string(value)); }
    DxfText& point(int base, double x, double y, double z = 0) {
        return g(base, x).g(base + 10, y).g(base + 20, z);
    }
    DxfText& begin(std::string_view section) { return g(0, "SECTION").g(2, section); }
    DxfText& end() { return g(0, "ENDSEC"); }
    DxfText& eof() { return g(0, "EOF"); }
    const std::string& str() const { return text_; }

private:
    std::string text_;
};

inline cad::Drawing readText(const std::string& text, const std::string& name = "test.dxf") {
    const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
    return cad::dxf::readDxf({p, text.size()}, name);
}

// A drawing whose ENTITIES section holds the given groups.
inline cad::Drawing readEntities(DxfText body) {
    DxfText file;
    file.begin("ENTITIES");
    std::string text = file.str() + body.str();
    text += "0\nENDSEC\n0\nEOF\n";
    return readText(text);
}

} // namespace vexor::test
