#pragma once

#include "../model/Drawing.h"
#include "../model/MultiLeader.h"
#include "ObjectStore.h"
#include "TableLoader.h"
#include "TextDecoder.h"

namespace vexor::cad::dwg {

// Turns the references a multileader or its style makes (block records, text styles,
// linetypes) into the model's names and indexes. Read-only: safe on every reading thread.
class MultiLeaderReferences {
public:
    MultiLeaderReferences(const TableIndex& tables, const Drawing& drawing)
        : tables_(tables), lookup_(tables, drawing) {}
    std::string blockName(std::uint64_t handle) const;
    std::uint32_t textStyle(std::uint64_t handle) const { return lookup_.textStyle(handle); }
    std::int32_t linetype(std::uint64_t handle) const;

private:
    const TableIndex& tables_;
    TableHandleLookup lookup_;
};

// A MULTILEADER entity's data after its preamble: the context data (leader roots with their
// lines, the text or block content as laid out) and the entity's own values with the flags
// saying which replace its style's. Throws DwgFormatError.
MultiLeader parseMultiLeader(ObjectFrame& f, const TextDecoder& decode,
                             const MultiLeaderReferences& refs);

// Reads the MLEADERSTYLE objects into drawing.multiLeaderStyles (found by handle). Drawings
// without the class cost one look at the classes; a damaged object is reported and skipped.
void readMultiLeaderStyles(const ObjectStore& store, const TextDecoder& decode,
                           const MultiLeaderReferences& refs, Drawing& drawing);

} // namespace vexor::cad::dwg
