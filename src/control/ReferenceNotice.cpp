#include "ReferenceNotice.h"

#include <vector>

namespace vexor::control {

std::string missingReferencesNotice(const cad::Drawing& drawing) {
    constexpr std::size_t kNamesShown = 4;
    std::vector<const cad::ExternalReference*> missing;
    for (const cad::ExternalReference& ref : drawing.references)
        if (!ref.found)
            missing.push_back(&ref);
    if (missing.empty())
        return {};
    if (missing.size() == 1)
        return "reference " + missing.front()->name + " not found: " + missing.front()->path;
    std::string text = std::to_string(missing.size()) + " references not found: ";
    for (std::size_t i = 0; i < missing.size() && i < kNamesShown; ++i)
        text += (i ? ", " : "") + missing[i]->name;
    if (missing.size() > kNamesShown)
        text += ", ...";
    return text;
}

} // namespace vexor::control
