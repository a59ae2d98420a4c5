#include "Element.h"

#include "Words.h"

namespace vexor::cad::dgn {

void Element::require(std::size_t bytesNeeded) const {
    if (bytesNeeded > bytes.size())
        throw ElementTooShort{bytesNeeded};
}

std::uint16_t Element::word(std::size_t wordIndex) const {
    require(2 * wordIndex + 2);
    return wordAt(bytes.data() + 2 * wordIndex);
}

std::int32_t Element::longAt(std::size_t wordIndex) const {
    require(2 * wordIndex + 4);
    return dgn::longAt(bytes.data() + 2 * wordIndex);
}

double Element::doubleAt(std::size_t wordIndex) const {
    require(2 * wordIndex + 8);
    return vaxDoubleAt(bytes.data() + 2 * wordIndex);
}

std::uint8_t Element::byteAt(std::size_t byteIndex) const {
    require(byteIndex + 1);
    return bytes[byteIndex];
}

std::string Element::where() const {
    return "element " + std::to_string(index) + " at byte " + std::to_string(offset);
}

std::vector<Element> scanElements(std::span<const std::uint8_t> bytes,
                                  std::vector<std::string>& diagnostics) {
    std::vector<Element> elements;
    elements.reserve(bytes.size() / 64); // typical elements are 60 to 100 bytes
    std::size_t offset = 0;
    while (offset + 4 <= bytes.size()) {
        const std::uint8_t* p = bytes.data() + offset;
        if (p[0] == 0xFF && p[1] == 0xFF)
            return elements; // end-of-design marker
        const std::size_t size = (std::size_t{wordAt(p + 2)} + 2) * 2;
        if (size > bytes.size() - offset) {
            diagnostics.push_back("element " + std::to_string(elements.size()) + " at byte " +
                                  std::to_string(offset) +
                                  ": word count runs past the end of the file");
            return elements;
        }
        Element e;
        e.index = static_cast<std::uint32_t>(elements.size());
        e.offset = offset;
        e.bytes = bytes.subspan(offset, size);
        e.level = p[0] & 0x3F;
        e.complex = (p[0] & 0x80) != 0;
        e.type = p[1] & 0x7F;
        e.deleted = (p[1] & 0x80) != 0;
        elements.push_back(e);
        offset += size;
    }
    const bool cleanEnd =
        offset == bytes.size() ||
        (bytes.size() - offset >= 2 && bytes[offset] == 0xFF && bytes[offset + 1] == 0xFF);
    if (!cleanEnd)
        diagnostics.push_back("the file ends inside the header of element " +
                              std::to_string(elements.size()) + " at byte " +
                              std::to_string(offset));
    return elements;
}

bool looksLikeDgn7(std::span<const std::uint8_t> head) {
    // 0xC8 is level 8 with the two top bits that mark a 3D file's control block.
    return head.size() >= 4 && (head[0] == 0x08 || head[0] == 0xC8) && head[1] == 0x09 &&
           head[2] == 0xFE && head[3] == 0x02;
}

} // namespace vexor::cad::dgn
