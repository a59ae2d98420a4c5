#pragma once

#include "R2004FileHeader.h"

#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace vexor::cad::dwg::r2004 {

// Hard limits that keep a hostile file from making us allocate or loop without end.
constexpr std::size_t kMaxSystemPageSize = 64u << 20;
constexpr std::size_t kMaxPageMapEntries = 1u << 20;
constexpr std::size_t kMaxSectionDescriptions = 256;

constexpr std::size_t kMaxDiagnostics = 100;

// Records a worked-around problem; past kMaxDiagnostics only a final note that more went
// unlisted, so a hostile file cannot fill memory with messages.
void addDiagnostic(std::vector<std::string>& diagnostics, std::string text);

// One page of the file as the page map lists it: its number and where it lies.
struct PageLocation {
    std::int32_t number = 0;
    std::uint64_t address = 0; // absolute file offset
    std::uint64_t size = 0;    // bytes the page occupies in the file
};

// The page map: page number -> location. Gaps (negative numbers) are left out. Kept sparse:
// a hostile file may use any page number.
class PageMap {
public:
    void add(const PageLocation& page) { byNumber_[page.number] = page; }
    const PageLocation* find(std::int32_t number) const;
    std::size_t size() const { return byNumber_.size(); }

private:
    std::unordered_map<std::int32_t, PageLocation> byNumber_;
};

// A data page of a section: which file page holds it and where its bytes go.
struct SectionPage {
    std::int32_t pageNumber = 0;
    std::uint32_t compressedSize = 0;
    std::uint64_t startOffset = 0; // offset in the section's decompressed buffer
};

struct SectionDescription {
    std::string name; // "AcDb:Header", ...
    std::uint64_t size = 0;
    std::uint32_t maxPageSize = 0; // decompressed size of a full page
    bool compressed = true;
    std::uint32_t encrypted = 0;
    std::int32_t id = 0;
    std::vector<SectionPage> pages;
};

// Reads one system page (page map or section map): a plain 20-byte header, then compressed
// data. Returns the decompressed bytes. A checksum mismatch is recorded in `diagnostics`.
std::vector<std::uint8_t> readSystemPage(std::span<const std::uint8_t> file, std::uint64_t address,
                                         std::uint32_t expectedType, const std::string& fileName,
                                         std::vector<std::string>& diagnostics);

PageMap readPageMap(std::span<const std::uint8_t> file, const FileHeader& header,
                    const std::string& fileName, std::vector<std::string>& diagnostics);

std::vector<SectionDescription> readSectionMap(std::span<const std::uint8_t> file,
                                               const FileHeader& header, const PageMap& pages,
                                               const std::string& fileName,
                                               std::vector<std::string>& diagnostics);

} // namespace vexor::cad::dwg::r2004
