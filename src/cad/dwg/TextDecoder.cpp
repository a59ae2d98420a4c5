#include "TextDecoder.h"

#include "../io/Codepage.h"

#include <algorithm>

namespace vexor::cad::dwg {

std::string TextDecoder::operator()(std::string_view stored) const {
    // Most texts are plain ASCII: they need no conversion, which would cost a converter set-up
    // per text.
    const bool ascii = std::all_of(stored.begin(), stored.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii)
        return stored.find("\\U+") == std::string_view::npos ? std::string(stored)
                                                             : decodeUnicodeEscapes(stored);
    return toUtf8(stored, codepage_);
}

} // namespace vexor::cad::dwg
