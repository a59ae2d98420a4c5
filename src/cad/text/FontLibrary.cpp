#include "TextFont.h"

#include "../model/Drawing.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <system_error>

namespace vexor::cad {

namespace fs = std::filesystem;

namespace {

constexpr const char* kStrokeFontFolder = "/usr/share/librecad/fonts";
constexpr const char* kDefaultStrokeFont = "standard";
// Stroke fonts with wide coverage, asked in turn for characters a font lacks: CJK and most
// scripts, then Greek, then typographic symbols such as bullets.
constexpr const char* kFallbackStrokeFonts[] = {"unicode", "iso3098", "lc_opengost-ar"};

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// "C:\Fonts\RomanS.SHX" -> "romans"; the extension separately.
std::pair<std::string, std::string> stemAndExtension(std::string_view name) {
    const std::size_t slash = name.find_last_of("/\\");
    if (slash != std::string_view::npos)
        name = name.substr(slash + 1);
    while (!name.empty() && name.front() == '@') // vertical variants of Asian fonts
        name.remove_prefix(1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return {lower(name), {}};
    return {lower(name.substr(0, dot)), lower(name.substr(dot + 1))};
}

std::string userFontFolder() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return std::string(xdg) + "/vexor/fonts";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.local/share/vexor/fonts";
    return {};
}

// The stroke font standing in for a compiled CAD font of that name.
std::string strokeFontFor(const std::string& stem) {
    static const std::map<std::string, std::string, std::less<>> names = {
        {"txt", "standard"},         {"monotxt", "standard"}, {"simplex", "simplex"},
        {"romans", "romans"},        {"romanc", "romanc"},    {"romand", "romand"},
        {"romant", "romant"},        {"complex", "romanc"},   {"italic", "italicc"},
        {"italicc", "italicc"},      {"italict", "italict"},  {"isocp", "iso"},
        {"isocp2", "iso"},           {"isocp3", "iso"},       {"isoct", "iso"},
        {"isoct2", "iso"},           {"isoct3", "iso"},       {"isocpeur", "iso"},
        {"isocteur", "iso"},         {"iso3098", "iso3098"},  {"gothice", "gothgbt"},
        {"gothicg", "gothgrt"},      {"gothici", "gothitt"},  {"gotheng", "gothgbt"},
        {"gothger", "gothgrt"},      {"gothita", "gothitt"},  {"greekc", "greekc"},
        {"greeks", "greeks"},        {"greek", "greekc"},     {"cyrillic", "cyrillic_ii"},
        {"cyriltlc", "cyrillic_ii"}, {"scriptc", "scriptc"},  {"scripts", "scripts"},
        {"syastro", "syastro"},      {"symap", "symap"},      {"symath", "symath"},
        {"symeteo", "symeteo"},      {"symusic", "symusic"},  {"bigfont", "unicode"},
        {"chineset", "unicode"},     {"gbcbig", "unicode"},   {"extfont", "kochigothic"},
        {"extfont2", "kochigothic"}, {"whgtxt", "unicode"},   {"whgdtxt", "unicode"},
        {"hztxt", "unicode"},        {"khztxt", "unicode"},   {"bigfontk", "unicode"},
    };
    if (const auto it = names.find(stem); it != names.end())
        return it->second;
    if (stem.rfind("iso", 0) == 0)
        return "iso";
    if (stem.rfind("goth", 0) == 0)
        return "gothgbt";
    if (stem.rfind("greek", 0) == 0)
        return "greekc";
    if (stem.rfind("cyril", 0) == 0)
        return "cyrillic_ii";
    if (stem.rfind("script", 0) == 0)
        return "scripts";
    if (stem.rfind("roman", 0) == 0)
        return "romans";
    return {};
}

struct TrueTypeFace {
    const char* family;
    const char* standIn; // metric-compatible file
    double widthScale;
};

// TrueType files and families that drawings name most, with their metric-compatible stand-ins.
const TrueTypeFace* knownFace(const std::string& key) {
    static const std::map<std::string, TrueTypeFace, std::less<>> faces = {
        {"arial", {"Arial", "LiberationSans", 1}},
        {"arialuni", {"Arial Unicode MS", "LiberationSans", 1}},
        {"arialn", {"Arial Narrow", "LiberationSans", 0.82}},
        {"arialnarrow", {"Arial Narrow", "LiberationSans", 0.82}},
        {"ariblk", {"Arial Black", "LiberationSans-Bold", 1.1}},
        {"arialblack", {"Arial Black", "LiberationSans-Bold", 1.1}},
        {"helvetica", {"Helvetica", "LiberationSans", 1}},
        {"times", {"Times New Roman", "LiberationSerif", 1}},
        {"timesnewroman", {"Times New Roman", "LiberationSerif", 1}},
        {"cour", {"Courier New", "LiberationMono", 1}},
        {"couriernew", {"Courier New", "LiberationMono", 1}},
        {"courier", {"Courier New", "LiberationMono", 1}},
        {"calibri", {"Calibri", "LiberationSans", 0.9}},
        {"tahoma", {"Tahoma", "DejaVuSans", 1}},
        {"verdana", {"Verdana", "DejaVuSans", 1}},
        {"segoeui", {"Segoe UI", "LiberationSans", 1}},
        {"isocpeur", {"ISOCPEUR", nullptr, 1}},
    };
    const auto it = faces.find(key);
    return it == faces.end() ? nullptr : &it->second;
}

// Splits the weight and slant suffixes of Windows font file names: "arialbd" -> "arial", bold.
std::string baseFileName(const std::string& stem, bool& bold, bool& italic) {
    for (const auto& [suffix, b, i] :
         std::initializer_list<std::tuple<const char*, bool, bool>>{{"bi", true, true},
                                                                    {"bd", true, false},
                                                                    {"z", true, true},
                                                                    {"i", false, true},
                                                                    {"b", true, false}}) {
        const std::string_view sfx = suffix;
        if (stem.size() > sfx.size() && stem.ends_with(sfx)) {
            const std::string base = stem.substr(0, stem.size() - sfx.size());
            if (knownFace(base)) {
                bold = bold || b;
                italic = italic || i;
                return base;
            }
        }
    }
    return stem;
}

// Whether a font file's name says it is a bold or a slanted face ("LiberationSans-BoldItalic",
// "DejaVuSans-Oblique", "arialbd"). A face whose name says neither is taken as regular.
void fileFace(const std::string& path, bool& bold, bool& italic) {
    const std::string stem = lower(fs::path(path).stem().string());
    bold = stem.find("bold") != std::string::npos || stem.find("black") != std::string::npos ||
           stem.find("heavy") != std::string::npos;
    italic = stem.find("italic") != std::string::npos || stem.find("oblique") != std::string::npos;
    baseFileName(stem, bold, italic);
}

std::string styleSuffix(bool bold, bool italic) {
    return bold && italic ? "-BoldItalic" : bold ? "-Bold" : italic ? "-Italic" : "-Regular";
}

class Library {
public:
    static Library& instance() {
        static Library library;
        return library;
    }

