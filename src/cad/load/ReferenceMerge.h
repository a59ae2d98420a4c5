#pragma once

#include "../model/Drawing.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vexor::cad {

// Where a referenced drawing landed in the drawing that references it.
struct MergedDrawing {
    std::vector<Entity> modelSpace;    // its model space, in the host's tables
    std::vector<std::uint32_t> blocks; // its block index -> the host's (kNoIndex: left out)
};

// Copies `source`, a drawing the host references under `name`, into `host`: its layers,
// linetypes, text styles, dimension, multileader and multiline styles and blocks keep their
// own definitions under the names `name|NAME`, as users know them. Its layer 0 becomes the
// host's layer 0, so that what lies on it takes the layer of the insert, as in any block; a
// `name|LAYER` record the host stores itself wins (its states are what the host's author saw).
// Objects named by handle are given handles of their own (`handleTag` in the top byte), and
// relative picture files are resolved beside the source. Paper space is left out.
MergedDrawing mergeReferencedDrawing(Drawing& host, Drawing&& source, const std::string& name,
                                     std::uint8_t handleTag);

} // namespace vexor::cad
