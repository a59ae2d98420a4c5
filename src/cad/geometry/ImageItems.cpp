#include "../io/ReferencedFile.h"
#include "DisplayListCompiler.h"

#include <cmath>

namespace vexor::cad {
namespace {

// Stored picture sizes beyond this many pixels a side are damage, not pictures.
constexpr double kMaxPixels = 1e7;

bool usable(const ImageFrame& e) {
    const Vec2 s = e.sizePixels;
    const Vec2 u = e.uPixel.xy(), v = e.vPixel.xy();
    return std::isfinite(s.x) && std::isfinite(s.y) && s.x > 0 && s.y > 0 && s.x <= kMaxPixels &&
           s.y <= kMaxPixels && std::isfinite(u.x) && std::isfinite(u.y) && std::isfinite(v.x) &&
           std::isfinite(v.y) && std::fabs(u.x * v.y - u.y * v.x) > 0 &&
           std::isfinite(e.origin.x) && std::isfinite(e.origin.y);
}

// Picture coordinates (x right, y down, (0, 0) the top-left corner) to the drawing: the
// origin is the picture's lower-left corner, v points up the picture.
Affine2 pictureToWorld(const ImageFrame& e) {
    const Vec2 u = e.uPixel.xy(), v = e.vPixel.xy(), o = e.origin.xy();
    const double h = e.sizePixels.y;
    return {u.x, u.y, -v.x, -v.y, o.x + v.x * h, o.y + v.y * h};
}

// Stored boundary points are pixel centres: the picture spans -0.5 .. size - 0.5.
std::vector<Vec2> boundaryRing(const ImageFrame& e, const Affine2& toWorld) {
    std::vector<Vec2> ring;
    if (e.clip.size() >= 3) {
        for (Vec2 p : e.clip)
            ring.push_back(toWorld.map(p + Vec2{0.5, 0.5}));
        // A closed boundary repeats its first point.
        if (ring.size() > 3 && ring.front().x == ring.back().x && ring.front().y == ring.back().y)
            ring.pop_back();
    }
    return ring;
}

std::vector<Vec2> frameRing(const ImageFrame& e, const Affine2& toWorld) {
    const Vec2 s = e.sizePixels;
    return {toWorld.map({0, s.y}), toWorld.map({s.x, s.y}), toWorld.map({s.x, 0}),
            toWorld.map({0, 0})};
}

} // namespace

void DisplayListCompiler::addImageFrame(ItemList& list, const EntityCommon& common,
                                        const ImageFrame& e, bool inBlock) {
    const bool wipeout = e.kind == ImageFrame::Kind::Wipeout;
    const char* kind = wipeout ? "WIPEOUT" : "IMAGE";
    if (!usable(e)) {
        diagnose(std::string(kind) + " with an unusable size or direction not drawn");
        return;
    }
    const Affine2 toWorld = pictureToWorld(e);
    const std::vector<Vec2> frame = frameRing(e, toWorld);
    std::vector<Vec2> boundary = boundaryRing(e, toWorld);
    const bool clipped = !boundary.empty();
    const std::vector<Vec2>& outline = clipped ? boundary : frame;
    // An inverted boundary keeps what lies outside it: the frame with the boundary as a hole.
    std::vector<std::vector<Vec2>> area{outline};
    if (clipped && e.clipInverted)
        area = {frame, boundary};

    DisplayItem item = makeItem(common, inBlock);
    if (wipeout) {
        DisplayItem mask = item;
        mask.kind = ItemKind::Wipeout;
        addPolygon(list, mask, area);
        const std::int32_t setting = drawing_.header.wipeoutFrame.value_or(1);
        if (setting != 0)
            for (const auto& ring : area)
                addFrame(list, item, ring, setting);
        return;
    }

    bool drawn = false;
    if (e.showImage) {
        const ImageDefinition* def = nullptr;
        for (const ImageDefinition& d : drawing_.imageDefinitions)
            if (d.handle == e.definition && e.definition != 0)
                def = &d;
        if (!def) {
            diagnose("IMAGE without its image definition: drawn as a frame");
        } else {
            const std::string file = findReferencedFile(def->fileName, drawing_.sourcePath);
            if (file.empty()) {
                diagnose("image file \"" + def->fileName + "\" not found: drawn as a frame");
            } else {
                DisplayItem picture = item;
                picture.kind = ItemKind::Image;
                picture.extra = static_cast<std::uint32_t>(list.images.size());
                picture.first = static_cast<std::uint32_t>(list.points.size());
                std::uint32_t outer = 0;
                for (const auto& ring : area) {
                    for (Vec2 p : ring) {
                        list.points.push_back(p);
                        picture.box.add(p);
                    }
                    if (outer == 0 && area.size() > 1)
                        outer = static_cast<std::uint32_t>(ring.size());
                }
                picture.count = static_cast<std::uint32_t>(list.points.size()) - picture.first;
                list.images.push_back({file, toWorld, e.sizePixels, outer});
                list.items.push_back(picture);
                drawn = true;
            }
        }
    }
    // The frame shows as the drawing asks; a picture that cannot be shown leaves its frame,
    // plotted.
    const std::int32_t setting = drawing_.header.imageFrame.value_or(1);
    if (!drawn || setting != 0)
        for (const auto& ring : area)
            addFrame(list, item, ring, drawn ? setting : 1);
}

void DisplayListCompiler::addUnderlay(ItemList& list, const EntityCommon& common, const Underlay& u,
                                      bool inBlock) {
    const char* name = u.kind == Underlay::Kind::Pdf   ? "PDFUNDERLAY"
                       : u.kind == Underlay::Kind::Dwf ? "DWFUNDERLAY"
                                                       : "DGNUNDERLAY";
    // The page's size is in the referenced file: without a clip boundary the frame is unknown.
    if (u.clip.size() < 3) {
        countNotDrawn(name);
        return;
    }
    const Affine2 place = OcsFrame::fromExtrusion(common.extrusion()).planeToWorld(u.origin.z) *
                          Affine2::translate(u.origin.x, u.origin.y) * Affine2::rotate(u.rotation) *
                          Affine2::scale(u.scale.x, u.scale.y);
    std::vector<Vec2> ring;
    for (Vec2 p : u.clip)
        ring.push_back(place.map(p));
    addPolyline(list, makeItem(common, inBlock), ring, true);
}

} // namespace vexor::cad
