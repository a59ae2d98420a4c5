#include "ExtendedData.h"

#include <algorithm>
#include <cmath>

namespace vexor::cad {

namespace {

constexpr double kMaxColumns = 1000;

bool isColumnInfo(const XdataItem& item, std::string_view marker) {
    return item.code == 1000 && item.text == marker;
}

} // namespace

void setMTextColumnProperty(MTextColumns& columns, int code, double value) {
    if (!std::isfinite(value))
        return;
    switch (code) {
    case 75:
        columns.type = static_cast<MTextColumns::Type>(std::clamp(value, 0.0, 2.0));
        break;
    case 76:
        columns.count = static_cast<std::int32_t>(std::clamp(value, 1.0, kMaxColumns));
        break;
    case 78:
        columns.flowReversed = value != 0;
        break;
    case 79:
        columns.autoHeight = value != 0;
        break;
    case 48:
        columns.width = value;
        break;
    case 49:
        columns.gutter = value;
        break;
    case 46:
    case 50:
        if (columns.heights.size() < kMaxColumns)
            columns.heights.push_back(value);
        break;
    }
}

std::shared_ptr<const MTextColumns> mtextColumnsFromXdata(const ExtendedData& xdata) {
    bool inAcad = false;
    std::size_t k = 0;
    for (; k < xdata.size(); ++k) {
        if (xdata[k].code == 1001)
            inAcad = xdata[k].text == "ACAD";
        else if (inAcad && isColumnInfo(xdata[k], "ACAD_MTEXT_COLUMN_INFO_BEGIN"))
            break;
    }
    if (k == xdata.size())
        return nullptr;
    auto columns = std::make_shared<MTextColumns>();
    // Pairs of a 1070 naming the property by its group code and its value; the heights (50)
    // are a count and that many 1040 values.
    for (++k; k + 1 < xdata.size() && xdata[k].code == 1070; k += 2) {
        const int code = static_cast<int>(xdata[k].number);
        if (code != 50) {
            setMTextColumnProperty(*columns, code, xdata[k + 1].number);
            continue;
        }
        const double count = std::clamp(xdata[k + 1].number, 0.0, kMaxColumns);
        for (int h = 0; h < count && k + 2 < xdata.size() && xdata[k + 2].code == 1040; ++h, ++k)
            setMTextColumnProperty(*columns, 50, xdata[k + 2].number);
    }
    if (columns->type == MTextColumns::Type::None)
        return nullptr;
    return columns;
}

} // namespace vexor::cad
