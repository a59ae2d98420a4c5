#pragma once

#include "cad/model/Drawing.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vexor::control {

// The items of a loaded drawing as the program reads them: one record per layer ("SECTION" =
// "L", "DESCR" = name, "ECOLOR" = colour number, negative when off, and for a layer with a
// true colour "TRUECOLOR" = "#RRGGBB"; "LSTATE" = "1" when off or frozen, else "0") and the two
// corner items "V100" and "V101" of the drawing's extents ("VX1", "VY1"). Entities are not items:
// the program walks every item for the layer colours, and that walk must stay short.
class ItemRecords {
public:
    ItemRecords() = default;
    ItemRecords(const cad::Drawing& drawing, const cad::Box2& extents);

    std::int32_t count() const { return static_cast<std::int32_t>(records_.size()); }
    // Selecting makes one record current; an unknown name or index leaves none selected.
    void select(const std::string& name);
    void selectAt(std::int32_t index);
    bool found() const { return selected_.has_value(); }
    // A value of the selected record; empty when nothing is selected or the tag is absent.
    std::string value(const std::string& tag) const;

private:
    struct Record {
        std::string name; // empty for layer records
        std::map<std::string, std::string> values;
    };

    std::vector<Record> records_;
    std::optional<std::size_t> selected_;
};

// The shortest decimal text that reads back as exactly the same double ("C" locale).
std::string formatExact(double value);

// A true colour as the item records give it: "#RRGGBB".
std::string trueColorText(std::uint32_t rgb);

// The colour number stored for a layer: its index, or for a true colour the nearest index
// (7 near white or black: that colour follows the background).
int layerColorNumber(const cad::Color& color);

} // namespace vexor::control
