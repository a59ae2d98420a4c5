#include "EntityBuilder.h"

#include "../acis/ModelerGeometry.h"
#include "AnnotationRecords.h"
#include "DimStyleVariables.h"
#include "MultiLeaderRecords.h"
#include "SolidRecords.h"
#include "StandInRecords.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vexor::cad::dxf {

Color colorOfNumber(std::int64_t number) {
    if (number == 0)
        return Color::byBlock();
    if (number < 0)
        number = -number;
    if (number >= 1 && number <= 255)
        return Color::indexed(static_cast<int>(number));
    return Color::byLayer();
}

namespace {

std::int16_t clampInt16(std::int64_t v) {
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(v, -32768, 32767));
}

Line readLine(const EntityRecord& r) {
    Line line;
    for (const Group& g : r.groups)
        readCoordinate(g, 10, line.a) || readCoordinate(g, 11, line.b);
    return line;
}

Point readPoint(const EntityRecord& r) {
    Point point;
    for (const Group& g : r.groups)
        readCoordinate(g, 10, point.p);
    return point;
}

Circle readCircle(const EntityRecord& r) {
    Circle circle;
    for (const Group& g : r.groups)
        if (!readCoordinate(g, 10, circle.center) && g.code == 40)
            circle.radius = g.asDouble();
    return circle;
}

Arc readArc(const EntityRecord& r) {
    Arc arc;
    for (const Group& g : r.groups) {
        if (readCoordinate(g, 10, arc.center))
            continue;
        switch (g.code) {
        case 40:
            arc.radius = g.asDouble();
            break;
        case 50:
            arc.startAngle = g.asDouble() * kDegreesToRadians;
            break;
        case 51:
            arc.endAngle = g.asDouble() * kDegreesToRadians;
            break;
        }
    }
    return arc;
}

Ellipse readEllipse(const EntityRecord& r) {
    Ellipse ellipse;
    for (const Group& g : r.groups) {
        if (readCoordinate(g, 10, ellipse.center) || readCoordinate(g, 11, ellipse.majorAxis))
            continue;
        switch (g.code) {
        case 40:
            ellipse.ratio = g.asDouble(1);
            break;
        case 41:
            ellipse.startParam = g.asDouble();
            break;
        case 42:
            ellipse.endParam = g.asDouble(ellipse.endParam);
            break;
        }
    }
    return ellipse;
}

Text readText(const EntityRecord& r, TextKind kind, DxfContext& context, EntityCommon& common) {
    Text text;
    text.kind = kind;
    bool hasAlignPoint = false;
    // TEXT keeps its vertical alignment in 73; attributes use 73 for the field length.
    const int verticalCode = kind == TextKind::Text ? 73 : 74;
    for (const Group& g : r.groups) {
        if (readCoordinate(g, 10, text.insert))
            continue;
        if (readCoordinate(g, 11, text.alignPoint)) {
            hasAlignPoint = true;
            continue;
        }
        switch (g.code) {
        case 1:
            text.text = context.decode(g.text);
            break;
        case 2:
            if (kind != TextKind::Text)
                text.tag = context.decode(g.text);
            break;
        case 7:
            text.style = context.textStyle(g.trimmed());
            break;
        case 40:
            text.height = g.asDouble(1);
            break;
        case 41:
            text.widthFactor = g.asDouble(1);
            break;
        case 50:
            text.rotation = g.asDouble() * kDegreesToRadians;
            break;
        case 51:
            text.oblique = g.asDouble() * kDegreesToRadians;
            break;
        case 70:
            if (kind != TextKind::Text && (g.asInt() & 1))
                common.invisible = true;
            break;
        case 71: {
            const auto flags = g.asInt();
            text.mirrorX = (flags & 2) != 0;
            text.mirrorY = (flags & 4) != 0;
            break;
        }
        case 72:
            text.hAlign = static_cast<std::int16_t>(std::clamp<std::int64_t>(g.asInt(), 0, 5));
            break;
        default:
            if (g.code == verticalCode)
                text.vAlign = static_cast<std::int16_t>(std::clamp<std::int64_t>(g.asInt(), 0, 3));
        }
    }
    if (!hasAlignPoint)
        text.alignPoint = text.insert;
    return text;
}

