#include "TableRecords.h"

namespace vexor::cad::dwg {
namespace {

constexpr int kMaxDashes = 255;

} // namespace

std::string readRecordName(ObjectFrame& f, const TextDecoder& decode) {
    std::string name = f.text(decode);
    f.data.bit(); // 64-flag (referenced)
    if (f.version < DwgVersion::R2007)
        f.data.bitShort(); // external reference index + 1
    f.data.bit();          // depends on an external reference
    return name;
}

Color readTableColor(ObjectFrame& f, const TextDecoder& decode, int* storedIndex) {
    const int index = f.data.bitShort();
    *storedIndex = index;
    const auto packed = static_cast<std::uint32_t>(f.data.bitLong());
    const std::uint8_t names = f.data.rawChar();
    if (names & 1)
        f.text(decode); // colour name
    if (names & 2)
        f.text(decode); // colour book name
    switch (packed >> 24) {
    case 0xC2:
        return Color::trueColor(packed);
    case 0xC3:
        return Color::indexed(static_cast<int>(packed & 0xFF));
    default:
        return Color::indexed(index < 0 ? -index : index);
    }
}

Color readObjectColor(ObjectFrame& f, const TextDecoder& decode) {
    BitReader& r = f.data;
    const int index = r.bitShort();
    const int unsignedIndex = index < 0 ? -index : index;
    if (f.version < DwgVersion::R2004)
        return colorOfPacked(0, unsignedIndex);
    const auto packed = static_cast<std::uint32_t>(r.bitLong());
    const std::uint8_t names = r.rawChar();
    if (names & 1)
        f.text(decode); // colour name
    if (names & 2)
        f.text(decode); // colour book name
    return colorOfPacked(packed, unsignedIndex);
}

namespace {

// Handles every record has after its owner, reactors and dictionary.
void skipExternalReferenceHandle(ObjectFrame& f) {
    f.refs.handle();
}

} // namespace

TableControl parseTableControl(ObjectFrame& f) {
    readObjectPreamble(f);
    const std::int32_t count = f.data.bitLong();
    if (count < 0 || static_cast<std::size_t>(count) > f.refs.remainingBits() / 8)
        f.data.fail("table control lists more records than it can hold");
    TableControl control;
    control.entries.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i)
        control.entries.push_back(f.readHandle());
    if (f.type == kTypeBlockControl || f.type == kTypeLinetypeControl) {
        if (f.refs.remainingBits() >= 8)
            control.special1 = f.readHandle();
        if (f.refs.remainingBits() >= 8)
            control.special2 = f.readHandle();
    }
    return control;
}

LayerRecord parseLayer(ObjectFrame& f, const TextDecoder& decode) {
    readObjectPreamble(f);
    LayerRecord rec;
    Layer& layer = rec.layer;
    layer.name = readRecordName(f, decode);
    if (f.version <= DwgVersion::R14) {
        layer.frozen = f.data.bit();
        f.data.bit(); // on; the colour's sign says it too
        f.data.bit(); // frozen in new viewports
        layer.locked = f.data.bit();
    } else {
        const int flags = f.data.bitShort();
        layer.frozen = (flags & 1) != 0;
        layer.off = (flags & 2) != 0;
        layer.locked = (flags & 8) != 0;
        layer.plottable = (flags & 16) != 0;
        layer.lineweight = lineweightOfIndex((flags & 0x3E0) >> 5);
    }
    if (f.version <= DwgVersion::R2000) {
        const int index = f.data.colorIndex();
        layer.off = layer.off || index < 0;
        layer.color = Color::indexed(index < 0 ? -index : index);
    } else {
        int index = 0;
        layer.color = readTableColor(f, decode, &index);
        layer.off = layer.off || index < 0;
    }
    skipExternalReferenceHandle(f);
    if (f.version >= DwgVersion::R2000)
        rec.plotStyleHandle = f.readHandle();
    if (f.version >= DwgVersion::R2007)
        f.refs.handle(); // material
    rec.linetypeHandle = f.readHandle();
    return rec;
}

Linetype parseLinetype(ObjectFrame& f, const TextDecoder& decode) {
    readObjectPreamble(f);
    Linetype lt;
    lt.name = readRecordName(f, decode);
    lt.description = f.text(decode);
    lt.patternLength = f.data.bitDouble();
    f.data.rawChar(); // alignment
    const int dashes = f.data.rawChar();
    if (dashes > kMaxDashes)
        f.data.fail("too many dashes");
    lt.pattern.reserve(static_cast<std::size_t>(dashes));
    for (int i = 0; i < dashes; ++i) {
        lt.pattern.push_back(f.data.bitDouble());
        f.data.bitShort();  // shape number
        f.data.rawDouble(); // x offset
        f.data.rawDouble(); // y offset
        f.data.bitDouble(); // scale
        f.data.bitDouble(); // rotation
        f.data.bitShort();  // shape flags
    }
    return lt;
}

TextStyle parseTextStyle(ObjectFrame& f, const TextDecoder& decode) {
    readObjectPreamble(f);
    TextStyle style;
    style.name = readRecordName(f, decode);
    style.shapeFile = f.data.bit(); // loads a shape file, not a text font
    style.vertical = f.data.bit();
    style.fixedHeight = f.data.bitDouble();
    style.widthFactor = f.data.bitDouble();
    style.oblique = f.data.bitDouble();
    f.data.rawChar();   // generation
    f.data.bitDouble(); // last height
    style.fontFile = f.text(decode);
    style.bigFontFile = f.text(decode);
    return style;
}

BlockHeaderRecord parseBlockHeader(ObjectFrame& f, const TextDecoder& decode) {
    readObjectPreamble(f);
    BlockHeaderRecord rec;
    rec.name = readRecordName(f, decode);
    rec.anonymous = f.data.bit();
    f.data.bit(); // has attribute definitions
    rec.externalReference = f.data.bit();
    const bool overlaid = f.data.bit();
    rec.overlay = overlaid;
    if (f.version >= DwgVersion::R2000)
        f.data.bit(); // loaded
    std::int32_t owned = 0;
    if (f.version >= DwgVersion::R2004 && !rec.externalReference && !overlaid) {
        owned = f.data.bitLong();
        if (owned < 0 || static_cast<std::size_t>(owned) > f.refs.remainingBits() / 8)
            f.data.fail("block lists more entities than it can hold");
    }
    rec.base = f.data.point3();
    // The referenced drawing's file follows the base point in every release.
    if (rec.externalReference || overlaid)
        rec.referencePath = f.text(decode);
    skipExternalReferenceHandle(f);
    f.refs.handle(); // BLOCK entity
    if (f.version <= DwgVersion::R2000) {
        if (!rec.externalReference && !overlaid) {
            rec.firstEntity = f.readHandle();
            rec.lastEntity = f.readHandle();
        }
    } else {
        rec.ownedEntities.reserve(static_cast<std::size_t>(owned));
        for (std::int32_t i = 0; i < owned; ++i)
            rec.ownedEntities.push_back(f.readHandle());
    }
    return rec;
}

Color parseColorBookColor(ObjectFrame& f, const TextDecoder& decode) {
    readObjectPreamble(f);
    int index = 0;
    return readTableColor(f, decode, &index);
}

} // namespace vexor::cad::dwg
