#include "Renderer.h"

#include "ColorResolver.h"
#include "Device.h"
#include "DotImage.h"
#include "ImageCache.h"
#include "StrokeBuilder.h"
#include "cad/model/Transforms.h"
#include "cad/text/TextLayout.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <memory>
#include <optional>

namespace vexor::control {

namespace {

using cad::Affine2;
using cad::Box2;
using cad::DisplayItem;
using cad::ItemKind;
using cad::ItemList;
using cad::Vec2;

constexpr double kDotPixels = 2.0;       // items smaller than this are one dot
constexpr double kCoarsePixels = 3.0;    // lines smaller than this are dots at their points
constexpr double kTextLinePixels = 3.0;  // text with a smaller cap height is a baseline stroke
constexpr std::uint32_t kCoarseDots = 8; // dots drawn for a coarse item at most
constexpr std::size_t kIndexFrom = 64;   // lists this long are culled with their index
// Summarised lists at least this much in view are scanned whole: cheaper than the index then.
constexpr double kScanFrom = 0.4;
constexpr QRgb kHiddenLayer = 0; // in the layer colour table: resolved colours are opaque
constexpr char kOff = 1;         // in RenderStyle::hiddenLayers
constexpr char kFrozen = 2;

Affine2 toAffine(const QTransform& t) {
    return {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()};
}
QTransform toQTransform(const Affine2& a) {
    return QTransform(a.a, a.b, a.c, a.d, a.e, a.f);
}
QPointF toPoint(Vec2 p) {
    return {p.x, p.y};
}

bool contains(const Box2& outer, const Box2& inner) {
    return inner.minX >= outer.minX && inner.maxX <= outer.maxX && inner.minY >= outer.minY &&
           inner.maxY <= outer.maxY;
}

// What an insert hands down to the items of its block.
struct Inherited {
    QRgb color = 0;
    std::uint32_t layer = cad::kNoIndex;
    const cad::PlotStyle* plotStyle = nullptr; // of a named plot style table, when printing
    std::int32_t linetype = cad::kLinetypeContinuous;
    std::int16_t lineweight = cad::kLineweightDefault;
};

// A window as the scan over a list's summaries tests it: centre and half size relative to the
// extents' corner, as floats widened by their rounding error, so that no item in view is missed.
struct ScanWindow {
    float centreX = 0, centreY = 0, halfWidth = 0, halfHeight = 0;

    ScanWindow() = default;
    ScanWindow(const Box2& window, const Box2& extents) {
        const double slack = std::max(extents.width(), extents.height()) * 0x1p-22;
        centreX = static_cast<float>((window.minX + window.maxX) / 2 - extents.minX);
        centreY = static_cast<float>((window.minY + window.maxY) / 2 - extents.minY);
        halfWidth = static_cast<float>(window.width() / 2 + slack);
        halfHeight = static_cast<float>(window.height() / 2 + slack);
    }
    bool misses(const cad::ItemSummary& s) const {
        return std::fabs(s.centreX - centreX) > s.halfWidth + halfWidth ||
               std::fabs(s.centreY - centreY) > s.halfHeight + halfHeight;
    }
};

// How the style's lineweights become widths: a printed layout plots them only when its plot
// settings say so (plotted lineweights, or plot styles, which carry their own), scaled with its
// plot scale when it asks.
LineweightWidths lineweightWidths(const cad::DisplayList& list, const RenderStyle& style) {
    LineweightWidths widths{style.lineweights, style.printing, 1};
    if (style.printing && style.sheet >= 0 &&
        static_cast<std::size_t>(style.sheet) < list.sheets().size()) {
        const cad::Sheet& sheet = list.sheets()[static_cast<std::size_t>(style.sheet)];
        widths.shown = widths.shown &&
                       (sheet.plotFlags & (cad::kPlotLineweights | cad::kPlotWithPlotStyles)) != 0;
        widths.scale = sheet.lineweightScale;
    }
    return widths;
}

class ViewRenderer {
public:
    ViewRenderer(const cad::DisplayList& list, Device& device, const QRectF& target,
                 const RenderStyle& style, RenderStats& stats)
        : list_(list), device_(device), style_(style), stats_(stats), colors_(list, style),
          strokes_(list, device.pixelScale(), lineweightWidths(list, style)),
          pixel_(device.pixelScale()), target_(target) {
        viewBox_ =
            Box2{target.left() - 1, target.top() - 1, target.right() + 1, target.bottom() + 1};
        const auto& layers = list.layers();
        hidden_ = style.hiddenLayers;
        hidden_.resize(layers.size(), 0);
        // On paper the layers that are not plotted are off.
        if (style.printing) {
            for (std::uint32_t l = 0; l < layers.size(); ++l)
                if (!layers[l].plotted && hidden_[l] == 0)
                    hidden_[l] = kOff;
        }
        layerColors_.resize(layers.size());
        for (std::uint32_t l = 0; l < layers.size(); ++l)
            layerColors_[l] =
                hidden(l) ? kHiddenLayer : colors_.resolve(layers[l].color, l, colors_.contrast());
        canvas_ = device.pixelCanvas();
        pointSymbols_ = list.pointMode() != 0;
    }

