#include "DxfContext.h"

#include "../io/Codepage.h"
#include "../io/PlotStyleLinks.h"
#include "../model/AsciiCase.h"

#include <charconv>

namespace vexor::cad::dxf {
namespace {

// A file with thousands of damaged records would otherwise fill memory with messages.
constexpr std::size_t kMaxDiagnostics = 200;

bool hasHighBytes(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80)
            return true;
    return false;
}

bool isValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        const int extra = c < 0x80           ? 0
                          : (c >> 5) == 0x6  ? 1
                          : (c >> 4) == 0xE  ? 2
                          : (c >> 3) == 0x1E ? 3
                                             : -1;
        if (extra < 0 || i + extra >= s.size())
            return false;
        for (int k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += extra + 1;
    }
    return true;
}

} // namespace

void DxfContext::setEncoding(std::string_view version, std::string_view codepage) {
    if (!version.empty()) {
        versionKnown_ = true;
        utf8_ = version >= "AC1021";
    }
    if (!codepage.empty())
        codepage_ = std::string(codepage);
}

std::string DxfContext::decode(std::string_view bytes) const {
    // ASCII reads the same in every code page; only "\U+XXXX" escapes need decoding.
    if (!hasHighBytes(bytes))
        return bytes.find('\\') == std::string_view::npos ? std::string(bytes)
                                                          : decodeUnicodeEscapes(bytes);
    // Files without a version in their header come from many writers; most of those write
    // UTF-8, so text that is valid UTF-8 is taken as such.
    if (utf8_ || (!versionKnown_ && isValidUtf8(bytes)))
        return decodeUnicodeEscapes(bytes);
    return toUtf8(bytes, codepage_);
}

std::string DxfContext::upper(std::string_view s) {
    return asciiUpper(s);
}

void DxfContext::registerLayer(std::uint32_t index) {
    layerByUpperName_.emplace(upper(drawing_.layers[index].name), index);
}

std::uint32_t DxfContext::layer(std::string_view name) {
    if (lastLayer_ != kNoIndex && name == lastLayerName_)
        return lastLayer_;
    const std::string decoded = decode(name);
    std::uint32_t index;
    if (auto it = layerByUpperName_.find(upper(decoded)); it != layerByUpperName_.end()) {
        index = it->second;
    } else {
        index = drawing_.layerIndex(decoded);
        registerLayer(index);
    }
    lastLayerName_.assign(name);
    lastLayer_ = index;
    return index;
}

std::int32_t DxfContext::linetype(std::string_view name) {
    if (name == lastLinetypeName_)
        return lastLinetype_;
    const std::string key = upper(name);
    std::int32_t index = kLinetypeByLayer;
    if (key == "BYBLOCK") {
        index = kLinetypeByBlock;
    } else if (key == "CONTINUOUS") {
        index = kLinetypeContinuous;
    } else if (key != "BYLAYER") {
        const auto& list = drawing_.linetypes;
        for (; linetypesIndexed_ < list.size(); ++linetypesIndexed_)
            linetypeByUpperName_.emplace(upper(list[linetypesIndexed_].name),
                                         static_cast<std::int32_t>(linetypesIndexed_));
        if (auto it = linetypeByUpperName_.find(upper(decode(name)));
            it != linetypeByUpperName_.end())
            index = it->second;
    }
    lastLinetypeName_.assign(name);
    lastLinetype_ = index;
    return index;
}

std::uint32_t DxfContext::textStyle(std::string_view name) {
    if (name == lastStyleName_)
        return lastStyle_;
    const auto& list = drawing_.textStyles;
    for (; stylesIndexed_ < list.size(); ++stylesIndexed_)
        styleByUpperName_.emplace(upper(list[stylesIndexed_].name),
                                  static_cast<std::uint32_t>(stylesIndexed_));
    const auto it = styleByUpperName_.find(upper(decode(name)));
    lastStyleName_.assign(name);
    lastStyle_ = it != styleByUpperName_.end() ? it->second : kNoIndex;
    return lastStyle_;
}

std::uint32_t DxfContext::block(std::string_view name) {
    return drawing_.blockIndex(decode(name));
}

void DxfContext::diagnostic(const GroupPosition& where, const std::string& message) {
    auto& list = drawing_.diagnostics;
    if (list.size() < kMaxDiagnostics) {
        list.push_back(where.describe() + ": " + message);
    } else if (diagnosticsDropped_++ == 0) {
        list.push_back("further problems are not listed");
    }
}

void DxfContext::addBlockRecord(std::uint64_t handle, std::string name) {
    if (handle != 0)
        blockRecordNames_[handle] = std::move(name);
}

