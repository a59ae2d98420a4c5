#include "SolidRecords.h"

#include "../acis/ModelerGeometry.h"
#include "../curves/MeshEdges.h"
#include "ChunkBytes.h"

#include <algorithm>

namespace vexor::cad::dxf {
namespace {

// Counts beyond this in a mesh are damage rather than geometry.
constexpr std::int64_t kMaxMeshCount = 1 << 24;

} // namespace

Wireframe readModelerGeometry(const EntityRecord& r) {
    // Each group 1 is a line of SAT text; groups 3 continue a line too long for one group.
    std::string text;
    // Binary data comes as a run of 310 groups; one after a size (92, 160) is proxy graphics.
    std::size_t binaryFrom = 0, binaryTo = 0;
    bool proxyRun = false;
    for (std::size_t i = 0; i < r.groups.size(); ++i) {
        const Group& g = r.groups[i];
        if (g.code == 1) {
            if (!text.empty())
                text += '\n';
            text += g.text;
        } else if (g.code == 3) {
            text += g.text;
        } else if (g.code == 310) {
            if (i == 0 || r.groups[i - 1].code != 310)
                proxyRun = i > 0 && (r.groups[i - 1].code == 92 || r.groups[i - 1].code == 160);
            if (!proxyRun && (binaryTo == 0 || binaryTo == i)) {
                binaryFrom = binaryTo == 0 ? i : binaryFrom;
                binaryTo = i + 1;
            }
        }
    }
    const std::string name(r.type);
    if (text.empty() && binaryTo > 0) {
        const auto bytes = chunkBytes(r.groups.subspan(binaryFrom, binaryTo - binaryFrom));
        return {acis::wireframeFromModelerData(
            name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()))};
    }
    if (text.empty())
        return {acis::wireframeNotDrawn(name, "its modeler data is stored apart from the entity")};
    return {acis::wireframeFromModelerData(name, text)};
}

Wireframe readSubDMesh(const EntityRecord& r) {
    // Groups before the subclass marker belong to the entity (proxy graphics use 92 too).
    std::span<const Group> groups = r.groups;
    const auto marker = std::find_if(groups.begin(), groups.end(),
                                     [](const Group& g) { return g.is(100, "AcDbSubDMesh"); });
    if (marker != groups.end())
        groups = groups.subspan(static_cast<std::size_t>(marker - groups.begin()) + 1);

    std::vector<Vec3> vertices;
    std::vector<std::int64_t> faces;
    std::int64_t vertexCount = 0, faceEntries = 0;
    bool inFaces = false, damaged = false;
    for (const Group& g : groups) {
        switch (g.code) {
        case 92:
            vertexCount = g.asInt();
            if (vertexCount < 0 || vertexCount > kMaxMeshCount)
                damaged = true, vertexCount = 0;
            vertices.reserve(static_cast<std::size_t>(vertexCount));
            inFaces = false;
            break;
        case 10:
            if (static_cast<std::int64_t>(vertices.size()) < vertexCount)
                vertices.push_back({g.asDouble(), 0, 0});
            break;
        case 20:
            if (!vertices.empty())
                vertices.back().y = g.asDouble();
            break;
        case 30:
            if (!vertices.empty())
                vertices.back().z = g.asDouble();
            break;
        case 93:
            faceEntries = g.asInt();
            if (faceEntries < 0 || faceEntries > kMaxMeshCount)
                damaged = true, faceEntries = 0;
            inFaces = true;
            break;
        case 90:
            if (inFaces && static_cast<std::int64_t>(faces.size()) < faceEntries)
                faces.push_back(g.asInt(-1));
            break;
        case 94:
        case 95:
            inFaces = false;
            break;
        }
    }
    std::size_t bad = 0;
    auto w = std::make_shared<WireframeData>();
    w->typeName = "MESH";
    w->curves = meshEdges(vertices, faces, bad);
    if (damaged || bad > 0 || static_cast<std::int64_t>(vertices.size()) < vertexCount)
        w->incomplete = "drawn in part: faces with damaged vertex lists are left out";
    return {std::move(w)};
}

} // namespace vexor::cad::dxf
