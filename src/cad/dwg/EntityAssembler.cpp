#include "EntityAssembler.h"

#include "../io/HugePages.h"
#include "../io/LoadBudget.h"
#include "../io/ParallelLoad.h"
#include "LayoutObjects.h"
#include "MultiLeaderObjects.h"
#include "ObjectTypes.h"
#include "TableRecords.h"

#include <cctype>
#include <string_view>

namespace vexor::cad::dwg {
namespace {

constexpr std::size_t kMaxDamageMessages = 8;
// Marks an object whose type number could not be read in the first pass.
constexpr std::uint16_t kUnreadableType = 0xFFFF;
// Objects read between two placings, and handed to a thread at a time: a batch bounds the
// entities held twice, a chunk the cost of handing out work.
constexpr std::size_t kBatchObjects = 16384;
constexpr std::size_t kChunkObjects = 256;

bool isPaperSpaceName(std::string_view name) {
    constexpr std::string_view prefix = "*paper_space";
    if (name.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(name[i])) != prefix[i])
            return false;
    return true;
}

bool isVertexType(std::uint16_t type) {
    return type >= kTypeVertex2d && type <= kTypeVertexPfaceFace;
}

// Appends to an entity list. Growing it moves every entity read so far, the longest stretch of
// the read without a checkpoint: the new storage is claimed and the load checked first.
void appendEntity(std::vector<Entity>& to, Entity&& entity) {
    if (to.size() == to.capacity()) {
        const std::size_t grown = std::max<std::size_t>(2 * to.capacity(), 16);
        claimLoadMemory(grown, sizeof(Entity));
        loadCheckpoint();
        reserveLarge(to, grown);
    }
    to.push_back(std::move(entity));
}

} // namespace

EntityAssembler::EntityAssembler(const ObjectStore& store, const TableIndex& tables,
                                 const TextDecoder& decode, Drawing& drawing)
    : store_(store), tables_(tables), decode_(decode), drawing_(drawing),
      childBudget_(store.map().size()) {}

std::uint32_t EntityAssembler::layerOf(std::uint64_t handle) const {
    const auto it = tables_.layers.find(handle);
    return it != tables_.layers.end() ? it->second : defaultLayer_;
}

Color EntityAssembler::colorBookColor(std::uint64_t handle, Color nearest) {
    const std::lock_guard lock(colorBookMutex_);
    auto [it, added] = colorBook_.try_emplace(handle);
    if (added) {
        try {
            auto f = store_.open(handle);
            if (f && std::string_view(store_.typeInfo(f->type).name) == "DBCOLOR")
                it->second = parseColorBookColor(*f, decode_);
        } catch (const DwgFormatError&) {
            // The entity keeps the index colour stored with the reference.
        }
    }
    return it->second.value_or(nearest);
}

EntityCommon EntityAssembler::commonOf(const ParsedEntity& e, std::uint64_t handle) {
    const EntityPreamble& p = e.common;
    EntityCommon c;
    c.layer = layerOf(p.layer);
    c.color = p.colorBook ? colorBookColor(p.colorBook, p.color) : p.color;
    switch (p.linetypeFlags) {
    case 1:
        c.linetype = kLinetypeByBlock;
        break;
    case 2:
        c.linetype = kLinetypeContinuous;
        break;
    case 3: {
        const auto it = tables_.linetypes.find(p.linetype);
        if (it != tables_.linetypes.end())
            c.linetype = it->second;
        else if (p.linetype == tables_.linetypeByBlock)
            c.linetype = kLinetypeByBlock;
        break;
    }
    default:
        break;
    }
    c.lineweight = p.lineweight;
    c.invisible = p.invisible;
    switch (p.plotStyleFlags) {
    case 1:
        c.plotStyle = PlotStyleRef::ByBlock;
        break;
    case 2:
        c.plotStyle = PlotStyleRef::Default;
        break;
    case 3:
        if (p.plotStyle != 0) {
            c.plotStyle = PlotStyleRef::Named;
            const std::lock_guard lock(plotStyleMutex_);
            entityPlotStyles_.emplace_back(handle, p.plotStyle);
        }
        break;
    default:
        break;
    }
    c.linetypeScale = p.linetypeScale;
    c.setThickness(e.thickness);
    c.setExtrusion(e.extrusion);
    c.handle = handle;
    return c;
}

