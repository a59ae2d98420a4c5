#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vexor::cad {

// A plot style table: how a layout's lines are coloured and weighted on paper. Colour-dependent
// tables (.ctb) hold one style per colour number 1..255; named tables (.stb) styles by name.
struct PlotStyle {
    std::string name;
    std::optional<std::uint32_t> color; // 0xRRGGBB; none: the object's own colour
    bool grayscale = false;             // the colour is plotted as its grey
    bool dithering = false;
    int screening = 100;                // percent of the colour's intensity, 100 = full
    std::optional<double> lineweightMm; // none: the object's own lineweight
    std::int32_t linetype = 31;         // 31: the object's own linetype
    std::int32_t endStyle = 4, joinStyle = 5, fillStyle = 73; // 4, 5, 73: the object's own

    // What an object of colour 0xRRGGBB plots in through this style.
    std::uint32_t plotColor(std::uint32_t rgb) const;
};

struct PlotStyleTable {
    std::string name; // the file name it was found under, or its known name
    std::string description;
    bool colorDependent = true; // .ctb: styles[i] serves colour number i + 1
    std::vector<PlotStyle> styles;
    std::vector<double> lineweights; // the table's custom lineweights in millimetres

    // The style for colour number `aci` (1..255) of a colour-dependent table; of a named table
    // its default style (the first, "Normal"); nullptr if none.
    const PlotStyle* forColorNumber(int aci) const;
    // The style of a named table with this name (any case); nullptr if none.
    const PlotStyle* byName(std::string_view styleName) const;
    // What an object of colour 0xRRGGBB (colour number `aci`, 0 when it has none) plots in.
    std::uint32_t plotColor(std::uint32_t rgb, int aci) const;
    // The lineweight in millimetres an object of that colour plots with, or none for its own.
    std::optional<double> plotLineweightMm(std::uint32_t rgb, int aci) const;
};

// Raised when a plot style table's bytes are not one.
class PlotStyleError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a .ctb or .stb file's bytes: a short text header naming the version and the
// compression, three 32-bit little-endian numbers (checksum, text size, compressed size) and a
// zlib stream of the table as text records. Throws PlotStyleError naming the reason and offset.
PlotStyleTable parsePlotStyleTable(std::string_view bytes, std::string name);

// The table a layout names: read from beside the drawing, then from the user's folder
// ($XDG_DATA_HOME/vexor/plotstyles); the common monochrome and grayscale tables stand in by
// name when their file is absent. nullptr when the table is neither found nor known; `problem`
// then says why (or that the file could not be read).
std::shared_ptr<const PlotStyleTable> findPlotStyleTable(const std::string& tableName,
                                                         const std::string& drawingPath,
                                                         std::string& problem);

// The table a name stands for without its file: "monochrome" and "grayscale" (.ctb or .stb,
// any case); nullptr for any other name.
std::shared_ptr<const PlotStyleTable> knownPlotStyleTable(const std::string& tableName);

// The user's folder of plot style tables.
std::string userPlotStyleFolder();

} // namespace vexor::cad
