#pragma once

#include "../model/Drawing.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vexor::cad {

// One item of an entity's extended data, as both DXF (groups 1000 to 1071) and DWG (typed
// items) store it. `code` is the DXF group code; points (1010 to 1013) are one item.
struct XdataItem {
    int code = 0;
    std::string text;         // 1000 strings, 1001 application names, 1002 "{" or "}",
                              // 1003 layer names (DXF)
    double number = 0;        // 1040 to 1042, 1070, 1071
    Vec3 point;               // 1010 to 1013
    std::uint64_t handle = 0; // 1005 handles, 1003 layers given by handle (DWG)
};
using ExtendedData = std::vector<XdataItem>;

// The items of a named list in an application's extended data: for the application "ACAD"
// and the name "MVIEW" the items between the "{" that follows 1000 "MVIEW" and its matching
// "}" (nested lists included). Empty when there is none.
std::span<const XdataItem> xdataList(const ExtendedData& xdata, std::string_view application,
                                     std::string_view name);

// The TrueType family a text style names in its "ACAD" extended data (1000 the family, 1071
// flags with the slant in bit 24 and the weight in bit 25), set into the style; nothing when
// the data names none.
void readStyleFamily(const ExtendedData& xdata, TextStyle& style);

// Multi-line text columns as files before R2018 keep them: in the "ACAD" extended data between
// 1000 "ACAD_MTEXT_COLUMN_INFO_BEGIN" and "..._END". Null when there are none.
std::shared_ptr<const MTextColumns> mtextColumnsFromXdata(const ExtendedData& xdata);
// Sets one column property, named by its DXF group code: 75 type, 76 count, 78 flow reversed,
// 79 auto height, 48 width, 49 gutter, 46 or 50 the next column's height.
void setMTextColumnProperty(MTextColumns& columns, int code, double value);

// Looks up what dimension variables name by handle: arrowhead block records and text styles.
class DimHandleLookup {
public:
    virtual ~DimHandleLookup() = default;
    // The name of a block record, null when the handle is not known.
    virtual const std::string* blockName(std::uint64_t handle) const = 0;
    // The index of a text style, kNoIndex when the handle is not known.
    virtual std::uint32_t textStyle(std::uint64_t handle) const = 0;
};

// The value of one dimension variable as a file stores it.
struct DimValue {
    bool hasNumber = false; // false: a number was expected and not found; the variable stays
    double number = 0;
    std::string text;           // UTF-8
    std::uint64_t handle = 0;   // DIMTXSTY and DIMBLK/1/2 given by handle
    std::optional<Color> color; // colours given whole (true colours from R2004 DWG)
};

// Sets the dimension variable a DXF group code names (the codes of DIMSTYLE table entries,
// which the per-entity overrides in extended data reuse). Arrowhead blocks given by handle are
// looked up; false when such a handle is not known yet, so that the caller can look again
// later. Unknown codes are ignored.
bool applyDimVariable(DimStyle& style, int code, const DimValue& value,
                      const DimHandleLookup& lookup);

// The overrides a dimension carries in its ACAD extended data ("DSTYLE" followed by a braced
// list of code and value pairs) applied to a copy of `base`; null when there are none.
std::shared_ptr<const DimStyle> dimStyleOverrides(const ExtendedData& xdata, const DimStyle& base,
                                                  const DimHandleLookup& lookup);

// Releases before R2000 keep a viewport's model-space view in its ACAD extended data
// ("MVIEW"): view target and direction, twist, view height and centre, and the layers frozen
// in it (by name in DXF, by handle in DWG). Returns false when the data holds no view.
bool readViewportView(const ExtendedData& xdata, Viewport& viewport);

} // namespace vexor::cad
