// REGION, 3DSOLID, BODY and surfaces (their modeler data) and MESH (subdivision meshes).
#include "../acis/ModelerGeometry.h"
#include "../curves/MeshEdges.h"
#include "EntityParsers.h"

namespace vexor::cad::dwg {
namespace {

// Modeler data comes in blocks, each a length and that many bytes, up to a zero length.
constexpr int kMaxModelerBlocks = 1 << 16;

} // namespace

void parseModelerGeometry(ObjectFrame& f, ParsedEntity& out, const char* dxfName) {
    BitReader& r = f.data;
    const std::string name(dxfName);
    if (f.version >= DwgVersion::R2013) {
        out.data = Wireframe{acis::wireframeNotDrawn(
            name, "its modeler data is kept in the drawing's data storage, which is not read")};
        return;
    }
    if (r.bit()) { // empty
        out.data = Wireframe{acis::wireframeNotDrawn(name, "no modeler data")};
        return;
    }
    r.bit();
    const std::int16_t format = r.bitShort();
    std::string data;
    if (format == 2) {
        // Binary data follows as it is, without block sizes; its end marker tells where it
        // stops, so the rest of the object is handed over.
        data.resize(r.remainingBits() / 8);
        for (char& c : data)
            c = static_cast<char>(r.rawChar());
        out.data = Wireframe{acis::wireframeFromModelerData(name, data)};
        return;
    }
    if (format != 1) {
        out.data = Wireframe{acis::wireframeNotDrawn(name, "modeler data of an unknown format")};
        return;
    }
    for (int block = 0; block < kMaxModelerBlocks; ++block) {
        const std::int32_t size = r.bitLong();
        if (size <= 0)
            break;
        const std::size_t n = checkedCount(r, size, 8);
        const std::size_t at = data.size();
        data.resize(at + n);
        for (std::size_t i = 0; i < n; ++i)
            data[at + i] = static_cast<char>(r.rawChar());
    }
    out.data = Wireframe{acis::wireframeFromModelerData(name, data)};
}

void parseSubDMesh(ObjectFrame& f, ParsedEntity& out) {
    BitReader& r = f.data;
    r.bitShort(); // version
    r.bit();      // blend crease
    r.bitLong();  // subdivision level
    std::vector<Vec3> vertices(checkedCount(r, r.bitLong(), 6));
    for (Vec3& v : vertices)
        v = r.point3();
    std::vector<std::int64_t> faces(checkedCount(r, r.bitLong(), 2));
    for (std::int64_t& i : faces)
        i = r.bitLong();
    std::size_t damaged = 0;
    auto w = std::make_shared<WireframeData>();
    w->typeName = "MESH";
    w->curves = meshEdges(vertices, faces, damaged);
    if (damaged > 0)
        w->incomplete = "drawn in part: faces with damaged vertex lists are left out";
    out.data = Wireframe{std::move(w)};
}

} // namespace vexor::cad::dwg
