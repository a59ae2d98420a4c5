#include "R2007FileHeader.h"

#include "../../model/ReadError.h"
#include "../r2004/LittleEndian.h"
#include "../r2004/SectionMaps.h"
#include "Decompressor.h"
#include "ReedSolomon.h"

#include <algorithm>
#include <array>

namespace vexor::cad::dwg::r2007 {
namespace {

using r2004::readU32;
using r2004::readU64;

constexpr std::size_t kCodedOffset = 0x80;
constexpr std::size_t kHeaderBlocks = 3;
// Ahead of the compressed header: its CRC, a key, the compressed data's CRC, then the
// compressed length (negative when the data is stored as is) and a second length.
constexpr std::size_t kPreambleSize = 0x20;
constexpr std::size_t kHeaderSize = 0x110;

} // namespace

FileHeader readFileHeader(std::span<const std::uint8_t> file, const std::string& fileName,
                          std::vector<std::string>& diagnostics) {
    const std::size_t codedSize = kHeaderBlocks * ReedSolomon::kBlockSize;
    if (file.size() < kCodedOffset + codedSize)
        throw ReadError(fileName, "file ends inside the file header", file.size());

    std::vector<std::uint8_t> plain;
    const BlockDamage damage = decodeInterleaved(file.subspan(kCodedOffset, codedSize),
                                                 kHeaderBlocks, systemCode(), plain);
    if (damage.damaged != 0)
        throw ReadError(fileName, "file header is damaged beyond repair", kCodedOffset);
    if (damage.corrected != 0)
        r2004::addDiagnostic(diagnostics, "file header: corrected errors in " +
                                              std::to_string(damage.corrected) + " block(s)");

    const auto storedLength = static_cast<std::int32_t>(readU32(plain, 0x18));
    const std::uint64_t length =
        storedLength < 0 ? -static_cast<std::int64_t>(storedLength) : storedLength;
    if (length > plain.size() - kPreambleSize)
        throw ReadError(fileName, "file header claims " + std::to_string(length) + " bytes of data",
                        kCodedOffset);
    const auto data = std::span<const std::uint8_t>(plain).subspan(kPreambleSize, length);
    std::array<std::uint8_t, kHeaderSize> fields{};
    if (storedLength < 0 || length >= kHeaderSize) {
        std::copy_n(data.begin(), std::min<std::size_t>(length, kHeaderSize), fields.begin());
    } else {
        const std::size_t written = decompress(data, fields, {fileName, kCodedOffset});
        if (written != kHeaderSize)
            throw ReadError(fileName,
                            "file header expands to " + std::to_string(written) +
                                " bytes instead of " + std::to_string(kHeaderSize),
                            kCodedOffset);
    }

    const std::span<const std::uint8_t> f(fields);
    FileHeader header;
    header.pageMap.correction = readU64(f, 0x18);
    header.pageMapOffset = readU64(f, 0x38);
    header.pageMap.compressedSize = readU64(f, 0x50);
    header.pageMap.uncompressedSize = readU64(f, 0x58);
    header.sectionMap.compressedSize = readU64(f, 0xB0);
    header.sectionMapId = readU64(f, 0xC0);
    header.sectionMap.uncompressedSize = readU64(f, 0xC8);
    header.sectionMap.correction = readU64(f, 0xD8);
    return header;
}

} // namespace vexor::cad::dwg::r2007
