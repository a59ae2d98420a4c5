#include "MultiLeaderObjects.h"

#include "EntityParsers.h"
#include "TableRecords.h"

#include <cmath>
#include <memory>

namespace vexor::cad::dwg {
namespace {

// Limits far above what drawings hold; counts are also checked against the bits left.
constexpr std::size_t kMaxLeaderRoots = 5000;
constexpr std::size_t kMaxLinesPerRoot = 5000;
constexpr std::size_t kMaxPointsPerLine = 65536;
constexpr std::size_t kMaxBreaks = 65536;
constexpr std::size_t kMaxColumns = 1024;
constexpr std::size_t kMaxLabels = 65536;
constexpr std::size_t kMaxStyles = 65536;
// The fewest bits a stored item can take: a 3BD point, a BD, a handle plus a BL.
constexpr std::size_t kPointBits = 6;
constexpr std::size_t kDoubleBits = 2;
constexpr std::size_t kArrowEntryBits = 10;
constexpr std::size_t kLabelBits = 14;

// Which of a leader line's own values replace the multileader's.
namespace LineOverride {
constexpr std::int32_t kPathType = 0x1;
constexpr std::int32_t kColor = 0x2;
constexpr std::int32_t kLinetype = 0x4;
constexpr std::int32_t kLineweight = 0x8;
constexpr std::int32_t kArrowSize = 0x10;
constexpr std::int32_t kArrow = 0x20;
} // namespace LineOverride

std::int16_t pathTypeOf(std::int32_t v) {
    return static_cast<std::int16_t>(v < 0 || v > 2 ? 1 : v);
}

std::int16_t lineweightOf(std::int32_t v) {
    return static_cast<std::int16_t>(v < -3 || v > 211 ? kLineweightByBlock : v);
}

void skipBreakPairs(BitReader& r) {
    const std::size_t pairs = checkedCount(r, r.bitLong(), 2 * kPointBits, kMaxBreaks);
    for (std::size_t i = 0; i < pairs; ++i) {
        r.point3();
        r.point3();
    }
}

class Parser {
public:
    Parser(ObjectFrame& f, const TextDecoder& decode, const MultiLeaderReferences& refs)
        : f_(f), r_(f.data), decode_(decode), refs_(refs) {}

    MultiLeader run() {
        if (f_.version >= DwgVersion::R2010)
            r_.bitShort(); // class version
        context();
        entityValues();
        return MultiLeader{std::make_shared<const MultiLeaderData>(std::move(out_))};
    }

private:
    bool since2010() const { return f_.version >= DwgVersion::R2010; }

    MultiLeaderLine line() {
        MultiLeaderLine l;
        l.vertices.resize(checkedCount(r_, r_.bitLong(), kPointBits, kMaxPointsPerLine));
        for (Vec3& v : l.vertices)
            v = r_.point3();
        if (r_.bitLong() > 0) { // line breaks
            r_.bitLong();       // segment index
            skipBreakPairs(r_);
        }
        r_.bitLong(); // line index
        if (!since2010())
            return l;
        const std::int16_t pathType = pathTypeOf(r_.bitShort());
        const Color color = readObjectColor(f_, decode_);
        const std::int32_t linetype = refs_.linetype(f_.readHandle());
        const std::int16_t lineweight = lineweightOf(r_.bitLong());
        const double arrowSize = r_.bitDouble();
        std::string arrow = refs_.blockName(f_.readHandle());
        const std::int32_t own = r_.bitLong();
        if (own & LineOverride::kPathType)
            l.pathType = pathType;
        if (own & LineOverride::kColor)
            l.color = color;
        if (own & LineOverride::kLinetype)
            l.linetype = linetype;
        if (own & LineOverride::kLineweight)
            l.lineweight = lineweight;
        if (own & LineOverride::kArrowSize)
            l.arrowSize = arrowSize;
        if (own & LineOverride::kArrow)
            l.arrow = std::move(arrow);
        return l;
    }

    void root() {
        MultiLeaderBranch& b = out_.branches.emplace_back();
        r_.bit(); // the content is valid
        r_.bit();
        b.landingPoint = r_.point3();
        b.hasLandingPoint = true;
        b.doglegDirection = r_.point3();
        skipBreakPairs(r_);
        r_.bitLong(); // leader index
        b.doglegLength = r_.bitDouble();
        const std::size_t lines = checkedCount(r_, r_.bitLong(), 4 * 2, kMaxLinesPerRoot);
        b.lines.reserve(lines);
        for (std::size_t i = 0; i < lines; ++i)
            b.lines.push_back(line());
        if (since2010())
            r_.bitShort(); // attachment direction
    }

