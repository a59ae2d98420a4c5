#pragma once

#include "Color.h"
#include "Math.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

namespace vexor::cad {

inline constexpr std::uint32_t kNoIndex = 0xFFFFFFFFu;

struct DimensionDefinition;

// A dimension's definition, held out of line (one pointer) and copied with its entity.
class DimensionDefinitionRef {
public:
    DimensionDefinitionRef() = default;
    DimensionDefinitionRef(std::unique_ptr<DimensionDefinition> d) // NOLINT: a pointer
        : d_(std::move(d)) {}
    DimensionDefinitionRef(const DimensionDefinitionRef& other);
    DimensionDefinitionRef(DimensionDefinitionRef&&) noexcept = default;
    DimensionDefinitionRef& operator=(const DimensionDefinitionRef& other);
    DimensionDefinitionRef& operator=(DimensionDefinitionRef&&) noexcept = default;
    ~DimensionDefinitionRef();

    const DimensionDefinition& operator*() const { return *d_; }
    const DimensionDefinition* operator->() const { return d_.get(); }
    explicit operator bool() const { return d_ != nullptr; }

private:
    std::unique_ptr<DimensionDefinition> d_;
};
// Data held out of line, with value semantics: copied with its owner, so that a wide and rare
// part does not widen every entity of a drawing. `Nullable` boxes may hold nothing (a
// default-constructed one does); the others always hold a value, except once moved from.
template <class T, bool Nullable = false> class Boxed {
public:
    Boxed() requires(!Nullable) : p_(std::make_unique<T>()) {}
    Boxed() requires Nullable = default;
    Boxed(T value) : p_(std::make_unique<T>(std::move(value))) {} // NOLINT: boxes a value
    Boxed(const Boxed& other) : p_(other.p_ ? std::make_unique<T>(*other.p_) : nullptr) {}
    Boxed(Boxed&&) noexcept = default;
    Boxed& operator=(const Boxed& other) { return *this = Boxed(other); }
    Boxed& operator=(Boxed&&) noexcept = default;
    ~Boxed() = default;

    T& operator*() { return *p_; }
    const T& operator*() const { return *p_; }
    T* operator->() { return p_.get(); }
    const T* operator->() const { return p_.get(); }
    T* get() { return p_.get(); }
    const T* get() const { return p_.get(); }
    explicit operator bool() const { return p_ != nullptr; }
    void reset() { p_.reset(); }

private:
    std::unique_ptr<T> p_;
};

inline constexpr std::int32_t kLinetypeByLayer = -1;
inline constexpr std::int32_t kLinetypeByBlock = -2;
inline constexpr std::int32_t kLinetypeContinuous = -3;
inline constexpr std::int16_t kLineweightByLayer = -1;
inline constexpr std::int16_t kLineweightByBlock = -2;
inline constexpr std::int16_t kLineweightDefault = -3;

// Which named plot style an entity plots in (drawings whose plot style tables are named ones):
// its layer's, its insert's, the drawing's default or one named in Drawing::entityPlotStyles.
enum class PlotStyleRef : std::uint8_t { ByLayer, ByBlock, Default, Named };

// Properties every entity has. Coordinates of the entity kinds marked "OCS" below are in the
// entity's object coordinate system, given by `extrusion`; the renderer maps them to the
// drawing plane. Everything else is in world coordinates.
struct EntityCommon {
    std::uint32_t layer = 0;                      // index into Drawing::layers
    Color color;                                  // by layer unless the file says otherwise
    std::int32_t linetype = kLinetypeByLayer;     // index into Drawing::linetypes, or kLinetype*
    std::int16_t lineweight = kLineweightByLayer; // 1/100 mm, or kLineweight*
    bool invisible = false;
    PlotStyleRef plotStyle = PlotStyleRef::ByLayer; // fills a byte the alignment leaves free
    float linetypeScale = 1.0f;                     // drawn in single precision anyway
    std::uint64_t handle = 0;                       // file handle or element index, for diagnostics