std::vector<Entity>* EntityAssembler::ownerEntities(std::uint64_t owner) {
    if (owner == tables_.modelSpace)
        return &drawing_.modelSpace;
    const auto it = tables_.blocks.find(owner);
    return it != tables_.blocks.end() ? &drawing_.blocks[it->second].entities : nullptr;
}

std::vector<Entity>* EntityAssembler::destination(const EntityPreamble& p) {
    if (p.entMode > 2)
        return nullptr;
    // Mode 1: the paper space of the active layout; other layouts' blocks own theirs.
    const std::uint64_t owner = p.entMode == 2   ? tables_.modelSpace
                                : p.entMode == 1 ? tables_.paperSpace
                                                 : p.owner;
    if (hasList(owner))
        return nullptr;
    return ownerEntities(owner);
}

template <class Visit> void EntityAssembler::walkChildren(const ParsedEntity& e, Visit visit) {
    auto visitOne = [&](std::uint64_t handle, EntityPreamble* preamble) {
        std::size_t left = childBudget_.load(std::memory_order_relaxed);
        do {
            if (left == 0)
                return false;
        } while (!childBudget_.compare_exchange_weak(left, left - 1, std::memory_order_relaxed));
        auto f = store_.open(handle);
        if (!f)
            return false;
        if (!store_.typeInfo(f->type).isEntity)
            return false;
        *preamble = readEntityPreamble(*f);
        return visit(*f, *preamble);
    };
    EntityPreamble p;
    if (!e.children.empty()) {
        for (std::uint64_t h : e.children)
            if (!visitOne(h, &p))
                return;
        return;
    }
    for (std::uint64_t h = e.firstChild; h != 0;) {
        if (!visitOne(h, &p) || h == e.lastChild)
            return;
        h = p.next;
    }
}

void EntityAssembler::gatherVertices(ParsedEntity& e, Polyline& poly) {
    walkChildren(e, [&](ObjectFrame& f, const EntityPreamble&) {
        if (!isVertexType(f.type))
            return false;
        const ParsedVertex v = parseVertex(f);
        if (v.isFace) {
            poly.faces.insert(poly.faces.end(), v.face, v.face + 4);
            return true;
        }
        // Frame control points of splined polylines are not part of the curve.
        if (v.flags & 16)
            return true;
        PolyVertex pv = v.vertex;
        if (poly.kind == Polyline::Kind::Poly2d) {
            pv.p.z = e.elevation;
            if (pv.startWidth == 0 && pv.endWidth == 0) {
                pv.startWidth = e.defaultStartWidth;
                pv.endWidth = e.defaultEndWidth;
            }
        }
        poly.vertices.push_back(pv);
        return true;
    });
}

void EntityAssembler::gatherAttributes(ParsedEntity& e, Insert& insert) {
    walkChildren(e, [&](ObjectFrame& f, const EntityPreamble& p) {
        if (f.type != kTypeAttrib)
            return false;
        ParsedEntity attribute;
        attribute.common = p;
        parseEntityData(EntityKind::Attrib, f, decode_, attribute, "ATTRIB");
        AttributeEntity a;
        a.common = commonOf(attribute, f.handle);
        a.text = dataOf<Text>(std::move(attribute.data));
        const auto style = tables_.textStyles.find(attribute.styleHandle);
        if (style != tables_.textStyles.end())
            a.text.style = style->second;
        insert.attributes.push_back(std::move(a));
        return true;
    });
}

