#pragma once

#include <string>

namespace vexor::cad {

// One layer of a file's layer table, as the program lists it before a drawing is loaded;
// state 0 shown, 1 off or frozen.
struct LayerTableEntry {
    std::string name;
    int state = 0;
};

} // namespace vexor::cad
