#include "ObjectFrame.h"

#include "../io/Codepage.h"
#include "StringStream.h"

namespace vexor::cad::dwg {
namespace {

// No object is larger than the format's modular-short size allows in practice; a bigger
// number means the offset does not point at an object.
constexpr std::uint32_t kMaxObjectSize = 64u << 20;
constexpr std::int32_t kMaxReactors = 1 << 20;

// Size and start of the object's data after its modular-short size and, from R2010, the
// modular-char size of its handle references; the object size does not count that one.
struct ObjectSpan {
    std::size_t dataStart = 0;
    std::uint32_t size = 0;
    std::uint64_t handleStreamBits = 0; // R2010+
};

ObjectSpan locate(std::span<const std::uint8_t> bytes, std::uint64_t offset, DwgVersion version,
                  std::uint64_t baseOffset) {
    BitReader r(bytes, baseOffset);
    if (offset >= bytes.size())
        throw DwgFormatError("object offset beyond the end of the data", baseOffset + offset, 0);
    r.seekBit(static_cast<std::size_t>(offset) * 8);
    ObjectSpan s;
    s.size = r.modularShort();
    if (version >= DwgVersion::R2010)
        s.handleStreamBits = r.modularChar();
    s.dataStart = r.bytePosition();
    if (s.size > kMaxObjectSize || s.size > bytes.size() - s.dataStart)
        throw DwgFormatError("object size " + std::to_string(s.size) + " beyond the data",
                             baseOffset + offset, 0);
    if (s.handleStreamBits > std::uint64_t{s.size} * 8)
        throw DwgFormatError("handle stream larger than the object", baseOffset + offset, 0);
    return s;
}

std::uint16_t readType(BitReader& r, DwgVersion v) {
    if (v < DwgVersion::R2010)
        return static_cast<std::uint16_t>(r.bitShort());
    switch (r.twoBits()) {
    case 0:
        return r.rawChar();
    case 1:
        return static_cast<std::uint16_t>(r.rawChar() + 0x1F0);
    default:
        return static_cast<std::uint16_t>(r.rawShort());
    }
}

void skipExtendedData(BitReader& r) {
    while (true) {
        const auto size = static_cast<std::uint16_t>(r.bitShort());
        if (size == 0)
            return;
        r.handle(); // application
        r.skipBytes(size);
    }
}

void placeHandleStream(ObjectFrame& f, std::uint32_t bitSize) {
    if (bitSize > f.data.endBit())
        f.data.fail("object's data size beyond its end");
    f.refsStartBit = bitSize;
    f.refs.seekBit(bitSize);
    f.data.limitTo(bitSize);
}

// R2007+: the texts sit between the other data and the handle references.
void placeStringStream(ObjectFrame& f) {
    f.strings = locateStringStream(f.data, f.refsStartBit);
    f.data.limitTo(stringStreamStart(f.strings, f.refsStartBit));
}

std::int32_t readReactorCount(ObjectFrame& f) {
    const std::int32_t n = f.data.bitLong();
    // Every reactor handle takes at least one byte of the handle stream.
    if (n < 0 || n > kMaxReactors || static_cast<std::size_t>(n) * 8 > f.refs.remainingBits())
        f.data.fail("impossible reactor count " + std::to_string(n));
    return n;
}

} // namespace

std::string ObjectFrame::text(const TextDecoder& decode) {
    if (version < DwgVersion::R2007)
        return decode(data.text8());
    if (!strings)
        return {};
    // Writers still escape some characters (\U+00B0 for the degree sign) in UTF-16 texts.
    return decodeUnicodeEscapes(strings->textUtf16());
}

std::int16_t lineweightOfIndex(int index) {
    static constexpr std::int16_t kWeights[] = {0,  5,   9,   13,  15,  18,  20,  25,
                                                30, 35,  40,  50,  53,  60,  70,  80,
                                                90, 100, 106, 120, 140, 158, 200, 211};
    if (index >= 0 && index < static_cast<int>(std::size(kWeights)))
        return kWeights[index];
    if (index == 29)
        return kLineweightByLayer;
    if (index == 30)
        return kLineweightByBlock;
    return kLineweightDefault;
}

std::uint16_t peekObjectType(std::span<const std::uint8_t> bytes, std::uint64_t offset,
                             DwgVersion version, std::uint64_t baseOffset) {
    const ObjectSpan s = locate(bytes, offset, version, baseOffset);
    BitReader r(bytes.subspan(s.dataStart, s.size), baseOffset + s.dataStart);
    return readType(r, version);
}

ObjectFrame openObject(std::span<const std::uint8_t> bytes, std::uint64_t offset,
                       DwgVersion version, std::uint64_t baseOffset) {
    const ObjectSpan s = locate(bytes, offset, version, baseOffset);
    const auto objectBytes = bytes.subspan(s.dataStart, s.size);
    ObjectFrame f;
    f.version = version;
    f.offset = baseOffset + offset;
    f.data = BitReader(objectBytes, baseOffset + s.dataStart);
    f.refs = BitReader(objectBytes, baseOffset + s.dataStart);
    f.type = readType(f.data, version);
    if (version >= DwgVersion::R2010) {
        placeHandleStream(f, static_cast<std::uint32_t>(f.data.endBit() - s.handleStreamBits));
    } else if (version >= DwgVersion::R2000) {
        placeHandleStream(f, static_cast<std::uint32_t>(f.data.rawLong()));
    }
    if (version >= DwgVersion::R2007)
        placeStringStream(f);
    f.handle = f.data.handle().value;
    f.xdataStartBit = f.data.bitPosition();
    skipExtendedData(f.data);
    return f;
}

EntityPreamble readEntityPreamble(ObjectFrame& f, bool keepGraphics) {
    BitReader& r = f.data;
    const DwgVersion v = f.version;
    EntityPreamble p;
    if (r.bit()) { // proxy graphics
        const std::uint64_t size =
            v >= DwgVersion::R2010 ? r.bitLongLong() : static_cast<std::uint32_t>(r.rawLong());
        if (size > r.remainingBits() / 8)
            r.fail("entity graphics larger than the object");
        if (keepGraphics) {
            p.graphics.resize(static_cast<std::size_t>(size));
            for (std::uint8_t& b : p.graphics)
                b = r.rawChar();
        } else {
            r.skipBytes(static_cast<std::size_t>(size));
        }
    }
    if (v <= DwgVersion::R14)
        placeHandleStream(f, static_cast<std::uint32_t>(r.rawLong()));
    p.entMode = r.twoBits();
    const std::int32_t reactors = readReactorCount(f);
    bool xdicMissing = false;
    if (v >= DwgVersion::R2004)
        xdicMissing = r.bit();
    if (v >= DwgVersion::R2013)
        r.bit(); // has binary data
    bool byLayerLinetype = true;
    if (v <= DwgVersion::R14)
        byLayerLinetype = r.bit();
    if (v <= DwgVersion::R2000)
        p.noLinks = r.bit();
    bool hasColorBook = false;
    if (v >= DwgVersion::R2004) {
        p.color = r.encodedColor(&hasColorBook);
    } else {
        const int index = r.colorIndex();
        p.color = index == 256 ? Color::byLayer()
                  : index == 0 ? Color::byBlock()
                               : Color::indexed(index < 0 ? -index : index);
    }
    p.linetypeScale = r.bitDouble();
    std::uint8_t materialFlags = 0;
    if (v >= DwgVersion::R2007) {
        // The material's flags come before the plot style's: entities with a material of
        // their own and a plot style by layer set the first pair (their DXF twins agree).
        p.linetypeFlags = r.twoBits();
        materialFlags = r.twoBits();
        p.plotStyleFlags = r.twoBits();
        r.rawChar(); // shadow flags
    } else if (v >= DwgVersion::R2000) {
        p.linetypeFlags = r.twoBits();
        p.plotStyleFlags = r.twoBits();
    } else {
        p.linetypeFlags = byLayerLinetype ? 0 : 3;
    }
    int visualStyles = 0; // full, face and edge styles each add a handle
    if (v >= DwgVersion::R2010)
        for (int i = 0; i < 3; ++i)
            visualStyles += r.bit() ? 1 : 0;
    p.invisible = (r.bitShort() & 1) != 0;
    if (v >= DwgVersion::R2000)
        p.lineweight = lineweightOfIndex(r.rawChar());

    if (p.entMode == 0)
        p.owner = f.readHandle();
    for (std::int32_t i = 0; i < reactors; ++i)
        f.refs.handle();
    if (!xdicMissing)
        f.refs.handle();
    if (v <= DwgVersion::R14) {
        p.layer = f.readHandle();
        if (!byLayerLinetype)
            p.linetype = f.readHandle();
    }
    if (v <= DwgVersion::R2000) {
        if (p.noLinks) {
            p.next = f.handle + 1;
        } else {
            f.refs.handle(); // previous
            p.next = f.readHandle();
        }
    }
    if (hasColorBook)
        p.colorBook = f.readHandle();
    if (v >= DwgVersion::R2000) {
        p.layer = f.readHandle();
        if (p.linetypeFlags == 3)
            p.linetype = f.readHandle();
    }
    if (materialFlags == 3)
        f.refs.handle();
    if (p.plotStyleFlags == 3)
        p.plotStyle = f.readHandle();
    for (int i = 0; i < visualStyles; ++i)
        f.refs.handle();
    return p;
}

std::uint64_t readObjectPreamble(ObjectFrame& f) {
    BitReader& r = f.data;
    if (f.version <= DwgVersion::R14)
        placeHandleStream(f, static_cast<std::uint32_t>(r.rawLong()));
    const std::int32_t reactors = readReactorCount(f);
    bool xdicMissing = false;
    if (f.version >= DwgVersion::R2004)
        xdicMissing = r.bit();
    if (f.version >= DwgVersion::R2013)
        r.bit();
    f.owner = f.readHandle();
    for (std::int32_t i = 0; i < reactors; ++i)
        f.refs.handle();
    if (!xdicMissing)
        f.refs.handle();
    return f.owner;
}

} // namespace vexor::cad::dwg
