#include "EntitySections.h"

#include "../../io/ExtendedData.h"
#include "../../io/FiniteCoordinates.h"
#include "../../io/LoadBudget.h"
#include "EntityRecord.h"
#include "ExtendedData.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace vexor::cad::dwg::r12 {
namespace {

// Linetype references meaning "by layer" and "by block" (R11 and earlier releases differ).
constexpr std::int16_t kLinetypeIndexByLayer = 32767;
constexpr std::int16_t kLinetypeIndexByBlock = 32766;
constexpr std::int16_t kLinetypeIndexByLayerOld = 256;
constexpr std::int16_t kLinetypeIndexByBlockOld = 255;

constexpr std::size_t kMinimumRecord = 8;
constexpr std::size_t kTypicalRecord = 48;
constexpr std::uint32_t kAddressMask = 0x00FFFFFF;
constexpr std::uint32_t kJumpToExtra = 0x80000000;
constexpr std::size_t kNotInSection = ~std::size_t{0};

// Polyline flags.
constexpr std::uint8_t kPolyClosed = 1;
constexpr std::uint8_t kPolySplineFit = 4;
constexpr std::uint8_t kPoly3d = 8;
constexpr std::uint8_t kPolyMesh = 16;
constexpr std::uint8_t kPolyMeshClosedN = 32;
constexpr std::uint8_t kPolyFace = 64;
// Vertex flags.
constexpr std::uint8_t kVertexFrameControl = 16;
constexpr std::uint8_t kVertexMesh = 64;
constexpr std::uint8_t kVertexFace = 128;

// Viewports one sheet may hold; more are left out.
constexpr std::size_t kMaxViewportsPerBlock = 4096;

// These releases name arrowhead blocks and text styles in dimension variables, never by handle.
class NoHandles final : public DimHandleLookup {
public:
    const std::string* blockName(std::uint64_t) const override { return nullptr; }
    std::uint32_t textStyle(std::uint64_t) const override { return kNoIndex; }
};

class Assembler {
public:
    Assembler(std::span<const std::uint8_t> file, const FileHeader& header, const Tables& tables,
              const TextDecoder& decode, Drawing& drawing)
        : file_(file), header_(header), tables_(tables), decode_(decode), d_(drawing) {
        names_.application = [this](std::int16_t i) {
            const auto index = static_cast<std::size_t>(i);
            return i >= 0 && index < tables_.applications.size() ? tables_.applications[index]
                                                                 : std::string();
        };
        names_.layer = [this](std::int16_t i) {
            const auto index = static_cast<std::size_t>(i);
            return i >= 0 && index < tables_.layers.size() ? d_.layers[tables_.layers[index]].name
                                                           : std::string();
        };
        // Anonymous blocks are all stored under their bare kind ("*D" for every dimension,
        // "*X" for hatches, ...): each becomes a block of its own under a numbered name.
        std::unordered_set<std::string> names;
        for (const BlockRecord& b : tables_.blocks)
            names.insert(b.name);
        std::unordered_map<std::string, int> numbered;
        for (const BlockRecord& b : tables_.blocks) {
            if (b.name.empty()) { // a record left by a purged block
                blockOfTable_.push_back(kNoIndex);
                continue;
            }
            std::string name = b.name;
            if (b.anonymous && name.size() <= 2) {
                int& n = numbered[name];
                while (names.contains(name + std::to_string(n)))
                    ++n;
                name += std::to_string(n++);
            }
            const std::uint32_t index = d_.blockIndex(name);
            d_.blocks[index].anonymous = b.anonymous;
            d_.blocks[index].externalReference = b.externalReference;
            blockOfTable_.push_back(index);
            blockAtAddress_.emplace(b.address, index);
            blockStarts_.push_back(b.address);
        }
        std::ranges::sort(blockStarts_);
    }

