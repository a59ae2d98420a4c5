#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexor::test::r2004 {

struct TestSection {
    TestSection(std::string name, std::vector<std::uint8_t> data, std::uint32_t pageSize = 0x7400,
                bool compressed = true)
        : name(std::move(name)), data(std::move(data)), pageSize(pageSize), compressed(compressed) {
    }

    std::string name;
    std::vector<std::uint8_t> data;
    std::uint32_t pageSize;
    bool compressed;
    std::uint32_t encrypted = 0;
    std::optional<std::uint64_t> declaredSize; // a lie about the size, for hostile files
    std::size_t firstPageRepeats = 0;          // extra section-map entries pointing at page one
};

// Where the builder put each data page, so that tests can damage it.
struct BuiltPage {
    std::string section;
    std::int32_t number = 0;
    std::size_t address = 0;
    std::size_t dataSize = 0; // compressed bytes after the 32-byte header
};

struct BuiltFile {
    std::vector<std::uint8_t> bytes;
    std::vector<BuiltPage> pages;
};

// Writes a small but complete R2004-family container around the given sections, the way the
// format describes it: encrypted file header, data pages with encrypted headers and
// checksums, a section map and a page map (optionally with a gap entry). Sections are split
// into pages of their page size; pages are listed in reverse order in the section map so that
// the reader has to place them by their start offsets.
class ContainerBuilder {
public:
    explicit ContainerBuilder(std::string version = "AC1018") : version_(std::move(version)) {}
    ContainerBuilder& add(TestSection section);
    ContainerBuilder& withGap() {
        gap_ = true;
        return *this;
    }
    BuiltFile build() const;

private:
    std::string version_;
    std::vector<TestSection> sections_;
    bool gap_ = false;
};

// The four sections every drawing needs, filled with recognisable bytes.
ContainerBuilder standardContainer(std::string version = "AC1018");

} // namespace vexor::test::r2004