// Column settings as R2018 files write them, after "101 Embedded Object": 71 type, 72 count,
// 44 width, 45 gutter, 73 auto height, 74 flow reversed, 46 each column's height.
std::shared_ptr<const MTextColumns> embeddedColumns(std::span<const Group> groups) {
    auto columns = std::make_shared<MTextColumns>();
    constexpr std::pair<int, int> kReferenceCode[] = {{71, 75}, {72, 76}, {73, 79}, {74, 78},
                                                      {44, 48}, {45, 49}, {46, 46}};
    for (const Group& g : groups)
        for (const auto& [embedded, reference] : kReferenceCode)
            if (g.code == embedded)
                setMTextColumnProperty(*columns, reference, g.asDouble());
    if (columns->type == MTextColumns::Type::None)
        return nullptr;
    return columns;
}

MText readMText(const EntityRecord& r, DxfContext& context) {
    MText text;
    bool hasDirection = false;
    double rotation = 0;
    std::string raw;
    for (const Group& g : r.groups) {
        if (readCoordinate(g, 10, text.insert))
            continue;
        if (readCoordinate(g, 11, text.xDirection)) {
            hasDirection = true;
            continue;
        }
        switch (g.code) {
        case 1:
        case 3:
            raw.append(g.text);
            break;
        case 7:
            text.style = context.textStyle(g.trimmed());
            break;
        case 40:
            text.height = g.asDouble(1);
            break;
        case 41:
            text.referenceWidth = g.asDouble();
            break;
        case 44:
            text.lineSpacingFactor = g.asDouble(1);
            break;
        case 50:
            rotation = g.asDouble() * kDegreesToRadians;
            break;
        case 71:
            text.attachment = static_cast<std::int16_t>(std::clamp<std::int64_t>(g.asInt(1), 1, 9));
            break;
        case 72:
            text.drawingDirection = clampInt16(g.asInt(1));
            break;
        case 73:
            text.lineSpacingStyle = g.asInt(1) == 2 ? 2 : 1;
            break;
        case 46:
            text.definedHeight = g.asDouble();
            break;
        case 90:
            text.backgroundFlags = static_cast<std::uint8_t>(
                g.asInt() & (kMTextFill | kMTextFillBackground | kMTextFrame));
            break;
        case 63:
            if (text.backgroundColor.kind != Color::Kind::True)
                text.backgroundColor =
                    Color::indexed(static_cast<int>(std::clamp<std::int64_t>(g.asInt(7), 1, 255)));
            break;
        case 421:
            text.backgroundColor = Color::trueColor(static_cast<std::uint32_t>(g.asInt()));
            break;
        case 45:
            text.backgroundScale = g.asDouble(1.5);
            break;
        case 441:
            text.backgroundAlpha = transparencyAlpha(g.asInt());
            break;
        }
    }
    if (!hasDirection)
        text.xDirection = {std::cos(rotation), std::sin(rotation), 0};
    text.columns = embeddedColumns(r.embedded);
    if (!text.columns && !r.xdata.empty())
        text.columns = mtextColumnsFromXdata(extendedData(r.xdata, context));
    if (text.columns && !(text.definedHeight > 0)) {
        // The embedded object repeats the box; its 41 is the defined height.
        for (const Group& g : r.embedded)
            if (g.code == 41)
                text.definedHeight = g.asDouble();
    }
    text.text = context.decode(raw);
    return text;
}

Solid readSolid(const EntityRecord& r, Solid::Kind kind) {
    Solid solid;
    solid.kind = kind;
    bool hasFourth = false;
    for (const Group& g : r.groups) {
        for (int i = 0; i < 4; ++i)
            if (readCoordinate(g, 10 + i, solid.corners[i]) && i == 3)
                hasFourth = true;
    }
    if (!hasFourth)
        solid.corners[3] = solid.corners[2];
    return solid;
}

Face3d readFace(const EntityRecord& r) {
    Face3d face;
    bool hasFourth = false;
    for (const Group& g : r.groups) {
        if (g.code == 70)
            face.invisibleEdges = static_cast<std::uint8_t>(g.asInt() & 0x0F);
        for (int i = 0; i < 4; ++i)
            if (readCoordinate(g, 10 + i, face.corners[i]) && i == 3)
                hasFourth = true;
    }
    if (!hasFourth)
        face.corners[3] = face.corners[2];
    return face;
}