    void render(const Box2& window) {
        const Affine2 toDevice = toAffine(viewTransform(target_, window));
        Inherited top;
        top.color = colors_.contrast();
        if (style_.sheet >= 0 && static_cast<std::size_t>(style_.sheet) < list_.sheets().size())
            drawSheet(list_.sheets()[static_cast<std::size_t>(style_.sheet)], toDevice, top);
        else
            drawList(list_.modelSpace(), toDevice, 0, top);
        flushDots();
    }

private:
    bool hidden(std::uint32_t layer) const { return layer < hidden_.size() && hidden_[layer] != 0; }
    bool frozen(std::uint32_t layer) const {
        return layer < hidden_.size() && hidden_[layer] == kFrozen;
    }

    // A layout: the paper with its shadow, each view of model space inside its clip, then the
    // paper-space items over them and the views' frames.
    void drawSheet(const cad::Sheet& sheet, const Affine2& toDevice, const Inherited& top) {
        const Box2 paper = cad::mappedBox(sheet.paper, toDevice);
        auto rectangle = [](const Box2& b) {
            return std::vector<QPointF>{
                {b.minX, b.minY}, {b.maxX, b.minY}, {b.maxX, b.maxY}, {b.minX, b.maxY}};
        };
        const std::uint32_t ring[1] = {4};
        if (!style_.printing) {
            const double offset = std::clamp(paper.width() * 0.006, 2.0, 8.0) * pixel_;
            const Box2 shadow{paper.minX + offset, paper.minY + offset, paper.maxX + offset,
                              paper.maxY + offset};
            device_.fillPolygon(rectangle(shadow), ring, QColor(0, 0, 0, 90));
            device_.fillPolygon(rectangle(paper), ring, Qt::white);
            stroke_ = {QColor(128, 128, 128), 0, {}};
            device_.strokePolyline(rectangle(paper), true, stroke_);
        }
        std::vector<std::vector<std::uint32_t>> near(sheet.views.size());
        const std::vector<char> shared = drawFarItemsOfViews(sheet, toDevice, top, near);
        for (std::size_t v = 0; v < sheet.views.size(); ++v)
            if (sheet.views[v].showsModel)
                drawSheetView(sheet.views[v], toDevice, top, shared[v] ? &near[v] : nullptr);
        if (sheet.block != cad::kNoIndex)
            drawList(list_.block(sheet.block), toDevice, 1, top);
        for (const cad::SheetView& view : sheet.views) {
            if (!view.frame || hidden(view.layer))
                continue;
            scratch_.clear();
            for (Vec2 p : view.clip)
                scratch_.push_back(toPoint(toDevice.map(p)));
            stroke_ = {
                QColor::fromRgb(colors_.resolve(view.frameColor, view.layer, top.color)), 0, {}};
            device_.strokePolyline(scratch_, true, stroke_);
        }
    }

    // One view of model space from a sheet, as the pass over the model's summaries sees it.
    struct FarView {
        std::size_t view = 0;
        Affine2 fromCorner;            // summary positions to device
        PixelRect rect;                // the view's pixels of the canvas
        Box2 window;                   // the part of the model in view
        ScanWindow scan;               // the same, as the scan tests it
        bool all = false;              // the whole model is in view
        std::vector<QRgb> layerColors; // kHiddenLayer for layers hidden or frozen in the view
    };

    // Views whose dots come from one pass: either one view writing straight into its part of
    // the canvas, or views at the same scale and turn with the same layers writing once into a
    // dot image that is then copied into each of them, moved by whole pixels.
    struct DotTarget {
        std::vector<FarView> views;
        std::vector<std::array<int, 2>> shifts; // of each view's pixels from the first view's
        PixelCanvas canvas;
        std::unique_ptr<DotImage> image;
        ScanWindow window;
        bool all = false;
        float dotHalfSize = 0;
    };