void EntityAssembler::readEntity(ObjectFrame& f, const TypeInfo& info, std::vector<Entity>* target,
                                 ReadObject& out) {
    loadCheckpoint();
    ParsedEntity e;
    e.common = readEntityPreamble(f, info.kind == EntityKind::Other);
    if (!target)
        target = destination(e.common);
    if (!target)
        return;
    out.target = target;
    if (f.type == kTypeViewport) {
        // Placed in order with the entities; read again then, being rare.
        out.outcome = ReadObject::Outcome::Viewport;
        return;
    }
    if (info.kind == EntityKind::MultiLeader)
        e.data = parseMultiLeader(f, decode_, MultiLeaderReferences(tables_, drawing_));
    else
        parseEntityData(info.kind, f, decode_, e, info.name);
    if (auto* poly = dataIf<Polyline>(&e.data); poly && poly->kind != Polyline::Kind::Light)
        gatherVertices(e, *poly);
    if (auto* insert = dataIf<Insert>(&e.data)) {
        gatherAttributes(e, *insert);
        const auto b = tables_.blocks.find(e.blockHandle);
        insert->block = b != tables_.blocks.end() ? b->second : kNoIndex;
    }
    if (auto* dim = dataIf<Dimension>(&e.data)) {
        const auto b = tables_.blocks.find(e.blockHandle);
        dim->block = b != tables_.blocks.end() ? b->second : kNoIndex;
        resolveDimensionStyle(f, e.styleHandle, *dim);
        e.styleHandle = 0;
    }
    if (e.styleHandle) {
        const auto s = tables_.textStyles.find(e.styleHandle);
        const std::uint32_t style = s != tables_.textStyles.end() ? s->second : kNoIndex;
        if (auto* text = dataIf<Text>(&e.data))
            text->style = style;
        else if (auto* mtext = dataIf<MText>(&e.data))
            mtext->style = style;
        else if (auto* shape = dataIf<Shape>(&e.data))
            shape->style = style;
    }
    if (auto* mtext = dataIf<MText>(&e.data); mtext && f.version < DwgVersion::R2018)
        mtext->columns = mtextColumnsFromXdata(extendedData(f)); // kept there before R2018
    EntityCommon common = commonOf(e, f.handle);
    if (f.type == kTypeOle2Frame)
        e.data = oleFrame(f, common);
    else if (!e.common.graphics.empty() && holds<Unsupported>(e.data))
        if (auto standIn = proxyGraphics(e.common.graphics, info.name, common))
            e.data = std::move(*standIn);
    out.notDrawn = holds<Unsupported>(e.data);
    out.entity = Entity{common, std::move(e.data)};
    out.outcome = ReadObject::Outcome::Entity;
}

bool EntityAssembler::parseObject(const Pending& pending, std::vector<Entity>* target,
                                  ReadObject& out) {
    out = ReadObject{};
    out.entry = pending.entry;
    bool entity = false;
    try {
        const TypeInfo info = store_.typeInfo(
            pending.type == kUnreadableType ? store_.typeAt(pending.entry->offset) : pending.type);
        out.name = info.name;
        if (!isTopLevel(info))
            return false;
        ObjectFrame f = store_.openAt(pending.entry->offset);
        entity = true;
        readEntity(f, info, target, out);
    } catch (const DwgFormatError& e) {
        out.outcome = ReadObject::Outcome::Damaged;
        out.damage = e;
    }
    return entity;
}

void EntityAssembler::place(ReadObject& object) {
    switch (object.outcome) {
    case ReadObject::Outcome::Skipped:
        return;
    case ReadObject::Outcome::Damaged:
        noteDamage(object.name, object.entry->handle, *object.damage);
        return;
    case ReadObject::Outcome::Viewport:
        try {
            ObjectFrame f = store_.openAt(object.entry->offset);
            ParsedEntity e;
            e.common = readEntityPreamble(f);
            addViewport(f, e, *object.target);
        } catch (const DwgFormatError& e) {
            noteDamage(object.name, object.entry->handle, e);
        }
        return;
    case ReadObject::Outcome::Entity:
        if (!nonFinite_.admit(object.entity))
            return;
        if (object.notDrawn)
            ++notDrawn_[object.name];
        appendEntity(*object.target, std::move(object.entity));
        return;
    }
}