    // A stroke font by file stem, from the user's font folder or the installed fonts; read
    // once.
    std::shared_ptr<const StrokeFont> stroke(const std::string& stem,
                                             std::vector<std::string>& problems) {
        std::vector<std::string> candidates;
        if (const std::string user = userFontFolder(); !user.empty())
            candidates.push_back(user + "/" + stem + ".lff");
        candidates.push_back(std::string(kStrokeFontFolder) + "/" + stem + ".lff");
        for (const std::string& path : candidates) {
            std::error_code ec;
            if (!fs::is_regular_file(path, ec))
                continue;
            if (auto font = loadedOnce(path, stem, problems))
                return font;
        }
        return nullptr;
    }

    // The font file at `path`, read the first time it is asked for; its problems are reported
    // with every use. Null when it could not be read.
    std::shared_ptr<const StrokeFont> loadedOnce(const std::string& path, const std::string& stem,
                                                 std::vector<std::string>& problems) {
        std::lock_guard lock(mutex_);
        auto [it, added] = strokeFonts_.try_emplace(path);
        if (added)
            it->second = load(path, stem);
        for (const std::string& p : it->second.problems)
            problems.push_back(path + ": " + p);
        return it->second.font;
    }

    // A compiled shape font (.shx) by file stem, from the drawing's folder or the user's font
    // folder (names compared without case, as the drawing's author's system did); read once.
    std::shared_ptr<const StrokeFont> shx(const std::string& stem,
                                          std::vector<std::string>& problems) {
        std::vector<std::string> folders;
        if (const std::string& drawing = DrawingFontFolder::current(); !drawing.empty())
            folders.push_back(drawing);
        if (const std::string user = userFontFolder(); !user.empty())
            folders.push_back(user);
        for (const std::string& folder : folders) {
            const std::string path = findShx(folder, stem);
            if (path.empty())
                continue;
            if (auto font = loadedOnce(path, stem, problems))
                return font;
        }
        return nullptr;
    }

