#pragma once

#include "../io/FiniteCoordinates.h"
#include "../model/Drawing.h"
#include "EntityParsers.h"
#include "ExtendedDataReader.h"
#include "ObjectStore.h"
#include "TableLoader.h"
#include "TextDecoder.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace vexor::cad::dwg {

// Reads the entities of model space and of the block definitions. From R2004 each block header
// lists its entities, which are read in that order; otherwise (and for blocks whose header
// could not be read) every entity in object map order goes where its owner says. Vertices and
// attributes are gathered into their polyline or insert. Objects are parsed on every core in
// batches and placed by the calling thread in the order a single thread would place them.
class EntityAssembler {
public:
    EntityAssembler(const ObjectStore& store, const TableIndex& tables, const TextDecoder& decode,
                    Drawing& drawing);

    void run();
    // The entities read with a named plot style: entity handle and the style's placeholder.
    const std::vector<std::pair<std::uint64_t, std::uint64_t>>& entityPlotStyles() const {
        return entityPlotStyles_;
    }

private:
    // Where an entity found in the object map goes: model space, a block, or nowhere (paper
    // space, sub-entities, owners whose list is read instead).
    std::vector<Entity>* destination(const EntityPreamble& p);
    std::vector<Entity>* ownerEntities(std::uint64_t owner);
    bool hasList(std::uint64_t owner) const { return tables_.ownedEntities.count(owner) != 0; }
    bool everyOwnerHasList() const;
    void readListedEntities();
    void scanObjectMap();

    // An object to read, with its type number when a first pass has read it.
    struct Pending {
        const ObjectMap::Entry* entry = nullptr;
        std::uint16_t type;
    };
    // An object as a worker thread read it, for the calling thread to place.
    struct ReadObject {
        enum class Outcome : std::uint8_t { Skipped, Entity, Viewport, Damaged };
        Outcome outcome = Outcome::Skipped;
        const char* name = ""; // type name
        bool notDrawn = false;
        const ObjectMap::Entry* entry = nullptr;
        std::vector<Entity>* target = nullptr;
        std::optional<DwgFormatError> damage;
        Entity entity;
    };
    // Reads the objects `pendingAt(i)` names for i in [0, count) (nothing: skip it) into
    // `target`, or where destination() says when that is null.
    template <class PendingAt>
    void readObjects(std::size_t count, PendingAt pendingAt, std::vector<Entity>* target);
    // Thread-safe: reads one object into `out`.
    // True when the object is an entity whose read began (the unit of the load's progress).
    bool parseObject(const Pending& pending, std::vector<Entity>* target, ReadObject& out);
    void readEntity(ObjectFrame& f, const TypeInfo& info, std::vector<Entity>* target,
                    ReadObject& out);
    // On the calling thread, in map order: puts what parseObject read where it belongs.
    void place(ReadObject& object);
    static bool isTopLevel(const TypeInfo& info);
    EntityCommon commonOf(const ParsedEntity& e, std::uint64_t handle);
    // A VIEWPORT goes to the viewports of the paper-space block whose list `owner` is.
    void addViewport(ObjectFrame& f, const ParsedEntity& e, const std::vector<Entity>& owner);
    // The dimension's style, and its own overrides from its extended data.
    void resolveDimensionStyle(const ObjectFrame& f, std::uint64_t styleHandle, Dimension& dim);
    // The object's extended data with application names resolved; empty when it is damaged.
    ExtendedData extendedData(const ObjectFrame& f);
    // The colour of a colour-book reference (a DBCOLOR object), or `nearest` when it cannot
    // be read.
    Color colorBookColor(std::uint64_t handle, Color nearest);
    // StandIns.cpp: an entity of a kind not read, drawn from its proxy graphics (nothing when
    // they draw nothing); an OLE2FRAME by its frame (Unsupported when its data has none).
    std::optional<StandIn> proxyGraphics(std::span<const std::uint8_t> graphics,
                                         const char* typeName, const EntityCommon& common) const;
    EntityData oleFrame(ObjectFrame& f, const EntityCommon& common) const;
    void gatherVertices(ParsedEntity& e, Polyline& poly);
    void gatherAttributes(ParsedEntity& e, Insert& insert);
    template <class Visit> void walkChildren(const ParsedEntity& e, Visit visit);
    std::uint32_t layerOf(std::uint64_t handle) const;
    void noteDamage(const char* name, std::uint64_t handle, const DwgFormatError& e);
    void summarize();

    const ObjectStore& store_;
    const TableIndex& tables_;
    const TextDecoder& decode_;
    Drawing& drawing_;
    std::uint32_t defaultLayer_ = 0;
    std::atomic<std::size_t> childBudget_; // vertex and attribute visits left; stops cycles
    std::size_t damaged_ = 0;
    std::mutex damageMutex_;
    std::vector<bool> read_; // by object map entry: already read from a block header's list
    std::map<std::string, std::size_t> notDrawn_; // entity name -> count
    NonFiniteEntities nonFinite_; // entities turned away for coordinates that are not numbers
    std::unordered_map<std::uint64_t, std::optional<Color>> colorBook_; // DBCOLOR handle -> colour
    std::mutex colorBookMutex_;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> entityPlotStyles_;
    std::mutex plotStyleMutex_;
    std::unordered_map<std::uint64_t, std::string> applicationNames_; // APPID handle -> name
    std::mutex applicationNamesMutex_;
};

} // namespace vexor::cad::dwg
