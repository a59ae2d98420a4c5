#include "ModelerGeometry.h"

#include "SabReader.h"

namespace vexor::cad::acis {

std::shared_ptr<const WireframeData> wireframeNotDrawn(std::string typeName, std::string reason) {
    auto w = std::make_shared<WireframeData>();
    w->typeName = std::move(typeName);
    w->incomplete = "not drawn: " + std::move(reason);
    return w;
}

std::shared_ptr<const WireframeData> wireframeFromModelerData(std::string typeName,
                                                              std::string_view data) {
    if (data.find_first_not_of(" \t\r\n") == std::string_view::npos)
        return wireframeNotDrawn(std::move(typeName), "no modeler data");
    SatEdges edges = isBinarySat(data)       ? readSabEdges(data)
                     : satLooksEncoded(data) ? readSatEdges(decodeSatCharacters(data))
                                             : readSatEdges(data);
    auto w = std::make_shared<WireframeData>();
    w->typeName = std::move(typeName);
    w->curves = std::move(edges.curves);
    if (!edges.problem.empty())
        w->incomplete = "not drawn: " + edges.problem;
    else if (edges.edges == 0)
        w->incomplete = "not drawn: its modeler data has no edges";
    else if (!edges.damage.empty())
        w->incomplete = "drawn in part: " + edges.damage;
    else if (edges.unreadable > 0)
        w->incomplete = "drawn in part: edges with damaged vertices are left out";
    else if (edges.approximated > 0)
        w->incomplete = "drawn in part: curved edges of kinds not read are drawn as straight lines";
    return w;
}

bool isModelerGeometryName(std::string_view t) {
    return t == "REGION" || t == "3DSOLID" || t == "BODY" || t.ends_with("SURFACE");
}

} // namespace vexor::cad::acis