    // Views of a sheet that each show most of a long model list would each scan all of its
    // summaries. Instead one pass over them writes the dots of every such view (rectangular,
    // apart from the other views, so that their order cannot show) and keeps, per view, the
    // items too large for a dot, drawn afterwards by drawSheetView. Only for models whose
    // drawing order changes nothing visible. Returns which views were served so.
    std::vector<char> drawFarItemsOfViews(const cad::Sheet& sheet, const Affine2& toDevice,
                                          const Inherited& top,
                                          std::vector<std::vector<std::uint32_t>>& near) {
        std::vector<char> served(sheet.views.size(), 0);
        const ItemList& model = list_.modelSpace();
        if (!canvas_ || model.summaries.empty() || !model.orderFree || pointSymbols_)
            return served;
        std::vector<Box2> boxes(sheet.views.size());
        for (std::size_t v = 0; v < sheet.views.size(); ++v) {
            const Box2 clip = cad::mappedBox(sheet.views[v].clipBox, toDevice);
            boxes[v] = Box2{std::max(viewBox_.minX, clip.minX), std::max(viewBox_.minY, clip.minY),
                            std::min(viewBox_.maxX, clip.maxX), std::min(viewBox_.maxY, clip.maxY)};
        }
        std::vector<FarView> views;
        for (std::size_t v = 0; v < sheet.views.size(); ++v) {
            const cad::SheetView& view = sheet.views[v];
            if (!view.showsModel || !view.rectangular || boxes[v].empty())
                continue;
            bool apart = true;
            for (std::size_t w = 0; w < sheet.views.size(); ++w)
                if (w != v && sheet.views[w].showsModel && boxes[w].intersects(boxes[v]))
                    apart = false;
            const Affine2 t = toDevice * view.modelToPaper;
            const auto fromDevice = apart ? cad::inverse(t) : std::nullopt;
            if (!fromDevice)
                continue;
            const Box2 window = cad::mappedBox(boxes[v], *fromDevice);
            const double scale = std::sqrt(std::fabs(t.determinant()));
            const double covered = coveredFraction(window, model.extents);
            if (!summariesPrecise(model, scale) || covered < kScanFrom)
                continue;
            FarView far;
            far.view = v;
            far.fromCorner = t * Affine2::translate(model.extents.minX, model.extents.minY);
            far.rect = pixelRect(*canvas_, boxes[v]);
            far.window = window;
            far.scan = ScanWindow(window, model.extents);
            far.all = covered >= 1;
            far.layerColors = layerColors_;
            for (std::uint32_t layer : view.frozenLayers)
                if (layer < far.layerColors.size())
                    far.layerColors[layer] = kHiddenLayer;
            views.push_back(std::move(far));
        }
        if (views.size() < 2)
            return served;
        for (const FarView& far : views)
            served[far.view] = 1;
        std::vector<DotTarget> targets = dotTargets(std::move(views));
        const std::size_t n = model.summaries.size();
        for (std::uint32_t i = 0; i < n; ++i) {
            const cad::ItemSummary& s = model.summaries[i];
            if (s.skipped())
                continue;
            const float size = std::max(s.halfWidth, s.halfHeight);
            for (const DotTarget& target : targets) {
                if (!target.all && target.window.misses(s))
                    continue;
                if (size >= target.dotHalfSize) {
                    for (const FarView& far : target.views)
                        if (far.all || !far.scan.misses(s))
                            near[far.view].push_back(i);
                    continue;
                }
                const FarView& first = target.views.front();
                const QRgb byLayer =
                    s.layer < first.layerColors.size() ? first.layerColors[s.layer] : top.color;
                if (byLayer == kHiddenLayer)
                    continue;
                stats_.itemsVisited += target.views.size();
                stats_.itemsAsDots += target.views.size();
                const Vec2 p = first.fromCorner.map({s.centreX, s.centreY});
                target.canvas.put(p.x, p.y, colors_.resolvePacked(s.color, byLayer, top.color));
            }
        }
        for (const DotTarget& target : targets)
            if (target.image)
                for (std::size_t k = 0; k < target.views.size(); ++k)
                    target.image->copyTo(*canvas_, target.views[k].rect, target.shifts[k][0],
                                         target.shifts[k][1]);
        return served;
    }

    // Gathers the views that see the model alike (same scale and turn, same layers) under one
    // dot image, as long as it stays no larger than their pixels together; the others write
    // their dots themselves. A view so served puts its dots to the nearest whole pixel of the
    // first view's pattern: at most a pixel from where it would put them alone.
    std::vector<DotTarget> dotTargets(std::vector<FarView> views) const {
        const auto alike = [](const FarView& x, const FarView& y) {
            const Affine2 &p = x.fromCorner, &q = y.fromCorner;
            const double tolerance =
                1e-12 * (std::fabs(p.a) + std::fabs(p.b) + std::fabs(p.c) + std::fabs(p.d));
            return std::fabs(p.a - q.a) <= tolerance && std::fabs(p.b - q.b) <= tolerance &&
                   std::fabs(p.c - q.c) <= tolerance && std::fabs(p.d - q.d) <= tolerance &&
                   x.layerColors == y.layerColors;
        };
        const PixelCanvas& canvas = *canvas_;
        std::vector<DotTarget> targets;
        for (FarView& far : views) {
            DotTarget* joined = nullptr;
            std::array<int, 2> shift{0, 0};
            for (DotTarget& target : targets) {
                const FarView& first = target.views.front();
                if (!alike(first, far))
                    continue;
                const double dx = (far.fromCorner.e - first.fromCorner.e) * canvas.sx;
                const double dy = (far.fromCorner.f - first.fromCorner.f) * canvas.sy;
                if (!(std::fabs(dx) < 1e7 && std::fabs(dy) < 1e7))
                    continue;
                shift = {static_cast<int>(std::lround(dx)), static_cast<int>(std::lround(dy))};
                PixelRect area = far.rect.shifted(-shift[0], -shift[1]);
                long long pixels = far.rect.area();
                for (std::size_t k = 0; k < target.views.size(); ++k) {
                    area = area.united(
                        target.views[k].rect.shifted(-target.shifts[k][0], -target.shifts[k][1]));
                    pixels += target.views[k].rect.area();
                }
                if (area.area() <= pixels) {
                    joined = &target;
                    break;
                }
            }
            if (!joined) {
                DotTarget target;
                target.shifts.push_back({0, 0});
                target.views.push_back(std::move(far));
                targets.push_back(std::move(target));
                continue;
            }
            joined->shifts.push_back(shift);
            joined->views.push_back(std::move(far));
        }
        const ItemList& model = list_.modelSpace();
        for (DotTarget& target : targets) {
            const FarView& first = target.views.front();
            const double scale = std::sqrt(std::fabs(first.fromCorner.determinant()));
            target.dotHalfSize = static_cast<float>(kDotPixels * pixel_ / scale / 2);
            Box2 window;
            PixelRect area;
            for (std::size_t k = 0; k < target.views.size(); ++k) {
                const FarView& far = target.views[k];
                target.all = target.all || far.all;
                window.add(far.window);
                area = area.united(far.rect.shifted(-target.shifts[k][0], -target.shifts[k][1]));
            }
            target.window = ScanWindow(window, model.extents);
            if (target.views.size() == 1) {
                target.canvas = cutCanvas(canvas, first.rect);
            } else {
                target.image = std::make_unique<DotImage>(canvas, area);
                target.canvas = target.image->canvas();
            }
        }
        return targets;
    }

