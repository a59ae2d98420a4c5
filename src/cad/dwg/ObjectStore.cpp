#include "ObjectStore.h"

#include "../io/LoadBudget.h"
#include "ObjectTypes.h"

#include <string_view>

namespace vexor::cad::dwg {
namespace {

constexpr std::int32_t kMaxClassNumber = 500 + 4096;

TypeInfo entity(EntityKind kind, const char* name) {
    return {true, kind, name};
}

TypeInfo fixedType(std::uint16_t type) {
    switch (type) {
    case kTypeText:
        return entity(EntityKind::Text, "TEXT");
    case kTypeAttrib:
        return entity(EntityKind::Attrib, "ATTRIB");
    case kTypeAttdef:
        return entity(EntityKind::Attdef, "ATTDEF");
    case kTypeBlock:
        return entity(EntityKind::Block, "BLOCK");
    case kTypeEndBlock:
        return entity(EntityKind::EndBlock, "ENDBLK");
    case kTypeSeqEnd:
        return entity(EntityKind::SeqEnd, "SEQEND");
    case kTypeInsert:
        return entity(EntityKind::Insert, "INSERT");
    case kTypeMInsert:
        return entity(EntityKind::MInsert, "INSERT");
    case kTypeVertex2d:
    case kTypeVertex3d:
    case kTypeVertexMesh:
    case kTypeVertexPface:
    case kTypeVertexPfaceFace:
        return entity(EntityKind::Vertex, "VERTEX");
    case kTypePolyline2d:
        return entity(EntityKind::Polyline2d, "POLYLINE");
    case kTypePolyline3d:
        return entity(EntityKind::Polyline3d, "POLYLINE");
    case kTypeArc:
        return entity(EntityKind::Arc, "ARC");
    case kTypeCircle:
        return entity(EntityKind::Circle, "CIRCLE");
    case kTypeLine:
        return entity(EntityKind::Line, "LINE");
    case kTypeDimOrdinate:
    case kTypeDimLinear:
    case kTypeDimAligned:
    case kTypeDimAngular3Pt:
    case kTypeDimAngular2Ln:
    case kTypeDimRadius:
    case kTypeDimDiameter:
        return entity(EntityKind::Dimension, "DIMENSION");
    case kTypePoint:
        return entity(EntityKind::Point, "POINT");
    case kTypeFace3d:
        return entity(EntityKind::Face3d, "3DFACE");
    case kTypePolylinePface:
        return entity(EntityKind::PolyfaceMesh, "POLYLINE");
    case kTypePolylineMesh:
        return entity(EntityKind::PolygonMesh, "POLYLINE");
    case kTypeSolid:
        return entity(EntityKind::Solid, "SOLID");
    case kTypeTrace:
        return entity(EntityKind::Trace, "TRACE");
    case kTypeShape:
        return entity(EntityKind::Shape, "SHAPE");
    case kTypeViewport:
        return entity(EntityKind::Other, "VIEWPORT");
    case kTypeEllipse:
        return entity(EntityKind::Ellipse, "ELLIPSE");
    case kTypeSpline:
        return entity(EntityKind::Spline, "SPLINE");
    case kTypeRegion:
        return entity(EntityKind::ModelerGeometry, "REGION");
    case kType3dSolid:
        return entity(EntityKind::ModelerGeometry, "3DSOLID");
    case kTypeBody:
        return entity(EntityKind::ModelerGeometry, "BODY");
    case kTypeRay:
        return entity(EntityKind::Ray, "RAY");
    case kTypeXLine:
        return entity(EntityKind::XLine, "XLINE");
    case kTypeOleFrame:
        return entity(EntityKind::Other, "OLEFRAME");
    case kTypeMText:
        return entity(EntityKind::MText, "MTEXT");
    case kTypeLeader:
        return entity(EntityKind::Leader, "LEADER");
    case kTypeTolerance:
        return entity(EntityKind::Tolerance, "TOLERANCE");
    case kTypeMLine:
        return entity(EntityKind::MLine, "MLINE");
    case kTypeOle2Frame:
        return entity(EntityKind::Other, "OLE2FRAME");
    case kTypeLwPolyline:
        return entity(EntityKind::LwPolyline, "LWPOLYLINE");
    case kTypeHatch:
        return entity(EntityKind::Hatch, "HATCH");
    case kTypeProxyEntity:
        return entity(EntityKind::Other, "ACAD_PROXY_ENTITY");
    default:
        return {};
    }
}

EntityKind kindOfClass(std::string_view dxfName) {
    if (dxfName == "LWPOLYLINE")
        return EntityKind::LwPolyline;
    if (dxfName == "HATCH")
        return EntityKind::Hatch;
    if (dxfName == "MPOLYGON")
        return EntityKind::MPolygon;
    if (dxfName == "IMAGE")
        return EntityKind::Image;
    if (dxfName == "WIPEOUT")
        return EntityKind::Wipeout;
    if (dxfName == "ACAD_TABLE")
        return EntityKind::Table;
    if (dxfName == "ARC_DIMENSION" || dxfName == "LARGE_RADIAL_DIMENSION")
        return EntityKind::Dimension;
    if (dxfName == "PDFUNDERLAY")
        return EntityKind::PdfUnderlay;
    if (dxfName == "DWFUNDERLAY")
        return EntityKind::DwfUnderlay;
    if (dxfName == "DGNUNDERLAY")
        return EntityKind::DgnUnderlay;
    if (dxfName == "MULTILEADER")
        return EntityKind::MultiLeader;
    if (dxfName.ends_with("SURFACE"))
        return EntityKind::ModelerGeometry;
    if (dxfName == "MESH")
        return EntityKind::SubDMesh;
    return EntityKind::Other;
}

} // namespace

ObjectStore::ObjectStore(const DwgSections& sections, ObjectMap map, std::vector<DwgClass> classes)
    : version_(sections.version), objects_(sections.objects),
      objectsOffset_(sections.objectsOffset), map_(std::move(map)), classes_(std::move(classes)) {
    for (const DwgClass& c : classes_) {
        if (c.number < 500 || c.number >= kMaxClassNumber)
            continue;
        const auto slot = static_cast<std::size_t>(c.number - 500);
        if (classTypes_.size() <= slot)
            classTypes_.resize(slot + 1);
        classTypes_[slot] = {c.isEntity, c.isEntity ? kindOfClass(c.dxfName) : EntityKind::Other,
                             c.dxfName.c_str()};
    }
}

std::optional<ObjectFrame> ObjectStore::open(std::uint64_t handle) const {
    const ObjectMap::Entry* e = map_.find(handle);
    if (!e)
        return std::nullopt;
    return openAt(e->offset);
}

ObjectFrame ObjectStore::openAt(std::uint64_t offset) const {
    return openObject(objects_, offset, version_, objectsOffset_);
}

std::uint16_t ObjectStore::typeAt(std::uint64_t offset) const {
    return peekObjectType(objects_, offset, version_, objectsOffset_);
}

TypeInfo ObjectStore::typeInfo(std::uint16_t type) const {
    if (type < 500)
        return fixedType(type);
    const std::size_t slot = type - 500u;
    return slot < classTypes_.size() ? classTypes_[slot] : TypeInfo{};
}

void readObjectsOfClass(const ObjectStore& store, std::string_view dxfName, std::size_t limit,
                        std::vector<std::string>& diagnostics,
                        const std::function<void(ObjectFrame&)>& read) {
    constexpr std::size_t kReportedDamage = 4;
    const std::uint16_t type = store.classType(dxfName);
    if (!type)
        return;
    std::size_t readCount = 0, damaged = 0;
    for (const ObjectMap::Entry& entry : store.map().entries()) {
        if (readCount >= limit)
            return;
        try {
            if (store.typeAt(entry.offset) != type)
                continue;
            loadCheckpoint();
            ObjectFrame f = store.openAt(entry.offset);
            readObjectPreamble(f);
            read(f);
            ++readCount;
        } catch (const DwgFormatError& e) {
            if (damaged++ < kReportedDamage)
                diagnostics.push_back("skipped damaged " + std::string(dxfName) + " (handle " +
                                      std::to_string(entry.handle) + "): " + e.what());
        }
    }
}

std::uint16_t ObjectStore::classType(std::string_view dxfName) const {
    for (std::size_t slot = 0; slot < classTypes_.size(); ++slot)
        if (classTypes_[slot].name == dxfName)
            return static_cast<std::uint16_t>(500 + slot);
    return 0;
}

} // namespace vexor::cad::dwg
