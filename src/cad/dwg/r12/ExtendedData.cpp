#include "ExtendedData.h"

#include <cmath>

namespace vexor::cad::dwg::r12 {
namespace {

// No entity carries more than this many items that a viewer looks at.
constexpr std::size_t kMaxItems = 4096;

double finite(double v) {
    return std::isfinite(v) ? v : 0;
}

XdataItem readItem(ByteReader& r, const TextDecoder& decode, const ExtendedDataNames& names) {
    XdataItem item;
    const std::uint8_t kind = r.u8();
    item.code = 1000 + kind;
    switch (kind) {
    case 0: { // string
        const std::uint8_t length = r.u8();
        const auto bytes = r.bytes(length);
        item.text = decode(std::string_view(reinterpret_cast<const char*>(bytes.data()), length));
        break;
    }
    case 1: // application, by APPID table index
        item.text = names.application(r.i16());
        break;
    case 2: // list brace
        item.text = r.u8() == 0 ? "{" : "}";
        break;
    case 3: // layer, by layer table index
        item.text = names.layer(r.i16());
        break;
    case 4: // binary chunk
        r.skip(r.u8());
        break;
    case 5: // entity handle
        for (std::uint8_t b : r.bytes(8))
            item.handle = item.handle << 8 | b;
        break;
    case 10:
    case 11:
    case 12:
    case 13:
        item.point.x = finite(r.f64());
        item.point.y = finite(r.f64());
        item.point.z = finite(r.f64());
        break;
    case 40:
    case 41:
    case 42:
        item.number = finite(r.f64());
        break;
    case 70:
        item.number = r.i16();
        break;
    case 71:
        item.number = r.i32();
        break;
    default:
        r.fail("extended data item of unknown kind " + std::to_string(kind));
    }
    return item;
}

} // namespace

ExtendedData readExtendedData(const StoredExtendedData& stored, const TextDecoder& decode,
                              const ExtendedDataNames& names, bool& complete) {
    ExtendedData out;
    ByteReader r(stored.bytes, stored.fileOffset);
    complete = true;
    try {
        while (!r.atEnd() && out.size() < kMaxItems)
            out.push_back(readItem(r, decode, names));
        complete = r.atEnd();
    } catch (const DwgFormatError&) {
        complete = false;
    }
    return out;
}

} // namespace vexor::cad::dwg::r12