    // Thickness and extrusion direction. Nearly every entity of a drawing keeps 0 and +z, so
    // the two are held out of line only when they differ: one pointer per entity.
    double thickness() const { return elevation_ ? elevation_->thickness : 0.0; }
    Vec3 extrusion() const { return elevation_ ? elevation_->extrusion : Vec3{0, 0, 1}; }
    void setThickness(double t) { setElevation(t, extrusion()); }
    void setExtrusion(Vec3 e) { setElevation(thickness(), e); }

private:
    struct Elevation {
        double thickness;
        Vec3 extrusion;
    };
    void setElevation(double t, Vec3 e) {
        if (t == 0.0 && e.x == 0.0 && e.y == 0.0 && e.z == 1.0)
            elevation_.reset();
        else
            elevation_ = Boxed<Elevation, true>(Elevation{t, e});
    }
    Boxed<Elevation, true> elevation_;
};

struct Line {
    Vec3 a, b;
};

struct Point {
    Vec3 p;
};

struct Circle { // OCS
    Vec3 center;
    double radius = 0;
};

struct Arc { // OCS; counter-clockwise from start to end, radians
    Vec3 center;
    double radius = 0;
    double startAngle = 0;
    double endAngle = 0;
};

struct Ellipse { // world coordinates; parameters in radians, counter-clockwise about extrusion
    Vec3 center;
    Vec3 majorAxis{1, 0, 0}; // end point of the major axis relative to the center
    double ratio = 1;        // minor / major
    double startParam = 0;
    double endParam = 6.283185307179586;
};

struct PolyVertex {
    Vec3 p;
    double bulge = 0; // tan(included angle / 4) of the segment starting here
    double startWidth = 0;
    double endWidth = 0;
};

struct Polyline { // OCS unless kind is Poly3d/PolyfaceMesh/PolygonMesh
    enum class Kind : std::uint8_t { Light, Poly2d, Poly3d, PolyfaceMesh, PolygonMesh };
    Kind kind = Kind::Light;
    bool closed = false;
    double constantWidth = 0;
    std::vector<PolyVertex> vertices;
    // Polyface meshes: faces as 1-based vertex indexes, negative = invisible edge, 0 = unused.
    std::vector<std::int32_t> faces; // groups of four
    // Polygon meshes: vertex grid size (m rows of n).
    std::int32_t meshM = 0, meshN = 0;
    bool meshClosedM = false, meshClosedN = false;
};

struct SplineData {
    std::int32_t degree = 3;
    bool closed = false;
    bool rational = false;
    std::vector<double> knots;
    std::vector<Vec3> controlPoints;
    std::vector<double> weights; // empty when all are 1
    std::vector<Vec3> fitPoints; // used when there are no control points
};

struct Spline {
    SplineData data;
};

enum class TextKind : std::uint8_t { Text, Attribute, AttributeDefinition };

// A text most entities of a kind leave empty, kept out of line: one pointer when absent, so
// that it does not widen every entity of a drawing.
class RareText {
public:
    RareText() = default;
    RareText(std::string text) // NOLINT: assigned from strings like a string
        : text_(text.empty() ? nullptr : std::make_unique<std::string>(std::move(text))) {}
    RareText(const RareText& other) : RareText(other.str()) {}
    RareText(RareText&&) noexcept = default;
    RareText& operator=(const RareText& other) { return *this = RareText(other); }
    RareText& operator=(RareText&&) noexcept = default;

