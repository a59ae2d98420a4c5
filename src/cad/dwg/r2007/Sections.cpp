#include "Sections.h"

#include "../../io/LoadBudget.h"
#include "../../model/ReadError.h"
#include "../r2004/LittleEndian.h"
#include "../r2004/SectionMaps.h"
#include "Decompressor.h"
#include "R2007FileHeader.h"
#include "ReedSolomon.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

namespace vexor::cad::dwg::r2007 {
namespace {

using r2004::addDiagnostic;
using r2004::readU64;

// A system page's compressed bytes are repeated at most this many times.
constexpr std::uint64_t kMaxCorrection = 64;
constexpr std::uint64_t kMaxSystemPageSize = r2004::kMaxSystemPageSize;
constexpr std::size_t kPageMapEntrySize = 16;
constexpr std::size_t kDescriptionSize = 64;
constexpr std::size_t kPageEntrySize = 56;
constexpr std::size_t kMaxNameBytes = 256;
// A data page never decompresses to more than this; real files use about 0x10000.
constexpr std::uint64_t kMaxDataPageSize = 4u << 20;

struct PageLocation {
    std::uint64_t address = 0; // absolute file offset
    std::uint64_t size = 0;
};

using PageMap = std::unordered_map<std::int64_t, PageLocation>;

struct SectionPage {
    std::uint64_t offset = 0; // in the section's data
    std::int64_t id = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint64_t compressedSize = 0;
};

// How a section's pages are stored in the file.
constexpr std::uint64_t kEncodingPlain = 1;       // as is
constexpr std::uint64_t kEncodingInterleaved = 4; // Reed-Solomon coded, blocks interleaved

struct SectionDescription {
    std::string name;
    std::uint64_t size = 0;
    std::uint64_t encrypted = 0;
    std::uint64_t encoding = kEncodingInterleaved;
    std::vector<SectionPage> pages;
};

std::uint64_t roundUp8(std::uint64_t n) {
    return (n + 7) & ~std::uint64_t{7};
}

std::uint64_t blocksFor(std::uint64_t bytes, std::size_t dataPerBlock) {
    return (bytes + dataPerBlock - 1) / dataPerBlock;
}

class Container {
public:
    Container(std::span<const std::uint8_t> file, const std::string& fileName,
              std::vector<std::string>& diagnostics)
        : file_(file), fileName_(fileName), diagnostics_(diagnostics),
          limit_(std::min(r2004::kMaxSectionBytes, r2004::kMaxExpansion * file.size())) {}

    // Decodes and expands one system page that starts at `address`.
    std::vector<std::uint8_t> systemPage(std::uint64_t address, const SystemPageInfo& info,
                                         const char* what) {
        if (info.compressedSize == 0 || info.compressedSize > kMaxSystemPageSize ||
            info.uncompressedSize == 0 || info.uncompressedSize > kMaxSystemPageSize ||
            info.uncompressedSize > limit_ || info.correction == 0 ||
            info.correction > kMaxCorrection)
            throw ReadError(fileName_, std::string(what) + " has impossible sizes (" +
                                           std::to_string(info.compressedSize) + " compressed, " +
                                           std::to_string(info.uncompressedSize) + " plain, " +
                                           std::to_string(info.correction) + " copies)");
        const std::uint64_t blocks =
            blocksFor(roundUp8(info.compressedSize) * info.correction, systemCode().dataSize());
        const std::uint64_t coded = blocks * ReedSolomon::kBlockSize;
        if (address > file_.size() || file_.size() - address < coded)
            throw ReadError(fileName_, std::string(what) + " runs past the end of the file",
                            address);
        std::vector<std::uint8_t> plain;
        const BlockDamage damage =
            decodeInterleaved(file_.subspan(static_cast<std::size_t>(address), coded),
                              static_cast<std::size_t>(blocks), systemCode(), plain);
        if (damage.damaged != 0) {
            if (!fromCopies(plain, damage, info))
                throw ReadError(fileName_, std::string(what) + " is damaged beyond repair",
                                address);
            addDiagnostic(diagnostics_, std::string(what) + ": " + std::to_string(damage.damaged) +
                                            " block(s) damaged beyond repair, read from the "
                                            "page's other copies");
        }
        if (damage.corrected != 0)
            addDiagnostic(diagnostics_, std::string(what) + ": corrected errors in " +
                                            std::to_string(damage.corrected) + " block(s)");
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.uncompressedSize));
        expand(std::span<const std::uint8_t>(plain).first(info.compressedSize), bytes, address,
               what);
        return bytes;
    }