    // Model space seen through one viewport: culled against the viewport's part of the view,
    // drawn with the viewport's frozen layers hidden. Every view draws from the one model list;
    // `near`, when given, lists the only items left to draw (the rest are dots already).
    void drawSheetView(const cad::SheetView& view, const Affine2& toDevice, const Inherited& top,
                       const std::vector<std::uint32_t>* near) {
        const Box2 clipBox = cad::mappedBox(view.clipBox, toDevice);
        const Box2 saved = viewBox_;
        viewBox_ = Box2{std::max(saved.minX, clipBox.minX), std::max(saved.minY, clipBox.minY),
                        std::min(saved.maxX, clipBox.maxX), std::min(saved.maxY, clipBox.maxY)};
        if (viewBox_.empty()) {
            viewBox_ = saved;
            return;
        }
        scratch_.clear();
        for (Vec2 p : view.clip)
            scratch_.push_back(toPoint(toDevice.map(p)));
        device_.setClip(scratch_);
        // Dots written straight into the pixels bypass the device's clip: a rectangular view
        // gets a canvas cut to its rectangle, any other shape sends its dots through the device.
        const std::optional<PixelCanvas> savedCanvas = canvas_;
        if (canvas_)
            canvas_ = view.rectangular
                          ? std::optional(cutCanvas(*canvas_, pixelRect(*canvas_, viewBox_)))
                          : std::nullopt;
        struct Saved {
            std::uint32_t layer;
            char state;
            QRgb color;
        };
        std::vector<Saved> frozen;
        for (std::uint32_t layer : view.frozenLayers)
            if (layer < hidden_.size() && hidden_[layer] != kFrozen) {
                frozen.push_back({layer, hidden_[layer], layerColors_[layer]});
                hidden_[layer] = kFrozen;
                layerColors_[layer] = kHiddenLayer;
            }
        if (near) {
            const ItemList& model = list_.modelSpace();
            const Affine2 t = toDevice * view.modelToPaper;
            const double scale = std::sqrt(std::fabs(t.determinant()));
            for (std::uint32_t i : *near)
                drawItem(model, i, t, scale, 0, top);
            for (std::uint32_t i : model.unbounded)
                drawItem(model, i, t, scale, 0, top);
        } else {
            drawList(list_.modelSpace(), toDevice * view.modelToPaper, 0, top);
        }
        flushDots();
        for (const Saved& saved : frozen) {
            hidden_[saved.layer] = saved.state;
            layerColors_[saved.layer] = saved.color;
        }
        canvas_ = savedCanvas;
        device_.clearClip();
        viewBox_ = saved;
    }

    // Dots are batched by colour; a small direct-mapped table finds the batch of a colour.
    void dot(QPointF p, QRgb color) {
        const std::size_t slot = (color * 2654435761u) >> 26;
        std::int32_t batch = dotSlots_[slot];
        if (batch < 0 || dotBatches_[static_cast<std::size_t>(batch)].color != color) {
            batch = -1;
            for (std::size_t b = 0; b < dotBatches_.size(); ++b)
                if (dotBatches_[b].color == color)
                    batch = static_cast<std::int32_t>(b);
            if (batch < 0) {
                batch = static_cast<std::int32_t>(dotBatches_.size());
                dotBatches_.push_back({color, {}});
                dotBatches_.back().points.reserve(4096);
            }
            dotSlots_[slot] = batch;
        }
        dotBatches_[static_cast<std::size_t>(batch)].points.push_back(p);
    }

    void flushDots() {
        for (const DotBatch& batch : dotBatches_)
            device_.drawDots(batch.points, QColor::fromRgb(batch.color));
        dotBatches_.clear();
        dotSlots_.fill(-1);
    }

