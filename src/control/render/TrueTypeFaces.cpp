#include "TrueTypeFaces.h"

#include "cad/text/TextFont.h"

#include <QFont>
#include <QFontDatabase>
#include <algorithm>
#include <mutex>
#include <unordered_map>

namespace vexor::control {

namespace {

// Glyphs are shaped at this pixel size and scaled by the text's transform.
constexpr double kFacePixelSize = 100.0;

// The engine measures TrueType text with the same files and advances the device draws with.
// Advances are kept per character, so laying out a page of text shapes each letter once.
class FaceMetrics : public cad::TrueTypeMetrics {
public:
    double width(const cad::TextFont& font, std::string_view utf8) const override {
        if (font.path.empty())
            return -1;
        struct Face {
            const QRawFont* face = nullptr;
            double cap = 1;
            std::unordered_map<char32_t, double> advances;
        };
        thread_local std::unordered_map<std::string, Face> faces;
        auto it = faces.find(font.path);
        if (it == faces.end()) {
            Face f;
            f.face = trueTypeFace(QString::fromStdString(font.path));
            if (f.face)
                f.cap = faceCapHeight(*f.face);
            it = faces.emplace(font.path, std::move(f)).first;
        }
        Face& f = it->second;
        if (!f.face)
            return -1;
        double width = 0;
        for (std::size_t i = 0; i < utf8.size();) {
            const char32_t c = cad::nextCodepoint(utf8, i);
            auto [advance, added] = f.advances.try_emplace(c, 0.0);
            if (added)
                advance->second = shapeText(*f.face, QString::fromUcs4(&c, 1)).width;
            width += advance->second;
        }
        return width / f.cap;
    }

