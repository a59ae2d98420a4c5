#include "ExtendedDataReader.h"

#include "../io/Codepage.h"

namespace vexor::cad::dwg {
namespace {

// No entity carries more than this many items that a viewer looks at.
constexpr std::size_t kMaxItems = 4096;

std::uint64_t rawHandle(BitReader& r) {
    std::uint64_t h = 0;
    for (int i = 0; i < 8; ++i)
        h |= std::uint64_t{r.rawChar()} << (8 * i);
    return h;
}

// One application's items, `size` bytes from the reader's position.
void readItems(BitReader& r, std::size_t size, DwgVersion version, const TextDecoder& decode,
               ExtendedData& out) {
    const std::size_t end = r.bitPosition() + size * 8;
    while (r.bitPosition() < end && out.size() < kMaxItems) {
        XdataItem item;
        const std::uint8_t code = r.rawChar();
        item.code = 1000 + code;
        switch (code) {
        case 0: // string
            if (version >= DwgVersion::R2007) {
                const auto length = static_cast<std::uint16_t>(r.rawShort());
                std::u16string units;
                units.reserve(length);
                for (std::uint16_t i = 0; i < length && r.bitPosition() < end; ++i)
                    units.push_back(static_cast<char16_t>(r.rawShort()));
                item.text = utf16ToUtf8(units);
            } else {
                const std::uint8_t length = r.rawChar();
                r.rawShort(); // code page
                std::string bytes;
                for (std::uint8_t i = 0; i < length && r.bitPosition() < end; ++i)
                    bytes.push_back(static_cast<char>(r.rawChar()));
                item.text = decode(bytes);
            }
            break;
        case 2: // list brace
            item.text = r.rawChar() == 0 ? "{" : "}";
            break;
        case 3: // layer, by handle
        case 5: // entity handle
            item.handle = rawHandle(r);
            break;
        case 4: { // binary chunk
            const std::uint8_t length = r.rawChar();
            r.skipBytes(length);
            break;
        }
        case 10:
        case 11:
        case 12:
        case 13:
            item.point = r.rawPoint3();
            break;
        case 40:
        case 41:
        case 42:
            item.number = r.rawDouble();
            break;
        case 70:
            item.number = r.rawShort();
            break;
        case 71:
            item.number = r.rawLong();
            break;
        default:
            r.fail("extended data item of unknown kind " + std::to_string(code));
        }
        out.push_back(std::move(item));
    }
    if (r.bitPosition() > end)
        r.fail("extended data item beyond its stored size");
    r.seekBit(end);
}

} // namespace

ExtendedData readExtendedData(const ObjectFrame& frame, const TextDecoder& decode,
                              const std::function<std::string(std::uint64_t)>& applicationName) {
    BitReader r = frame.data;
    r.seekBit(frame.xdataStartBit);
    ExtendedData out;
    while (true) {
        const auto size = static_cast<std::uint16_t>(r.bitShort());
        if (size == 0)
            break;
        const std::uint64_t application = r.handle().value;
        if (size > r.remainingBits() / 8)
            r.fail("extended data larger than the object");
        XdataItem name;
        name.code = 1001;
        name.text = applicationName(application);
        out.push_back(std::move(name));
        readItems(r, size, frame.version, decode, out);
    }
    return out;
}

std::string readApplicationName(const ObjectStore& store, const TextDecoder& decode,
                                std::uint64_t handle) {
    try {
        if (std::optional<ObjectFrame> app = store.open(handle)) {
            readObjectPreamble(*app);
            return app->text(decode);
        }
    } catch (const DwgFormatError&) {
        // An unreadable APPID names nothing; its data is then ignored.
    }
    return {};
}

} // namespace vexor::cad::dwg