// MINSERT grids far beyond any real drawing would make the renderer loop for hours.
constexpr std::int64_t kMaxInsertGrid = 1 << 20;

Insert readInsert(const EntityRecord& r, DxfContext& context) {
    Insert insert;
    for (const Group& g : r.groups) {
        if (readCoordinate(g, 10, insert.insert))
            continue;
        switch (g.code) {
        case 2:
            insert.block = context.block(g.text);
            break;
        case 41:
            insert.scale.x = g.asDouble(1);
            break;
        case 42:
            insert.scale.y = g.asDouble(1);
            break;
        case 43:
            insert.scale.z = g.asDouble(1);
            break;
        case 44:
            insert.columnSpacing = g.asDouble();
            break;
        case 45:
            insert.rowSpacing = g.asDouble();
            break;
        case 50:
            insert.rotation = g.asDouble() * kDegreesToRadians;
            break;
        case 70:
            insert.columns =
                static_cast<std::int32_t>(std::clamp<std::int64_t>(g.asInt(1), 1, 32767));
            break;
        case 71:
            insert.rows = static_cast<std::int32_t>(std::clamp<std::int64_t>(g.asInt(1), 1, 32767));
            break;
        }
    }
    if (static_cast<std::int64_t>(insert.columns) * insert.rows > kMaxInsertGrid) {
        context.diagnostic(r.position, "INSERT grid of " + std::to_string(insert.columns) + " x " +
                                           std::to_string(insert.rows) + " reduced to one copy");
        insert.columns = insert.rows = 1;
    }
    return insert;
}

// A table is drawn from the anonymous block that holds its cells and grid, placed at its
// insertion point along its horizontal direction; its other groups describe the cells.
Insert readTable(const EntityRecord& r, DxfContext& context) {
    Insert insert;
    insert.table = true;
    Vec3 direction{1, 0, 0};
    for (const Group& g : r.groups) {
        if (readCoordinate(g, 10, insert.insert) || readCoordinate(g, 11, direction))
            continue;
        if (g.code == 2)
            insert.block = context.block(g.text);
    }
    if (direction.x != 0 || direction.y != 0)
        insert.rotation = std::atan2(direction.y, direction.x);
    return insert;
}

Dimension readDimension(const EntityRecord& r, DxfContext& context) {
    Dimension dim;
    auto def = std::make_unique<DimensionDefinition>();
    std::int64_t type = 0;
    std::string_view styleName;
    for (const Group& g : r.groups) {
        if (readCoordinate(g, 10, dim.definitionPoint) || readCoordinate(g, 11, dim.textMidpoint) ||
            readCoordinate(g, 12, dim.insert) || readCoordinate(g, 13, def->point13) ||
            readCoordinate(g, 14, def->point14) || readCoordinate(g, 15, def->point15) ||
            readCoordinate(g, 16, def->point16))
            continue;
        switch (g.code) {
        case 1:
            dim.text = context.decode(g.text);
            break;
        case 2:
            if (!g.trimmed().empty())
                dim.block = context.block(g.text);
            break;
        case 3:
            styleName = g.trimmed();
            break;
        case 42:
            dim.measurement = g.asDouble();
            break;
        case 50:
            def->rotation = g.asDouble() * kDegreesToRadians;
            break;
        case 53:
            def->textRotation = g.asDouble() * kDegreesToRadians;
            def->hasTextRotation = true;
            break;
        case 70:
            type = g.asInt();
            break;
        }
    }
    dim.dimType = static_cast<std::uint8_t>(type & 0x07);
    def->ordinateX = (type & 64) != 0;
    def->textUserPlaced = (type & 128) != 0;
    const Drawing& drawing = context.drawing();
    dim.style = drawing.findDimStyle(context.decode(styleName.empty() ? "STANDARD" : styleName));
    const DimStyle base =
        dim.style < drawing.dimStyles.size() ? drawing.dimStyles[dim.style] : DimStyle{};
    def->style = dimStyleOverrides(r.xdata, base, context);
    dim.definition = std::move(def);
    return dim;
}