template <class PendingAt>
void EntityAssembler::readObjects(std::size_t count, PendingAt pendingAt,
                                  std::vector<Entity>* target) {
    std::vector<ReadObject> batch;
    for (std::size_t start = 0; start < count; start += kBatchObjects) {
        batch.resize(std::min(kBatchObjects, count - start));
        forEachChunkInParallel(batch.size(), kChunkObjects, [&](std::size_t b, std::size_t e) {
            // Progress is counted per chunk: the count is shared by the threads.
            std::uint64_t entities = 0;
            for (std::size_t i = b; i < e; ++i) {
                const std::optional<Pending> pending = pendingAt(start + i);
                if (pending)
                    entities += parseObject(*pending, target, batch[i]) ? 1 : 0;
                else
                    batch[i] = ReadObject{};
            }
            addLoadWork(entities);
        });
        for (ReadObject& object : batch)
            place(object);
    }
}

void EntityAssembler::addViewport(ObjectFrame& f, const ParsedEntity& e,
                                  const std::vector<Entity>& owner) {
    Block* block = nullptr;
    for (Block& candidate : drawing_.blocks)
        if (&candidate.entities == &owner)
            block = &candidate;
    // A viewport in model space or a plain block would show model space inside itself.
    if (!block || !isPaperSpaceName(block->name)) {
        ++notDrawn_["VIEWPORT (outside any layout)"];
        return;
    }
    Viewport viewport = parseViewport(f);
    // R13 and R14 keep the view in the ACAD extended data.
    if (f.version < DwgVersion::R2000 && !readViewportView(extendedData(f), viewport))
        ++notDrawn_["VIEWPORT (view not stored)"];
    const EntityCommon common = commonOf(e, f.handle);
    viewport.handle = f.handle;
    viewport.layer = common.layer;
    viewport.color = common.color;
    block->viewports.push_back(std::move(viewport));
}

void EntityAssembler::resolveDimensionStyle(const ObjectFrame& f, std::uint64_t styleHandle,
                                            Dimension& dim) {
    const auto s = tables_.dimStyles.find(styleHandle);
    dim.style = s != tables_.dimStyles.end() ? s->second : drawing_.findDimStyle("STANDARD");
    if (!dim.definition)
        return;
    const DimStyle base =
        dim.style < drawing_.dimStyles.size() ? drawing_.dimStyles[dim.style] : DimStyle{};
    // The definition is read-only once made: it is rebuilt with the overrides.
    DimensionDefinition def = *dim.definition;
    def.style = dimStyleOverrides(extendedData(f), base, TableHandleLookup(tables_, drawing_));
    dim.definition = std::make_unique<DimensionDefinition>(std::move(def));
}

ExtendedData EntityAssembler::extendedData(const ObjectFrame& f) {
    // Entities are read on several threads: the names found so far are shared under a lock.
    const auto applicationName = [this](std::uint64_t handle) -> std::string {
        {
            const std::lock_guard lock(applicationNamesMutex_);
            const auto known = applicationNames_.find(handle);
            if (known != applicationNames_.end())
                return known->second;
        }
        std::string name = readApplicationName(store_, decode_, handle);
        const std::lock_guard lock(applicationNamesMutex_);
        return applicationNames_.emplace(handle, std::move(name)).first->second;
    };
    try {
        return readExtendedData(f, decode_, applicationName);
    } catch (const DwgFormatError& e) {
        noteDamage("extended data", f.handle, e);
        return {};
    }
}

void EntityAssembler::noteDamage(const char* name, std::uint64_t handle, const DwgFormatError& e) {
    // Also from the threads reading entities (their extended data).
    const std::lock_guard lock(damageMutex_);
    if (damaged_++ >= kMaxDamageMessages)
        return;
    std::string message = std::string("skipped damaged ") + (*name ? name : "object") +
                          " (handle " + std::to_string(handle) + ")";
    message += " at byte " + std::to_string(e.byteOffset()) + " bit " + std::to_string(e.bit());
    if (store_.version() >= DwgVersion::R2004)
        message += " of the decompressed objects";
    drawing_.diagnostics.push_back(message + ": " + e.what());
}

