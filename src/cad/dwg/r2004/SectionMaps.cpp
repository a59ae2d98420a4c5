#include "SectionMaps.h"

#include "../../model/ReadError.h"
#include "Decompressor.h"
#include "LittleEndian.h"
#include "PageChecksum.h"

#include <algorithm>
#include <array>

namespace vexor::cad::dwg::r2004 {
namespace {

constexpr std::uint32_t kPageMapType = 0x41630E3B;
constexpr std::uint32_t kSectionMapType = 0x4163003B;
constexpr std::size_t kSystemHeaderSize = 20;
constexpr std::size_t kSectionMapHeaderSize = 20;
constexpr std::size_t kDescriptionSize = 96;
constexpr std::size_t kPageEntrySize = 16;
constexpr std::size_t kNameSize = 64;
constexpr std::uint32_t kCompressionNone = 1;
constexpr std::uint32_t kCompressionLz77 = 2;

std::string hex(std::uint64_t value) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return "0x" + text;
}

} // namespace

void addDiagnostic(std::vector<std::string>& diagnostics, std::string text) {
    if (diagnostics.size() < kMaxDiagnostics)
        diagnostics.push_back(std::move(text));
    else if (diagnostics.size() == kMaxDiagnostics)
        diagnostics.push_back("further damage not listed");
}

const PageLocation* PageMap::find(std::int32_t number) const {
    const auto it = byNumber_.find(number);
    return it == byNumber_.end() ? nullptr : &it->second;
}

std::vector<std::uint8_t> readSystemPage(std::span<const std::uint8_t> file, std::uint64_t address,
                                         std::uint32_t expectedType, const std::string& fileName,
                                         std::vector<std::string>& diagnostics) {
    if (address > file.size() || file.size() - address < kSystemHeaderSize)
        throw ReadError(fileName, "system page lies beyond the end of the file", address);
    const auto header = file.subspan(static_cast<std::size_t>(address), kSystemHeaderSize);
    const std::uint32_t type = readU32(header, 0);
    const std::uint32_t plainSize = readU32(header, 4);
    const std::uint32_t packedSize = readU32(header, 8);
    const std::uint32_t compression = readU32(header, 12);
    const std::uint32_t checksum = readU32(header, 16);
    if (type != expectedType)
        throw ReadError(fileName,
                        "system page has type " + hex(type) + ", expected " + hex(expectedType),
                        address);
    if (plainSize > kMaxSystemPageSize || packedSize > kMaxSystemPageSize ||
        plainSize > kMaxCompressionRatio * std::uint64_t{packedSize} + 64)
        throw ReadError(fileName, "system page size " + std::to_string(plainSize) + " too large",
                        address);
    const std::uint64_t dataStart = address + kSystemHeaderSize;
    if (file.size() - dataStart < packedSize)
        throw ReadError(fileName, "system page runs past the end of the file", address);
    const auto packed = file.subspan(static_cast<std::size_t>(dataStart), packedSize);

    std::array<std::uint8_t, kSystemHeaderSize> zeroed{};
    std::copy_n(header.begin(), 16, zeroed.begin());
    if (pageChecksum(pageChecksum(0, zeroed), packed) != checksum)
        addDiagnostic(diagnostics, "system page at " + hex(address) + " fails its checksum");

    std::vector<std::uint8_t> plain(plainSize);
    if (compression == kCompressionLz77) {
        const std::size_t written = decompress(packed, plain, {fileName, dataStart});
        if (written != plainSize)
            throw ReadError(fileName,
                            "system page decompresses to " + std::to_string(written) +
                                " bytes instead of " + std::to_string(plainSize),
                            address);
    } else if (compression == kCompressionNone && packedSize >= plainSize) {
        std::copy_n(packed.begin(), plainSize, plain.begin());
    } else {
        throw ReadError(fileName, "system page has unknown compression " + hex(compression),
                        address);
    }
    return plain;
}

PageMap readPageMap(std::span<const std::uint8_t> file, const FileHeader& header,
                    const std::string& fileName, std::vector<std::string>& diagnostics) {
    const auto bytes =
        readSystemPage(file, header.pageMapAddress, kPageMapType, fileName, diagnostics);
    PageMap map;
    std::uint64_t address = kPagesBase;
    std::size_t pos = 0;
    std::size_t entries = 0;
    while (bytes.size() - pos >= 8) {
        if (++entries > kMaxPageMapEntries)
            throw ReadError(fileName, "page map lists too many pages", header.pageMapAddress);
        const std::int32_t number = readI32(bytes, pos);
        const std::uint32_t size = readU32(bytes, pos + 4);
        pos += 8;
        if (address >= file.size()) {
            // The last page may be cut short; pages starting past the end are lost.
            if (number > 0)
                addDiagnostic(diagnostics, "page " + std::to_string(number) +
                                               " starts past the end of the file");
        } else if (number > 0) {
            map.add({number, address, size});
        } else if (number < 0) {
            // A gap entry carries its place in the free-page tree: parent, left, right, 0.
            pos = std::min(bytes.size(), pos + 16);
        }
        address += size;
    }
    return map;
}

std::vector<SectionDescription> readSectionMap(std::span<const std::uint8_t> file,
                                               const FileHeader& header, const PageMap& pages,
                                               const std::string& fileName,
                                               std::vector<std::string>& diagnostics) {
    const PageLocation* where = pages.find(static_cast<std::int32_t>(header.sectionMapId));
    if (!where)
        throw ReadError(fileName, "page map lacks the section map page " +
                                      std::to_string(header.sectionMapId));
    const auto bytes = readSystemPage(file, where->address, kSectionMapType, fileName, diagnostics);
    const auto fail = [&](const std::string& reason) -> ReadError {
        return ReadError(fileName, "section map: " + reason, where->address);
    };
    if (bytes.size() < kSectionMapHeaderSize)
        throw fail("too short");
    const std::uint32_t count = readU32(bytes, 0);
    if (count > kMaxSectionDescriptions)
        throw fail(std::to_string(count) + " sections");

    std::vector<SectionDescription> sections;
    std::size_t pos = kSectionMapHeaderSize;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (bytes.size() - pos < kDescriptionSize)
            throw fail("description " + std::to_string(i) + " cut short");
        SectionDescription section;
        section.size = readU64(bytes, pos);
        const std::uint32_t pageCount = readU32(bytes, pos + 8);
        section.maxPageSize = readU32(bytes, pos + 12);
        section.compressed = readU32(bytes, pos + 20) == kCompressionLz77;
        section.id = readI32(bytes, pos + 24);
        section.encrypted = readU32(bytes, pos + 28);
        const auto* name = reinterpret_cast<const char*>(bytes.data() + pos + 32);
        section.name.assign(name, std::find(name, name + kNameSize, '\0'));
        pos += kDescriptionSize;
        if (pageCount > (bytes.size() - pos) / kPageEntrySize)
            throw fail("section \"" + section.name + "\" lists " + std::to_string(pageCount) +
                       " pages, more than the map holds");
        section.pages.reserve(pageCount);
        for (std::uint32_t p = 0; p < pageCount; ++p, pos += kPageEntrySize)
            section.pages.push_back(
                {readI32(bytes, pos), readU32(bytes, pos + 4), readU64(bytes, pos + 8)});
        sections.push_back(std::move(section));
    }
    return sections;
}

} // namespace vexor::cad::dwg::r2004
