#include "DgnTestFile.h"

#include <bit>
#include <cmath>

namespace vexor::cad::dgn::test {

Body& Body::word(std::uint16_t w) {
    bytes.push_back(static_cast<std::uint8_t>(w & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(w >> 8));
    return *this;
}

Body& Body::byte(std::uint8_t b) {
    bytes.push_back(b);
    return *this;
}

Body& Body::longWord(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    word(static_cast<std::uint16_t>(u >> 16));
    return word(static_cast<std::uint16_t>(u & 0xFFFF));
}

Body& Body::vaxDouble(double v) {
    std::uint64_t vax = 0;
    if (v != 0) {
        const auto ieee = std::bit_cast<std::uint64_t>(v);
        const std::uint64_t sign = ieee >> 63;
        const std::uint64_t exponent = ((ieee >> 52) & 0x7FF) - 1023 + 129;
        const std::uint64_t fraction = ieee & ((std::uint64_t{1} << 52) - 1);
        vax = (sign << 63) | (exponent << 55) | (fraction << 3);
    }
    for (int shift = 48; shift >= 0; shift -= 16)
        word(static_cast<std::uint16_t>((vax >> shift) & 0xFFFF));
    return *this;
}

Body& Body::text(const std::string& s) {
    for (char c : s)
        bytes.push_back(static_cast<std::uint8_t>(c));
    return *this;
}

std::vector<std::uint16_t> fillLinkage(int color) {
    return {0x1007, 0x0041, 0x0802, 0x0001, static_cast<std::uint16_t>(color), 0, 0, 0};
}

DgnTestFile::DgnTestFile(bool is3d, std::int32_t subunitsPerMaster, std::int32_t uorsPerSubunit,
                         double originX, double originY) {
    Body tcb;
    tcb.bytes.assign(1536, 0);
    tcb.bytes[0] = is3d ? 0xC8 : 0x08;
    tcb.bytes[1] = 0x09;
    tcb.bytes[2] = 0xFE;
    tcb.bytes[3] = 0x02;
    auto put = [&](std::size_t at, const Body& b) {
        std::copy(b.bytes.begin(), b.bytes.end(), tcb.bytes.begin() + static_cast<long>(at));
    };
    put(1112, Body{}.longWord(subunitsPerMaster));
    put(1116, Body{}.longWord(uorsPerSubunit));
    put(1120, Body{}.text("MUSU"));
    put(1240, Body{}.vaxDouble(originX).vaxDouble(originY).vaxDouble(0));
    bytes_ = tcb.bytes;
    count_ = 1;
}

int DgnTestFile::add(int type, const Symbology& s, const std::vector<std::uint8_t>& body,
                     const std::vector<std::uint16_t>& linkage) {
    Body e;
    e.byte(static_cast<std::uint8_t>((s.level & 0x3F) | (s.complex ? 0x80 : 0)));
    e.byte(static_cast<std::uint8_t>((type & 0x7F) | (s.deleted ? 0x80 : 0)));
    const std::size_t words = 18 + (body.size() + 1) / 2 + linkage.size();
    e.word(static_cast<std::uint16_t>(words - 2));
    for (int i = 0; i < 12; ++i)
        e.word(0); // range, not used by the reader
    e.word(0);     // graphic group
    e.word(static_cast<std::uint16_t>(18 + (body.size() + 1) / 2 - 16));
    e.word(static_cast<std::uint16_t>(s.properties | (linkage.empty() ? 0 : 0x0800)));
    e.word(static_cast<std::uint16_t>((s.style & 7) | ((s.weight & 31) << 3) | (s.color << 8)));
    e.bytes.insert(e.bytes.end(), body.begin(), body.end());
    if (body.size() % 2)
        e.byte(0);
    for (std::uint16_t w : linkage)
        e.word(w);
    bytes_.insert(bytes_.end(), e.bytes.begin(), e.bytes.end());
    return count_++;
}

std::vector<std::uint8_t> DgnTestFile::bytes() const {
    auto out = bytes_;
    out.push_back(0xFF);
    out.push_back(0xFF);
    return out;
}

} // namespace vexor::cad::dgn::test
