#include "Sections.h"

#include "../../io/LoadBudget.h"
#include "../../model/ReadError.h"
#include "Decompressor.h"
#include "LittleEndian.h"
#include "PageChecksum.h"
#include "R2004FileHeader.h"
#include "SectionMaps.h"

#include <algorithm>
#include <array>
#include <unordered_set>

namespace vexor::cad::dwg::r2004 {
namespace {

constexpr std::uint32_t kDataPageType = 0x4163043B;
constexpr std::uint32_t kDataPageMask = 0x4164536B;
constexpr std::size_t kDataHeaderSize = 32;
// A page never decompresses to more than this; real files use 0x7400.
constexpr std::uint32_t kMaxPageSize = 1u << 20;

struct Reader {
    std::span<const std::uint8_t> file;
    const std::string& fileName;
    const PageMap& pages;
    std::vector<std::string>& diagnostics;
    std::vector<std::uint8_t> scratch; // holds a section's last, partly used page
    // Each file page serves one section page; a map that reuses pages could otherwise make
    // us decompress the same bytes without end.
    std::unordered_set<std::int32_t> usedPages;

    void note(const std::string& section, const std::string& what) {
        addDiagnostic(diagnostics, section + ": " + what);
    }

    // Decodes one data page into `out` (the part of the section it fills; the page itself
    // always expands to the full page size, the last one padded). Throws ReadError for damage
    // confined to this page.
    void readPage(const SectionDescription& section, const SectionPage& page,
                  std::span<std::uint8_t> out) {
        const PageLocation* where = pages.find(page.pageNumber);
        if (!where)
            throw ReadError(fileName, "page " + std::to_string(page.pageNumber) +
                                          " is missing from the page map");
        if (!usedPages.insert(page.pageNumber).second)
            throw ReadError(fileName, "page " + std::to_string(page.pageNumber) + " is used twice");
        const std::uint64_t address = where->address;
        if (address > file.size() || file.size() - address < kDataHeaderSize)
            throw ReadError(fileName, "data page lies beyond the end of the file", address);

        std::array<std::uint8_t, kDataHeaderSize> header{};
        const auto mask = kDataPageMask ^ static_cast<std::uint32_t>(address);
        for (std::size_t i = 0; i < kDataHeaderSize; i += 4) {
            const std::uint32_t word = readU32(file, static_cast<std::size_t>(address) + i) ^ mask;
            for (std::size_t b = 0; b < 4; ++b)
                header[i + b] = static_cast<std::uint8_t>(word >> (8 * b));
        }
        if (readU32(header, 0) != kDataPageType)
            throw ReadError(fileName, "data page has a wrong type", address);
        const std::uint32_t packedSize = readU32(header, 8);
        const std::uint64_t dataStart = address + kDataHeaderSize;
        if (file.size() - dataStart < packedSize)
            throw ReadError(fileName, "data page runs past the end of the file", address);
        if (packedSize > where->size - std::min<std::uint64_t>(where->size, kDataHeaderSize))
            throw ReadError(fileName, "data page is larger than the page map allows", address);
        const auto packed = file.subspan(static_cast<std::size_t>(dataStart), packedSize);

        // The header checksum covers the header with its own field zeroed, continued from
        // the data checksum.
        const std::uint32_t headerChecksum = readU32(header, 0x18);
        const std::uint32_t dataChecksum = readU32(header, 0x1C);
        std::fill_n(header.begin() + 0x18, 4, std::uint8_t{0});
        if (pageChecksum(0, packed) != dataChecksum ||
            pageChecksum(dataChecksum, header) != headerChecksum)
            note(section.name, "data page at " + std::to_string(address) + " fails its checksum");

        if (!section.compressed) {
            if (packed.size() < out.size())
                throw ReadError(fileName, "uncompressed data page is shorter than its section",
                                address);
            std::copy_n(packed.begin(), out.size(), out.begin());
            return;
        }
        std::span<std::uint8_t> target = out;
        if (out.size() < section.maxPageSize) {
            scratch.resize(section.maxPageSize);
            target = scratch;
        }
        const std::size_t written = decompress(packed, target, {fileName, dataStart});
        if (written < out.size())
            note(section.name, "page " + std::to_string(page.pageNumber) + " gives " +
                                   std::to_string(written) + " of " + std::to_string(out.size()) +
                                   " bytes");
        if (target.data() != out.data())
            std::copy_n(scratch.begin(), std::min(written, out.size()), out.begin());
    }

    std::vector<std::uint8_t> readSection(const SectionDescription& section) {
        const std::uint64_t limit = std::min(kMaxSectionBytes, kMaxExpansion * file.size());
        if (section.size > limit)
            throw ReadError(fileName, "section " + section.name + " claims " +
                                          std::to_string(section.size) + " bytes");
        if (section.encrypted == 1)
            throw ReadError(fileName, "drawing is password-protected (section " + section.name +
                                          " is encrypted)");
        if (section.maxPageSize == 0 || section.maxPageSize > kMaxPageSize)
            throw ReadError(fileName, "section " + section.name + " has page size " +
                                          std::to_string(section.maxPageSize));

        claimLoadMemory(section.size, 1);
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(section.size));
        for (const SectionPage& page : section.pages) {
            loadCheckpoint();
            if (page.startOffset >= section.size) {
                note(section.name,
                     "page " + std::to_string(page.pageNumber) + " starts past the section's end");
                continue;
            }
            const std::uint64_t length =
                std::min<std::uint64_t>(section.maxPageSize, section.size - page.startOffset);
            const std::span<std::uint8_t> out(bytes.data() + page.startOffset,
                                              static_cast<std::size_t>(length));
            try {
                readPage(section, page, out);
            } catch (const ReadError& error) {
                note(section.name, error.what());
            }
        }
        return bytes;
    }
};

const SectionDescription* findSection(const std::vector<SectionDescription>& sections,
                                      const std::string& name) {
    const auto it = std::find_if(sections.begin(), sections.end(),
                                 [&](const SectionDescription& s) { return s.name == name; });
    return it == sections.end() ? nullptr : &*it;
}

} // namespace

Sections readSections(std::span<const std::uint8_t> file, const std::string& fileName) {
    Sections result;
    const FileHeader header = readFileHeader(file, fileName);
    result.version = header.version;
    const PageMap pages = readPageMap(file, header, fileName, result.diagnostics);
    const auto descriptions = readSectionMap(file, header, pages, fileName, result.diagnostics);

    Reader reader{file, fileName, pages, result.diagnostics, {}, {}};
    collectSections(result, fileName,
                    [&](const std::string& name) -> std::optional<std::vector<std::uint8_t>> {
                        const SectionDescription* section = findSection(descriptions, name);
                        if (!section)
                            return std::nullopt;
                        return reader.readSection(*section);
                    });
    return result;
}

void collectSections(
    Sections& result, const std::string& fileName,
    const std::function<std::optional<std::vector<std::uint8_t>>(const std::string&)>& read) {
    const auto required = [&](const std::string& name) {
        auto bytes = read(name);
        if (!bytes)
            throw ReadError(fileName, "section map lacks " + name);
        return std::move(*bytes);
    };
    result.header = required("AcDb:Header");
    result.classes = required("AcDb:Classes");
    result.handles = required("AcDb:Handles");
    result.objects = required("AcDb:AcDbObjects");
    if (auto aux = read("AcDb:AuxHeader"))
        result.auxHeader = std::move(*aux);
}

} // namespace vexor::cad::dwg::r2004
