#include "DisplayListCompiler.h"

namespace vexor::cad {

// The parts of the picture are ordinary entities carrying the traits they are drawn with; what
// the picture leaves out is said once per kind and reason.
void DisplayListCompiler::addStandIn(ItemList& list, const StandIn& standIn, bool inBlock) {
    if (!standIn.data)
        return;
    for (const std::string& note : standIn.data->omissions)
        countIncomplete(standIn.data->typeName, note);
    for (const Entity& part : standIn.data->entities)
        if (!part.common.invisible)
            addEntity(part, list, inBlock);
}

} // namespace vexor::cad