    // A system page holds its compressed bytes `correction` times over. Where a block is
    // damaged beyond repair, each byte is taken from a copy that lies in a sound block; puts
    // the result at the start of `plain`. Returns false when some byte has no sound copy.
    static bool fromCopies(std::vector<std::uint8_t>& plain, const BlockDamage& damage,
                           const SystemPageInfo& info) {
        const std::size_t dataPerBlock = systemCode().dataSize();
        const auto stride = static_cast<std::size_t>(roundUp8(info.compressedSize));
        for (std::size_t p = 0; p < info.compressedSize; ++p) {
            bool found = false;
            for (std::size_t k = 0; k < info.correction && !found; ++k) {
                const std::size_t at = k * stride + p;
                if (at < plain.size() && !damage.isDamaged[at / dataPerBlock]) {
                    plain[p] = plain[at];
                    found = true;
                }
            }
            if (!found)
                return false;
        }
        return true;
    }

    // Reads the page map; the section map and the data pages are then found through it.
    void readPageMap(const FileHeader& header) {
        const std::vector<std::uint8_t> bytes =
            systemPage(addressOf(header.pageMapOffset, "page map"), header.pageMap, "page map");
        PageMap& pages = pages_;
        std::uint64_t address = kPagesBase;
        for (std::size_t at = 0; at + kPageMapEntrySize <= bytes.size(); at += kPageMapEntrySize) {
            const std::uint64_t size = readU64(bytes, at);
            const auto id = static_cast<std::int64_t>(readU64(bytes, at + 8));
            if (size > file_.size() || address > file_.size() - size)
                throw ReadError(fileName_, "page map lists page " + std::to_string(id) +
                                               " beyond the end of the file");
            if (id > 0)
                pages[id] = {address, size};
            address += size;
        }
    }

    std::vector<SectionDescription> sectionMap(const FileHeader& header) {
        const auto where = pages_.find(static_cast<std::int64_t>(header.sectionMapId));
        if (where == pages_.end())
            throw ReadError(fileName_, "the section map's page " +
                                           std::to_string(header.sectionMapId) +
                                           " is missing from the page map");
        const std::vector<std::uint8_t> bytes =
            systemPage(where->second.address, header.sectionMap, "section map");
        std::vector<SectionDescription> sections;
        std::size_t at = 0;
        while (bytes.size() - at >= kDescriptionSize) {
            if (sections.size() == r2004::kMaxSectionDescriptions)
                throw ReadError(fileName_, "section map lists too many sections");
            SectionDescription s;
            s.size = readU64(bytes, at);
            s.encrypted = readU64(bytes, at + 16);
            s.encoding = readU64(bytes, at + 48);
            const std::uint64_t nameBytes = readU64(bytes, at + 32);
            const std::uint64_t pageCount = readU64(bytes, at + 56);
            at += kDescriptionSize;
            if (nameBytes > kMaxNameBytes || nameBytes > bytes.size() - at)
                throw ReadError(fileName_, "section map entry " + std::to_string(sections.size()) +
                                               " has a name of " + std::to_string(nameBytes) +
                                               " bytes");
            s.name = asciiName(std::span<const std::uint8_t>(bytes).subspan(at, nameBytes));
            at += static_cast<std::size_t>(nameBytes);
            if (pageCount > (bytes.size() - at) / kPageEntrySize)
                throw ReadError(fileName_, "section " + s.name + " lists " +
                                               std::to_string(pageCount) +
                                               " pages, more than the section map holds");
            for (std::uint64_t i = 0; i < pageCount; ++i, at += kPageEntrySize) {
                SectionPage page;
                page.offset = readU64(bytes, at);
                page.id = static_cast<std::int64_t>(readU64(bytes, at + 16));
                page.uncompressedSize = readU64(bytes, at + 24);
                page.compressedSize = readU64(bytes, at + 32);
                s.pages.push_back(page);
            }
            if (!s.name.empty())
                sections.push_back(std::move(s));
        }
        return sections;
    }