    void drawList(const ItemList& items, const Affine2& toDevice, int depth,
                  const Inherited& inherited) {
        const auto fromDevice = cad::inverse(toDevice);
        if (!fromDevice)
            return;
        const Box2 window = cad::mappedBox(viewBox_, *fromDevice);
        const double scale = std::sqrt(std::fabs(toDevice.determinant()));
        const bool summarised = !items.summaries.empty() && summariesPrecise(items, scale);
        // Summaries place items relative to the extents' corner.
        const Affine2 fromCorner =
            toDevice * Affine2::translate(items.extents.minX, items.extents.minY);
        const float dotHalfSize = static_cast<float>(kDotPixels * pixel_ / scale / 2);
        auto visit = [&](std::uint32_t i) {
            if (summarised) {
                const cad::ItemSummary& s = items.summaries[i];
                if (!s.skipped() && std::max(s.halfWidth, s.halfHeight) < dotHalfSize &&
                    !(pointSymbols_ && items.items[i].kind == ItemKind::Points)) {
                    drawFarItem(s, fromCorner, inherited);
                    return;
                }
            }
            drawItem(items, i, toDevice, scale, depth, inherited);
        };

        const double covered = coveredFraction(window, items.extents);
        if (summarised && covered >= kScanFrom) {
            scanSummaries(items, window, covered >= 1, visit);
        } else if (items.items.size() < kIndexFrom || covered >= 1) {
            for (std::uint32_t i = 0; i < items.items.size(); ++i) {
                const DisplayItem& item = items.items[i];
                if (item.box.intersects(window) && item.kind != ItemKind::Ray &&
                    item.kind != ItemKind::Xline)
                    visit(i);
            }
        } else if (items.orderFree) {
            items.query(window, visit);
        } else {
            // Marks first, then draws in list order so later items still cover earlier ones.
            std::vector<std::uint64_t> marks((items.items.size() + 63) / 64);
            items.query(window, [&](std::uint32_t i) { marks[i >> 6] |= 1ull << (i & 63); });
            for (std::size_t w = 0; w < marks.size(); ++w) {
                for (std::uint64_t bits = marks[w]; bits != 0; bits &= bits - 1)
                    visit(static_cast<std::uint32_t>(w * 64 + std::countr_zero(bits)));
            }
        }
        for (std::uint32_t i : items.unbounded)
            drawItem(items, i, toDevice, scale, depth, inherited);
    }

    // Summary positions are floats relative to the extents' corner: exact to well under a pixel
    // while the extents span fewer device pixels than this.
    static bool summariesPrecise(const ItemList& items, double scale) {
        return std::max(items.extents.width(), items.extents.height()) * scale < 1e6;
    }

    // How much of the extents the window shows: 1 when it shows all of them.
    static double coveredFraction(const Box2& window, const Box2& extents) {
        if (extents.empty() || contains(window, extents))
            return 1;
        const double w = std::min(window.maxX, extents.maxX) - std::max(window.minX, extents.minX);
        const double h = std::min(window.maxY, extents.maxY) - std::max(window.minY, extents.minY);
        const double area = extents.width() * extents.height();
        if (w <= 0 || h <= 0 || !(area > 0))
            return 0;
        return std::min(0.999, w * h / area);
    }

    // Visits, in list order, the items whose summary box meets the window. The float boxes are
    // widened by their rounding error, so no item in view is missed.
    template <class Visit>
    void scanSummaries(const ItemList& items, const Box2& window, bool all, Visit& visit) {
        const ScanWindow scan(window, items.extents);
        const std::size_t n = items.summaries.size();
        for (std::uint32_t i = 0; i < n; ++i) {
            const cad::ItemSummary& s = items.summaries[i];
            if (s.skipped())
                continue;
            if (!all && scan.misses(s))
                continue;
            visit(i);
        }
    }

    // An item under a pixel, drawn as a dot from its summary alone.
    [[gnu::always_inline]] void drawFarItem(const cad::ItemSummary& s, const Affine2& fromCorner,
                                            const Inherited& inherited) {
        const std::uint32_t layer = s.layer == list_.layerZero() && inherited.layer != cad::kNoIndex
                                        ? inherited.layer
                                        : s.layer;
        const QRgb byLayer = layer < layerColors_.size() ? layerColors_[layer] : colors_.contrast();
        if (byLayer == kHiddenLayer)
            return;
        ++stats_.itemsVisited;
        ++stats_.itemsAsDots;
        // A summary does not carry the item's own plot style: its layer's stands in.
        const QRgb color = colors_.resolvePacked(
            s.color, byLayer, inherited.color,
            colors_.namedStyle(cad::kPlotStyleByLayer, layer, inherited.plotStyle));
        const Vec2 p = fromCorner.map({s.centreX, s.centreY});
        if (canvas_)
            canvas_->put(p.x, p.y, color);
        else
            dot(toPoint(p), color);
    }

