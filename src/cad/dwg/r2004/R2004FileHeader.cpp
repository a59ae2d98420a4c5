#include "R2004FileHeader.h"

#include "../../model/ReadError.h"
#include "LittleEndian.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace vexor::cad::dwg::r2004 {
namespace {

constexpr std::size_t kEncryptedOffset = 0x80;
constexpr std::size_t kEncryptedSize = 0x6C;
constexpr char kFileId[] = "AcFssFcAJMB";

bool isContainerVersion(const std::string& version) {
    return version == "AC1018" || version == "AC1024" || version == "AC1027" || version == "AC1032";
}

} // namespace

void decryptHeaderBytes(std::span<std::uint8_t> bytes) {
    std::uint32_t seed = 1;
    for (auto& b : bytes) {
        seed = seed * 0x343FD + 0x269EC3;
        b ^= static_cast<std::uint8_t>(seed >> 16);
    }
}

FileHeader readFileHeader(std::span<const std::uint8_t> file, const std::string& fileName) {
    if (file.size() < 6)
        throw ReadError(fileName, "file too short for a DWG version string", 0);
    FileHeader header;
    header.version.assign(reinterpret_cast<const char*>(file.data()), 6);
    if (!isContainerVersion(header.version))
        throw ReadError(
            fileName, "not a DWG R2004-family file (version string \"" + header.version + "\")", 0);
    if (file.size() < kPagesBase)
        throw ReadError(fileName, "file ends inside the file header", file.size());

    std::array<std::uint8_t, kEncryptedSize> plain{};
    std::copy_n(file.begin() + kEncryptedOffset, kEncryptedSize, plain.begin());
    decryptHeaderBytes(plain);
    if (std::memcmp(plain.data(), kFileId, sizeof kFileId) != 0)
        throw ReadError(fileName, "encrypted file header lacks its identification string",
                        kEncryptedOffset);

    const std::span<const std::uint8_t> fields(plain);
    header.lastPageId = readU32(fields, 0x28);
    header.lastPageEndAddress = readU64(fields, 0x2C);
    header.pageCount = readU32(fields, 0x40);
    header.pageMapId = readU32(fields, 0x50);
    header.pageMapAddress = readU64(fields, 0x54) + kPagesBase;
    header.sectionMapId = readU32(fields, 0x5C);
    return header;
}

} // namespace vexor::cad::dwg::r2004