    void run() {
        // Progress in bytes of records read, out of the three sections.
        bytesTotal_ = std::uint64_t{header_.blockEntities.size} + header_.entities.size +
                      header_.extraEntities.size;
        reportLoadProgress(0, bytesTotal_);
        readSection(header_.blockEntities, "block entity", true);
        // Room for the drawn records at their typical size, so that the list grows once.
        reserve(d_.modelSpace,
                (header_.entities.size + header_.extraEntities.size) / kTypicalRecord);
        readSection(header_.entities, "entity", false);
        if (!extraReached_) // otherwise its records were read where the jumps led
            readSection(header_.extraEntities, "extra entity", false);
        report();
    }

private:
    // Reads the records of one section in order, following JUMP records into the extra entity
    // section and back (early releases put records appended later there). Each jump counts
    // against a budget, so jumps that loop end the read instead of hanging it.
    void readSection(const Extent& extent, const char* name, bool blocks) {
        if (extent.size == 0)
            return;
        const Extent& extraExtent = header_.extraEntities;
        ByteReader main(file_.subspan(extent.offset, extent.size), extent.offset);
        ByteReader extra(file_.subspan(extraExtent.offset, extraExtent.size), extraExtent.offset);
        EntityRecordReader mainReader(main, header_.release, decode_);
        EntityRecordReader extraReader(extra, header_.release, decode_);
        ByteReader* current = &main;
        EntityRecordReader* reader = &mainReader;
        std::size_t returnTo = kNotInSection; // where to go on in `main` after the extra records
        std::size_t jumps = 0;
        const std::size_t maxJumps = (extent.size + extraExtent.size) / kMinimumRecord + 1;
        inBlocks_ = blocks;
        target_ = blocks ? kNoTarget : kModel;
        std::size_t records = 0;
        while (true) {
            loadCheckpoint();
            if (current->atEnd()) {
                if (current != &extra || returnTo == kNotInSection)
                    break;
                current = &main;
                reader = &mainReader;
                main.seek(returnTo);
                returnTo = kNotInSection;
                continue;
            }
            const std::size_t start = current->position();
            try {
                EntityRecord rec = reader->next();
                ++records;
                bytesDone_ += current->position() - start;
                reportLoadProgress(std::min(bytesDone_, bytesTotal_), bytesTotal_);
                if (rec.kind == static_cast<int>(EntityKind::Jump) && !rec.erased) {
                    if (++jumps > maxJumps) {
                        d_.diagnostics.push_back(std::string("the ") + name +
                                                 " section jumps in a loop; reading stopped");
                        break;
                    }
                    const std::uint32_t to = rec.jumpAddress & kAddressMask;
                    if ((rec.jumpAddress & kJumpToExtra) && to < extraExtent.size) {
                        if (current == &main)
                            returnTo = main.position();
                        current = &extra;
                        reader = &extraReader;
                        extra.seek(to);
                        extraReached_ = true;
                    } else if (!(rec.jumpAddress & kJumpToExtra) && to >= extent.offset &&
                               to - extent.offset < extent.size) {
                        current = &main;
                        reader = &mainReader;
                        main.seek(to - extent.offset);
                        returnTo = kNotInSection;
                    } else {
                        ++stray_["JUMP outside the entity sections"];
                    }
                    continue;
                }
                accept(rec, current == &main ? start : kNotInSection);
            } catch (const DwgFormatError& e) {
                d_.diagnostics.push_back(std::string("the ") + name +
                                         " section is unreadable from byte " +
                                         std::to_string(e.byteOffset()) + " (" + e.what() + "); " +
                                         std::to_string(records) + " records before it were read");
                break;
            }
        }
        flushOpen();
    }

    static constexpr std::uint32_t kModel = 0xFFFFFFFEu;
    static constexpr std::uint32_t kNoTarget = kNoIndex;