    void drawItem(const ItemList& items, std::uint32_t index, const Affine2& toDevice, double scale,
                  int depth, const Inherited& inherited) {
        const DisplayItem& item = items.items[index];
        const std::uint32_t layer =
            item.layer == list_.layerZero() && inherited.layer != cad::kNoIndex ? inherited.layer
                                                                                : item.layer;
        // A layer that is off hides what is drawn on it, but an insert on it still draws the
        // parts of its block that lie on layers of their own; a frozen layer hides inserts too.
        if (item.kind == ItemKind::Insert ? frozen(layer) : hidden(layer))
            return;
        if (style_.printing && !items.screenOnly.empty() &&
            std::binary_search(items.screenOnly.begin(), items.screenOnly.end(), index))
            return;
        ++stats_.itemsVisited;
        const cad::PlotStyle* named =
            colors_.namedStyle(item.plotStyle, layer, inherited.plotStyle);
        const QRgb color = colors_.resolve(item.color, layer, inherited.color, named);
        const double size = std::max(item.box.width(), item.box.height()) * scale;
        const bool unbounded = item.kind == ItemKind::Ray || item.kind == ItemKind::Xline;
        // A point is drawn in the drawing's point style whatever its (empty) box.
        if (!unbounded && size < kDotPixels * pixel_ && item.kind != ItemKind::Points) {
            if (item.kind != ItemKind::Wipeout) {
                ++stats_.itemsAsDots;
                dot(toPoint(toDevice.map({(item.box.minX + item.box.maxX) / 2,
                                          (item.box.minY + item.box.maxY) / 2})),
                    color);
            }
            return;
        }
        switch (item.kind) {
        case ItemKind::Insert:
            drawInsert(items, item, toDevice, depth, color, layer, named, inherited);
            return;
        case ItemKind::Text:
            drawText(items.texts[item.extra], toDevice, color);
            return;
        case ItemKind::Ray:
        case ItemKind::Xline:
            drawUnbounded(items, item, toDevice, color, layer, named, inherited);
            return;
        case ItemKind::Points:
            drawPoint(items.points[item.first], toDevice, scale, color);
            return;
        case ItemKind::Image:
            drawPicture(items, item, toDevice, color);
            return;
        default:
            break;
        }
        mapPoints(items, item, toDevice);
        if (size < kCoarsePixels * pixel_ && item.kind != ItemKind::Polygon &&
            item.kind != ItemKind::Wipeout) {
            ++stats_.itemsAsDots;
            const std::uint32_t step = std::max<std::uint32_t>(1, item.count / kCoarseDots);
            for (std::uint32_t k = 0; k < item.count; k += step)
                dot(scratch_[k], color);
            return;
        }
        ++stats_.itemsDrawn;
        if (item.kind == ItemKind::Polygon || item.kind == ItemKind::Wipeout) {
            const std::span<const std::uint32_t> rings(items.ringSizes.data() + item.extra,
                                                       item.rings);
            const QRgb fill = item.kind == ItemKind::Wipeout ? colors_.background() : color;
            QColor paint = QColor::fromRgb(fill);
            if (item.kind == ItemKind::Polygon && item.color.kind == cad::ItemColorKind::Rgb)
                paint.setAlpha(255 - static_cast<int>(item.color.rgb >> 24));
            device_.fillPolygon(scratch_, rings, paint, item.evenOdd);
            return;
        }
        buildStroke(item, layer, named, inherited, color, scale, size);
        if (item.kind == ItemKind::Segments)
            device_.strokeSegments(scratch_, stroke_);
        else
            device_.strokePolyline(scratch_, item.closed, stroke_);
    }

    // A raster picture clipped to its boundary; its boundary alone when the file cannot be read.
    void drawPicture(const ItemList& items, const DisplayItem& item, const Affine2& toDevice,
                     QRgb color) {
        const cad::RasterImage& ref = items.images[item.extra];
        mapPoints(items, item, toDevice);
        const QImage image = ImageCache::instance().image(QString::fromStdString(ref.file));
        if (image.isNull()) {
            stroke_ = {QColor::fromRgb(color), 0, {}};
            const std::size_t outer = ref.outerRing ? ref.outerRing : scratch_.size();
            device_.strokePolyline(std::span(scratch_).first(outer), true, stroke_);
            return;
        }
        ++stats_.itemsDrawn;
        const Affine2 fit =
            Affine2::scale(ref.sizePixels.x / image.width(), ref.sizePixels.y / image.height());
        const std::array<std::uint32_t, 2> rings{ref.outerRing ? ref.outerRing : item.count,
                                                 ref.outerRing ? item.count - ref.outerRing : 0};
        device_.drawImage(image, toQTransform(toDevice * ref.pixelToWorld * fit), scratch_,
                          std::span(rings).first(ref.outerRing ? 2 : 1));
    }

    void mapPoints(const ItemList& items, const DisplayItem& item, const Affine2& toDevice) {
        scratch_.resize(item.count);
        for (std::uint32_t k = 0; k < item.count; ++k)
            scratch_[k] = toPoint(toDevice.map(items.points[item.first + k]));
    }

    void buildStroke(const DisplayItem& item, std::uint32_t layer, const cad::PlotStyle* named,
                     const Inherited& inherited, QRgb color, double scale, double sizePixels) {
        const std::int32_t linetype =
            item.linetype == cad::kLinetypeByBlock ? inherited.linetype : item.linetype;
        std::int16_t lineweight =
            item.lineweight == cad::kLineweightByBlock ? inherited.lineweight : item.lineweight;
        if (const auto styled = colors_.plotLineweight(item.color, layer, named))
            lineweight = *styled;
        stroke_.color = QColor::fromRgb(color);
        strokes_.build(stroke_, linetype, item.linetypeScale, lineweight, scale,
                       sizePixels * 2 + 1);
    }

