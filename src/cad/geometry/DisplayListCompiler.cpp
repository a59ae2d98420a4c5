#include "DisplayListCompiler.h"

#include "../curves/Tessellate.h"
#include "../io/HugePages.h"
#include "../io/LoadBudget.h"
#include "../model/AsciiCase.h"
#include "../model/Transforms.h"
#include "../text/TextLayout.h"
#include "ParallelTasks.h"
#include "PolygonClip.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <set>
#include <string>

namespace vexor::cad {

namespace {

// Array inserts beyond this many copies are cut down: each copy is drawn separately.
constexpr std::int64_t kMaxArrayCopies = 65536;
// A ring count above this in one filled item is cut (the item keeps its first rings).
constexpr std::size_t kMaxRings = 65535;

template <class... Ts> struct Overloaded : Ts... { using Ts::operator()...; };
template <class... Ts> Overloaded(Ts...) -> Overloaded<Ts...>;

// The insert of a referenced drawing's model space that an external reference's block holds,
// placed as the reference loader places it; null for any other block.
const Insert* referencedModel(const Block& block) {
    if (!block.externalReference || block.entities.size() != 1)
        return nullptr;
    const Insert* model = dataIf<Insert>(&block.entities.front().data);
    return model && model->clip.empty() && model->rotation == 0 && model->columns <= 1 &&
                   model->rows <= 1 && model->attributes.empty()
               ? model
               : nullptr;
}

bool finite(Vec2 p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// The names of entity kinds that the drawing itself names (solids, surfaces, the kinds stood
// in for), kept for the life of the program: few and short, shared by every drawing.
const char* internedTypeName(const char* name) {
    static std::mutex guard;
    static std::set<std::string> names;
    const std::lock_guard<std::mutex> lock(guard);
    return names.insert(name).first->c_str();
}

ItemColor rgbColor(std::uint32_t rgb) {
    return {ItemColorKind::Rgb, rgb & 0xFFFFFFu};
}

// Whether no stroke font (the run's, its big font, the wide ones) has a glyph for c: the font
// would draw its question mark.
bool strokeFontsLack(const TextFont& font, char32_t c) {
    if (c <= ' ' || c == 0xA0 || c == U'?')
        return false;
    const StrokeGlyph* glyph = font.strokeGlyph(c);
    return !glyph || (font.stroke && glyph == font.stroke->glyph(U'?'));
}

// A stroke text holding characters no stroke font has, cut into pieces: those characters are
// drawn from the installed TrueType faces (which find a face for each), the rest in the stroke
// font, each piece where it falls along the line. Empty when the stroke fonts have everything.
std::vector<TextRun> strokeTextPieces(const TextRun& run) {
    const TextFont& font = *run.font;
    struct Part {
        std::string text;
        bool lacking = false;
    };
    std::vector<Part> parts;
    bool anyLacking = false;
    for (std::size_t i = 0; i < run.text.size();) {
        const std::size_t start = i;
        const bool lacking = strokeFontsLack(font, nextCodepoint(run.text, i));
        anyLacking = anyLacking || lacking;
        if (parts.empty() || parts.back().lacking != lacking)
            parts.push_back({{}, lacking});
        parts.back().text.append(run.text, start, i - start);
    }
    if (!anyLacking)
        return {};
    static const std::shared_ptr<const TextFont> face =
        resolveFamily("DejaVu Sans", false, false).font;
    if (!face || face->kind != TextFont::Kind::TrueType)
        return {};
    std::vector<double> advances;
    TextRun whole = run;
    whole.width = 0;
    for (const Part& part : parts) {
        advances.push_back(part.lacking ? face->advance(part.text) : font.advance(part.text));
        whole.width += advances.back();
    }
    const Part& last = parts.back();
    whole.width +=
        (last.lacking ? face->width(last.text) : font.width(last.text)) - advances.back();
    const Affine2 frame = glyphFrame(whole);
    std::vector<TextRun> pieces;
    double x = 0;
    for (std::size_t k = 0; k < parts.size(); ++k) {
        TextRun piece;
        piece.text = parts[k].text;
        piece.font = parts[k].lacking ? face : run.font;
        piece.toWorld = frame * Affine2::translate(x, 0);
        piece.width = piece.font->width(piece.text);
        pieces.push_back(std::move(piece));
        x += advances[k];
    }
    return pieces;
}

} // namespace

DisplayListCompiler::DisplayListCompiler(const Drawing& drawing)
    : drawing_(drawing), out_(std::make_shared<DisplayList>()) {}

std::shared_ptr<const DisplayList> DisplayListCompiler::compile() {
    const DrawingFontFolder fontFolder(drawing_.sourcePath);
    out_->linetypes_ = drawing_.linetypes;
    out_->linetypeScale_ = drawing_.header.linetypeScale > 0 ? drawing_.header.linetypeScale : 1;
    out_->pointMode_ = drawing_.header.pointMode;
    out_->lineweightDisplay_ = drawing_.header.lineweightDisplay;
    out_->pointSize_ = drawing_.header.pointSize;
    compileLayers();
    compilePlotStyleNames();
    compileTextStyles();
    resizeLarge(out_->blocks_, drawing_.blocks.size());
    compileAllEntities();
    if (afterEntities_)
        afterEntities_();
    clipInserts();
    reportNotDrawn();
    reportShapeMarkers();
    resolveExtents();
    compileSheets();
    return out_;
}

void DisplayListCompiler::diagnose(const std::string& message) {
    std::vector<std::string>& diagnostics = diagnostics_ ? *diagnostics_ : out_->diagnostics_;
    if (std::find(diagnostics.begin(), diagnostics.end(), message) == diagnostics.end())
        diagnostics.push_back(message);
}

void DisplayListCompiler::compileLayers() {
    for (std::uint32_t i = 0; i < drawing_.layers.size(); ++i) {
        const Layer& layer = drawing_.layers[i];
        LayerStyle style;
        style.name = layer.name;
        const Color c = layer.color;
        if (c.kind == Color::Kind::True)
            style.color = rgbColor(c.rgb);
        else if (c.kind == Color::Kind::Index && c.index >= 1 && c.index <= 255 && c.index != 7)
            style.color = rgbColor(colorIndexRgb(c.index));
        else
            style.color = {ItemColorKind::Foreground, 0xFFFFFF};
        style.linetype = layer.linetype;
        style.lineweight = layer.lineweight;
        style.initiallyHidden = layer.off || layer.frozen;
        style.frozenInFile = layer.frozen;
        // The layer dimensions keep their definition points on is never plotted, whatever it
        // says.
        style.plotted = layer.plottable && !sameIgnoringAsciiCase(layer.name, "DEFPOINTS");
        out_->layers_.push_back(std::move(style));
        if (layer.name == "0" && out_->layerZero_ == kNoIndex)
            out_->layerZero_ = i;
    }
}

ItemColor DisplayListCompiler::resolveColor(const Color& color, std::uint32_t layer,
                                            bool inBlock) const {
    switch (color.kind) {
    case Color::Kind::True:
        return rgbColor(color.rgb);
    case Color::Kind::ByBlock:
        return inBlock ? ItemColor{ItemColorKind::ByBlock, 0} : ItemColor{};
    case Color::Kind::Index:
        if (color.index == 7)
            return {};
        if (color.index >= 1 && color.index <= 255)
            return rgbColor(colorIndexRgb(color.index));
        if (color.index == 0)
            return inBlock ? ItemColor{ItemColorKind::ByBlock, 0} : ItemColor{};
        break;
    case Color::Kind::ByLayer:
        break;
    }
    if (inBlock && layer == out_->layerZero_)
        return {ItemColorKind::ByLayer, 0};
    return layer < out_->layers_.size() ? out_->layers_[layer].color : ItemColor{};
}

DisplayItem DisplayListCompiler::makeItem(const EntityCommon& common, bool inBlock) const {
    DisplayItem item;
    item.layer = common.layer < out_->layers_.size() ? common.layer : 0;
    item.color = resolveColor(common.color, item.layer, inBlock);
    item.linetype = common.linetype;
    if (item.linetype == kLinetypeByLayer && item.layer < out_->layers_.size())
        item.linetype = out_->layers_[item.layer].linetype;
    if (item.linetype >= static_cast<std::int32_t>(drawing_.linetypes.size()))
        item.linetype = kLinetypeContinuous;
    item.linetypeScale = std::isfinite(common.linetypeScale) && common.linetypeScale > 0
                             ? static_cast<float>(common.linetypeScale)
                             : 1.0f;
    item.lineweight = common.lineweight;
    if (item.lineweight == kLineweightByLayer && item.layer < out_->layers_.size())
        item.lineweight = out_->layers_[item.layer].lineweight;
    item.plotStyle = plotStyleOf(common, inBlock);
    return item;
}

void DisplayListCompiler::compileEntities(std::span<const Entity> entities, ItemList& list,
                                          bool inBlock) {
    // Progress is counted every so many entities: the count is shared by the threads.
    constexpr std::size_t kProgressEvery = 256;
    for (std::size_t i = 0; i < entities.size(); ++i) {
        parallelCheckpoint();
        if (i % kProgressEvery == kProgressEvery - 1)
            addLoadWork(kProgressEvery);
        if (entities[i].common.invisible)
            continue;
        const std::size_t before = list.items.size();
        addEntity(entities[i], list, inBlock);
        if (list.items.size() > before)
            noteSource(list, entities[i], before);
    }
    addLoadWork(entities.size() % kProgressEvery);
}

// The items from `firstItem` on were made from `entity`: what the properties of an item need
// of it once the entities are gone.
void DisplayListCompiler::noteSource(ItemList& list, const Entity& entity, std::size_t firstItem) {
    ItemSource source;
    source.handle = entity.common.handle;
    source.type = holds<Wireframe>(entity.data) || holds<StandIn>(entity.data)
                      ? internedTypeName(dxfTypeName(entity))
                      : dxfTypeName(entity);
    if (const auto* text = dataIf<Text>(&entity.data))
        source.style = text->style;
    else if (const auto* mtext = dataIf<MText>(&entity.data))
        source.style = mtext->style;
    if (const auto* insert = dataIf<Insert>(&entity.data); insert && !insert->attributes.empty()) {
        std::vector<std::pair<std::string, std::string>> values;
        for (const AttributeEntity& attribute : insert->attributes)
            values.emplace_back(attribute.text.tag.str(), attribute.text.text);
        source.attributes = static_cast<std::uint32_t>(list.attributes.size());
        list.attributes.push_back(std::move(values));
    }
    const auto index = static_cast<std::uint32_t>(list.sources.size());
    list.sources.push_back(source);
    list.sourceOf.resize(list.items.size(), index);
    std::fill(list.sourceOf.begin() + static_cast<std::ptrdiff_t>(firstItem), list.sourceOf.end(),
              index);
}

void DisplayListCompiler::keepCurves(ItemList& list, std::size_t itemsBefore,
                                     std::size_t pointCount, std::vector<ItemCurve>& curves) {
    if (curves.empty() || list.items.size() != itemsBefore + 1 ||
        list.items.back().count != pointCount)
        return;
    for (ItemCurve& curve : curves) {
        curve.item = static_cast<std::uint32_t>(itemsBefore);
        list.curves.push_back(curve);
    }
}

void DisplayListCompiler::addFrame(ItemList& list, const DisplayItem& item,
                                   const std::vector<Vec2>& ring, std::int32_t setting) {
    const std::size_t before = list.items.size();
    addPolyline(list, item, ring, true);
    if (setting == 2 && list.items.size() > before)
        list.screenOnly.push_back(static_cast<std::uint32_t>(before));
}

void DisplayListCompiler::addPolyline(ItemList& list, DisplayItem item,
                                      const std::vector<Vec2>& points, bool closed) {
    item.first = static_cast<std::uint32_t>(list.points.size());
    for (Vec2 p : points) {
        if (!finite(p))
            continue;
        list.points.push_back(p);
        item.box.add(p);
    }
    item.count = static_cast<std::uint32_t>(list.points.size()) - item.first;
    if (item.count == 0)
        return;
    item.closed = closed && item.count > 2;
    list.items.push_back(item);
}

void DisplayListCompiler::addPolygon(ItemList& list, DisplayItem item,
                                     const std::vector<std::vector<Vec2>>& rings) {
    item.kind = item.kind == ItemKind::Wipeout ? ItemKind::Wipeout : ItemKind::Polygon;
    item.first = static_cast<std::uint32_t>(list.points.size());
    item.extra = static_cast<std::uint32_t>(list.ringSizes.size());
    if (rings.size() > kMaxRings)
        diagnose("a filled area has too many boundary loops; only the first are filled");
    for (std::size_t r = 0; r < rings.size() && r < kMaxRings; ++r) {
        std::uint32_t n = 0;
        for (Vec2 p : rings[r]) {
            if (!finite(p))
                continue;
            list.points.push_back(p);
            item.box.add(p);
            ++n;
        }
        if (n == 0)
            continue;
        list.ringSizes.push_back(n);
        ++item.rings;
    }
    item.count = static_cast<std::uint32_t>(list.points.size()) - item.first;
    if (item.rings > 0)
        list.items.push_back(item);
}

void DisplayListCompiler::addText(ItemList& list, DisplayItem item, TextRun run) {
    if (run.font && run.font->kind == TextFont::Kind::Stroke) {
        std::vector<TextRun> pieces = strokeTextPieces(run);
        if (!pieces.empty()) {
            for (TextRun& piece : pieces)
                addText(list, item, std::move(piece));
            return;
        }
    }
    item.kind = ItemKind::Text;
    item.box = textRunBox(run);
    if (item.box.empty() || !std::isfinite(item.box.width()) || !std::isfinite(item.box.height()))
        return;
    if (run.font && run.font->kind == TextFont::Kind::TrueType)
        for (char32_t c : missingCharacters(*run.font, run.text))
            ++missingGlyphs_[c];
    item.extra = static_cast<std::uint32_t>(list.texts.size());
    list.texts.push_back(std::move(run));
    list.items.push_back(item);
}

// Text that names no style (or one the file lacks) is in the drawing's "Standard" style.
const TextStyle* DisplayListCompiler::textStyle(std::uint32_t index) const {
    if (index < drawing_.textStyles.size())
        return &drawing_.textStyles[index];
    return standardStyle_;
}

// Which font each style resolves to, for the drawing's information and its diagnostics.
void DisplayListCompiler::compileTextStyles() {
    shapeFiles_.assign(drawing_.textStyles.size(), nullptr);
    for (std::size_t i = 0; i < drawing_.textStyles.size(); ++i) {
        const TextStyle& style = drawing_.textStyles[i];
        if (style.shapeFile) {
            ShapeFileChoice choice = resolveShapeFile(style.fontFile);
            out_->styleFonts_.push_back(
                {style.name, style.fontFile, choice.shapes ? choice.shapes->path() : ""});
            for (const std::string& problem : choice.problems)
                diagnose("damaged shape file " + problem);
            shapeFiles_[i] = std::move(choice.shapes);
            continue;
        }
        std::string upper = style.name;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (upper == "STANDARD" && !standardStyle_)
            standardStyle_ = &style;
        const FontChoice choice = resolveStyleFont(style);
        StyleFont record;
        record.name = style.name;
        record.font = style.fontFile.empty() ? style.family : style.fontFile;
        record.resolved = choice.font ? choice.font->path : std::string{};
        if (!choice.found)
            diagnose("font \"" + (record.font.empty() ? std::string("txt") : record.font) +
                     "\" not found; drawn with " + choice.standIn);
        out_->styleFonts_.push_back(std::move(record));
        for (const std::string& problem : choice.problems)
            diagnose("damaged font file " + problem);
    }
}

void DisplayListCompiler::addTextRule(ItemList& list, DisplayItem item, const TextRule& rule,
                                      bool inBlock) {
    if (rule.color)
        item.color = resolveColor(*rule.color, item.layer, inBlock);
    item.linetype = kLinetypeContinuous;
    addPolyline(list, item, {rule.from, rule.to}, false);
}

void DisplayListCompiler::addTextEntity(ItemList& list, const DisplayItem& item, const Text& text,
                                        const Affine2& plane) {
    const TextStyle* style = textStyle(text.style);
    if (style && style->vertical) {
        std::vector<TextRun> runs;
        layoutVerticalText(text, style, plane, runs);
        for (TextRun& piece : runs)
            addText(list, item, std::move(piece));
        return;
    }
    TextRun run;
    std::vector<TextRule> rules;
    if (!layoutText(text, style, plane, run, &rules))
        return;
    if (std::optional<TextRun> twin = syntheticBoldTwin(run))
        addText(list, item, std::move(*twin));
    addText(list, item, std::move(run));
    for (const TextRule& rule : rules)
        addTextRule(list, item, rule, false);
}

TextBox DisplayListCompiler::addMText(ItemList& list, const EntityCommon& common, const MText& text,
                                      bool inBlock) {
    const DisplayItem item = makeItem(common, inBlock);
    MTextLayout laid = layoutMTextFull(text, common.extrusion(), textStyle(text.style));
    const TextBox ink{laid.frame, inkExtent(laid)};
    if (text.backgroundFlags != 0)
        addMTextBackground(list, item, text, laid, inBlock);
    for (std::size_t k = 0; k < laid.runs.size(); ++k) {
        DisplayItem piece = item;
        if (laid.colors[k])
            piece.color = resolveColor(*laid.colors[k], piece.layer, inBlock);
        addText(list, piece, std::move(laid.runs[k]));
    }
    for (const TextRule& rule : laid.rules)
        addTextRule(list, item, rule, inBlock);
    for (const std::string& message : laid.missingFonts)
        diagnose(message);
    if (laid.truncated)
        diagnose("a multi-line text has too many words; only its start is drawn");
    if (laid.rulesLeftOut)
        countIncomplete("MTEXT", "drawn in part: underlines, overlines and strike-throughs of "
                                 "vertical text are left out");
    return ink;
}

void DisplayListCompiler::addBlockReference(ItemList& list, DisplayItem item, std::uint32_t block,
                                            const Affine2& transform) {
    if (block >= drawing_.blocks.size())
        return;
    item.kind = ItemKind::Insert;
    item.extra = static_cast<std::uint32_t>(list.inserts.size());
    list.inserts.push_back({block, transform, 1, 1, {}, {}, {}});
    list.items.push_back(item);
}

void DisplayListCompiler::addInsert(ItemList& list, const EntityCommon& common,
                                    const Insert& insert, bool inBlock) {
    const DisplayItem item = makeItem(common, inBlock);
    if (insert.block < drawing_.blocks.size()) {
        const Block& block = drawing_.blocks[insert.block];
        const Affine2 plane =
            OcsFrame::fromExtrusion(common.extrusion()).planeToWorld(insert.insert.z);
        const Affine2 placed = plane * Affine2::translate(insert.insert.x, insert.insert.y) *
                               Affine2::rotate(insert.rotation);
        Affine2 transform = placed * Affine2::scale(insert.scale.x, insert.scale.y) *
                            Affine2::translate(-block.base.x, -block.base.y);
        std::uint32_t target = insert.block;
        std::vector<Vec2> clip = insert.clip;
        // The clip boundary's frame, drawn with the insert's own properties.
        const std::int32_t frame = drawing_.header.clipFrame.value_or(0);
        if (clip.size() >= 3 && (frame == 1 || frame == 2)) {
            for (std::vector<Vec2>& ring : clipFrameRings(clip)) {
                for (Vec2& p : ring)
                    p = transform.map(p);
                addFrame(list, item, ring, frame);
            }
        }
        // A referenced drawing's block holds one insert of the drawing's model space: drawn
        // straight through, a reference costs one level of nesting, not two.
        if (const Insert* model = referencedModel(block);
            model && model->block < drawing_.blocks.size()) {
            const Affine2 inner = Affine2::translate(model->insert.x, model->insert.y) *
                                  Affine2::scale(model->scale.x, model->scale.y) *
                                  Affine2::translate(-drawing_.blocks[model->block].base.x,
                                                     -drawing_.blocks[model->block].base.y);
            if (const auto back = inverse(inner)) {
                transform = transform * inner;
                target = model->block;
                for (Vec2& p : clip)
                    p = back->map(p);
            }
        }
        std::int64_t columns = std::max(insert.columns, 1);
        std::int64_t rows = std::max(insert.rows, 1);
        if (columns * rows > kMaxArrayCopies) {
            diagnose("an array insert has too many copies; only part of it is drawn");
            columns = std::min<std::int64_t>(columns, 256);
            rows = std::min<std::int64_t>(rows, kMaxArrayCopies / columns);
        }
        const double det = transform.determinant();
        if (std::isfinite(det) && det != 0) {
            addBlockReference(list, item, target, transform);
            InsertRef& ref = list.inserts.back();
            ref.columns = static_cast<std::int32_t>(columns);
            ref.rows = static_cast<std::int32_t>(rows);
            ref.columnStep = placed.mapVector({insert.columnSpacing, 0});
            ref.rowStep = placed.mapVector({0, insert.rowSpacing});
            ref.clip = std::move(clip);
        }
    }
    for (const AttributeEntity& attribute : insert.attributes) {
        if (attribute.common.invisible)
            continue;
        const Affine2 plane = OcsFrame::fromExtrusion(attribute.common.extrusion())
                                  .planeToWorld(attribute.text.insert.z);
        addTextEntity(list, makeItem(attribute.common, inBlock), attribute.text, plane);
    }
}

void DisplayListCompiler::addEntity(const Entity& entity, ItemList& list, bool inBlock) {
    const EntityCommon& common = entity.common;
    auto planeAt = [&](double z) {
        return OcsFrame::fromExtrusion(common.extrusion()).planeToWorld(z);
    };
    visitData(
        Overloaded{
            [&](const Line& e) {
                addPolyline(list, makeItem(common, inBlock), {e.a.xy(), e.b.xy()}, false);
            },
            [&](const Point& e) {
                DisplayItem item = makeItem(common, inBlock);
                item.kind = ItemKind::Points;
                addPolyline(list, item, {e.p.xy()}, false);
            },
            [&](const Circle& e) {
                std::vector<Vec2> pts;
                appendArc(pts, e.center.xy(), e.radius, 0, 2 * M_PI);
                pts.pop_back();
                const Affine2 plane = planeAt(e.center.z);
                for (Vec2& p : pts)
                    p = plane.map(p);
                const std::size_t before = list.items.size();
                addPolyline(list, makeItem(common, inBlock), pts, true);
                std::vector<ItemCurve> curve{
                    {circularArc(e.center.xy(), e.radius, 0, 2 * M_PI).mapped(plane), 0, 0, 0}};
                keepCurves(list, before, pts.size(), curve);
            },
            [&](const Arc& e) {
                std::vector<Vec2> pts;
                appendArc(pts, e.center.xy(), e.radius, e.startAngle, e.endAngle);
                const Affine2 plane = planeAt(e.center.z);
                for (Vec2& p : pts)
                    p = plane.map(p);
                const std::size_t before = list.items.size();
                addPolyline(list, makeItem(common, inBlock), pts, false);
                std::vector<ItemCurve> curve{{circularArc(e.center.xy(), e.radius, e.startAngle,
                                                          sweepCcw(e.startAngle, e.endAngle))
                                                  .mapped(plane),
                                              0, 0, static_cast<std::uint32_t>(pts.size() - 1)}};
                keepCurves(list, before, pts.size(), curve);
            },
            [&](const Polyline& e) { addPolylineEntity(list, common, e, inBlock); },
            [&](const Ellipse&) { addCurve(list, entity, inBlock); },
            [&](const Spline&) { addCurve(list, entity, inBlock); },
            [&](const Text& e) {
                if (e.kind != TextKind::AttributeDefinition) {
                    addTextEntity(list, makeItem(common, inBlock), e, planeAt(e.insert.z));
                } else if (attributeTags_) {
                    // Outside a block a definition shows its tag, where its value would go.
                    Text tag = e;
                    tag.text = e.tag.str();
                    addTextEntity(list, makeItem(common, inBlock), tag, planeAt(e.insert.z));
                }
            },
            [&](const MText& e) { addMText(list, common, e, inBlock); },
            [&](const Solid& e) {
                const Affine2 plane = planeAt(e.corners[0].z);
                std::vector<Vec2> ring{plane.map(e.corners[0].xy()), plane.map(e.corners[1].xy()),
                                       plane.map(e.corners[3].xy()), plane.map(e.corners[2].xy())};
                DisplayItem item = makeItem(common, inBlock);
                item.evenOdd = false;
                addPolygon(list, item, {ring});
            },
            [&](const Face3d& e) {
                const DisplayItem item = makeItem(common, inBlock);
                if ((e.invisibleEdges & 0xF) == 0) {
                    std::vector<Vec2> ring;
                    for (const Vec3& c : e.corners)
                        if (ring.empty() || c.x != ring.back().x || c.y != ring.back().y)
                            ring.push_back(c.xy());
                    addPolyline(list, item, ring, true);
                    return;
                }
                // A triangle repeats its third corner: its zero-length edge draws nothing.
                for (int i = 0; i < 4; ++i) {
                    const Vec2 a = e.corners[i].xy(), b = e.corners[(i + 1) % 4].xy();
                    if (!(e.invisibleEdges & (1 << i)) && (a.x != b.x || a.y != b.y))
                        addPolyline(list, item, {a, b}, false);
                }
            },
            [&](const Insert& e) { addInsert(list, common, e, inBlock); },
            [&](const Hatch& e) { addHatch(list, common, e, inBlock); },
            [&](const Dimension& e) {
                if (e.block < drawing_.blocks.size() && !drawing_.blocks[e.block].entities.empty())
                    addBlockReference(list, makeItem(common, inBlock), e.block,
                                      Affine2::translate(e.insert.x, e.insert.y));
                else
                    addDimension(list, common, e, inBlock);
            },
            [&](const Leader& e) { addLeader(list, common, e, inBlock); },
            [&](const MultiLeader& e) { addMultiLeader(list, common, e, inBlock); },
            [&](const Ray& e) {
                const Vec2 d = e.direction.xy();
                if (!(length(d) > 0) || !finite(d) || !finite(e.base.xy()))
                    return;
                DisplayItem item = makeItem(common, inBlock);
                item.kind = e.kind == Ray::Kind::Ray ? ItemKind::Ray : ItemKind::Xline;
                item.first = static_cast<std::uint32_t>(list.points.size());
                item.count = 2;
                list.points.push_back(e.base.xy());
                list.points.push_back(d * (1.0 / length(d)));
                item.box.add(e.base.xy()); // the base only: rays never count towards extents
                list.items.push_back(item);
            },
            [&](const ImageFrame& e) { addImageFrame(list, common, e, inBlock); },
            [&](const MLine& e) { addMLine(list, common, e, inBlock); },
            [&](const Tolerance& e) { addTolerance(list, common, e, inBlock); },
            [&](const Underlay& e) { addUnderlay(list, common, e, inBlock); },
            [&](const Shape& e) { addShape(list, common, e, inBlock); },
            [&](const Unsupported& e) { countNotDrawn(e.typeName); },
            [&](const Wireframe& e) { addWireframe(list, common, e, inBlock); },
            [&](const StandIn& e) { addStandIn(list, e, inBlock); },
        },
        entity.data);
}

} // namespace vexor::cad