    // A TrueType file by its name without extension (case-insensitive), from the font folders.
    std::string trueTypeFile(const std::string& stem) {
        std::lock_guard lock(mutex_);
        if (!indexed_) {
            indexed_ = true;
            std::vector<std::string> roots = {"/usr/share/fonts", "/usr/local/share/fonts"};
            if (const char* home = std::getenv("HOME"); home && *home) {
                roots.push_back(std::string(home) + "/.local/share/fonts");
                roots.push_back(std::string(home) + "/.fonts");
            }
            if (const std::string user = userFontFolder(); !user.empty())
                roots.push_back(user);
            for (const std::string& root : roots)
                indexFolder(root);
        }
        const auto it = trueTypeFiles_.find(lower(stem));
        return it == trueTypeFiles_.end() ? std::string{} : it->second;
    }

private:
    static std::string findShx(const std::string& folder, const std::string& stem) {
        std::error_code ec;
        for (const std::string& name : {stem + ".shx", stem + ".SHX"}) {
            const std::string path = folder + "/" + name;
            if (fs::is_regular_file(path, ec))
                return path;
        }
        std::size_t budget = 5000; // entries looked at in one folder
        for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec),
             end;
             !ec && it != end && budget > 0; it.increment(ec), --budget) {
            const auto [entryStem, ext] = stemAndExtension(it->path().filename().string());
            if (ext == "shx" && entryStem == stem && it->is_regular_file(ec))
                return it->path().string();
        }
        return {};
    }

    static StrokeFontResult load(const std::string& path, const std::string& stem) {
        std::ifstream in(path, std::ios::binary);
        std::error_code ec;
        const std::uintmax_t size = fs::file_size(path, ec);
        std::string text;
        text.resize(
            ec ? 0
               : static_cast<std::size_t>(std::min<std::uintmax_t>(size, kMaxFontFileBytes + 1)));
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
        if (looksLikeShx(text))
            return readShxFont(text, stem, path);
        return readLffFont(text, stem, path);
    }

    void indexFolder(const std::string& root) {
        std::error_code ec;
        std::size_t budget = 20000; // files looked at per folder tree
        for (fs::recursive_directory_iterator
                 it(root, fs::directory_options::skip_permission_denied, ec),
             end;
             it != end && budget > 0; it.increment(ec), --budget) {
            if (ec)
                break;
            const auto [stem, ext] = stemAndExtension(it->path().filename().string());
            if (ext == "ttf" || ext == "otf" || ext == "ttc")
                trueTypeFiles_.try_emplace(stem, it->path().string());
        }
    }

    std::mutex mutex_;
    std::map<std::string, StrokeFontResult> strokeFonts_;
    std::map<std::string, std::string> trueTypeFiles_;
    bool indexed_ = false;
};

