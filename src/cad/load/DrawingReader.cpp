#include "DrawingReader.h"

#include "../dgn/DgnReader.h"
#include "../dwg/DwgReader.h"
#include "../dxf/DxfReader.h"
#include "../io/LoadBudget.h"
#include "../io/MappedFile.h"
#include "../model/ReadError.h"
#include "ExternalReferences.h"
#include "ReferencedLayerTables.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>
#include <string_view>

namespace vexor::cad {
namespace {

bool startsWith(std::span<const std::uint8_t> b, std::string_view s) {
    return b.size() >= s.size() && std::memcmp(b.data(), s.data(), s.size()) == 0;
}

// The next line of a text file (ending in LF, CR LF or a lone CR), without its end and the
// blanks around it; `pos` moves past it.
std::string_view nextTrimmedLine(std::string_view text, std::size_t& pos) {
    const std::size_t start = pos;
    while (pos < text.size() && text[pos] != '\n' && text[pos] != '\r')
        ++pos;
    std::string_view line = text.substr(start, pos - start);
    if (pos < text.size() && text[pos] == '\r')
        ++pos;
    if (pos < text.size() && text[pos] == '\n')
        ++pos;
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    return line;
}

// A text DXF begins, after an optional UTF-8 byte-order mark, blank lines and any number of
// comments (group 999 and its text), with group 0 "SECTION". Group codes may be padded with
// blanks. Anything else before the first section is not a DXF.
bool looksLikeTextDxf(std::span<const std::uint8_t> head) {
    constexpr std::size_t kScanLimit = 1 << 20; // comments longer than this are not a header
    std::string_view text(reinterpret_cast<const char*>(head.data()),
                          std::min<std::size_t>(head.size(), kScanLimit));
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::string_view code = nextTrimmedLine(text, pos);
        if (code.empty())
            continue;
        int value = -1;
        const auto [end, ec] = std::from_chars(code.data(), code.data() + code.size(), value);
        if (ec != std::errc() || end != code.data() + code.size())
            return false;
        if (pos >= text.size())
            return false;
        const std::string_view groupValue = nextTrimmedLine(text, pos);
        if (value == 0)
            return groupValue == "SECTION";
        if (value != 999)
            return false;
    }
    return false;
}

void rejectUnknown(ContentKind kind, const std::string& path) {
    if (kind == ContentKind::Dgn8)
        throw ReadError(path, "DGN version 8 files are not supported yet");
    if (kind == ContentKind::Unknown)
        throw ReadError(path, "not a drawing file this viewer can read");
}

// Runs a read under the caller's budget, or under one for the file's size when the caller has
// none; a stopped load names the file.
template <class Read> auto underBudget(std::size_t fileSize, const std::string& path, Read read) {
    std::optional<LoadBudget> ownBudget;
    std::optional<LoadScope> ownScope;
    if (!activeLoadBudget())
        ownScope.emplace(ownBudget.emplace(LoadBudget::allowedBytes(fileSize)));
    try {
        auto result = read();
        activeLoadBudget()->checkMemory();
        return result;
    } catch (const LoadStopped& stop) {
        throw LoadStopped(stop.reason(), path + ": " + stop.what());
    }
}

} // namespace

ContentKind detectContent(std::span<const std::uint8_t> head) {
    if (startsWith(head, "AC10") || startsWith(head, "AC1.") || startsWith(head, "AC2"))
        return ContentKind::Dwg;
    if (startsWith(head, "AutoCAD Binary DXF"))
        return ContentKind::DxfBinary;
    static constexpr std::uint8_t ole[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (head.size() >= 8 && std::memcmp(head.data(), ole, 8) == 0)
        return ContentKind::Dgn8;
    // A version 7 design file starts with its type-9 control element, level 8 or 0xC8 (3D)
    // followed by 0x09, and a word count of 0x02FE.
    if (head.size() >= 4 && (head[0] == 0x08 || head[0] == 0xC8) && head[1] == 0x09 &&
        head[2] == 0xFE && head[3] == 0x02)
        return ContentKind::Dgn7;
    if (looksLikeTextDxf(head))
        return ContentKind::DxfText;
    return ContentKind::Unknown;
}

Drawing readDrawingFile(const std::string& path) {
    MappedFile file(path);
    Drawing drawing = readDrawingBytes(file.bytes(), path);
    drawing.sourcePath = path;
    // The drawings it references are read under the same budget.
    underBudget(file.bytes().size(), path, [&] {
        loadExternalReferences(drawing);
        return 0;
    });
    return drawing;
}

Drawing readDrawingBytes(std::span<const std::uint8_t> bytes, const std::string& path) {
    if (bytes.empty())
        throw ReadError(path, "the file is empty");
    const ContentKind kind = detectContent(bytes);
    return underBudget(bytes.size(), path, [&]() -> Drawing {
        switch (kind) {
        case ContentKind::Dwg:
            return dwg::readDwg(bytes, path);
        case ContentKind::DxfText:
        case ContentKind::DxfBinary:
            return dxf::readDxf(bytes, path);
        case ContentKind::Dgn7:
            return dgn::readDgn(bytes, path);
        default:
            rejectUnknown(kind, path);
        }
        return {};
    });
}

std::vector<LayerTableEntry> readLayerTable(const std::string& path) {
    MappedFile file(path);
    const auto bytes = file.bytes();
    if (bytes.empty())
        throw ReadError(path, "the file is empty");
    const ContentKind kind = detectContent(bytes);
    if (kind == ContentKind::Dwg)
        return underBudget(bytes.size(), path, [&] {
            std::vector<Block> references;
            auto table = dwg::readDwgLayerTable(bytes, path, &references);
            appendReferencedLayers(table, references, path);
            return table;
        });
    // Other formats keep their layers in the drawing itself.
    const Drawing drawing = readDrawingBytes(bytes, path);
    std::vector<LayerTableEntry> entries;
    entries.reserve(drawing.layers.size());
    for (const Layer& layer : drawing.layers)
        entries.push_back({layer.name, (layer.off || layer.frozen) ? 1 : 0});
    return entries;
}

} // namespace vexor::cad
