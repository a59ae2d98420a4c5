#include "ContainerBuilder.h"

#include "TestEncoder.h"
#include "cad/dwg/r2004/PageChecksum.h"
#include "cad/dwg/r2004/R2004FileHeader.h"

#include <algorithm>
#include <cstring>

namespace vexor::test::r2004 {
namespace {

using cad::dwg::r2004::pageChecksum;

void putU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    if (out.size() < at + 4)
        out.resize(at + 4);
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void appendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    putU32(out, out.size(), value);
}

void appendU64(std::vector<std::uint8_t>& out, std::uint64_t value) {
    appendU32(out, static_cast<std::uint32_t>(value));
    appendU32(out, static_cast<std::uint32_t>(value >> 32));
}

void padTo32(std::vector<std::uint8_t>& out) {
    out.resize((out.size() + 31) / 32 * 32);
}

std::vector<std::uint8_t> systemPage(std::uint32_t type, const std::vector<std::uint8_t>& plain) {
    const auto packed = TestEncoder::compress(plain);
    std::vector<std::uint8_t> page;
    appendU32(page, type);
    appendU32(page, static_cast<std::uint32_t>(plain.size()));
    appendU32(page, static_cast<std::uint32_t>(packed.size()));
    appendU32(page, 2);
    appendU32(page, 0);
    const std::uint32_t checksum = pageChecksum(pageChecksum(0, page), packed);
    putU32(page, 16, checksum);
    page.insert(page.end(), packed.begin(), packed.end());
    padTo32(page);
    return page;
}

} // namespace

ContainerBuilder& ContainerBuilder::add(TestSection section) {
    sections_.push_back(std::move(section));
    return *this;
}