    std::u32string missing(const cad::TextFont& font, std::string_view utf8) const override {
        if (font.path.empty())
            return {};
        const QRawFont* face = trueTypeFace(QString::fromStdString(font.path));
        if (!face)
            return {};
        std::u32string out;
        for (std::size_t i = 0; i < utf8.size();) {
            const char32_t c = cad::nextCodepoint(utf8, i);
            if (!drawable(*face, c) && !fallbackFor(c) && out.find(c) == std::u32string::npos)
                out.push_back(c);
        }
        return out;
    }
};

// Files of the Debian font packages the set-up installs, asked in this order.
constexpr const char* kFallbackFaceFiles[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
    "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc",
    "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc",
};

} // namespace

const std::vector<const QRawFont*>& fallbackFaces() {
    thread_local const std::vector<const QRawFont*> faces = [] {
        std::vector<const QRawFont*> list;
        for (const char* file : kFallbackFaceFiles)
            if (const QRawFont* face = trueTypeFace(QString::fromUtf8(file)))
                list.push_back(face);
        return list;
    }();
    return faces;
}

namespace {

// Spaces and control characters need no glyph of their own.
bool needsGlyph(char32_t c) {
    return c > 0x20 && c != 0x7F && c != 0xA0 && !(c >= 0x80 && c < 0xA0) &&
           !(c >= 0x2000 && c <= 0x200F);
}

} // namespace

bool drawable(const QRawFont& face, char32_t c) {
    return !needsGlyph(c) || face.supportsCharacter(static_cast<uint>(c));
}

const QRawFont* fallbackFor(char32_t c) {
    for (const QRawFont* face : fallbackFaces())
        if (face->supportsCharacter(static_cast<uint>(c)))
            return face;
    return nullptr;
}

const QRawFont* trueTypeFace(const QString& path) {
    // QRawFont is not shared between threads: each thread keeps its own faces.
    thread_local std::unordered_map<QString, std::unique_ptr<QRawFont>> faces;
    auto it = faces.find(path);
    if (it == faces.end()) {
        auto face = std::make_unique<QRawFont>(path, kFacePixelSize, QFont::PreferNoHinting);
        if (!face->isValid())
            face.reset();
        it = faces.emplace(path, std::move(face)).first;
    }
    return it->second.get();
}

const QRawFont* embeddableFace(const QString& path) {
    static std::unordered_map<QString, std::unique_ptr<QRawFont>> faces;
    auto it = faces.find(path);
    if (it == faces.end()) {
        std::unique_ptr<QRawFont> face;
        const QRawFont* plain = trueTypeFace(path);
        const int id = QFontDatabase::addApplicationFont(path);
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (plain && !families.isEmpty()) {
            QFont font(families.front());
            font.setStyleName(plain->styleName());
            font.setPixelSize(static_cast<int>(kFacePixelSize));
            font.setHintingPreference(QFont::PreferNoHinting);
            font.setKerning(false);
            auto registered = std::make_unique<QRawFont>(QRawFont::fromFont(font));
            // Glyph numbers are shared only by the same face: anything else is not used.
            if (registered->isValid() && registered->familyName() == plain->familyName() &&
                registered->styleName() == plain->styleName() &&
                registered->glyphIndexesForString(QStringLiteral("Ag")) ==
                    plain->glyphIndexesForString(QStringLiteral("Ag")))
                face = std::move(registered);
        }
        it = faces.emplace(path, std::move(face)).first;
    }
    return it->second.get();
}

double faceCapHeight(const QRawFont& face) {
    const double cap = face.capHeight();
    return cap > 0 ? cap : face.ascent() * 0.72;
}

ShapedText shapeText(const QRawFont& face, const QString& text) {
    ShapedText shaped;
    const QList<uint> characters = text.toUcs4();
    bool complete = true;
    for (uint c : characters)
        complete = complete && drawable(face, c);
    if (complete) {
        ShapedText::Run run;
        run.face = &face;
        run.glyphs = face.glyphIndexesForString(text);
        const QList<QPointF> advances =
            face.advancesForGlyphIndexes(run.glyphs, QRawFont::SeparateAdvances);
        run.positions.reserve(advances.size());
        double x = 0;
        for (const QPointF& advance : advances) {
            run.positions.append(QPointF(x, 0));
            x += advance.x();
        }
        shaped.width = x;
        shaped.runs.push_back(std::move(run));
        return shaped;
    }
    // Character by character, each from the face that has it.
    shaped.runs.push_back({&face, {}, {}});
    double x = 0;
    for (uint c : characters) {
        const QRawFont* from = &face;
        if (!drawable(face, c)) {
            if (const QRawFont* fallback = fallbackFor(c))
                from = fallback;
            else if (shaped.missing.find(c) == std::u32string::npos)
                shaped.missing.push_back(c);
        }
        auto run = std::find_if(shaped.runs.begin(), shaped.runs.end(),
                                [from](const ShapedText::Run& r) { return r.face == from; });
        if (run == shaped.runs.end())
            run = shaped.runs.insert(shaped.runs.end(), {from, {}, {}});
        const char32_t code = c;
        const QList<quint32> glyphs = from->glyphIndexesForString(QString::fromUcs4(&code, 1));
        const QList<QPointF> advances =
            from->advancesForGlyphIndexes(glyphs, QRawFont::SeparateAdvances);
        for (qsizetype g = 0; g < glyphs.size(); ++g) {
            run->glyphs.append(glyphs[g]);
            run->positions.append(QPointF(x, 0));
            x += advances[g].x();
        }
    }
    shaped.width = x;
    return shaped;
}

namespace {

void installMetricsOnce() {
    static std::once_flag installed;
    std::call_once(installed, [] { cad::installTrueTypeMetrics(std::make_shared<FaceMetrics>()); });
}

} // namespace

std::shared_ptr<const cad::DisplayList> compileDrawing(const cad::Drawing& drawing) {
    installMetricsOnce();
    return cad::compileDisplayList(drawing);
}

std::shared_ptr<const cad::DisplayList> compileDrawingReleasingEntities(cad::Drawing& drawing) {
    installMetricsOnce();
    return cad::compileDisplayListReleasingEntities(drawing);
}

} // namespace vexor::control