const std::vector<std::shared_ptr<const StrokeFont>>& fallbackStrokeFonts() {
    static const std::vector<std::shared_ptr<const StrokeFont>> fonts = [] {
        std::vector<std::shared_ptr<const StrokeFont>> list;
        std::vector<std::string> ignored;
        for (const char* name : kFallbackStrokeFonts)
            if (auto font = Library::instance().stroke(name, ignored))
                list.push_back(std::move(font));
        return list;
    }();
    return fonts;
}

std::shared_ptr<const TrueTypeMetrics>& metricsSlot() {
    static std::shared_ptr<const TrueTypeMetrics> metrics;
    return metrics;
}
std::mutex& metricsMutex() {
    static std::mutex m;
    return m;
}

// The device's own face: nothing else could be found.
std::shared_ptr<const TextFont> deviceFace() {
    static const auto face = [] {
        auto f = std::make_shared<TextFont>();
        f->kind = TextFont::Kind::TrueType;
        f->family = "sans-serif";
        return f;
    }();
    return face;
}

// An installed file of a family in the weight and slant asked for ("DejaVuSans-BoldOblique"),
// else its plain file. Family names are also tried without their spaces.
std::string styledFile(Library& library, const std::string& family, bool bold, bool italic) {
    std::string compact = family;
    std::erase(compact, ' ');
    std::vector<std::string> suffixes;
    if (bold && italic)
        suffixes = {"-BoldItalic", "-BoldOblique", "bi", "z"};
    else if (bold)
        suffixes = {"-Bold", "bd", "b"};
    else if (italic)
        suffixes = {"-Italic", "-Oblique", "i"};
    suffixes.push_back("");
    for (const std::string& suffix : suffixes)
        for (const std::string* name : {&family, static_cast<const std::string*>(&compact)})
            if (std::string path = library.trueTypeFile(*name + suffix); !path.empty())
                return path;
    return {};
}

FontChoice trueTypeChoice(const std::string& key, const std::string& requested, bool bold,
                          bool italic) {
    FontChoice choice;
    auto font = std::make_shared<TextFont>();
    font->kind = TextFont::Kind::TrueType;
    font->bold = bold;
    font->italic = italic;
    Library& library = Library::instance();
    const TrueTypeFace* known = knownFace(key);
    font->family = known ? known->family : requested;
    // The font itself when it is installed (its bold or slanted file first when asked for), its
    // metric-compatible stand-in, a sans-serif.
    std::string path = styledFile(library, requested, bold, italic);
    if (path.empty() && known && known->standIn) {
        const std::string standIn = std::string(known->standIn) + styleSuffix(bold, italic);
        path = library.trueTypeFile(standIn);
        if (path.empty())
            path = library.trueTypeFile(std::string(known->standIn));
        font->widthScale = known->widthScale;
        if (path.empty()) {
            choice.found = false;
            choice.standIn = "the device's sans-serif face";
        }
    } else if (path.empty()) {
        const std::string standIn = std::string("LiberationSans") + styleSuffix(bold, italic);
        path = library.trueTypeFile(standIn);
        choice.found = false;
        choice.standIn = path.empty() ? "the device's sans-serif face" : path;
    }
    font->path = path;
    if (!path.empty() && (bold || italic)) {
        bool fileBold = false, fileItalic = false;
        fileFace(path, fileBold, fileItalic);
        font->syntheticBold = bold && !fileBold;
        font->syntheticItalic = italic && !fileItalic;
    }
    choice.font = std::move(font);
    return choice;
}

} // namespace

void installTrueTypeMetrics(std::shared_ptr<const TrueTypeMetrics> metrics) {
    std::lock_guard lock(metricsMutex());
    metricsSlot() = std::move(metrics);
}

