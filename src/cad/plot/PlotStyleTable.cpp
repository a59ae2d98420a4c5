#include "PlotStyleTable.h"

#include "../model/Color.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <unordered_map>
#include <zlib.h>

namespace vexor::cad {
namespace {

constexpr std::size_t kMaxTextBytes = 8u << 20; // far above any real table
constexpr std::size_t kMaxFileBytes = 8u << 20;
constexpr int kMaxDepth = 8;
constexpr std::size_t kMaxStyles = 4096;
constexpr char kCodecName[] = "pmzlibcodec";

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::uint32_t littleEndian32(std::string_view bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return v;
}

// Whether a zlib stream's two-byte header (deflate, with its check bits) starts at `at`.
bool zlibHeaderAt(std::string_view bytes, std::size_t at) {
    if (at + 2 > bytes.size())
        return false;
    const auto first = static_cast<unsigned char>(bytes[at]);
    const auto second = static_cast<unsigned char>(bytes[at + 1]);
    return (first & 0x0F) == 8 && ((first << 8) | second) % 31 == 0;
}

[[noreturn]] void fail(const std::string& name, const std::string& reason, std::size_t offset) {
    throw PlotStyleError(name + ": " + reason + " (offset " + std::to_string(offset) + ")");
}

// The text records: `key=value` lines and `name{` ... `}` groups.
struct NamedNode;

struct Node {
    std::map<std::string, std::string, std::less<>> values;
    // A vector of a type declared but not yet defined: std::pair would need Node complete.
    std::vector<NamedNode> children;

