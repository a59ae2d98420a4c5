#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vexor::cad::dgn::test {

// Writes small version 7 design files for the tests: a control block with the given working
// units and global origin, then the elements the test adds, then the end marker.
class DgnTestFile {
public:
    DgnTestFile(bool is3d, std::int32_t subunitsPerMaster, std::int32_t uorsPerSubunit,
                double originX = 0, double originY = 0);

    struct Symbology {
        int level = 1;
        int color = 0;
        int weight = 0;
        int style = 0;
        std::uint16_t properties = 0;
        bool complex = false;
        bool deleted = false;
    };

    // Adds an element of this type whose body (after the 36-byte header) is `body`; extra
    // words after the body become the attribute linkage. Returns the element's index.
    int add(int type, const Symbology& s, const std::vector<std::uint8_t>& body,
            const std::vector<std::uint16_t>& linkage = {});
    // Adds raw bytes as they are (for damaged files).
    void addRaw(const std::vector<std::uint8_t>& bytes) {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    }

    std::vector<std::uint8_t> bytes() const;
    std::size_t size() const { return bytes_.size(); }

private:
    std::vector<std::uint8_t> bytes_;
    int count_ = 0;
};

// Little helpers to build element bodies.
struct Body {
    std::vector<std::uint8_t> bytes;
    Body& word(std::uint16_t w);
    Body& byte(std::uint8_t b);
    Body& longWord(std::int32_t v); // middle-endian
    Body& vaxDouble(double v);
    Body& text(const std::string& s);
};

// The fill linkage that marks a closed element as filled with this colour.
std::vector<std::uint16_t> fillLinkage(int color);

} // namespace vexor::cad::dgn::test
