#include "Tables.h"

#include "ByteReader.h"

#include <cmath>
#include <cstdlib>
#include <functional>

namespace vexor::cad::dwg::r12 {
namespace {

constexpr std::size_t kNameSize = 32;
constexpr std::size_t kDescriptionSize = 48;
constexpr std::size_t kFontNameSize = 64;
constexpr std::size_t kMaxDashes = 12;
constexpr std::uint32_t kAddressMask = 0x00FFFFFF;

// The common start of every table record: flags and name, and from R11 a use count.
struct RecordStart {
    std::uint8_t flags = 0;
    std::string name;
};

// Calls `read` for each record of a table, each with a reader over its own fixed-size bytes. A
// table reaching past the end of the file is cut to what the file holds; a record that cannot be
// read is reported and skipped.
void forEachRecord(std::span<const std::uint8_t> file, const FileHeader& header,
                   const TableLocator& table, const char* name, const TextDecoder& decode,
                   std::vector<std::string>& diagnostics,
                   const std::function<void(ByteReader&, const RecordStart&)>& read) {
    if (table.count == 0)
        return;
    if (table.recordSize < 1 + kNameSize || table.offset > file.size()) {
        diagnostics.push_back(std::string("the ") + name + " table lies outside the file");
        return;
    }
    std::size_t count = table.count;
    const std::size_t fits = (file.size() - table.offset) / table.recordSize;
    if (fits < count) {
        diagnostics.push_back(std::string("the ") + name +
                              " table is cut short: " + std::to_string(fits) + " of " +
                              std::to_string(count) + " records read");
        count = fits;
    }
    int damaged = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t offset = table.offset + i * table.recordSize;
        ByteReader r(file.subspan(offset, table.recordSize), offset);
        try {
            RecordStart start;
            start.flags = r.u8();
            start.name = decode(r.fixedText(kNameSize));
            if (header.release >= Release::R11)
                r.skip(2); // use count
            read(r, start);
        } catch (const DwgFormatError&) {
            ++damaged;
        }
    }
    if (damaged > 0)
        diagnostics.push_back(std::string("skipped ") + std::to_string(damaged) + " damaged " +
                              name + " records");
}

std::int32_t linetypeOfLayer(std::int16_t index, std::size_t linetypeCount) {
    if (index >= 0 && static_cast<std::size_t>(index) < linetypeCount)
        return index;
    return kLinetypeContinuous;
}

void readLinetypes(std::span<const std::uint8_t> file, const FileHeader& header,
                   const TextDecoder& decode, Drawing& drawing) {
    forEachRecord(file, header, header.linetypes, "linetype", decode, drawing.diagnostics,
                  [&](ByteReader& r, const RecordStart& start) {
                      Linetype lt;
                      lt.name = start.name;
                      lt.description = decode(r.fixedText(kDescriptionSize));
                      r.skip(1); // alignment
                      const std::size_t dashes = std::min<std::size_t>(r.u8(), kMaxDashes);
                      lt.patternLength = r.f64();
                      for (std::size_t i = 0; i < kMaxDashes; ++i) {
                          const double d = r.f64();
                          if (i < dashes && std::isfinite(d))
                              lt.pattern.push_back(d);
                      }
                      if (!std::isfinite(lt.patternLength))
                          lt.patternLength = 0;
                      drawing.linetypes.push_back(std::move(lt));
                  });
}

void readStyles(std::span<const std::uint8_t> file, const FileHeader& header,
                const TextDecoder& decode, Drawing& drawing) {
    forEachRecord(file, header, header.styles, "text style", decode, drawing.diagnostics,
                  [&](ByteReader& r, const RecordStart& start) {
                      TextStyle style;
                      style.name = start.name;
                      style.shapeFile = (start.flags & 1) != 0; // loads shapes, not a font
                      style.fixedHeight = r.f64();
                      style.widthFactor = r.f64();
                      style.oblique = r.f64();
                      r.skip(1 + 8); // generation, last height used
                      style.fontFile = decode(r.fixedText(kFontNameSize));
                      if (r.remaining() >= kFontNameSize)
                          style.bigFontFile = decode(r.fixedText(kFontNameSize));
                      if (!std::isfinite(style.widthFactor) || style.widthFactor <= 0)
                          style.widthFactor = 1;
                      if (!std::isfinite(style.oblique))
                          style.oblique = 0;
                      if (!std::isfinite(style.fixedHeight) || style.fixedHeight < 0)
                          style.fixedHeight = 0;
                      drawing.textStyles.push_back(std::move(style));
                  });
}

// A dimension style record (R11): the variables in a fixed order, sizes first, then the
// switches, texts and colours, with the two variables added last at the end.
constexpr std::size_t kDimStyleRecord = 322; // without the check sum
constexpr std::size_t kDimSuffixSize = 16;
constexpr std::size_t kDimBlockNameSize = 33;

Color dimColor(std::int16_t n) {
    if (n == 256)
        return Color::byLayer();
    if (n >= 1 && n <= 255)
        return Color::indexed(n);
    return Color::byBlock();
}

void readDimStyles(std::span<const std::uint8_t> file, const FileHeader& header,
                   const TextDecoder& decode, Drawing& drawing) {
    if (header.dimStyles.count > 0 && header.dimStyles.recordSize < kDimStyleRecord) {
        drawing.diagnostics.push_back("dimension style records of " +
                                      std::to_string(header.dimStyles.recordSize) +
                                      " bytes are not understood; the styles are left out");
        return;
    }
    forEachRecord(file, header, header.dimStyles, "dimension style", decode, drawing.diagnostics,
                  [&](ByteReader& r, const RecordStart& start) {
                      DimStyle d;
                      d.name = start.name;
                      const auto size = [&](double fallback) {
                          const double v = r.f64();
                          return std::isfinite(v) && v >= 0 && v < 1e12 ? v : fallback;
                      };
                      d.scale = size(1);
                      if (d.scale == 0)
                          d.scale = 1;
                      d.arrowSize = size(d.arrowSize);
                      d.extensionOffset = size(d.extensionOffset);
                      r.skip(8); // DIMDLI: spacing of baseline dimensions
                      d.extensionBeyond = size(d.extensionBeyond);
                      d.rounding = size(d.rounding);
                      d.dimLineBeyond = size(d.dimLineBeyond);
                      r.skip(8 + 8); // DIMTP, DIMTM: tolerances
                      d.textHeight = size(d.textHeight);
                      r.skip(8); // DIMCEN: centre marks
                      d.tickSize = size(d.tickSize);
                      r.skip(8); // DIMALTF: alternate units
                      const double factor = r.f64();
                      if (std::isfinite(factor) && factor != 0 && std::abs(factor) < 1e12)
                          d.linearFactor = factor;
                      r.skip(8);     // DIMTVP: text above the line by a factor
                      r.skip(1 + 1); // DIMTOL, DIMLIM
                      d.textInsideHorizontal = r.u8() != 0;
                      d.textOutsideHorizontal = r.u8() != 0;
                      d.suppressExtension1 = r.u8() != 0;
                      d.suppressExtension2 = r.u8() != 0;
                      d.textAbove = r.u8();
                      d.zeroSuppression = r.u8();
                      r.skip(1 + 1 + 1); // DIMALT, DIMALTD, DIMTOFL
                      d.separateArrows = r.u8() != 0;
                      r.skip(1 + 1); // DIMTIX, DIMSOXD
                      d.postfix = decode(r.fixedText(kDimSuffixSize));
                      r.skip(kDimSuffixSize); // DIMAPOST
                      d.arrow = decode(r.fixedText(kDimBlockNameSize));
                      d.arrow1 = decode(r.fixedText(kDimBlockNameSize));
                      d.arrow2 = decode(r.fixedText(kDimBlockNameSize));
                      d.lineColor = dimColor(r.i16());
                      d.extensionColor = dimColor(r.i16());
                      d.textColor = dimColor(r.i16());
                      r.skip(8); // DIMTFAC: tolerance text height
                      d.textGap = size(d.textGap);
                      drawing.dimStyles.push_back(std::move(d));
                  });
}

// Tables the drawing has no place for, read to check them and counted.
void countUnused(std::span<const std::uint8_t> file, const FileHeader& header,
                 const TextDecoder& decode, std::vector<std::string>& diagnostics) {
    const std::pair<const TableLocator*, const char*> tables[] = {
        {&header.views, "VIEW"},
        {&header.ucs, "UCS"},
        {&header.viewportConfigs, "VPORT"},
    };
    for (const auto& [table, name] : tables) {
        std::size_t records = 0;
        forEachRecord(file, header, *table, name, decode, diagnostics,
                      [&](ByteReader&, const RecordStart&) { ++records; });
        if (records > 0)
            diagnostics.push_back("table records read and not used: " + std::to_string(records) +
                                  " " + name);
    }
}

} // namespace