    const Node* child(std::string_view name) const;
    std::string_view value(std::string_view key) const {
        const auto it = values.find(key);
        return it == values.end() ? std::string_view{} : std::string_view(it->second);
    }
};

struct NamedNode {
    std::string key;
    Node node;
};

const Node* Node::child(std::string_view name) const {
    for (const auto& [key, node] : children)
        if (key == name)
            return &node;
    return nullptr;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

class RecordParser {
public:
    RecordParser(std::string_view text, const std::string& name) : text_(text), name_(name) {}

    Node parse() {
        Node root = group(0);
        return root;
    }

private:
    // Reads lines up to the closing brace of the group (or the end for the root).
    Node group(int depth) {
        if (depth > kMaxDepth)
            fail(name_, "groups nested too deeply", offset_);
        Node node;
        while (offset_ < text_.size()) {
            const std::size_t start = offset_;
            std::size_t end = text_.find('\n', offset_);
            if (end == std::string_view::npos)
                end = text_.size();
            offset_ = end + 1;
            const std::string_view line = trim(text_.substr(start, end - start));
            if (line.empty())
                continue;
            if (line == "}") {
                if (depth == 0)
                    fail(name_, "a closing brace without its group", start);
                return node;
            }
            if (line.back() == '{') {
                const std::string key(trim(line.substr(0, line.size() - 1)));
                Node inner = group(depth + 1);
                if (node.children.size() < kMaxStyles)
                    node.children.push_back({key, std::move(inner)});
                continue;
            }
            const std::size_t equals = line.find('=');
            if (equals == std::string_view::npos)
                continue; // not a record: tolerated, as writers add their own lines
            std::string_view value = line.substr(equals + 1);
            if (!value.empty() && value.front() == '"') { // a text runs to the line's end
                value.remove_prefix(1);
                if (!value.empty() && value.back() == '"')
                    value.remove_suffix(1);
            }
            node.values.emplace(std::string(trim(line.substr(0, equals))), std::string(value));
        }
        if (depth > 0)
            fail(name_, "a group is not closed", offset_);
        return node;
    }

    std::string_view text_;
    const std::string& name_;
    std::size_t offset_ = 0;
};

std::optional<long long> number(std::string_view text) {
    text = trim(text);
    long long v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || text.empty())
        return std::nullopt;
    return v;
}

double decimal(std::string_view text, double fallback) {
    const std::string copy(trim(text));
    char* end = nullptr;
    const double v = std::strtod(copy.c_str(), &end);
    return end != copy.c_str() && std::isfinite(v) ? v : fallback;
}

bool isTrue(std::string_view text) {
    return lower(trim(text)) == "true";
}

// A stored colour: the top byte says how it is given (0xC2: red, green and blue; 0xC3: a colour
// number, all ones for the object's own colour); -1 is the object's own colour too. A colour
// policy with bit 4 set says the low bytes are red, green and blue whatever the top byte.
std::optional<std::uint32_t> styleColor(long long stored, long long policy) {
    const auto bits = static_cast<std::uint32_t>(stored);
    if (bits == 0xFFFFFFFFu || bits == 0xC3FFFFFFu)
        return std::nullopt;
    if ((bits >> 24) == 0xC3 && !(policy & 4)) {
        const std::uint32_t index = bits & 0xFFFFFFu;
        if (index >= 1 && index <= 255)
            return colorIndexRgb(static_cast<int>(index)) & 0xFFFFFFu;
        return std::nullopt;
    }
    return bits & 0xFFFFFFu;
}

PlotStyle readStyle(const Node& node, const std::vector<double>& lineweights) {
    PlotStyle style;
    style.name = std::string(node.value("name"));
    const auto policy = number(node.value("color_policy"));
    if (const auto c = number(node.value("color")))
        style.color = styleColor(*c, policy.value_or(0));
    if (policy) {
        style.dithering = (*policy & 1) != 0;
        style.grayscale = (*policy & 2) != 0;
    }
    if (const auto screen = number(node.value("screen")))
        style.screening = static_cast<int>(std::clamp<long long>(*screen, 0, 100));
    // An index into the table's lineweights. Index 0 stands for the object's own lineweight
    // (as writers store "use object lineweight"), and so does an index outside the table
    // (255 in many tables) or a weight of 0.
    if (const auto index = number(node.value("lineweight"));
        index && *index > 0 && static_cast<std::size_t>(*index) < lineweights.size() &&
        lineweights[static_cast<std::size_t>(*index)] > 0)
        style.lineweightMm = lineweights[static_cast<std::size_t>(*index)];
    auto small = [&](std::string_view key, std::int32_t fallback) {
        const auto v = number(node.value(key));
        return v ? static_cast<std::int32_t>(std::clamp<long long>(*v, -1, 1 << 20)) : fallback;
    };
    style.linetype = small("linetype", style.linetype);
    style.endStyle = small("end_style", style.endStyle);
    style.joinStyle = small("join_style", style.joinStyle);
    style.fillStyle = small("fill_style", style.fillStyle);
    return style;
}

int closestColorNumber(std::uint32_t rgb) {
    static const std::unordered_map<std::uint32_t, int> exact = [] {
        std::unordered_map<std::uint32_t, int> map;
        for (int i = 255; i >= 1; --i) // the lowest number wins where colours repeat
            map[colorIndexRgb(i) & 0xFFFFFFu] = i;
        return map;
    }();
    rgb &= 0xFFFFFFu;
    if (const auto it = exact.find(rgb); it != exact.end())
        return it->second;
    int best = 7;
    long bestDistance = -1;
    for (int i = 1; i <= 255; ++i) {
        const std::uint32_t c = colorIndexRgb(i);
        const long dr = static_cast<long>((c >> 16) & 0xFF) - static_cast<long>((rgb >> 16) & 0xFF);
        const long dg = static_cast<long>((c >> 8) & 0xFF) - static_cast<long>((rgb >> 8) & 0xFF);
        const long db = static_cast<long>(c & 0xFF) - static_cast<long>(rgb & 0xFF);
        const long d = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

// Reads the table at `path` into `table`; false when there is no such file. A file that is not
// a table leaves `table` empty and says why in `problem`.
bool readFile(const std::string& path, const std::string& name,
              std::shared_ptr<const PlotStyleTable>& table, std::string& problem) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string bytes;
    bytes.resize(kMaxFileBytes + 1);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    try {
        if (bytes.size() > kMaxFileBytes)
            fail(path, "larger than a plot style table can be", kMaxFileBytes);
        PlotStyleTable read = parsePlotStyleTable(bytes, path);
        read.name = name;
        table = std::make_shared<const PlotStyleTable>(std::move(read));
    } catch (const PlotStyleError& e) {
        problem = std::string(e.what()) + "; plotted without it";
    }
    return true;
}

} // namespace

const PlotStyle* PlotStyleTable::forColorNumber(int aci) const {
    if (colorDependent)
        return aci >= 1 && static_cast<std::size_t>(aci) <= styles.size()
                   ? &styles[static_cast<std::size_t>(aci - 1)]
                   : nullptr;
    return styles.empty() ? nullptr : &styles.front();
}

const PlotStyle* PlotStyleTable::byName(std::string_view styleName) const {
    const std::string wanted = lower(styleName);
    for (const PlotStyle& style : styles)
        if (lower(style.name) == wanted)
            return &style;
    return nullptr;
}

std::uint32_t PlotStyle::plotColor(std::uint32_t rgb) const {
    const std::uint32_t c = color.value_or(rgb & 0xFFFFFFu);
    std::array<int, 3> channel{static_cast<int>((c >> 16) & 0xFF),
                               static_cast<int>((c >> 8) & 0xFF), static_cast<int>(c & 0xFF)};
    if (grayscale) {
        const int grey = static_cast<int>(
            std::lround(0.299 * channel[0] + 0.587 * channel[1] + 0.114 * channel[2]));
        channel = {grey, grey, grey};
    }
    // Screening lightens towards the paper: 0 percent is white.
    for (int& v : channel)
        v = 255 - static_cast<int>(std::lround((255 - v) * screening / 100.0));
    return static_cast<std::uint32_t>((channel[0] << 16) | (channel[1] << 8) | channel[2]);
}

std::uint32_t PlotStyleTable::plotColor(std::uint32_t rgb, int aci) const {
    rgb &= 0xFFFFFFu;
    const PlotStyle* style = forColorNumber(aci > 0 ? aci : closestColorNumber(rgb));
    return style ? style->plotColor(rgb) : rgb;
}

std::optional<double> PlotStyleTable::plotLineweightMm(std::uint32_t rgb, int aci) const {
    const PlotStyle* style = forColorNumber(aci > 0 ? aci : closestColorNumber(rgb));
    return style ? style->lineweightMm : std::nullopt;
}

PlotStyleTable parsePlotStyleTable(std::string_view bytes, std::string name) {
    const std::size_t codec = bytes.substr(0, 256).find(kCodecName);
    if (bytes.substr(0, 14) != "PIAFILEVERSION" || codec == std::string_view::npos)
        fail(name, "not a plot style table (no version header)", 0);
    const std::size_t sizes = codec + std::strlen(kCodecName);
    if (bytes.size() < sizes + 12)
        fail(name, "the header ends before its sizes", bytes.size());
    // Checksum, text size and compressed size are 32-bit numbers, or 64-bit ones (whose upper
    // halves are zero) in the files of some writers: the one whose records start with a zlib
    // header right after it is the layout used.
    const std::size_t field = bytes.size() >= sizes + 26 && !zlibHeaderAt(bytes, sizes + 12) &&
                                      zlibHeaderAt(bytes, sizes + 24)
                                  ? 8
                                  : 4;
    const std::uint32_t textSize = littleEndian32(bytes, sizes + field);
    const std::uint32_t packedSize = littleEndian32(bytes, sizes + 2 * field);
    const std::size_t body = sizes + 3 * field;
    if (textSize == 0 || textSize > kMaxTextBytes)
        fail(name, "a text size of " + std::to_string(textSize) + " bytes", sizes + field);
    if (packedSize > bytes.size() - body)
        fail(name, "the compressed records run past the end of the file", sizes + 2 * field);
    std::string text(textSize, '\0');
    uLongf produced = textSize;
    const int status = uncompress(reinterpret_cast<Bytef*>(text.data()), &produced,
                                  reinterpret_cast<const Bytef*>(bytes.data() + body), packedSize);
    if (status != Z_OK)
        fail(name,
             std::string("the compressed records cannot be unpacked (") + zError(status) + ")",
             body);
    text.resize(produced);
    // The records end with a zero byte.
    if (const std::size_t zero = text.find('\0'); zero != std::string::npos)
        text.resize(zero);

    const Node root = RecordParser(text, name).parse();
    PlotStyleTable table;
    table.name = std::move(name);
    table.description = std::string(root.value("description"));
    table.colorDependent = isTrue(root.value("aci_table_available"));
    if (const Node* weights = root.child("custom_lineweight_table")) {
        // Entries are numbered: a missing one leaves a gap of 0 (the object's own).
        for (const auto& [key, value] : weights->values)
            if (const auto index = number(key); index && *index >= 0 && *index < 1024) {
                if (table.lineweights.size() <= static_cast<std::size_t>(*index))
                    table.lineweights.resize(static_cast<std::size_t>(*index) + 1, 0);
                table.lineweights[static_cast<std::size_t>(*index)] =
                    std::max(0.0, decimal(value, 0));
            }
    }
    if (const Node* styles = root.child("plot_style")) {
        std::vector<std::pair<long long, PlotStyle>> numbered;
        for (const auto& [key, node] : styles->children)
            if (const auto index = number(key))
                numbered.emplace_back(*index, readStyle(node, table.lineweights));
        std::stable_sort(numbered.begin(), numbered.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& entry : numbered)
            table.styles.push_back(std::move(entry.second));
    }
    return table;
}

std::string userPlotStyleFolder() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return std::string(xdg) + "/vexor/plotstyles";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.local/share/vexor/plotstyles";
    return {};
}

std::shared_ptr<const PlotStyleTable> knownPlotStyleTable(const std::string& tableName) {
    const std::string name = lower(tableName);
    const bool named = name.size() > 4 && name.substr(name.size() - 4) == ".stb";
    const std::string stem = name.substr(0, name.rfind('.'));
    if (stem != "monochrome" && stem != "grayscale")
        return nullptr;
    auto table = std::make_shared<PlotStyleTable>();
    table->name = tableName;
    table->colorDependent = !named;
    PlotStyle style;
    style.name = "Normal";
    if (stem == "monochrome")
        style.color = 0x000000;
    else
        style.grayscale = true;
    table->styles.assign(named ? 1 : 255, style);
    return table;
}

std::shared_ptr<const PlotStyleTable> findPlotStyleTable(const std::string& tableName,
                                                         const std::string& drawingPath,
                                                         std::string& problem) {
    problem.clear();
    // Only the file name counts: tables are found by name, wherever their author kept them.
    std::string name = tableName;
    if (const std::size_t slash = name.find_last_of("/\\"); slash != std::string::npos)
        name = name.substr(slash + 1);
    if (name.empty())
        return nullptr;
    std::vector<std::string> folders;
    if (const std::size_t slash = drawingPath.find_last_of('/'); slash != std::string::npos)
        folders.push_back(drawingPath.substr(0, slash));
    else if (!drawingPath.empty())
        folders.push_back(".");
    if (std::string user = userPlotStyleFolder(); !user.empty())
        folders.push_back(std::move(user));
    for (const std::string& folder : folders)
        for (const std::string& candidate : {name, lower(name)}) {
            std::shared_ptr<const PlotStyleTable> table;
            if (readFile(folder + "/" + candidate, name, table, problem))
                return table;
        }
    if (auto known = knownPlotStyleTable(name))
        return known;
    problem = "plot style table \"" + name + "\" not found beside the drawing or in " +
              (folders.empty() ? std::string("the user's folder") : folders.back()) +
              "; plotted without it";
    return nullptr;
}

} // namespace vexor::cad