    void textContent() {
        MText& t = out_.text;
        t.text = f_.text(decode_);
        r_.point3(); // normal
        t.style = refs_.textStyle(f_.readHandle());
        t.insert = r_.point3();
        t.xDirection = r_.point3();
        const double rotation = r_.bitDouble();
        t.referenceWidth = r_.bitDouble();
        r_.bitDouble(); // boundary height
        t.lineSpacingFactor = r_.bitDouble();
        r_.bitShort(); // line spacing style
        out_.textColor = readObjectColor(f_, decode_);
        const std::int16_t attachment = r_.bitShort();
        t.attachment = static_cast<std::int16_t>(attachment < 1 || attachment > 9 ? 1 : attachment);
        // Flow direction: not applied. Files store "top to bottom" for turned multileader text
        // whose DXF copy is drawn across; multileader text is laid out left to right, as the
        // DXF reader does.
        r_.bitShort();
        t.backgroundColor = readObjectColor(f_, decode_); // the mask, as MTEXT has it
        t.backgroundScale = r_.bitDouble();
        r_.bitLong(); // background transparency
        const bool mask = r_.bit();
        const bool viewColor = r_.bit(); // the view's background colour, not its own
        if (mask)
            t.backgroundFlags =
                static_cast<std::uint8_t>(kMTextFill | (viewColor ? kMTextFillBackground : 0));
        r_.bitShort();  // column type
        r_.bit();       // automatic height
        r_.bitDouble(); // column width
        r_.bitDouble(); // column gutter
        r_.bit();       // column flow reversed
        const std::size_t columns = checkedCount(r_, r_.bitLong(), kDoubleBits, kMaxColumns);
        for (std::size_t i = 0; i < columns; ++i)
            r_.bitDouble();
        r_.bit(); // word break
        r_.bit();
        if (!(std::hypot(t.xDirection.x, t.xDirection.y) > 0))
            t.xDirection = {std::cos(rotation), std::sin(rotation), 0};
    }

    void blockContent() {
        out_.hasBlock = r_.bit();
        if (!out_.hasBlock)
            return;
        out_.block = refs_.blockName(f_.readHandle());
        r_.point3(); // normal
        out_.blockPosition = r_.point3();
        out_.blockScale = r_.point3();
        out_.blockRotation = r_.bitDouble();
        out_.blockColor = readObjectColor(f_, decode_);
        for (int i = 0; i < 16; ++i)
            r_.bitDouble(); // the transform the values above make
    }

    void context() {
        const std::size_t roots = checkedCount(r_, r_.bitLong(), 16, kMaxLeaderRoots);
        out_.branches.reserve(roots);
        for (std::size_t i = 0; i < roots; ++i)
            root();
        r_.bitDouble(); // overall scale
        r_.point3();    // content base point
        out_.text.height = r_.bitDouble();
        out_.arrowSize = r_.bitDouble();
        out_.landingGap = r_.bitDouble();
        r_.bitShort(); // left and right text attachment of the style
        r_.bitShort();
        r_.bitShort(); // text alignment
        r_.bitShort(); // block attachment
        out_.hasText = r_.bit();
        if (out_.hasText)
            textContent();
        else
            blockContent();
        r_.point3(); // base point, direction and vertical of the content plane
        r_.point3();
        r_.point3();
        r_.bit(); // normal reversed
        if (since2010()) {
            r_.bitShort(); // top and bottom text attachment of the style
            r_.bitShort();
        }
    }