    void accept(EntityRecord& rec, std::size_t start) {
        if (rec.erased) {
            ++erased_[entityKindName(rec.kind)];
            return;
        }
        if (rec.fieldsMismatch) {
            if (!rec.entity && isDrawable(rec.kind))
                ++damaged_[entityKindName(rec.kind)];
            else
                ++partlyRead_[entityKindName(rec.kind)];
        }
        const auto kind = static_cast<EntityKind>(rec.kind);
        if (kind == EntityKind::Vertex) {
            if (polyline_)
                vertices_.push_back(rec.vertex);
            else
                ++stray_["VERTEX"];
            return;
        }
        if (kind == EntityKind::Attribute && insert_) {
            if (rec.entity) {
                Text& t = dataOf<Text>(rec.entity->data);
                style(t, rec);
                dataOf<Insert>(insert_->data)
                    .attributes.push_back({resolveCommon(rec), std::move(t)});
            }
            return;
        }
        flushOpen();
        switch (kind) {
        case EntityKind::SequenceEnd:
            return;
        case EntityKind::Block:
            beginBlock(rec, start);
            return;
        case EntityKind::EndBlock:
            target_ = inBlocks_ ? kNoTarget : kModel;
            return;
        case EntityKind::Repeat:
        case EntityKind::EndRepeat:
        case EntityKind::Load:
            ++notDrawn_[entityKindName(rec.kind)];
            return;
        case EntityKind::Jump:
            return; // the extra entity section is read in full anyway
        case EntityKind::Viewport:
            addViewport(rec);
            return;
        default:
            break;
        }
        if (!rec.entity) {
            if (!rec.fieldsMismatch)
                ++notDrawn_[entityKindName(rec.kind)];
            return;
        }
        Entity& e = *rec.entity;
        e.common = resolveCommon(rec);
        if (auto* text = dataIf<Text>(&e.data))
            style(*text, rec);
        else if (auto* shape = dataIf<Shape>(&e.data))
            shape->style =
                rec.hasStyle && rec.styleIndex < tables_.styleCount ? rec.styleIndex : kNoIndex;
        else if (auto* ins = dataIf<Insert>(&e.data))
            ins->block =
                rec.blockName.empty() ? blockOf(rec.blockIndex) : d_.blockIndex(rec.blockName);
        else if (auto* dim = dataIf<Dimension>(&e.data))
            resolveDimension(*dim, rec);
        else if (auto* u = dataIf<Unsupported>(&e.data))
            ++notDrawn_[u->typeName];
        if (holds<Polyline>(e.data)) {
            polyline_ = std::move(e);
            polylinePaper_ = rec.paperSpace;
            polylineFlags_ = rec.polylineFlags;
            polylineElevation_ = rec.elevation;
            startWidth_ = rec.defaultStartWidth;
            endWidth_ = rec.defaultEndWidth;
            vertices_.clear();
            return;
        }
        if (rec.attributesFollow && holds<Insert>(e.data)) {
            insert_ = std::move(e);
            insertPaper_ = rec.paperSpace;
            return;
        }
        store(std::move(e), rec.paperSpace);
    }

    static bool isDrawable(int kind) {
        switch (static_cast<EntityKind>(kind)) {
        case EntityKind::Vertex:
        case EntityKind::Block:
        case EntityKind::EndBlock:
        case EntityKind::SequenceEnd:
        case EntityKind::Jump:
        case EntityKind::Viewport:
            return false;
        default:
            return kind > 0 && kind <= static_cast<int>(EntityKind::Viewport);
        }
    }

    void beginBlock(const EntityRecord& rec, std::size_t start) {
        if (!inBlocks_ && header_.release == Release::R1_4 && !rec.blockName.empty()) {
            // The first releases keep their blocks among the entities.
            target_ = d_.blockIndex(rec.blockName);
            d_.blocks[target_].base = rec.blockBase;
            return;
        }
        if (!inBlocks_) {
            ++stray_["BLOCK"];
            return;
        }
        std::uint32_t index = kNoIndex;
        if (const auto it = blockAtAddress_.find(static_cast<std::uint32_t>(start));
            it != blockAtAddress_.end())
            index = it->second;
        else if (!rec.blockName.empty())
            index = d_.blockIndex(rec.blockName);
        if (index == kNoIndex) {
            ++stray_["BLOCK"];
            target_ = kNoTarget;
            return;
        }
        d_.blocks[index].base = rec.blockBase;
        target_ = index;
        // The block's records run to the next block's start: room for them at typical size.
        const auto next = std::ranges::upper_bound(blockStarts_, start);
        const std::size_t size = header_.blockEntities.size;
        const std::size_t end =
            next == blockStarts_.end() ? size : std::min<std::size_t>(*next, size);
        reserve(d_.blocks[index].entities, (end - start) / kTypicalRecord);
    }

    // Reserves room for `count` entities estimated from a section's size, within the load's
    // memory budget.
    static void reserve(std::vector<Entity>& list, std::size_t count) {
        claimLoadMemory(count, sizeof(Entity));
        list.reserve(count);
    }

    void resolveDimension(Dimension& dim, const EntityRecord& rec) {
        dim.block = blockOf(rec.blockIndex);
        if (tables_.dimStyleCount > 0) {
            const auto index = static_cast<std::size_t>(rec.dimStyleIndex);
            // Without a style of its own a dimension takes the first, "STANDARD".
            dim.style = rec.dimStyleIndex >= 0 && index < tables_.dimStyleCount
                            ? static_cast<std::uint32_t>(index)
                            : 0;
        }
        if (rec.xdata.empty() || !dim.definition)
            return;
        // Variables changed for this dimension alone ("DSTYLE" in the ACAD extended data), for
        // drawing it from its definition when its block is missing.
        const DimStyle base =
            dim.style < d_.dimStyles.size() ? d_.dimStyles[dim.style] : DimStyle{};
        auto overrides = dimStyleOverrides(extendedData(rec), base, NoHandles{});
        if (!overrides)
            return;
        DimensionDefinition def = *dim.definition; // read-only once made: rebuilt
        def.style = std::move(overrides);
        dim.definition = std::make_unique<DimensionDefinition>(std::move(def));
    }

