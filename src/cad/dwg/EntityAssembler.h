#pragma once

#include "../model/Drawing.h"
#include "EntityParsers.h"
#include "ObjectStore.h"
#include "TableLoader.h"
#include "TextDecoder.h"

#include <cstdint>
#include <map>
#include <string>

namespace vexor::cad::dwg {

// Reads every entity in object map order and puts it where its owner says: model space or a
// block definition. Vertices and attributes are gathered into their polyline or insert.
class EntityAssembler {
public:
    EntityAssembler(const ObjectStore& store, const TableIndex& tables, const TextDecoder& decode,
                    Drawing& drawing);

    void run();

private:
    // Where an entity goes: model space, a block, or nowhere (paper space, sub-entities).
    std::vector<Entity>* destination(const EntityPreamble& p);
    void readEntity(ObjectFrame& f, const TypeInfo& info);
    static bool isTopLevel(const TypeInfo& info);
    EntityCommon commonOf(const ParsedEntity& e, std::uint64_t handle) const;
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
    std::size_t childBudget_; // vertex and attribute visits left; stops cycles
    std::size_t damaged_ = 0;
    std::map<std::string, std::size_t> notDrawn_; // entity name -> count
};

} // namespace vexor::cad::dwg