    void drawInsert(const ItemList& items, const DisplayItem& item, const Affine2& toDevice,
                    int depth, QRgb color, std::uint32_t layer, const cad::PlotStyle* named,
                    const Inherited& inherited) {
        const cad::InsertRef& ref = items.inserts[item.extra];
        if (ref.block == cad::kNoIndex || depth + 1 > cad::kMaxInsertDepth)
            return;
        Inherited child;
        child.color = color;
        child.layer = layer;
        child.plotStyle = named;
        child.linetype =
            item.linetype == cad::kLinetypeByBlock ? inherited.linetype : item.linetype;
        child.lineweight =
            item.lineweight == cad::kLineweightByBlock ? inherited.lineweight : item.lineweight;
        const ItemList& block = list_.block(ref.block);
        for (std::int32_t r = 0; r < ref.rows; ++r) {
            for (std::int32_t c = 0; c < ref.columns; ++c) {
                const Vec2 offset = ref.columnStep * c + ref.rowStep * r;
                const Affine2 copy =
                    toDevice * Affine2::translate(offset.x, offset.y) * ref.transform;
                if (ref.rows * ref.columns > 1 &&
                    !cad::mappedBox(block.extents, copy).intersects(viewBox_))
                    continue;
                drawList(block, copy, depth + 1, child);
            }
        }
    }

    void drawText(const cad::TextRun& run, const Affine2& toDevice, QRgb color) {
        const Affine2 t = toDevice * run.toWorld;
        const double capPixels = cad::length(t.mapVector({0, 1}));
        if (capPixels < kTextLinePixels * pixel_) {
            ++stats_.textsAsBoxes;
            const double width = run.fitWidth > 0 ? run.fitWidth : cad::runWidth(run);
            const double left = run.fitWidth > 0 ? 0 : -width * run.align / 2.0;
            scratch_ = {toPoint(t.map({left, 0.4})), toPoint(t.map({left + width, 0.4}))};
            stroke_ = {QColor::fromRgb(color), 0, {}};
            device_.strokePolyline(scratch_, false, stroke_);
            return;
        }
        ++stats_.itemsDrawn;
        if (run.font && run.font->kind == cad::TextFont::Kind::Stroke) {
            drawStrokeText(run, toDevice * cad::glyphFrame(run), color);
            return;
        }
        TextStyle style;
        style.color = QColor::fromRgb(color);
        style.transform = toQTransform(t);
        style.align = run.align;
        style.fitWidth = run.fitWidth;
        style.fitUniform = run.fitUniform;
        if (run.font) {
            style.fontPath = QString::fromStdString(run.font->path);
            style.widthScale = run.font->widthScale;
        }
        device_.drawText(
            QString::fromUtf8(run.text.data(), static_cast<qsizetype>(run.text.size())), style);
    }

    // Single-stroke text: every glyph's strokes as line segments through the device, so it
    // draws, prints and exports like any other line.
    void drawStrokeText(const cad::TextRun& run, const Affine2& frame, QRgb color) {
        const cad::TextFont& font = *run.font;
        scratch_.clear();
        double x = 0;
        for (std::size_t i = 0; i < run.text.size();) {
            const char32_t c = cad::nextCodepoint(run.text, i);
            if (const cad::StrokeGlyph* glyph = font.strokeGlyph(c)) {
                const Affine2 at = frame * Affine2::translate(x, 0);
                std::size_t first = 0;
                for (std::uint32_t size : glyph->strokeSizes) {
                    QPointF previous = toPoint(at.map(glyph->points[first]));
                    for (std::size_t k = 1; k < size; ++k) {
                        const QPointF next = toPoint(at.map(glyph->points[first + k]));
                        scratch_.push_back(previous);
                        scratch_.push_back(next);
                        previous = next;
                    }
                    first += size;
                }
            }
            x += font.strokeAdvance(c);
        }
        stroke_ = {QColor::fromRgb(color), 0, {}};
        device_.strokeSegments(scratch_, stroke_);
    }

    void drawPoint(Vec2 at, const Affine2& toDevice, double scale, QRgb color) {
        const QPointF p = toPoint(toDevice.map(at));
        const int mode = list_.pointMode();
        if ((mode & 7) == 0 && (mode & 96) == 0) {
            dot(p, color);
            return;
        }
        ++stats_.itemsDrawn;
        const double setting = list_.pointSize();
        double r = setting > 0   ? setting * scale / 2
                   : setting < 0 ? -setting / 100.0 * target_.height() / 2
                                 : 0.05 * target_.height() / 2;
        r = std::clamp(r, 1.0, 1e5);
        stroke_ = {QColor::fromRgb(color), 0, {}};
        switch (mode & 7) {
        case 0:
            dot(p, color);
            break;
        case 2:
            scratch_ = {p + QPointF(-r, 0), p + QPointF(r, 0), p + QPointF(0, -r),
                        p + QPointF(0, r)};
            device_.strokeSegments(scratch_, stroke_);
            break;
        case 3:
            scratch_ = {p + QPointF(-r, -r), p + QPointF(r, r), p + QPointF(-r, r),
                        p + QPointF(r, -r)};
            device_.strokeSegments(scratch_, stroke_);
            break;
        case 4:
            scratch_ = {p, p + QPointF(0, -r)};
            device_.strokeSegments(scratch_, stroke_);
            break;
        default:
            break;
        }
        if (mode & 32) {
            scratch_.clear();
            for (int k = 0; k < 24; ++k)
                scratch_.push_back(
                    p + QPointF(r * std::cos(k * M_PI / 12), r * std::sin(k * M_PI / 12)));
            device_.strokePolyline(scratch_, true, stroke_);
        }
        if (mode & 64) {
            scratch_ = {p + QPointF(-r, -r), p + QPointF(r, -r), p + QPointF(r, r),
                        p + QPointF(-r, r)};
            device_.strokePolyline(scratch_, true, stroke_);
        }
    }