std::u32string missingCharacters(const TextFont& font, std::string_view utf8) {
    std::shared_ptr<const TrueTypeMetrics> metrics;
    {
        std::lock_guard lock(metricsMutex());
        metrics = metricsSlot();
    }
    return metrics && font.kind == TextFont::Kind::TrueType ? metrics->missing(font, utf8)
                                                            : std::u32string{};
}

// A character the font lacks comes from its big font, else from the wide stroke fonts (read
// the first time a drawing needs it).
const StrokeGlyph* TextFont::strokeGlyph(char32_t c) const {
    if (stroke)
        if (const StrokeGlyph* g = stroke->glyph(c))
            return g;
    if (c == ' ' || c == 0xA0)
        return nullptr;
    if (fallback)
        if (const StrokeGlyph* g = fallback->glyph(c))
            return g;
    for (const auto& wide : fallbackStrokeFonts())
        if (const StrokeGlyph* g = wide->glyph(c))
            return g;
    return stroke ? stroke->glyphOrFallback(c) : nullptr;
}

double estimateTextWidth(std::string_view s) {
    double w = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if ((c & 0xC0) == 0x80)
            continue; // continuation byte of a multi-byte character
        if (c == ' ')
            w += 0.44;
        else if (c == 'i' || c == 'l' || c == 'j' || c == '.' || c == ',' || c == ':' || c == ';' ||
                 c == '\'' || c == '|' || c == '!' || c == 'I')
            w += 0.4;
        else if (c == 'm' || c == 'w' || c == 'M' || c == 'W')
            w += 1.3;
        else if (std::isupper(c))
            w += 0.98;
        else if (c >= 0xE0)
            w += 1.3; // wide scripts
        else
            w += 0.85;
    }
    return w;
}

double TextFont::strokeAdvance(char32_t c) const {
    if (stroke)
        if (const StrokeGlyph* g = stroke->glyph(c))
            return g->advance;
    if (const StrokeGlyph* g = strokeGlyph(c))
        return g->advance;
    return stroke ? stroke->advance(c) : 1.0;
}

double TextFont::width(std::string_view utf8) const {
    if (kind == Kind::Stroke && stroke) {
        // The gap after the last glyph is not part of the text (a trailing space is).
        const double gap = !utf8.empty() && utf8.back() != ' ' ? stroke->letterSpacing() : 0.0;
        return std::max(0.0, advance(utf8) - gap);
    }
    return advance(utf8);
}

double TextFont::advance(std::string_view utf8) const {
    if (kind == Kind::Stroke && stroke) {
        double w = 0;
        for (std::size_t i = 0; i < utf8.size();)
            w += strokeAdvance(nextCodepoint(utf8, i));
        return w;
    }
    std::shared_ptr<const TrueTypeMetrics> metrics;
    {
        std::lock_guard lock(metricsMutex());
        metrics = metricsSlot();
    }
    if (metrics) {
        const double w = metrics->width(*this, utf8);
        if (w >= 0)
            return w * widthScale;
    }
    return estimateTextWidth(utf8) * widthScale;
}