std::vector<Layer> readLayers(std::span<const std::uint8_t> file, const FileHeader& header,
                              const TextDecoder& decode, std::vector<std::string>& diagnostics) {
    std::vector<Layer> layers;
    forEachRecord(file, header, header.layers, "layer", decode, diagnostics,
                  [&](ByteReader& r, const RecordStart& start) {
                      Layer layer;
                      layer.name = start.name;
                      layer.frozen = (start.flags & 1) != 0;
                      const int color = r.i16();
                      layer.off = color < 0;
                      const int index = std::abs(color);
                      layer.color = Color::indexed(index >= 1 && index <= 255 ? index : 7);
                      layer.linetype = r.i16(); // resolved once the linetypes are known
                      layers.push_back(std::move(layer));
                  });
    return layers;
}

Tables readTables(std::span<const std::uint8_t> file, const FileHeader& header,
                  const TextDecoder& decode, Drawing& drawing) {
    Tables tables;
    readLinetypes(file, header, decode, drawing);
    tables.linetypeCount = drawing.linetypes.size();
    readStyles(file, header, decode, drawing);
    tables.styleCount = drawing.textStyles.size();
    for (Layer& layer : readLayers(file, header, decode, drawing.diagnostics)) {
        layer.linetype =
            linetypeOfLayer(static_cast<std::int16_t>(layer.linetype), tables.linetypeCount);
        if (layer.name.empty()) { // a record without a name: its entities go to layer 0
            tables.layers.push_back(drawing.layerIndex("0"));
            continue;
        }
        const std::string name = layer.name;
        const std::uint32_t index = drawing.layerIndex(name);
        drawing.layers[index] = std::move(layer);
        tables.layers.push_back(index);
    }
    readDimStyles(file, header, decode, drawing);
    tables.dimStyleCount = drawing.dimStyles.size();
    countUnused(file, header, decode, drawing.diagnostics);
    forEachRecord(
        file, header, header.applications, "APPID", decode, drawing.diagnostics,
        [&](ByteReader&, const RecordStart& start) { tables.applications.push_back(start.name); });
    forEachRecord(file, header, header.blocks, "block", decode, drawing.diagnostics,
                  [&](ByteReader& r, const RecordStart& start) {
                      BlockRecord block;
                      block.name = start.name;
                      block.anonymous = (start.flags & 1) != 0;
                      block.externalReference = (start.flags & 4) != 0;
                      block.address = r.u32() & kAddressMask;
                      tables.blocks.push_back(std::move(block));
                  });
    return tables;
}

} // namespace vexor::cad::dwg::r12
