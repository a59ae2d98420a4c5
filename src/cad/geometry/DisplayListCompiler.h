#pragma once

#include "../curves/Ocs.h"
#include "../text/TextLayout.h"
#include "DisplayList.h"

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vexor::cad {

// The box of all copies of an array whose first copy covers `first`, the array's steps taken
// through `outer`.
Box2 arrayBox(const Box2& first, const InsertRef& ref, const Affine2& outer);

struct DimensionPicture;

// Turns a Drawing into a DisplayList: every entity of model space and of each block becomes
// primitives with a bounding box; then block extents are resolved through their inserts and
// each list gets its spatial index.
class DisplayListCompiler {
public:
    explicit DisplayListCompiler(const Drawing& drawing);
    // Called once every entity is turned into items, before the lists are bounded and indexed:
    // from then on the compile reads only the sheets' own blocks' entities.
    void afterEntities(std::function<void()> call) { afterEntities_ = std::move(call); }
    std::shared_ptr<const DisplayList> compile();

private:
    void compileLayers();
    // DisplayListJobs.cpp: every list's entities, on several threads for large drawings.
    // Entity code may therefore run on any thread: it writes only into the list it is given
    // and reports through diagnose() and countNotDrawn().
    void compileAllEntities();
    void compileEntities(std::span<const Entity> entities, ItemList& list, bool inBlock);
    // Model space and the layouts' sheets show loose attribute definitions by their tags;
    // ordinary blocks do not draw theirs (their inserts draw the attributes).
    bool showsAttributeTags(std::uint32_t list) const;
    void addEntity(const Entity& entity, ItemList& list, bool inBlock);
    void diagnose(const std::string& message);

    DisplayItem makeItem(const EntityCommon& common, bool inBlock) const;
    // DisplayListPlotStyles.cpp: the named plot styles of layers and entities, and the names a
    // sheet's named table lacks.
    void compilePlotStyleNames();
    std::uint8_t plotStyleOf(const EntityCommon& common, bool inBlock) const;
    void checkPlotStyleNames(const Sheet& sheet);
    ItemColor resolveColor(const Color& color, std::uint32_t layer, bool inBlock) const;

    void addPolyline(ItemList& list, DisplayItem item, const std::vector<Vec2>& points,
                     bool closed);
    // A closed frame round a clip boundary, image or wipeout: at `setting` 2 shown on screen
    // only, at any other value plotted too.
    void addFrame(ItemList& list, const DisplayItem& item, const std::vector<Vec2>& ring,
                  std::int32_t setting);
    // Gives `curves` to the item just added from `pointCount` points (when it was added, as the
    // list's item `itemsBefore`, with every point: else their runs would not match).
    static void keepCurves(ItemList& list, std::size_t itemsBefore, std::size_t pointCount,
                           std::vector<ItemCurve>& curves);
    static void noteSource(ItemList& list, const Entity& entity, std::size_t firstItem);
    void addPolygon(ItemList& list, DisplayItem item, const std::vector<std::vector<Vec2>>& rings);
    void addText(ItemList& list, DisplayItem item, TextRun run);
    void addTextEntity(ItemList& list, const DisplayItem& item, const Text& text,
                       const Affine2& plane);
    // Draws the text with its background; returns the box its runs cover, in its own frame.
    TextBox addMText(ItemList& list, const EntityCommon& common, const MText& text, bool inBlock);
    void addTextRule(ItemList& list, DisplayItem item, const TextRule& rule, bool inBlock);
    // MTextItems.cpp: the fill and frame behind multi-line text.
    void addMTextBackground(ItemList& list, const DisplayItem& item, const MText& text,
                            const MTextLayout& laid, bool inBlock);
    ItemColor translucent(ItemColor color, std::uint32_t layer, std::uint8_t alpha) const;
    const TextStyle* textStyle(std::uint32_t index) const;
    void compileTextStyles();
    void addInsert(ItemList& list, const EntityCommon& common, const Insert& insert, bool inBlock);
    void addBlockReference(ItemList& list, DisplayItem item, std::uint32_t block,
                           const Affine2& transform);

    void addCurve(ItemList& list, const Entity& entity, bool inBlock);
    void addPolylineEntity(ItemList& list, const EntityCommon& common, const Polyline& polyline,
                           bool inBlock);
    void addWidePolyline(ItemList& list, const DisplayItem& item, const Polyline& polyline,
                         const Affine2& plane);
    void addMesh(ItemList& list, const DisplayItem& item, const Polyline& polyline);
    void addHatch(ItemList& list, const EntityCommon& common, const Hatch& hatch, bool inBlock);
    void addHatchFill(ItemList& list, const DisplayItem& item, const Hatch& hatch,
                      std::vector<std::vector<Vec2>> rings, std::vector<ItemCurve> curves,
                      const Affine2& plane);
    void addLeader(ItemList& list, const EntityCommon& common, const Leader& leader, bool inBlock);
    // DimensionItems.cpp: a dimension without a block, drawn from its definition.
    void addDimension(ItemList& list, const EntityCommon& common, const Dimension& dim,
                      bool inBlock);
    // Strokes, fills and arrowhead blocks of an annotation's picture; extension lines take
    // `extension`, everything else `line`.
    void addPicture(ItemList& list, const DisplayItem& line, const DisplayItem& extension,
                    const DimensionPicture& pic);
    // LeaderItems.cpp: a multileader's leader lines, doglegs and content.
    void addMultiLeader(ItemList& list, const EntityCommon& common, const MultiLeader& leader,
                        bool inBlock);
    // AnnotationItems.cpp: multilines, feature control frames, wipeouts, images and underlays.
    void addMLine(ItemList& list, const EntityCommon& common, const MLine& line, bool inBlock);
    void addTolerance(ItemList& list, const EntityCommon& common, const Tolerance& tolerance,
                      bool inBlock);
    void addImageFrame(ItemList& list, const EntityCommon& common, const ImageFrame& image,
                       bool inBlock);
    void addUnderlay(ItemList& list, const EntityCommon& common, const Underlay& underlay,
                     bool inBlock);
    // ShapeItems.cpp: SHAPE entities from their shape files, or a marker where none is found.
    void addShape(ItemList& list, const EntityCommon& common, const Shape& shape, bool inBlock);
    void reportShapeMarkers();
    // WireframeItems.cpp: the edges of solids, regions, surfaces and meshes.
    void addWireframe(ItemList& list, const EntityCommon& common, const Wireframe& wire,
                      bool inBlock);
    // StandInItems.cpp: entities drawn through the picture standing for them.
    void addStandIn(ItemList& list, const StandIn& standIn, bool inBlock);
    void countNotDrawn(const std::string& typeName);
    // An entity drawn only in part or not at all, for a reason of its own ("drawn in part: the
    // content block is missing"); said once per kind and reason with the count.
    void countIncomplete(const std::string& typeName, const std::string& reason);
    void reportNotDrawn();

    // DisplayListExtents.cpp: block extents through inserts (with cycle and depth checks),
    // insert boxes, list extents and spatial indexes.
    void resolveExtents();
    const Box2& blockExtents(std::uint32_t block, int depth);
    Box2 insertBox(const InsertRef& ref, int depth);
    void addMappedExtents(const ItemList& list, const Affine2& transform, Box2& out, int depth);
    // Returns the list's nesting height: how many inserts deep its contents go; `weight`
    // receives how many lists drawing it once draws, through its inserts.
    int finishList(ItemList& list, int depth, bool isBlock, double* weight = nullptr);
    void capArray(InsertRef& ref, double& drawn);
    static void summarise(ItemList& list);
    void storeAlongCurve(ItemList& list);
    static void followNewOrder(ItemList& list, const std::vector<std::uint32_t>& order);

    // DisplayListClips.cpp: a clipped insert draws a copy of its block cut to its boundary
    // (nested inserts crossing it cut in turn); what cannot be cut exactly is left out and
    // counted.
    void clipInserts();
    std::uint32_t clippedBlock(std::uint32_t block, const std::vector<Vec2>& clip, int depth);
    void clipItem(std::uint32_t block, std::uint32_t index, const std::vector<Vec2>& clip,
                  const Box2& clipBox, bool convex, int depth, ItemList& out);
    void clipInsert(DisplayItem item, InsertRef ref, const std::vector<Vec2>& clip,
                    const Box2& clipBox, int depth, ItemList& out);
    Box2 roughExtents(std::uint32_t block, int depth);
    std::string blockName(std::uint32_t block) const;

    // DisplayListSheets.cpp: the layouts' sheets and their views onto model space.
    void compileSheets();
    bool compileView(const Layout& layout, const Block& block, const Viewport& viewport,
                     SheetView& view);
    std::vector<Vec2> clipBoundary(const Block& block, std::uint64_t handle) const;

    const Drawing& drawing_;
    std::function<void()> afterEntities_;
    std::shared_ptr<DisplayList> out_;
    enum class BlockState : std::uint8_t { Pending, Visiting, Done };
    std::vector<BlockState> blockState_;
    std::vector<int> blockHeight_;
    std::vector<double> blockWeight_;
    std::size_t extentsBudget_ = 0;
    std::size_t droppedCopies_ = 0;
    std::map<std::pair<std::uint32_t, std::vector<double>>, std::uint32_t> clippedBlocks_;
    std::vector<Box2> roughExtents_;   // of each list, through its inserts, before the
    std::vector<char> roughExtentsOf_; // extents are resolved: 0 not yet, 1 busy, 2 known
    std::map<std::string, std::size_t> notDrawn_;                     // entity kind -> how many
    std::map<std::string, std::uint8_t, std::less<>> plotStyleCodes_; // name -> kPlotStyleNamed + i
    std::vector<std::string>* diagnostics_ = nullptr; // where diagnose() reports: the list's own
    std::map<std::pair<std::string, std::string>, std::size_t> incomplete_; // (kind, reason)
    const TextStyle* standardStyle_ = nullptr;
    std::vector<std::shared_ptr<const StrokeFont>> shapeFiles_; // per text style; null: none
    std::map<std::string, std::size_t> shapeMarkers_;           // why -> how many
    std::map<char32_t, std::size_t> missingGlyphs_; // in no installed face -> texts with it
    bool attributeTags_ = false; // the list being compiled shows attribute definitions' tags
};

} // namespace vexor::cad
