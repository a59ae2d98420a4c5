#pragma once

#include <string>
#include <string_view>

namespace vexor::cad::dwg {

// Turns texts as a DWG stores them (8-bit in the drawing's code page up to R2004) into UTF-8.
class TextDecoder {
public:
    explicit TextDecoder(std::string codepage) : codepage_(std::move(codepage)) {}
    std::string operator()(std::string_view stored) const;

private:
    std::string codepage_;
};

} // namespace vexor::cad::dwg