Leader readLeader(const EntityRecord& r, DxfContext& context) {
    Leader leader;
    std::string_view styleName;
    for (const Group& g : r.groups) {
        if (g.code == 10)
            leader.points.emplace_back();
        if (!leader.points.empty() && readCoordinate(g, 10, leader.points.back()))
            continue;
        if (readCoordinate(g, 211, leader.horizontal))
            continue;
        switch (g.code) {
        case 3:
            styleName = g.trimmed();
            break;
        case 71:
            leader.arrowhead = g.asInt(1) != 0;
            break;
        case 72:
            leader.spline = g.asInt() == 1;
            break;
        case 74:
            leader.hooklineAlongHorizontal = g.asInt() != 0;
            break;
        case 75:
            leader.hookline = g.asInt() != 0;
            break;
        }
    }
    const Drawing& drawing = context.drawing();
    leader.style = drawing.findDimStyle(context.decode(styleName.empty() ? "STANDARD" : styleName));
    const DimStyle base =
        leader.style < drawing.dimStyles.size() ? drawing.dimStyles[leader.style] : DimStyle{};
    leader.overrides = dimStyleOverrides(r.xdata, base, context);
    return leader;
}

Ray readRay(const EntityRecord& r, Ray::Kind kind) {
    Ray ray;
    ray.kind = kind;
    for (const Group& g : r.groups)
        readCoordinate(g, 10, ray.base) || readCoordinate(g, 11, ray.direction);
    return ray;
}

Shape readShape(const EntityRecord& r, DxfContext& context) {
    Shape shape;
    for (const Group& g : r.groups) {
        if (readCoordinate(g, 10, shape.insert))
            continue;
        switch (g.code) {
        case 2:
            shape.name = context.decode(g.trimmed());
            break;
        case 40:
            shape.size = g.asDouble(1);
            break;
        case 41:
            shape.widthFactor = g.asDouble(1);
            break;
        case 50:
            shape.rotation = g.asDouble() * kDegreesToRadians;
            break;
        case 51:
            shape.oblique = g.asDouble() * kDegreesToRadians;
            break;
        }
    }
    return shape;
}

ImageFrame readImage(const EntityRecord& r, ImageFrame::Kind kind) {
    ImageFrame image;
    image.kind = kind;
    std::int64_t clipType = 1;
    bool clipping = true;
    for (const Group& g : r.groups) {
        if (readCoordinate(g, 10, image.origin) || readCoordinate(g, 11, image.uPixel) ||
            readCoordinate(g, 12, image.vPixel) || readCoordinate(g, 13, image.sizePixels))
            continue;
        if (g.code == 14)
            image.clip.emplace_back();
        if (!image.clip.empty() && readCoordinate(g, 14, image.clip.back()))
            continue;
        switch (g.code) {
        case 71:
            clipType = g.asInt(1);
            break;
        case 70:
            image.showImage = (g.asInt(1) & 1) != 0;
            break;
        case 280:
            clipping = g.asInt(1) != 0;
            break;
        case 290:
            image.clipInverted = g.asInt() != 0;
            break;
        case 340:
            image.definition = parseHandle(g.trimmed());
            break;
        }
    }
    if (!clipping)
        image.clip.clear();
    if (clipType == 1 && image.clip.size() == 2) {
        const Vec2 a = image.clip[0], b = image.clip[1];
        image.clip = {a, {b.x, a.y}, b, {a.x, b.y}};
    }
    return image;
}

Polyline readPolylineHeader(const EntityRecord& r) {
    Polyline polyline;
    polyline.kind = Polyline::Kind::Poly2d;
    double startWidth = 0, endWidth = 0;
    for (const Group& g : r.groups) {
        switch (g.code) {
        case 40:
            startWidth = g.asDouble();
            break;
        case 41:
            endWidth = g.asDouble();
            break;
        case 70: {
            const auto flags = g.asInt();
            polyline.closed = (flags & 1) != 0;
            if (flags & 64)
                polyline.kind = Polyline::Kind::PolyfaceMesh;
            else if (flags & 16)
                polyline.kind = Polyline::Kind::PolygonMesh;
            else if (flags & 8)
                polyline.kind = Polyline::Kind::Poly3d;
            polyline.meshClosedM = (flags & 1) != 0;
            polyline.meshClosedN = (flags & 32) != 0;
            break;
        }
        case 71:
            polyline.meshM =
                static_cast<std::int32_t>(std::clamp<std::int64_t>(g.asInt(), 0, 1 << 20));
            break;
        case 72:
            polyline.meshN =
                static_cast<std::int32_t>(std::clamp<std::int64_t>(g.asInt(), 0, 1 << 20));
            break;
        }
    }
    if (startWidth == endWidth)
        polyline.constantWidth = startWidth;
    return polyline;
}

} // namespace

