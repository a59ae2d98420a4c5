#pragma once

#include "cad/geometry/DisplayList.h"
#include "cad/model/Drawing.h"
#include "cad/query/TextSearch.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace vexor::control {

// A drawing as the control holds it once read: the model's layers and header and its compiled
// display list (the entities themselves live on only in the display list), with the frame of the
// whole drawing. Immutable, so that the main view, the overview and the printer can share it.
class DrawingDocument {
public:
    explicit DrawingDocument(cad::Drawing drawing);

    const cad::Drawing& drawing() const { return drawing_; }
    const cad::DisplayList& displayList() const { return *displayList_; }
    // Every text the drawing shows, gathered before the entities were let go.
    const std::vector<cad::SearchableText>& texts() const { return texts_; }
    // What is drawn, or the header's extents when nothing is; empty for an empty drawing.
    const cad::Box2& extents() const { return extents_; }
    // Index of the layer with exactly this name, or -1.
    int layerIndex(const std::string& name) const;
    // Layers off or frozen in the file, by layer index (1 = hidden).
    std::vector<char> initiallyHiddenLayers() const;

private:
    cad::Drawing drawing_;
    std::vector<cad::SearchableText> texts_; // gathered before the compile releases entities
    std::shared_ptr<const cad::DisplayList> displayList_;
    cad::Box2 extents_;
    std::unordered_map<std::string, int> layerByName_;
};

} // namespace vexor::control