BuiltFile ContainerBuilder::build() const {
    BuiltFile built;
    std::vector<std::uint8_t>& file = built.bytes;
    file.assign(cad::dwg::r2004::kPagesBase, 0);
    std::memcpy(file.data(), version_.data(), std::min<std::size_t>(6, version_.size()));

    std::vector<std::pair<std::int32_t, std::uint32_t>> pageMap; // number, size in file
    std::vector<std::uint8_t> sectionMap;
    std::int32_t nextPage = 1;
    appendU32(sectionMap, static_cast<std::uint32_t>(sections_.size()));
    appendU32(sectionMap, 2);
    appendU32(sectionMap, 0x7400);
    appendU32(sectionMap, 0);
    appendU32(sectionMap, static_cast<std::uint32_t>(sections_.size()));

    for (std::size_t s = 0; s < sections_.size(); ++s) {
        const TestSection& section = sections_[s];
        struct Entry {
            std::int32_t number;
            std::uint32_t packedSize;
            std::uint64_t start;
        };
        std::vector<Entry> entries;
        for (std::size_t start = 0; section.pageSize != 0 && start < section.data.size();
             start += section.pageSize) {
            std::vector<std::uint8_t> plain(
                section.data.begin() + static_cast<std::ptrdiff_t>(start),
                section.data.begin() + static_cast<std::ptrdiff_t>(std::min(
                                           section.data.size(), start + section.pageSize)));
            std::vector<std::uint8_t> packed;
            if (section.compressed) {
                plain.resize(section.pageSize); // pages expand to full size, zero padded
                packed = TestEncoder::compress(plain);
            } else {
                packed = plain;
                packed.resize(section.pageSize);
            }
            const std::size_t address = file.size();
            std::vector<std::uint8_t> header;
            appendU32(header, 0x4163043B);
            appendU32(header, static_cast<std::uint32_t>(s + 1));
            appendU32(header, static_cast<std::uint32_t>(packed.size()));
            appendU32(header, static_cast<std::uint32_t>((packed.size() + 32 + 31) / 32 * 32));
            appendU64(header, start);
            appendU32(header, 0);
            const std::uint32_t dataChecksum = pageChecksum(0, packed);
            appendU32(header, dataChecksum);
            putU32(header, 0x18, pageChecksum(dataChecksum, header));
            const std::uint32_t mask = 0x4164536B ^ static_cast<std::uint32_t>(address);
            for (std::size_t i = 0; i < 32; i += 4) {
                std::uint32_t word = 0;
                std::memcpy(&word, header.data() + i, 4);
                putU32(header, i, word ^ mask);
            }
            file.insert(file.end(), header.begin(), header.end());
            file.insert(file.end(), packed.begin(), packed.end());
            padTo32(file);
            const std::int32_t number = nextPage++;
            pageMap.emplace_back(number, static_cast<std::uint32_t>(file.size() - address));
            built.pages.push_back({section.name, number, address, packed.size()});
            entries.push_back({number, static_cast<std::uint32_t>(packed.size()), start});
        }
        if (!entries.empty())
            entries.insert(entries.end(), section.firstPageRepeats, entries.front());
        appendU64(sectionMap, section.declaredSize.value_or(section.data.size()));
        appendU32(sectionMap, static_cast<std::uint32_t>(entries.size()));
        appendU32(sectionMap, section.pageSize);
        appendU32(sectionMap, 1);
        appendU32(sectionMap, section.compressed ? 2 : 1);
        appendU32(sectionMap, static_cast<std::uint32_t>(s + 1));
        appendU32(sectionMap, section.encrypted);
        std::vector<std::uint8_t> name(64, 0);
        std::memcpy(name.data(), section.name.data(),
                    std::min<std::size_t>(63, section.name.size()));
        sectionMap.insert(sectionMap.end(), name.begin(), name.end());
        std::reverse(entries.begin(), entries.end());
        for (const Entry& entry : entries) {
            appendU32(sectionMap, static_cast<std::uint32_t>(entry.number));
            appendU32(sectionMap, entry.packedSize);
            appendU64(sectionMap, entry.start);
        }
    }

    if (gap_) {
        pageMap.emplace_back(-1, 0x40);
        file.resize(file.size() + 0x40, 0xEE);
    }
    const std::int32_t sectionMapId = nextPage++;
    const auto sectionMapPage = systemPage(0x4163003B, sectionMap);
    pageMap.emplace_back(sectionMapId, static_cast<std::uint32_t>(sectionMapPage.size()));
    file.insert(file.end(), sectionMapPage.begin(), sectionMapPage.end());

    const std::int32_t pageMapId = nextPage++;
    const std::size_t pageMapAddress = file.size();
    std::vector<std::uint8_t> pageMapBytes;
    // The page map lists itself; its own size is only known once written, and a system page
    // of this size always fits in the room reserved here.
    const std::uint32_t pageMapRoom = 0x400;
    pageMap.emplace_back(pageMapId, pageMapRoom);
    for (const auto& [number, size] : pageMap) {
        appendU32(pageMapBytes, static_cast<std::uint32_t>(number));
        appendU32(pageMapBytes, size);
        if (number < 0)
            for (int i = 0; i < 4; ++i)
                appendU32(pageMapBytes, 0);
    }
    auto pageMapPage = systemPage(0x41630E3B, pageMapBytes);
    pageMapPage.resize(pageMapRoom);
    file.insert(file.end(), pageMapPage.begin(), pageMapPage.end());

    std::vector<std::uint8_t> header(0x6C, 0);
    std::memcpy(header.data(), "AcFssFcAJMB", 12);
    putU32(header, 0x10, 0x6C);
    putU32(header, 0x14, 4);
    putU32(header, 0x24, 1);
    putU32(header, 0x28, static_cast<std::uint32_t>(pageMapId));
    putU32(header, 0x2C, static_cast<std::uint32_t>(file.size()));
    putU32(header, 0x40, static_cast<std::uint32_t>(pageMap.size()));
    putU32(header, 0x44, 0x20);
    putU32(header, 0x48, 0x80);
    putU32(header, 0x4C, 0x40);
    putU32(header, 0x50, static_cast<std::uint32_t>(pageMapId));
    putU32(header, 0x54, static_cast<std::uint32_t>(pageMapAddress - cad::dwg::r2004::kPagesBase));
    putU32(header, 0x5C, static_cast<std::uint32_t>(sectionMapId));
    putU32(header, 0x60, static_cast<std::uint32_t>(pageMap.size()));
    cad::dwg::r2004::decryptHeaderBytes(header); // the XOR sequence encrypts as it decrypts
    std::copy(header.begin(), header.end(), file.begin() + 0x80);
    return built;
}

ContainerBuilder standardContainer(std::string version) {
    const auto filled = [](std::size_t size, std::uint8_t seed) {
        std::vector<std::uint8_t> bytes(size);
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<std::uint8_t>(seed + (i * 7) % 251 + (i / 1000));
        return bytes;
    };
    ContainerBuilder builder(std::move(version));
    builder.add({"AcDb:Header", filled(600, 1)})
        .add({"AcDb:Classes", filled(1300, 2)})
        .add({"AcDb:Handles", filled(700, 3)})
        .add({"AcDb:AcDbObjects", filled(70000, 4)});
    return builder;
}

} // namespace vexor::test::r2004