namespace {

FontChoice resolveFontUncached(std::string_view fontFile, std::string_view bigFontFile) {
    auto [stem, ext] = stemAndExtension(fontFile);
    if (stem.empty())
        stem = "txt";
    FontChoice choice;
    std::string key = stem;
    key.erase(std::remove(key.begin(), key.end(), ' '), key.end());
    const bool family = ext.empty() && (knownFace(key) || stem.find(' ') != std::string::npos);
    if (ext == "ttf" || ext == "ttc" || ext == "otf" || family) {
        bool bold = false, italic = false;
        key = baseFileName(key, bold, italic);
        return trueTypeChoice(key, stem, bold, italic);
    }
    Library& library = Library::instance();
    auto font = std::make_shared<TextFont>();
    if (ext.empty() || ext == "shx")
        font->stroke = library.shx(stem, choice.problems);
    if (!font->stroke)
        font->stroke = library.stroke(stem, choice.problems);
    if (!font->stroke) {
        const std::string mapped = strokeFontFor(stem);
        if (!mapped.empty())
            font->stroke = library.stroke(mapped, choice.problems);
        else
            choice.found = false;
    }
    if (!font->stroke) {
        choice.found = false;
        font->stroke = library.stroke(kDefaultStrokeFont, choice.problems);
    }
    if (!font->stroke) {
        choice.standIn = "the device's sans-serif face";
        choice.font = deviceFace();
        return choice;
    }
    if (!choice.found)
        choice.standIn = font->stroke->path();
    font->path = font->stroke->path();
    // Characters the font lacks come from the big font's stand-in (or the wide one).
    if (!bigFontFile.empty()) {
        const auto [bigStem, bigExt] = stemAndExtension(bigFontFile);
        if (bigStem == stem) {
            choice.problems.push_back(std::string(bigFontFile) +
                                      ": the font names itself as its big font; ignored");
        } else {
            font->fallback = library.shx(bigStem, choice.problems);
            if (const std::string mapped = strokeFontFor(bigStem);
                !font->fallback && !mapped.empty())
                font->fallback = library.stroke(mapped, choice.problems);
        }
    }
    choice.font = std::move(font);
    return choice;
}

// Resolutions are kept for the process: styles and font switches repeat in every drawing.
template <typename Make> FontChoice cached(const std::string& key, Make make) {
    static std::mutex mutex;
    static std::map<std::string, FontChoice> choices;
    {
        std::lock_guard lock(mutex);
        if (const auto it = choices.find(key); it != choices.end())
            return it->second;
    }
    FontChoice choice = make();
    std::lock_guard lock(mutex);
    if (choices.size() < 4096)
        choices.emplace(key, choice);
    return choice;
}

} // namespace

namespace {
thread_local std::string drawingFontFolder;
} // namespace

DrawingFontFolder::DrawingFontFolder(std::string drawingPath) : previous_(drawingFontFolder) {
    drawingFontFolder =
        drawingPath.empty() ? std::string{} : fs::path(drawingPath).parent_path().string();
    if (drawingFontFolder.empty() && !drawingPath.empty())
        drawingFontFolder = ".";
}

DrawingFontFolder::~DrawingFontFolder() {
    drawingFontFolder = std::move(previous_);
}

const std::string& DrawingFontFolder::current() {
    return drawingFontFolder;
}

FontChoice resolveFont(std::string_view fontFile, std::string_view bigFontFile) {
    std::string key = "s|";
    key.append(fontFile)
        .append("|")
        .append(bigFontFile)
        .append("|")
        .append(DrawingFontFolder::current());
    return cached(key, [&] { return resolveFontUncached(fontFile, bigFontFile); });
}

FontChoice resolveFamily(std::string_view family, bool bold, bool italic) {
    std::string key = lower(family);
    key.erase(std::remove(key.begin(), key.end(), ' '), key.end());
    if (!knownFace(key) && !strokeFontFor(key).empty())
        return resolveFont(family);
    const std::string cacheKey = "f|" + key + (bold ? "|b" : "|") + (italic ? "|i" : "|");
    return cached(cacheKey, [&] { return trueTypeChoice(key, key, bold, italic); });
}

FontChoice resolveStyleFont(const TextStyle& style) {
    if (!style.family.empty() && stemAndExtension(style.fontFile).first.empty())
        return resolveFamily(style.family, style.familyBold, style.familyItalic);
    return resolveFont(style.fontFile, style.bigFontFile);
}

ShapeFileChoice resolveShapeFile(std::string_view file) {
    ShapeFileChoice choice;
    const auto [stem, ext] = stemAndExtension(file);
    if (!stem.empty())
        choice.shapes = Library::instance().shx(stem, choice.problems);
    return choice;
}

std::shared_ptr<const TextFont> defaultTextFont() {
    static const std::shared_ptr<const TextFont> font = resolveFont("txt").font;
    return font;
}

} // namespace vexor::cad