EntityCommon readCommon(const EntityRecord& record, DxfContext& context) {
    EntityCommon common;
    bool hasLayer = false;
    double thickness = 0;
    Vec3 extrusion{0, 0, 1};
    std::int64_t plotStyleType = -1;
    std::uint64_t plotStyle = 0;
    for (const Group& g : record.groups) {
        switch (g.code) {
        case 5:
            common.handle = parseHandle(g.text);
            break;
        case 6:
            common.linetype = context.linetype(g.trimmed());
            break;
        case 8:
            common.layer = context.layer(g.text);
            hasLayer = true;
            break;
        case 39:
            thickness = g.asDouble();
            break;
        case 48:
            common.linetypeScale = g.asDouble(1);
            break;
        case 60:
            common.invisible = g.asInt() != 0;
            break;
        case 62:
            if (common.color.kind != Color::Kind::True)
                common.color = colorOfNumber(g.asInt(256));
            break;
        case 370:
            common.lineweight = clampInt16(g.asInt(kLineweightByLayer));
            break;
        case 380:
            plotStyleType = g.asInt(0);
            break;
        case 390:
            plotStyle = parseHandle(g.trimmed());
            break;
        case 420:
            common.color = Color::trueColor(static_cast<std::uint32_t>(g.asInt()));
            break;
        default:
            readCoordinate(g, 210, extrusion);
        }
    }
    // Group 380 says how the plot style is given (0 by layer, 1 by block, 2 the default, 3 by
    // the handle in 390); writers that leave it out give the handle alone.
    if (plotStyleType == 1 || plotStyleType == 2)
        common.plotStyle = plotStyleType == 1 ? PlotStyleRef::ByBlock : PlotStyleRef::Default;
    else if (plotStyle != 0 && plotStyleType != 0 && common.handle != 0) {
        common.plotStyle = PlotStyleRef::Named;
        context.addEntityPlotStyle(common.handle, plotStyle);
    }
    common.setThickness(thickness);
    common.setExtrusion(extrusion);
    if (!hasLayer)
        common.layer = context.layer("0");
    return common;
}

bool isPaperSpace(const EntityRecord& record) {
    for (const Group& g : record.groups)
        if (g.code == 67)
            return g.asInt() == 1;
    return false;
}

VertexDefaults vertexDefaults(const EntityRecord& polyline) {
    VertexDefaults defaults;
    for (const Group& g : polyline.groups) {
        if (g.code == 30)
            defaults.elevation = g.asDouble();
        else if (g.code == 40)
            defaults.startWidth = g.asDouble();
        else if (g.code == 41)
            defaults.endWidth = g.asDouble();
    }
    return defaults;
}

void addVertex(Polyline& polyline, const EntityRecord& vertex, const VertexDefaults& defaults) {
    PolyVertex v;
    v.startWidth = defaults.startWidth;
    v.endWidth = defaults.endWidth;
    std::int64_t flags = 0;
    std::int32_t face[4] = {0, 0, 0, 0};
    for (const Group& g : vertex.groups) {
        if (readCoordinate(g, 10, v.p))
            continue;
        switch (g.code) {
        case 40:
            v.startWidth = g.asDouble();
            break;
        case 41:
            v.endWidth = g.asDouble();
            break;
        case 42:
            v.bulge = g.asDouble();
            break;
        case 70:
            flags = g.asInt();
            break;
        case 71:
        case 72:
        case 73:
        case 74:
            face[g.code - 71] =
                static_cast<std::int32_t>(std::clamp<std::int64_t>(g.asInt(), -(1 << 30), 1 << 30));
            break;
        }
    }
    // Spline frame control points define a fitted curve but are not on it.
    if (flags & 16)
        return;
    if (polyline.kind == Polyline::Kind::PolyfaceMesh && (flags & 128) && !(flags & 64)) {
        polyline.faces.insert(polyline.faces.end(), face, face + 4);
        return;
    }
    if (polyline.kind == Polyline::Kind::Poly2d && v.p.z == 0)
        v.p.z = defaults.elevation;
    polyline.vertices.push_back(v);
}