const std::string* DxfContext::blockRecordName(std::uint64_t handle) const {
    const auto it = blockRecordNames_.find(handle);
    return it != blockRecordNames_.end() ? &it->second : nullptr;
}

void DxfContext::addTextStyleHandle(std::uint64_t handle, std::uint32_t style) {
    if (handle != 0)
        textStyleHandles_[handle] = style;
}

std::uint32_t DxfContext::textStyleByHandle(std::uint64_t handle) const {
    const auto it = textStyleHandles_.find(handle);
    return it != textStyleHandles_.end() ? it->second : kNoIndex;
}

void DxfContext::addLinetypeHandle(std::uint64_t handle, std::int32_t linetype) {
    if (handle != 0)
        linetypeHandles_[handle] = linetype;
}

std::int32_t DxfContext::linetypeByHandle(std::uint64_t handle, std::int32_t fallback) const {
    const auto it = linetypeHandles_.find(handle);
    return it != linetypeHandles_.end() ? it->second : fallback;
}

void DxfContext::deferArrowHandle(std::uint32_t dimStyle, int code, std::uint64_t handle) {
    deferredArrows_.push_back({dimStyle, code, handle});
}

void DxfContext::resolveDeferredArrows() {
    for (const DeferredArrow& d : deferredArrows_) {
        const std::string* name = blockRecordName(d.handle);
        if (!name || d.dimStyle >= drawing_.dimStyles.size())
            continue;
        DimStyle& style = drawing_.dimStyles[d.dimStyle];
        (d.code == 341   ? style.leaderArrow
         : d.code == 342 ? style.arrow
         : d.code == 343 ? style.arrow1
                         : style.arrow2) = *name;
    }
    deferredArrows_.clear();
}

void DxfContext::addLayerPlotStyle(std::uint32_t layer, std::uint64_t placeholder) {
    layerPlotStyles_.emplace_back(layer, placeholder);
}

void DxfContext::addEntityPlotStyle(std::uint64_t entity, std::uint64_t placeholder) {
    entityPlotStyles_.emplace_back(entity, placeholder);
}

void DxfContext::addDictionary(std::uint64_t handle,
                               std::vector<std::pair<std::string, std::uint64_t>> entries) {
    if (rootDictionary_ == 0)
        rootDictionary_ = handle;
    dictionaries_.try_emplace(handle, std::move(entries));
}

void DxfContext::addView(std::string_view name, const Box2& area) {
    viewsByUpperName_[upper(name)] = area;
}

void DxfContext::resolveNamedObjects() {
    // The plot style name dictionary, named in the root dictionary, lists a placeholder
    // object per style under the style's name.
    std::unordered_map<std::uint64_t, const std::string*> styleNames;
    if (const auto root = dictionaries_.find(rootDictionary_); root != dictionaries_.end())
        for (const auto& [name, handle] : root->second)
            if (name == "ACAD_PLOTSTYLENAME")
                if (const auto styles = dictionaries_.find(handle); styles != dictionaries_.end())
                    for (const auto& [styleName, placeholder] : styles->second)
                        styleNames.emplace(placeholder, &styleName);
    nameLinkedPlotStyles(
        drawing_,
        [&](std::uint64_t placeholder) -> const std::string* {
            const auto it = styleNames.find(placeholder);
            return it == styleNames.end() ? nullptr : it->second;
        },
        layerPlotStyles_, entityPlotStyles_, fileName_ + ": ");
    for (Layout& layout : drawing_.layouts)
        if (layout.plotArea == PlotArea::View)
            if (const auto view = viewsByUpperName_.find(upper(layout.plotViewName));
                view != viewsByUpperName_.end())
                layout.plotView = view->second;
    layerPlotStyles_.clear();
    entityPlotStyles_.clear();
    dictionaries_.clear();
}

std::uint64_t parseHandle(std::string_view hex) {
    std::uint64_t value = 0;
    while (!hex.empty() && hex.front() == ' ')
        hex.remove_prefix(1);
    std::from_chars(hex.data(), hex.data() + hex.size(), value, 16);
    return value;
}

bool readCoordinate(const Group& group, int base, Vec3& point) {
    if (group.code == base)
        point.x = group.asDouble(point.x);
    else if (group.code == base + 10)
        point.y = group.asDouble(point.y);
    else if (group.code == base + 20)
        point.z = group.asDouble(point.z);
    else
        return false;
    return true;
}

bool readCoordinate(const Group& group, int base, Vec2& point) {
    if (group.code == base)
        point.x = group.asDouble(point.x);
    else if (group.code == base + 10)
        point.y = group.asDouble(point.y);
    else
        return false;
    return true;
}

} // namespace vexor::cad::dxf
