#include "Entities.h"

namespace vexor::cad {
namespace {

struct NameOf {
    const char* operator()(const Line&) const { return "LINE"; }
    const char* operator()(const Point&) const { return "POINT"; }
    const char* operator()(const Circle&) const { return "CIRCLE"; }
    const char* operator()(const Arc&) const { return "ARC"; }
    const char* operator()(const Ellipse&) const { return "ELLIPSE"; }
    const char* operator()(const Polyline& p) const {
        return p.kind == Polyline::Kind::Light ? "LWPOLYLINE" : "POLYLINE";
    }
    const char* operator()(const Spline&) const { return "SPLINE"; }
    const char* operator()(const Text& t) const {
        switch (t.kind) {
        case TextKind::Attribute:
            return "ATTRIB";
        case TextKind::AttributeDefinition:
            return "ATTDEF";
        default:
            return "TEXT";
        }
    }
    const char* operator()(const MText&) const { return "MTEXT"; }
    const char* operator()(const Solid& s) const {
        return s.kind == Solid::Kind::Trace ? "TRACE" : "SOLID";
    }
    const char* operator()(const Face3d&) const { return "3DFACE"; }
    const char* operator()(const Insert& i) const { return i.table ? "ACAD_TABLE" : "INSERT"; }
    const char* operator()(const Hatch& h) const { return h.polygon ? "MPOLYGON" : "HATCH"; }
    const char* operator()(const Dimension& d) const {
        switch (d.kind) {
        case Dimension::Kind::ArcLength:
            return "ARC_DIMENSION";
        case Dimension::Kind::LargeRadial:
            return "LARGE_RADIAL_DIMENSION";
        default:
            return "DIMENSION";
        }
    }
    const char* operator()(const Leader&) const { return "LEADER"; }
    const char* operator()(const MultiLeader&) const { return "MULTILEADER"; }
    const char* operator()(const Ray& r) const {
        return r.kind == Ray::Kind::ConstructionLine ? "XLINE" : "RAY";
    }
    const char* operator()(const ImageFrame& i) const {
        return i.kind == ImageFrame::Kind::Wipeout ? "WIPEOUT" : "IMAGE";
    }
    const char* operator()(const MLine&) const { return "MLINE"; }
    const char* operator()(const Tolerance&) const { return "TOLERANCE"; }
    const char* operator()(const Underlay& u) const {
        switch (u.kind) {
        case Underlay::Kind::Dwf:
            return "DWFUNDERLAY";
        case Underlay::Kind::Dgn:
            return "DGNUNDERLAY";
        default:
            return "PDFUNDERLAY";
        }
    }
    const char* operator()(const Shape&) const { return "SHAPE"; }
    const char* operator()(const Unsupported& u) const { return u.typeName.c_str(); }
    const char* operator()(const Wireframe& w) const {
        return w.data ? w.data->typeName.c_str() : "3DSOLID";
    }
    const char* operator()(const StandIn& s) const {
        return s.data ? s.data->typeName.c_str() : "";
    }
};

} // namespace

const char* dxfTypeName(const Entity& e) {
    return visitData(NameOf{}, e.data);
}

} // namespace vexor::cad
