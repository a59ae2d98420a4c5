#pragma once

#include "Entities.h"
#include "Layout.h"
#include "MultiLeader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vexor::cad {

enum class FileFormat : std::uint8_t { Unknown, Dwg, Dxf, Dgn };

struct Layer {
    std::string name;
    Color color = Color::indexed(7); // the layer's colour number (positive) or true colour
    bool off = false;                // stored as a negative colour number in the files
    bool frozen = false;
    bool locked = false;
    bool plottable = true;
    std::int32_t linetype = kLinetypeContinuous;
    std::int16_t lineweight = kLineweightDefault;
    std::uint64_t handle = 0; // file handle, for viewports that freeze the layer
    std::string plotStyle;    // its named plot style; empty: the table's default
};

struct Linetype {
    std::string name;
    std::string description;
    std::vector<double> pattern; // positive dash, negative gap, 0 dot, in drawing units
    double patternLength = 0;
};

struct TextStyle {
    std::string name;
    std::string fontFile;
    std::string bigFontFile;
    double fixedHeight = 0;
    double widthFactor = 1;
    double oblique = 0;     // radians
    bool shapeFile = false; // the entry loads a shape file for SHAPE entities, not a text font
    bool vertical = false;  // text in this style runs top to bottom
    // A TrueType family the style names in its extended data instead of a font file, with the
    // weight and slant asked for.
    std::string family;
    bool familyBold = false, familyItalic = false;
};

struct Block {
    std::string name;
    Vec3 base;
    bool anonymous = false;
    bool externalReference = false;
    bool overlay = false;      // an external reference shown only in the drawing that overlays it
    std::string referencePath; // the referenced drawing's file as stored (external references)
    std::vector<Entity> entities;
    std::uint64_t handle = 0;        // the block record's file handle, for layouts naming it
    std::vector<Viewport> viewports; // paper-space blocks: the views onto model space
};

// How the elements of multilines look: offsets, colours and linetypes, fill and caps. The
// offsets serve lines whose vertices do not store their own.
struct MLineStyle {
    enum Flags : std::uint16_t {
        Fill = 1,
        ShowMiters = 2,
        StartLine = 16,
        StartInnerArcs = 32,
        StartOuterArc = 64,
        EndLine = 256,
        EndInnerArcs = 512,
        EndOuterArc = 1024,
    };
    struct Element {
        double offset = 0;
        Color color = Color::byLayer();
        std::int32_t linetype = kLinetypeByLayer;
    };
    std::string name;
    std::uint64_t handle = 0;
    std::uint16_t flags = 0;
    Color fillColor = Color::byLayer();
    std::vector<Element> elements;
};

// A raster picture a drawing refers to: the file as stored (often relative or from another
// machine) and its size in pixels.
struct ImageDefinition {
    std::uint64_t handle = 0;
    std::string fileName;
    Vec2 sizePixels;
};

// An external reference met while loading a drawing: the block naming it, its file as stored
// and the file used (empty when none was found or it could not be read). Depth 1 is a
// reference of the drawing itself, 2 one inside such a reference, and so on.
struct ExternalReference {
    std::string name;
    std::string path;
    std::string file;
    bool found = false;
    bool overlay = false;
    int depth = 1;
};

// Values stored in the file's header. Absent when the file has none.
struct Header {
    std::string version;  // AC1015, AC1032, "V7" ...
    std::string codepage; // ANSI_1252 ...
    std::optional<Vec3> extMin, extMax;
    std::optional<Vec2> limMin, limMax;
    std::optional<std::int32_t> insUnits;
    // INSBASE: the point of model space that lands at the insertion point when the drawing is
    // inserted or referenced by another.
    std::optional<Vec3> insBase;
    std::optional<std::int32_t> measurement; // 0 imperial, 1 metric
    // How lengths are shown (LUNITS: 1 scientific, 2 decimal, 3 engineering, 4 architectural,
    // 5 fractional) and with what precision (LUPREC).
    std::optional<std::int32_t> linearUnits, linearPrecision;
    double linetypeScale = 1.0;
    std::int32_t pointMode = 0;
    double pointSize = 0;
    // Whether frames are drawn round wipeouts (WIPEOUTFRAME: 0 no, 1 yes, 2 shown but not
    // plotted) and round raster images (IMAGEFRAME); absent when the file does not say.
    std::optional<std::int32_t> wipeoutFrame, imageFrame;
    // Whether clipped inserts show their clip boundary (XCLIPFRAME: 0 no, 1 shown and plotted,
    // 2 shown but not plotted); saved in drawings from R2004 on, none when the file does not say.
    std::optional<std::int32_t> clipFrame;
    bool lineweightDisplay = false; // LWDISPLAY: lines shown at their lineweight on screen
    bool namedPlotStyles = false;   // PSTYLEMODE 0: plotted through named (.stb) tables
};

// A format-neutral drawing as the readers fill it and the renderer draws it.
struct Drawing {
    FileFormat format = FileFormat::Unknown;
    Header header;
    std::vector<Layer> layers;
    std::vector<Linetype> linetypes;
    std::vector<TextStyle> textStyles;
    std::vector<Block> blocks;
    std::vector<Entity> modelSpace;
    std::vector<Layout> layouts; // the paper sheets, in tab order once finishLayouts has run
    std::vector<std::string> diagnostics;
    std::vector<DimStyle> dimStyles;
    std::vector<MultiLeaderStyle> multiLeaderStyles;
    std::vector<MLineStyle> mlineStyles;
    std::vector<ImageDefinition> imageDefinitions;
    std::vector<ExternalReference> references; // depth first, in the order they were met
    // The named plot style of each entity whose PlotStyleRef is Named, by entity handle.
    std::unordered_map<std::uint64_t, std::string> entityPlotStyles;
    // The file the drawing was read from (empty when read from memory): files it refers to by
    // name, such as raster images and shape fonts, are looked for beside it.
    std::string sourcePath;

    // Index of the layer with this name (exact), adding a default layer when there is none.
    std::uint32_t layerIndex(const std::string& name);
    // Index of the block with this name (exact), adding an empty block when there is none.
    std::uint32_t blockIndex(const std::string& name);
    std::int32_t findLinetype(const std::string& name) const;   // -1 when absent
    std::uint32_t findTextStyle(const std::string& name) const; // kNoIndex when absent
    std::uint32_t findDimStyle(std::string_view name) const;    // any case; kNoIndex when absent

private:
    std::unordered_map<std::string, std::uint32_t> layerByName_;
    std::unordered_map<std::string, std::uint32_t> blockByName_;
};

} // namespace vexor::cad