    void entityValues() {
        MultiLeaderStyle& own = out_.own;
        out_.styleHandle = f_.readHandle();
        out_.overrides = static_cast<std::uint32_t>(r_.bitLong());
        own.pathType = pathTypeOf(r_.bitShort());
        own.lineColor = readObjectColor(f_, decode_);
        own.linetype = refs_.linetype(f_.readHandle());
        own.lineweight = lineweightOf(r_.bitLong());
        r_.bit(); // landing on
        own.dogleg = r_.bit();
        own.doglegLength = r_.bitDouble();
        own.arrow = refs_.blockName(f_.readHandle());
        own.arrowSize = r_.bitDouble();
        const std::int16_t content = r_.bitShort();
        own.contentType = static_cast<std::int16_t>(content < 0 || content > 3 ? 2 : content);
        own.textStyle = refs_.textStyle(f_.readHandle());
        r_.bitShort(); // left and right text attachment
        r_.bitShort();
        r_.bitShort(); // text angle type
        r_.bitShort(); // text alignment
        own.textColor = readObjectColor(f_, decode_);
        own.textFrame = r_.bit();
        own.block = refs_.blockName(f_.readHandle());
        own.blockColor = readObjectColor(f_, decode_);
        r_.point3();    // block scale
        r_.bitDouble(); // block rotation
        r_.bitShort();  // block connection
        r_.bit();       // annotative
        if (f_.version < DwgVersion::R2010) {
            const std::size_t arrows = checkedCount(r_, r_.bitLong(), kArrowEntryBits, kMaxLabels);
            for (std::size_t i = 0; i < arrows; ++i) {
                r_.bitLong(); // index
                f_.readHandle();
            }
        }
        const std::size_t labels = checkedCount(r_, r_.bitLong(), kLabelBits, kMaxLabels);
        out_.attributes.reserve(labels);
        for (std::size_t i = 0; i < labels; ++i) {
            MultiLeaderAttribute& a = out_.attributes.emplace_back();
            a.definition = f_.readHandle();
            r_.bitShort();  // index
            r_.bitDouble(); // width
            a.text = f_.text(decode_);
        }
        r_.bit();      // text direction negative
        r_.bitShort(); // alignment in place editing
        r_.bitShort(); // justification
        own.scale = r_.bitDouble();
    }

    ObjectFrame& f_;
    BitReader& r_;
    const TextDecoder& decode_;
    const MultiLeaderReferences& refs_;
    MultiLeaderData out_;
};

MultiLeaderStyle parseStyle(ObjectFrame& f, const TextDecoder& decode,
                            const MultiLeaderReferences& refs) {
    BitReader& r = f.data;
    MultiLeaderStyle s;
    s.handle = f.handle;
    if (f.version >= DwgVersion::R2010)
        r.bitShort(); // class version
    const std::int16_t content = r.bitShort();
    s.contentType = static_cast<std::int16_t>(content < 0 || content > 3 ? 2 : content);
    r.bitShort();  // drawing order of the content
    r.bitShort();  // drawing order of the leaders
    r.bitLong();   // most points a leader line may take
    r.bitDouble(); // angle constraints of the first two segments
    r.bitDouble();
    s.pathType = pathTypeOf(r.bitShort());
    s.lineColor = readObjectColor(f, decode);
    s.linetype = refs.linetype(f.readHandle());
    s.lineweight = lineweightOf(r.bitLong());
    r.bit();       // landing on
    r.bitDouble(); // landing gap
    s.dogleg = r.bit();
    s.doglegLength = r.bitDouble();
    s.name = f.text(decode); // description
    s.arrow = refs.blockName(f.readHandle());
    s.arrowSize = r.bitDouble();
    f.text(decode); // default text
    s.textStyle = refs.textStyle(f.readHandle());
    r.bitShort(); // left and right attachment
    r.bitShort();
    r.bitShort(); // text angle type
    r.bitShort(); // text alignment
    s.textColor = readObjectColor(f, decode);
    s.textHeight = r.bitDouble();
    s.textFrame = r.bit();
    r.bit();       // text always left
    r.bitDouble(); // alignment space
    s.block = refs.blockName(f.readHandle());
    s.blockColor = readObjectColor(f, decode);
    r.point3();    // block scale
    r.bit();       // block scale on
    r.bitDouble(); // block rotation
    r.bit();       // block rotation on
    r.bitShort();  // block connection
    s.scale = r.bitDouble();
    return s;
}

} // namespace

std::string MultiLeaderReferences::blockName(std::uint64_t handle) const {
    const std::string* name = lookup_.blockName(handle);
    return name ? *name : std::string();
}

std::int32_t MultiLeaderReferences::linetype(std::uint64_t handle) const {
    const auto it = tables_.linetypes.find(handle);
    if (it != tables_.linetypes.end())
        return it->second;
    return handle == tables_.linetypeByLayer ? kLinetypeByLayer : kLinetypeByBlock;
}

MultiLeader parseMultiLeader(ObjectFrame& f, const TextDecoder& decode,
                             const MultiLeaderReferences& refs) {
    return Parser(f, decode, refs).run();
}

void readMultiLeaderStyles(const ObjectStore& store, const TextDecoder& decode,
                           const MultiLeaderReferences& refs, Drawing& drawing) {
    readObjectsOfClass(store, "MLEADERSTYLE", kMaxStyles, drawing.diagnostics, [&](ObjectFrame& f) {
        drawing.multiLeaderStyles.push_back(parseStyle(f, decode, refs));
    });
}

} // namespace vexor::cad::dwg