Entity buildEntity(const EntityRecord& r, DxfContext& context) {
    Entity entity;
    entity.common = readCommon(r, context);
    const std::string_view t = r.type;
    if (t == "LINE")
        entity.data = readLine(r);
    else if (t == "3DLINE") // R10's line in 3D: drawn as a line, counted under its own name
        entity.data = singlePart(t, entity.common, readLine(r));
    else if (t == "POINT")
        entity.data = readPoint(r);
    else if (t == "CIRCLE")
        entity.data = readCircle(r);
    else if (t == "ARC")
        entity.data = readArc(r);
    else if (t == "ELLIPSE")
        entity.data = readEllipse(r);
    else if (t == "LWPOLYLINE")
        entity.data = readLightPolyline(r, context);
    else if (t == "POLYLINE")
        entity.data = readPolylineHeader(r);
    else if (t == "SPLINE")
        entity.data = readSpline(r, context);
    else if (t == "TEXT")
        entity.data = readText(r, TextKind::Text, context, entity.common);
    else if (t == "ATTRIB")
        entity.data = readText(r, TextKind::Attribute, context, entity.common);
    else if (t == "ATTDEF")
        entity.data = readText(r, TextKind::AttributeDefinition, context, entity.common);
    else if (t == "MTEXT")
        entity.data = readMText(r, context);
    else if (t == "SOLID")
        entity.data = readSolid(r, Solid::Kind::Solid);
    else if (t == "TRACE")
        entity.data = readSolid(r, Solid::Kind::Trace);
    else if (t == "3DFACE")
        entity.data = readFace(r);
    else if (t == "INSERT")
        entity.data = readInsert(r, context);
    else if (t == "HATCH")
        entity.data = readHatch(r, context);
    else if (t == "MPOLYGON")
        entity.data = readMPolygon(r, context);
    else if (t == "ACAD_TABLE")
        entity.data = readTable(r, context);
    else if (t == "DIMENSION")
        entity.data = readDimension(r, context);
    else if (t == "ARC_DIMENSION" || t == "LARGE_RADIAL_DIMENSION") {
        Dimension dim = readDimension(r, context);
        dim.kind = t == "ARC_DIMENSION" ? Dimension::Kind::ArcLength : Dimension::Kind::LargeRadial;
        entity.data = std::move(dim);
    } else if (t == "LEADER")
        entity.data = readLeader(r, context);
    else if (t == "MULTILEADER")
        entity.data = readMultiLeader(r, context);
    else if (t == "RAY")
        entity.data = readRay(r, Ray::Kind::Ray);
    else if (t == "XLINE")
        entity.data = readRay(r, Ray::Kind::ConstructionLine);
    else if (t == "IMAGE")
        entity.data = readImage(r, ImageFrame::Kind::Image);
    else if (t == "WIPEOUT")
        entity.data = readImage(r, ImageFrame::Kind::Wipeout);
    else if (t == "MLINE")
        entity.data = readMLine(r, context);
    else if (t == "TOLERANCE")
        entity.data = readTolerance(r, context);
    else if (t == "PDFUNDERLAY")
        entity.data = readUnderlay(r, Underlay::Kind::Pdf);
    else if (t == "DWFUNDERLAY")
        entity.data = readUnderlay(r, Underlay::Kind::Dwf);
    else if (t == "DGNUNDERLAY")
        entity.data = readUnderlay(r, Underlay::Kind::Dgn);
    else if (t == "SHAPE")
        entity.data = readShape(r, context);
    else if (acis::isModelerGeometryName(t))
        entity.data = readModelerGeometry(r);
    else if (t == "MESH")
        entity.data = readSubDMesh(r);
    else if (t == "OLE2FRAME")
        entity.data = readOleFrame(r, entity.common);
    else if (auto standIn = readProxyGraphics(r, context, entity.common))
        entity.data = std::move(*standIn);
    else
        entity.data = Unsupported{std::string(t)};
    return entity;
}

} // namespace vexor::cad::dxf
