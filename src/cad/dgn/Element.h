#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vexor::cad::dgn {

// Thrown by the accessors of Element when a field lies beyond the element's end; the reader
// skips that element and says so in the drawing's diagnostics.
struct ElementTooShort {
    std::size_t neededBytes = 0;
};

// One element of a design file, as the scanner found it: its place in the file and its bytes,
// header included. Fields are addressed by word index as the format describes them.
struct Element {
    std::uint32_t index = 0;  // position in the file, counting from 0
    std::uint64_t offset = 0; // byte offset in the file
    std::span<const std::uint8_t> bytes;
    std::uint8_t level = 0;
    std::uint8_t type = 0;
    bool complex = false; // a component of the complex element before it
    bool deleted = false;

    std::size_t size() const { return bytes.size(); }
    std::uint16_t word(std::size_t wordIndex) const;
    std::int32_t longAt(std::size_t wordIndex) const;
    double doubleAt(std::size_t wordIndex) const; // VAX D-float
    std::uint8_t byteAt(std::size_t byteIndex) const;
    void require(std::size_t bytesNeeded) const;

    // The display header that graphic elements carry in words 14..17.
    bool hasDisplayHeader() const { return bytes.size() >= 36; }
    int color() const { return bytes[35]; }
    int weight() const { return bytes[34] >> 3; }
    int style() const { return bytes[34] & 7; }
    std::uint16_t properties() const { return word(16); }

    // "element 57 at byte 11264", the prefix of every diagnostic about this element.
    std::string where() const;
};

// The elements of a design file in file order, up to the end-of-design marker or the end of
// the bytes. A word count running past the end stops the scan with a diagnostic.
std::vector<Element> scanElements(std::span<const std::uint8_t> bytes,
                                  std::vector<std::string>& diagnostics);

// Whether the bytes start like a version 7 design file: a control block element (type 9,
// level 8, 2D or 3D) with its usual length of 768 words.
bool looksLikeDgn7(std::span<const std::uint8_t> head);

} // namespace vexor::cad::dgn