    // A viewport belongs to the sheet it is drawn on; one anywhere else would show model space
    // inside itself. Its view of model space is in the ACAD extended data ("MVIEW").
    void addViewport(EntityRecord& rec) {
        if (!rec.viewport) {
            if (!rec.fieldsMismatch)
                ++notDrawn_["VIEWPORT"];
            return;
        }
        if (target_ != kModel || !rec.paperSpace) {
            ++notDrawn_["VIEWPORT (outside any layout)"];
            return;
        }
        std::vector<Viewport>& viewports = d_.blocks[paperSpaceBlock()].viewports;
        if (viewports.size() >= kMaxViewportsPerBlock) {
            ++notDrawn_["VIEWPORT (beyond the limit of a layout)"];
            return;
        }
        Viewport& v = *rec.viewport;
        const EntityCommon common = resolveCommon(rec);
        v.handle = common.handle;
        v.layer = common.layer;
        v.color = common.color;
        if (!readViewportView(extendedData(rec), v))
            ++notDrawn_["VIEWPORT (view not stored)"];
        viewports.push_back(std::move(v));
    }

    ExtendedData extendedData(const EntityRecord& rec) {
        bool complete = true;
        ExtendedData xdata = readExtendedData(rec.xdata, decode_, names_, complete);
        if (!complete)
            ++partlyRead_["extended data"];
        return xdata;
    }

    std::uint32_t blockOf(std::int16_t tableIndex) {
        if (tableIndex >= 0 && static_cast<std::size_t>(tableIndex) < blockOfTable_.size())
            return blockOfTable_[static_cast<std::size_t>(tableIndex)];
        ++badReferences_;
        return kNoIndex;
    }

    EntityCommon resolveCommon(const EntityRecord& rec) {
        EntityCommon c = rec.common;
        if (header_.release == Release::R1_4) {
            // No layer table yet: layers are numbers.
            c.layer = d_.layerIndex(std::to_string(rec.layer));
        } else if (rec.layer >= 0 && static_cast<std::size_t>(rec.layer) < tables_.layers.size()) {
            c.layer = tables_.layers[static_cast<std::size_t>(rec.layer)];
        } else {
            ++badReferences_;
            c.layer = d_.layerIndex("0");
        }
        if (rec.linetype == kLinetypeIndexByLayer || rec.linetype == kLinetypeIndexByLayerOld)
            c.linetype = kLinetypeByLayer;
        else if (rec.linetype == kLinetypeIndexByBlock || rec.linetype == kLinetypeIndexByBlockOld)
            c.linetype = kLinetypeByBlock;
        else if (rec.linetype >= 0 &&
                 static_cast<std::size_t>(rec.linetype) < tables_.linetypeCount)
            c.linetype = rec.linetype;
        else
            c.linetype = kLinetypeByLayer;
        return c;
    }

    void style(Text& t, const EntityRecord& rec) const {
        if (tables_.styleCount > 0)
            t.style = rec.hasStyle && rec.styleIndex < tables_.styleCount ? rec.styleIndex : 0;
    }

    // Stores an entity where the records are going: the current block, or model or paper
    // space for the entity sections.
    void store(Entity e, bool paper) {
        if (!nonFinite_.admit(e))
            return;
        if (target_ == kModel && paper)
            d_.blocks[paperSpaceBlock()].entities.push_back(std::move(e));
        else if (target_ == kModel)
            d_.modelSpace.push_back(std::move(e));
        else if (target_ != kNoTarget)
            d_.blocks[target_].entities.push_back(std::move(e));
        else
            ++stray_[dxfTypeName(e)];
    }

    std::uint32_t paperSpaceBlock() {
        if (paperSpace_ == kNoIndex) {
            paperSpace_ = d_.blockIndex("*Paper_Space");
            // Drawings on paper usually hold everything there: the same room as model space.
            reserve(d_.blocks[paperSpace_].entities, d_.modelSpace.capacity());
        }
        return paperSpace_;
    }