void EntityAssembler::summarize() {
    nonFinite_.report(drawing_.diagnostics);
    if (damaged_ > kMaxDamageMessages)
        drawing_.diagnostics.push_back("skipped " + std::to_string(damaged_) +
                                       " damaged objects in all");
    for (const auto& [name, count] : notDrawn_)
        drawing_.diagnostics.push_back("read " + std::to_string(count) + " " + name +
                                       " entities that are not drawn");
}

bool EntityAssembler::isTopLevel(const TypeInfo& info) {
    if (!info.isEntity)
        return false;
    switch (info.kind) {
    case EntityKind::Vertex:
    case EntityKind::SeqEnd:
    case EntityKind::Block:
    case EntityKind::EndBlock:
    case EntityKind::Attrib:
        return false; // read with their owners, or markers only
    default:
        return true;
    }
}

bool EntityAssembler::everyOwnerHasList() const {
    if (!hasList(tables_.modelSpace))
        return false;
    for (const auto& [header, block] : tables_.blocks)
        if (!hasList(header))
            return false;
    return true;
}

void EntityAssembler::readListedEntities() {
    const ObjectMap::Entry* first = store_.map().entries().data();
    std::vector<const ObjectMap::Entry*> listed;
    for (const auto& [owner, handles] : tables_.ownedEntities) {
        std::vector<Entity>* target = ownerEntities(owner);
        if (!target)
            continue; // paper space
        // Each object is read once, however often the lists name it.
        listed.clear();
        for (const std::uint64_t handle : handles) {
            const ObjectMap::Entry* entry = store_.map().find(handle);
            if (entry && !read_[static_cast<std::size_t>(entry - first)]) {
                read_[static_cast<std::size_t>(entry - first)] = true;
                listed.push_back(entry);
            }
        }
        claimLoadMemory(target->size() + listed.size(), sizeof(Entity));
        reserveLarge(*target, target->size() + listed.size());
        readObjects(
            listed.size(),
            [&](std::size_t i) {
                return std::optional<Pending>({listed[i], kUnreadableType});
            },
            target);
    }
}

void EntityAssembler::scanObjectMap() {
    const auto& entries = store_.map().entries();
    // A first pass over the type numbers bounds the model space's size: reserving it up front
    // avoids moving every entity when the list grows, and the pages of a reserve that blocks
    // end up not needing are never touched.
    std::vector<std::uint16_t> types(entries.size(), kUnreadableType);
    std::atomic<std::size_t> topLevel{0};
    forEachChunkInParallel(entries.size(), kBatchObjects, [&](std::size_t b, std::size_t e) {
        std::size_t found = 0;
        for (std::size_t i = b; i < e; ++i) {
            loadCheckpoint();
            try {
                types[i] = store_.typeAt(entries[i].offset);
                found += isTopLevel(store_.typeInfo(types[i])) ? 1 : 0;
            } catch (const DwgFormatError&) {
            }
        }
        topLevel.fetch_add(found, std::memory_order_relaxed);
        addLoadWork(e - b);
    });
    if (!hasList(tables_.modelSpace)) {
        claimLoadMemory(topLevel.load(), sizeof(Entity));
        reserveLarge(drawing_.modelSpace, topLevel.load());
    }
    // Objects of other types are left out here; unreadable types are tried again, to be noted
    // as damage in their place.
    readObjects(
        entries.size(),
        [&](std::size_t i) -> std::optional<Pending> {
            if (read_[i] || (types[i] != kUnreadableType && !isTopLevel(store_.typeInfo(types[i]))))
                return std::nullopt;
            return Pending{&entries[i], types[i]};
        },
        nullptr);
}

void EntityAssembler::run() {
    defaultLayer_ = drawing_.layerIndex("0");
    read_.assign(store_.map().size(), false);
    expectLoadWork(store_.map().size() * (everyOwnerHasList() ? 1 : 2)); // a scan passes twice
    readListedEntities();
    if (!everyOwnerHasList())
        scanObjectMap();
    summarize();
}

} // namespace vexor::cad::dwg