    std::vector<std::uint8_t> section(const SectionDescription& s) {
        if (s.size > limit_)
            throw ReadError(fileName_,
                            "section " + s.name + " claims " + std::to_string(s.size) + " bytes");
        if (s.encrypted == 1)
            throw ReadError(fileName_,
                            "drawing is password-protected (section " + s.name + " is encrypted)");
        if (s.encoding != kEncodingPlain && s.encoding != kEncodingInterleaved)
            throw ReadError(fileName_, "section " + s.name + " has unknown encoding " +
                                           std::to_string(s.encoding));
        claimLoadMemory(s.size, 1);
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(s.size));
        for (const SectionPage& page : s.pages) {
            loadCheckpoint();
            try {
                dataPage(s, page, bytes);
            } catch (const ReadError& error) {
                addDiagnostic(diagnostics_, s.name + ": " + error.what());
            }
        }
        return bytes;
    }

private:
    std::uint64_t addressOf(std::uint64_t offset, const char* what) const {
        if (offset > file_.size() - std::min<std::uint64_t>(file_.size(), kPagesBase))
            throw ReadError(fileName_, std::string(what) + " lies beyond the end of the file");
        return kPagesBase + offset;
    }

    static std::string asciiName(std::span<const std::uint8_t> utf16) {
        std::string name;
        for (std::size_t i = 0; i + 1 < utf16.size(); i += 2) {
            const unsigned unit = utf16[i] | utf16[i + 1] << 8;
            if (unit == 0)
                break;
            name.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
        }
        return name;
    }

    // Fills `plain` from `packed`: stored as is when it is no shorter, else compressed.
    void expand(std::span<const std::uint8_t> packed, std::span<std::uint8_t> plain,
                std::uint64_t address, const std::string& what) {
        if (packed.size() >= plain.size()) {
            std::copy_n(packed.begin(), plain.size(), plain.begin());
            return;
        }
        const std::size_t written = decompress(packed, plain, {fileName_, address});
        if (written != plain.size())
            throw ReadError(fileName_,
                            what + " expands to " + std::to_string(written) + " bytes instead of " +
                                std::to_string(plain.size()),
                            address);
    }

    // A page stored as is: its compressed bytes straight from the file.
    std::span<const std::uint8_t> storedPage(const SectionPage& page, const PageLocation& location,
                                             const std::string& name) const {
        if (page.compressedSize > location.size)
            throw ReadError(fileName_, name + " is larger than the page map allows",
                            location.address);
        return file_.subspan(static_cast<std::size_t>(location.address),
                             static_cast<std::size_t>(page.compressedSize));
    }

    // A Reed-Solomon coded page: its compressed bytes once the blocks are checked and
    // corrected. Throws ReadError when a block has more errors than its check bytes can mend.
    std::span<const std::uint8_t> decodedPage(const SectionDescription& s, const SectionPage& page,
                                              const PageLocation& location,
                                              const std::string& name) {
        const std::uint64_t blocks =
            blocksFor(roundUp8(page.compressedSize), dataCode().dataSize());
        const std::uint64_t coded = blocks * ReedSolomon::kBlockSize;
        if (coded > location.size)
            throw ReadError(fileName_, name + " is larger than the page map allows",
                            location.address);
        coded_.clear();
        const BlockDamage damage =
            decodeInterleaved(file_.subspan(static_cast<std::size_t>(location.address), coded),
                              static_cast<std::size_t>(blocks), dataCode(), coded_);
        if (damage.damaged != 0)
            throw ReadError(fileName_,
                            name + " is damaged beyond repair in " +
                                std::to_string(damage.damaged) +
                                " block(s); its bytes are left zero",
                            location.address);
        if (damage.corrected != 0)
            addDiagnostic(diagnostics_, s.name + ": " + name + ": corrected errors in " +
                                            std::to_string(damage.corrected) + " block(s)");
        return std::span<const std::uint8_t>(coded_).first(page.compressedSize);
    }

    void dataPage(const SectionDescription& s, const SectionPage& page,
                  std::vector<std::uint8_t>& section) {
        const std::string name = "page " + std::to_string(page.id);
        if (page.offset >= section.size() || page.uncompressedSize == 0 ||
            page.uncompressedSize > kMaxDataPageSize || page.compressedSize == 0 ||
            page.compressedSize > kMaxDataPageSize)
            throw ReadError(fileName_, name + " does not fit the section (offset " +
                                           std::to_string(page.offset) + ", " +
                                           std::to_string(page.uncompressedSize) + " bytes)");
        const auto where = pages_.find(page.id);
        if (where == pages_.end())
            throw ReadError(fileName_, name + " is missing from the page map");
        if (!used_.insert(page.id).second)
            throw ReadError(fileName_, name + " is used twice");
        const PageLocation& location = where->second;
        const auto packed = s.encoding == kEncodingPlain ? storedPage(page, location, name)
                                                         : decodedPage(s, page, location, name);
        const std::size_t room = section.size() - static_cast<std::size_t>(page.offset);
        const auto size = static_cast<std::size_t>(page.uncompressedSize);
        if (size <= room) {
            expand(packed, std::span(section).subspan(page.offset, size), location.address, name);
            return;
        }
        // The last page may be padded past the section's end.
        partial_.resize(size);
        expand(packed, partial_, location.address, name);
        std::copy_n(partial_.begin(), room,
                    section.begin() + static_cast<std::ptrdiff_t>(page.offset));
    }

    std::span<const std::uint8_t> file_;
    const std::string& fileName_;
    std::vector<std::string>& diagnostics_;
    std::uint64_t limit_;
    PageMap pages_;
    std::vector<std::uint8_t> coded_;   // a data page's decoded, still compressed bytes
    std::vector<std::uint8_t> partial_; // a page that reaches past its section's end
    // Each file page serves one section page, so a hostile map cannot make us decode the same
    // bytes without end.
    std::unordered_set<std::int64_t> used_;
};

const SectionDescription* findSection(const std::vector<SectionDescription>& sections,
                                      const std::string& name) {
    const auto it = std::find_if(sections.begin(), sections.end(),
                                 [&](const SectionDescription& s) { return s.name == name; });
    return it == sections.end() ? nullptr : &*it;
}

} // namespace

r2004::Sections readSections(std::span<const std::uint8_t> file, const std::string& fileName) {
    if (file.size() < 6 || std::memcmp(file.data(), "AC1021", 6) != 0)
        throw ReadError(fileName, "not a DWG R2007 file", 0);
    r2004::Sections result;
    result.version = "AC1021";
    const FileHeader header = readFileHeader(file, fileName, result.diagnostics);
    Container container(file, fileName, result.diagnostics);
    container.readPageMap(header);
    const std::vector<SectionDescription> sections = container.sectionMap(header);
    r2004::collectSections(
        result, fileName, [&](const std::string& name) -> std::optional<std::vector<std::uint8_t>> {
            const SectionDescription* s = findSection(sections, name);
            if (!s)
                return std::nullopt;
            return container.section(*s);
        });
    return result;
}

} // namespace vexor::cad::dwg::r2007