    const std::string& str() const {
        static const std::string empty;
        return text_ ? *text_ : empty;
    }
    friend bool operator==(const RareText& a, const RareText& b) { return a.str() == b.str(); }

private:
    std::unique_ptr<std::string> text_;
};

struct Text { // OCS
    Vec3 insert;
    Vec3 alignPoint; // second alignment point; used unless hAlign == 0 and vAlign == 0
    double height = 1;
    double rotation = 0; // radians
    double widthFactor = 1;
    double oblique = 0;      // radians
    std::int16_t hAlign = 0; // 0 left, 1 center, 2 right, 3 aligned, 4 middle, 5 fit
    std::int16_t vAlign = 0; // 0 baseline, 1 bottom, 2 middle, 3 top
    bool mirrorX = false;    // backwards
    bool mirrorY = false;    // upside down
    TextKind kind = TextKind::Text;
    std::uint32_t style = kNoIndex; // index into Drawing::textStyles
    std::string text;               // UTF-8, control codes (%%d, %%c ...) still as stored
    RareText tag;                   // attributes and definitions
};

inline constexpr std::uint8_t kMTextFill = 0x01;
inline constexpr std::uint8_t kMTextFillBackground = 0x02;
inline constexpr std::uint8_t kMTextFrame = 0x10;

// How multi-line text flows into columns. Static columns all have the text's defined height;
// dynamic ones either that height too (autoHeight) or each its own from `heights`.
struct MTextColumns {
    enum class Type : std::uint8_t { None, Static, Dynamic };
    Type type = Type::None;
    std::int32_t count = 1;
    double width = 0, gutter = 0;
    bool autoHeight = false, flowReversed = false;
    std::vector<double> heights;
};

struct MText { // world coordinates
    Vec3 insert;
    Vec3 xDirection{1, 0, 0};
    double height = 1;
    double referenceWidth = 0;
    double lineSpacingFactor = 1;
    std::int16_t attachment = 1;       // 1 top left .. 9 bottom right
    std::int16_t drawingDirection = 1; // 1 left to right, 3 top to bottom, 5 as the style says
    std::uint32_t style = kNoIndex;
    std::string text; // UTF-8 with the inline formatting codes as stored
    // Line spacing: 1 "at least" (a line as tall as its tallest part needs), 2 "exactly" (every
    // line the same pitch from the text height).
    std::uint8_t lineSpacingStyle = 1;
    // Background: kMTextFill fills with backgroundColor, kMTextFillBackground with the view's
    // background, kMTextFrame draws a frame round the text.
    std::uint8_t backgroundFlags = 0;
    std::uint8_t backgroundAlpha = 255; // opacity of the fill, 255 opaque
    double backgroundScale = 1.5;       // the fill's margin is (scale - 1) text heights
    Color backgroundColor;
    double definedHeight = 0; // height of the text's box (the column height), 0 when not set
    std::shared_ptr<const MTextColumns> columns; // null: one column
};

struct Solid { // OCS; corners in file order (1, 2, 3, 4): drawn as triangles 1-2-3 and 2-4-3
    enum class Kind : std::uint8_t { Solid, Trace };
    Kind kind = Kind::Solid;
    Vec3 corners[4];
};

struct Face3d {
    Vec3 corners[4];
    std::uint8_t invisibleEdges = 0; // bit i: edge from corner i to corner i+1 is hidden
};

struct AttributeEntity {
    EntityCommon common;
    Text text;
};

struct Insert {                     // OCS
    std::uint32_t block = kNoIndex; // index into Drawing::blocks
    Vec3 insert;
    Vec3 scale{1, 1, 1};
    double rotation = 0; // radians
    std::int32_t columns = 1, rows = 1;
    double columnSpacing = 0, rowSpacing = 0;
    std::vector<AttributeEntity> attributes;
    bool table = false; // an ACAD_TABLE, whose cells and grid are drawn from its block
    // The clip boundary of a clipped insert (its spatial filter), a closed polygon in the
    // block's own coordinates; empty when the insert shows its whole block.
    std::vector<Vec2> clip;
};

struct HatchEdge {
    enum class Kind : std::uint8_t { Line, Arc, EllipseArc, Spline };
    Kind kind = Kind::Line;
    Vec2 p0, p1;       // line
    Vec2 center;       // arc, ellipse
    double radius = 0; // arc
    Vec2 majorAxis;    // ellipse, relative to center
    double ratio = 1;  // ellipse
    double start = 0;  // radians
    double end = 0;    // radians
    bool ccw = true;
    SplineData spline; // spline (2D points in x, y)
};

struct HatchLoop {
    bool isPolyline = false;
    bool closed = true;
    std::vector<PolyVertex> polyline; // when isPolyline
    std::vector<HatchEdge> edges;     // otherwise
};

struct HatchPatternLine {
    double angle = 0; // radians
    Vec2 base;
    Vec2 offset;
    std::vector<double> dashes; // positive dash, negative gap, 0 dot
};

struct Hatch { // OCS
    bool solid = false;
    std::string patternName;
    double elevation = 0;
    std::vector<HatchLoop> loops;
    std::vector<HatchPatternLine> patternLines; // already scaled and rotated
    // An MPOLYGON: its loops are drawn as lines, and filled (solid, by pattern or not at all)
    // in a colour of their own.
    bool polygon = false;
    bool fillUnread = false;        // its fill could not be read: only the loops are drawn
    std::optional<Color> fillColor; // none: the entity's own
};

struct Dimension { // drawn from its block when the file has one
    std::uint32_t block = kNoIndex;
    std::uint8_t dimType = 0;
    Vec3 definitionPoint;
    Vec3 textMidpoint;
    Vec3 insert; // offset of the block, usually 0
    double measurement = 0;
    std::string text;
    std::uint32_t style = kNoIndex;
    // Arc-length and large radial dimensions are entities of their own (ARC_DIMENSION,
    // LARGE_RADIAL_DIMENSION), drawn from their blocks like the others.
    enum class Kind : std::uint8_t { Standard, ArcLength, LargeRadial };
    Kind kind = Kind::Standard;
    // What the dimension measures, for drawing it when it has no block (out of line: most
    // dimensions are drawn from their blocks).
    DimensionDefinitionRef definition;
};

struct DimStyle;

struct Leader {
    std::vector<Vec3> points;
    bool arrowhead = true;
    bool spline = false;
    // A hook line runs from the last point along `horizontal` (or against it), one arrow size
    // long, towards the text the leader was made with.
    bool hookline = false;
    bool hooklineAlongHorizontal = false;
    Vec3 horizontal{1, 0, 0};
    std::uint32_t style = kNoIndex;            // index into Drawing::dimStyles
    std::shared_ptr<const DimStyle> overrides; // the style with this leader's own overrides
};

struct MultiLeaderData;

// A leader with its content (text or a block) and any number of leader lines; its parts are
// held out of line (one pointer, shared by copies: they never change once read).
struct MultiLeader {
    std::shared_ptr<const MultiLeaderData> data;
};

struct Ray { // world coordinates
    enum class Kind : std::uint8_t { Ray, ConstructionLine };
    Kind kind = Kind::Ray;
    Vec3 base;
    Vec3 direction{1, 0, 0};
};

struct ImageFrame { // world coordinates
    enum class Kind : std::uint8_t { Image, Wipeout };
    Kind kind = Kind::Image;
    Vec3 origin;          // the lower-left corner of the picture
    Vec3 uPixel{1, 0, 0}; // one pixel along the image's x
    Vec3 vPixel{0, 1, 0}; // one pixel along the image's y (upwards)
    Vec2 sizePixels{1, 1};
    // In pixel coordinates as stored: x right, y down from the top-left pixel's centre (so
    // the picture spans -0.5 .. size - 0.5); empty = whole frame.
    std::vector<Vec2> clip;
    bool clipInverted = false;    // what lies outside the boundary shows
    bool showImage = true;        // display flag 1: off shows the frame alone
    std::uint64_t definition = 0; // handle of the IMAGEDEF naming the picture's file
};

// A multiline: parallel elements along a path. Each vertex stores where its segment goes and
// the direction of the miter at it; each element stores its distance along the miter and the
// breaks along the segment, already scaled and justified, so the style only adds colours,
// linetypes, fill and caps.
struct MLineVertex {
    Vec3 point;
    Vec3 direction{1, 0, 0}; // of the segment that starts here
    Vec3 miter{0, 1, 0};
    // Per element: the distance along the miter, then distances along the segment direction
    // where dashes start and end (an odd count leaves the last dash running to the next vertex).
    std::vector<std::vector<double>> elements;
};

struct MLine {                     // world coordinates
    std::uint64_t styleHandle = 0; // the MLINESTYLE object, or 0
    std::string styleName;
    bool closed = false;
    bool suppressStartCaps = false, suppressEndCaps = false;
    std::vector<MLineVertex> vertices;
};

// A feature control frame: rows of boxes holding geometric-tolerance symbols and values, as
// text with `%%v` between boxes, `^J` (or a line feed) between rows and the symbols as
// characters of the GDT font (`{\Fgdt;j}`).
struct Tolerance { // world coordinates
    Vec3 insert;
    Vec3 xDirection{1, 0, 0};
    std::string text;
    std::uint32_t dimStyle = kNoIndex; // index into Drawing::dimStyles
    double height = 0;                 // text height when the file stores one (else the style's)
};

// A PDF, DWF or DGN page placed in the drawing. Only its frame is drawn: the clip boundary,
// in the underlay's own units, placed by scale, rotation and insertion point.
struct Underlay { // OCS
    enum class Kind : std::uint8_t { Pdf, Dwf, Dgn };
    Kind kind = Kind::Pdf;
    Vec3 origin;
    Vec3 scale{1, 1, 1};
    double rotation = 0; // radians
    std::vector<Vec2> clip;
    std::uint64_t definition = 0;
};

// A shape from a compiled shape file, placed like a one-character text.
struct Shape { // OCS
    Vec3 insert;
    double size = 1;     // scale of the shape's units (a font shape: its height)
    double rotation = 0; // radians
    double widthFactor = 1;
    double oblique = 0;             // radians
    std::string name;               // DXF: the shape's name in its file
    std::uint32_t number = 0;       // DWG: the shape's number; 0 when named
    std::uint32_t style = kNoIndex; // the shape file's entry in Drawing::textStyles, if known
};

// Something read from the file that the model does not draw (a MLINE, a 3DSOLID, ...):
// kept so that counts and diagnostics are honest.
struct Unsupported {
    std::string typeName; // DXF entity name
};

// The edges of a solid, region, body, surface or subdivision mesh, drawn as wireframe. They are
// taken from the modeler data (or the mesh's faces) once when the file is read, as polylines in
// world coordinates, and held out of line: one pointer, shared by copies.
struct WireframeData {
    std::string typeName;                  // REGION, 3DSOLID, BODY, ...SURFACE, MESH
    std::vector<std::vector<Vec3>> curves; // each an open polyline of two points or more
    std::string incomplete;                // why it is drawn only in part; empty when whole
};

struct Wireframe {
    std::shared_ptr<const WireframeData> data;
};

struct StandInData;

// An entity drawn through a picture that stands for it: the proxy graphics an application
// stored with its own entity kind (ACAD_PROXY_ENTITY, AEC_WALL ...), or the frame of an OLE
// object. The picture's parts are ordinary entities, held out of line and shared by copies.
struct StandIn {
    std::shared_ptr<const StandInData> data;
};

// The kinds of entity. Kinds wider than a line are boxed (held out of line) so that the
// variant, and with it every entity of a million-line drawing, stays small: reach the data
// through dataIf / dataOf / holds / visitData below, which look through the boxes.
using EntityData =
    std::variant<Line, Point, Circle, Arc, Boxed<Ellipse>, Boxed<Polyline>, Boxed<Spline>,
                 Boxed<Text>, Boxed<MText>, Boxed<Solid>, Boxed<Face3d>, Boxed<Insert>,
                 Boxed<Hatch>, Boxed<Dimension>, Boxed<Leader>, Boxed<Ray>, Boxed<ImageFrame>,
                 MultiLeader, Boxed<MLine>, Boxed<Tolerance>, Boxed<Underlay>, Boxed<Shape>,
                 Unsupported, Wireframe, StandIn>;

// A kind wider than this must be boxed: the entity list of a huge drawing is most of its memory.
static_assert(sizeof(EntityData) <= 56, "box the wide entity kind");

namespace detail {
template <class T, class Variant> struct IsAlternative;
template <class T, class... Ts>
struct IsAlternative<T, std::variant<Ts...>> : std::bool_constant<(std::is_same_v<T, Ts> || ...)> {
};
template <class T> struct Unboxed {
    static T& get(T& v) { return v; }
    static const T& get(const T& v) { return v; }
};
template <class T> struct Unboxed<Boxed<T>> {
    static T& get(Boxed<T>& v) { return *v; }
    static const T& get(const Boxed<T>& v) { return *v; }
};
} // namespace detail

// How kind T is stored in EntityData: T itself or Boxed<T>.
template <class T>
using StoredKind =
    std::conditional_t<detail::IsAlternative<Boxed<T>, EntityData>::value, Boxed<T>, T>;

// The entity data as kind T, or null when it is another kind.
template <class T> T* dataIf(EntityData* data) {
    auto* stored = std::get_if<StoredKind<T>>(data);
    return stored ? &detail::Unboxed<StoredKind<T>>::get(*stored) : nullptr;
}
template <class T> const T* dataIf(const EntityData* data) {
    const auto* stored = std::get_if<StoredKind<T>>(data);
    return stored ? &detail::Unboxed<StoredKind<T>>::get(*stored) : nullptr;
}
// The entity data as kind T; throws std::bad_variant_access when it is another kind.
template <class T> T& dataOf(EntityData& data) {
    return detail::Unboxed<StoredKind<T>>::get(std::get<StoredKind<T>>(data));
}
template <class T> const T& dataOf(const EntityData& data) {
    return detail::Unboxed<StoredKind<T>>::get(std::get<StoredKind<T>>(data));
}
template <class T> bool holds(const EntityData& data) {
    return std::holds_alternative<StoredKind<T>>(data);
}
// std::visit on the entity data, the visitor called with the kind itself (never its box).
template <class Visitor, class Data> decltype(auto) visitData(Visitor&& visitor, Data&& data) {
    return std::visit(
        [&](auto& stored) -> decltype(auto) {
            return visitor(
                detail::Unboxed<
                    std::remove_const_t<std::remove_reference_t<decltype(stored)>>>::get(stored));
        },
        data);
}

struct Entity {
    EntityCommon common;
    EntityData data;
};

// The DXF name of an entity kind (LINE, LWPOLYLINE, ATTDEF, XLINE, WIPEOUT ...).
const char* dxfTypeName(const Entity& e);

struct StandInData {
    std::string typeName;         // the DXF name of the entity stood for
    std::vector<Entity> entities; // the picture, with the properties each part is drawn with
    // What the picture leaves out or only approximates ("drawn as a frame", "2 MESH parts of
    // its graphics not drawn"), said in the diagnostics under typeName.
    std::vector<std::string> omissions;
};

// The dimension style values a dimension is drawn with: an entry of the DIMSTYLE table, or
// one with a dimension's own overrides applied. Lengths are in drawing units before the
// overall scale.
struct DimStyle {
    std::string name;
    double scale = 1;                  // DIMSCALE: multiplies every size below
    double arrowSize = 0.18;           // DIMASZ
    double extensionOffset = 0.0625;   // DIMEXO: gap between the origin and the extension line
    double extensionBeyond = 0.18;     // DIMEXE: extension line past the dimension line
    double dimLineBeyond = 0;          // DIMDLE: dimension line past the extension lines (ticks)
    double textHeight = 0.18;          // DIMTXT
    double tickSize = 0;               // DIMTSZ: ticks instead of arrowheads when positive
    double textGap = 0.09;             // DIMGAP
    double linearFactor = 1;           // DIMLFAC: scale of linear measurements
    double rounding = 0;               // DIMRND
    std::int16_t textAbove = 0;        // DIMTAD: 0 centred on the dimension line, else above
    bool textInsideHorizontal = true;  // DIMTIH
    bool textOutsideHorizontal = true; // DIMTOH
    bool suppressExtension1 = false, suppressExtension2 = false; // DIMSE1, DIMSE2
    bool suppressDimLine1 = false, suppressDimLine2 = false;     // DIMSD1, DIMSD2
    std::int16_t zeroSuppression = 0;                            // DIMZIN
    std::int16_t angularZeroSuppression = 0;                     // DIMAZIN
    std::int16_t decimals = 4;                                   // DIMDEC
    std::int16_t angularDecimals = 0;                            // DIMADEC
    std::int16_t linearUnits = 2;      // DIMLUNIT: 1 scientific, 2 decimal, 3 engineering,
                                       // 4 architectural, 5 fractional, 6 system
    std::int16_t angularUnits = 0;     // DIMAUNIT: 0 degrees, 1 deg/min/sec, 2 grads, 3 radians
    char decimalSeparator = '.';       // DIMDSEP
    std::string postfix;               // DIMPOST: "<>" stands for the value, else a suffix
    bool separateArrows = false;       // DIMSAH
    std::string arrow, arrow1, arrow2; // DIMBLK, DIMBLK1, DIMBLK2: block names, "" closed filled
    std::string leaderArrow;           // DIMLDRBLK: the arrowhead of leaders
    Color lineColor = Color::byBlock(), extensionColor = Color::byBlock(),
          textColor = Color::byBlock(); // DIMCLRD, DIMCLRE, DIMCLRT
    std::uint32_t textStyle = kNoIndex; // DIMTXSTY: index into Drawing::textStyles
};

// The definition points and settings of a dimension beyond the common ones. Which point means
// what depends on the kind: linear and aligned dimensions measure from point13 to point14;
// angular ones between the lines point13-point14 and point15-definitionPoint (or, three-point,
// about point15 from point13 to point14); radius and diameter from the centre or far point
// to point15; ordinates from the origin (definitionPoint) to point13 with the leader to
// point14; arc lengths along the arc about point15 from point13 to point14.
struct DimensionDefinition {
    Vec3 point13, point14, point15, point16;
    double rotation = 0;     // radians: direction of a rotated linear dimension line
    double textRotation = 0; // radians, when hasTextRotation
    bool hasTextRotation = false;
    bool ordinateX = false;                // an ordinate dimension measuring x (else y)
    bool textUserPlaced = false;           // the text stays where the file puts it
    std::shared_ptr<const DimStyle> style; // with this dimension's overrides; null: its style
};

inline DimensionDefinitionRef::DimensionDefinitionRef(const DimensionDefinitionRef& other)
    : d_(other.d_ ? std::make_unique<DimensionDefinition>(*other.d_) : nullptr) {}
inline DimensionDefinitionRef&
DimensionDefinitionRef::operator=(const DimensionDefinitionRef& other) {
    return *this = DimensionDefinitionRef(other);
}
inline DimensionDefinitionRef::~DimensionDefinitionRef() = default;

} // namespace vexor::cad