    // Rays and construction lines: the part inside the view, clipped to the target.
    void drawUnbounded(const ItemList& items, const DisplayItem& item, const Affine2& toDevice,
                       QRgb color, std::uint32_t layer, const cad::PlotStyle* named,
                       const Inherited& inherited) {
        const Vec2 base = toDevice.map(items.points[item.first]);
        const Vec2 dir = toDevice.mapVector(items.points[item.first + 1]);
        double t0 = item.kind == ItemKind::Ray ? 0.0 : -INFINITY, t1 = INFINITY;
        const double lo[2] = {viewBox_.minX, viewBox_.minY}, hi[2] = {viewBox_.maxX, viewBox_.maxY};
        const double p[2] = {base.x, base.y}, d[2] = {dir.x, dir.y};
        for (int axis = 0; axis < 2; ++axis) {
            if (d[axis] == 0) {
                if (p[axis] < lo[axis] || p[axis] > hi[axis])
                    return;
                continue;
            }
            double a = (lo[axis] - p[axis]) / d[axis], b = (hi[axis] - p[axis]) / d[axis];
            if (a > b)
                std::swap(a, b);
            t0 = std::max(t0, a);
            t1 = std::min(t1, b);
        }
        if (!(t0 < t1))
            return;
        ++stats_.itemsDrawn;
        scratch_ = {toPoint(base + dir * t0), toPoint(base + dir * t1)};
        buildStroke(item, layer, named, inherited, color,
                    std::sqrt(std::fabs(toDevice.determinant())), cad::length(dir * (t1 - t0)));
        device_.strokePolyline(scratch_, false, stroke_);
    }

    const cad::DisplayList& list_;
    Device& device_;
    const RenderStyle& style_;
    RenderStats& stats_;
    ColorResolver colors_;
    StrokeBuilder strokes_;
    double pixel_;
    QRectF target_;
    Box2 viewBox_;
    std::vector<char> hidden_;      // by layer: as RenderStyle::hiddenLayers, frozen here too
    std::vector<QRgb> layerColors_; // by-layer colour of each layer, kHiddenLayer when hidden
    std::optional<PixelCanvas> canvas_;
    bool pointSymbols_ = false; // points are drawn as marks of a size, not as dots
    std::vector<QPointF> scratch_;
    StrokeStyle stroke_;
    struct DotBatch {
        QRgb color;
        std::vector<QPointF> points;
    };
    std::vector<DotBatch> dotBatches_;
    std::array<std::int32_t, 64> dotSlots_ = filledSlots();

    static std::array<std::int32_t, 64> filledSlots() {
        std::array<std::int32_t, 64> table;
        table.fill(-1);
        return table;
    }
};

} // namespace

QTransform viewTransform(const QRectF& target, const cad::Box2& window) {
    if (window.empty() || target.isEmpty())
        return QTransform::fromTranslate(target.center().x(), target.center().y());
    const double w = std::max(window.width(), 1e-300);
    const double h = std::max(window.height(), 1e-300);
    const double scale = std::min(target.width() / w, target.height() / h);
    const double cx = (window.minX + window.maxX) * 0.5;
    const double cy = (window.minY + window.maxY) * 0.5;
    return QTransform(scale, 0, 0, -scale, target.center().x() - scale * cx,
                      target.center().y() + scale * cy);
}

void renderView(const cad::DisplayList& list, Device& device, const QRectF& target,
                const cad::Box2& window, const RenderStyle& style, RenderStats* stats) {
    RenderStats local;
    if (window.empty() || target.isEmpty())
        return;
    if (style.sheet >= 0) {
        // A sheet is white paper whatever the background around it: colours contrast with it.
        RenderStyle onPaper = style;
        onPaper.background = Qt::white;
        ViewRenderer renderer(list, device, target, onPaper, stats ? *stats : local);
        renderer.render(window);
        return;
    }
    ViewRenderer renderer(list, device, target, style, stats ? *stats : local);
    renderer.render(window);
}

void renderView(const cad::DisplayList& list, QPainter& painter, const QRectF& target,
                const cad::Box2& window, const RenderStyle& style, RenderStats* stats) {
    painter.save();
    // In the painter's logical coordinates: images count device pixels, widgets logical ones.
    const QPaintDevice* paintDevice = painter.device();
    const qreal ratio = paintDevice && paintDevice->devType() == QInternal::Image
                            ? paintDevice->devicePixelRatioF()
                            : 1.0;
    const QRectF deviceRect(0, 0, paintDevice ? paintDevice->width() / ratio : 0,
                            paintDevice ? paintDevice->height() / ratio : 0);
    if (!target.contains(deviceRect))
        painter.setClipRect(target, Qt::IntersectClip);
    if (style.background.isValid() && style.background.alpha() > 0)
        painter.fillRect(target, style.background);
    PainterDevice device(painter);
    renderView(list, device, target, window, style, stats);
    painter.restore();
}

} // namespace vexor::control