    void flushOpen() {
        if (insert_) {
            store(std::move(*insert_), insertPaper_);
            insert_.reset();
        }
        if (polyline_) {
            finishPolyline();
            store(std::move(*polyline_), polylinePaper_);
            polyline_.reset();
        }
    }

    void finishPolyline() {
        Polyline& p = dataOf<Polyline>(polyline_->data);
        const std::uint8_t f = polylineFlags_;
        p.closed = (f & kPolyClosed) != 0;
        if (f & kPolyFace)
            p.kind = Polyline::Kind::PolyfaceMesh;
        else if (f & kPolyMesh)
            p.kind = Polyline::Kind::PolygonMesh;
        else if (f & kPoly3d)
            p.kind = Polyline::Kind::Poly3d;
        else
            p.kind = Polyline::Kind::Poly2d;
        p.meshClosedM = p.kind == Polyline::Kind::PolygonMesh && p.closed;
        p.meshClosedN = p.kind == Polyline::Kind::PolygonMesh && (f & kPolyMeshClosedN);
        for (const VertexRecord& v : vertices_) {
            if ((f & kPolySplineFit) && (v.flags & kVertexFrameControl))
                continue; // the frame, not the curve
            if (p.kind == Polyline::Kind::PolyfaceMesh && (v.flags & kVertexFace) &&
                !(v.flags & kVertexMesh)) {
                p.faces.insert(p.faces.end(), v.face.begin(), v.face.end());
                continue;
            }
            PolyVertex pv = v.vertex;
            if (p.kind == Polyline::Kind::Poly2d)
                pv.p.z = polylineElevation_; // 2D vertices lie in their polyline's plane
            if (!v.hasStartWidth)
                pv.startWidth = startWidth_;
            if (!v.hasEndWidth)
                pv.endWidth = endWidth_;
            p.vertices.push_back(pv);
        }
        if (p.kind == Polyline::Kind::PolygonMesh &&
            static_cast<std::size_t>(p.meshM) * static_cast<std::size_t>(p.meshN) !=
                p.vertices.size()) {
            ++partlyRead_["POLYLINE mesh size"];
            p.kind = Polyline::Kind::Poly3d;
        }
        vertices_.clear();
    }

    void report() {
        const auto list = [&](const std::map<std::string, int>& counts, const std::string& what) {
            for (const auto& [kind, n] : counts)
                d_.diagnostics.push_back(what + ": " + std::to_string(n) + " " + kind);
        };
        list(notDrawn_, "read and not drawn");
        list(damaged_, "skipped as damaged");
        list(partlyRead_, "read in part (fields unknown to this reader left out)");
        list(stray_, "skipped outside any polyline, insert or block");
        list(erased_, "skipped as erased");
        nonFinite_.report(d_.diagnostics);
        if (badReferences_ > 0)
            d_.diagnostics.push_back(std::to_string(badReferences_) +
                                     " references to layers or blocks outside their tables");
    }

    std::span<const std::uint8_t> file_;
    NonFiniteEntities nonFinite_;
    const FileHeader& header_;
    const Tables& tables_;
    const TextDecoder& decode_;
    Drawing& d_;
    ExtendedDataNames names_;
    std::vector<std::uint32_t> blockOfTable_;
    std::unordered_map<std::uint32_t, std::uint32_t> blockAtAddress_;
    std::vector<std::size_t> blockStarts_; // block section offsets, in order
    bool inBlocks_ = false;
    bool extraReached_ = false;
    std::uint64_t bytesDone_ = 0, bytesTotal_ = 0;
    std::uint32_t target_ = kModel;
    std::optional<Entity> polyline_, insert_;
    bool polylinePaper_ = false, insertPaper_ = false;
    std::uint32_t paperSpace_ = kNoIndex;
    std::uint8_t polylineFlags_ = 0;
    double startWidth_ = 0, endWidth_ = 0, polylineElevation_ = 0;
    std::vector<VertexRecord> vertices_;
    std::map<std::string, int> notDrawn_, damaged_, partlyRead_, stray_, erased_;
    int badReferences_ = 0;
};

} // namespace

void readEntitySections(std::span<const std::uint8_t> file, const FileHeader& header,
                        const Tables& tables, const TextDecoder& decode, Drawing& drawing) {
    Assembler(file, header, tables, decode, drawing).run();
}

} // namespace vexor::cad::dwg::r12
