#include "MultiLeaderRecords.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace vexor::cad::dxf {
namespace {

std::int16_t smallInt(const Group& g, std::int64_t lo, std::int64_t hi, std::int16_t fallback) {
    const std::int64_t v = g.asInt(fallback);
    return static_cast<std::int16_t>(v < lo || v > hi ? fallback : v);
}

// An arrowhead named by the handle of its block record; an unknown handle is the standard one.
std::string arrowNamed(const Group& g, const DxfContext& context) {
    const std::string* name = context.blockRecordName(parseHandle(g.trimmed()));
    return name ? *name : std::string();
}

// Where in a MULTILEADER record a group lies: the groups reuse codes with other meanings
// inside the braced parts of the context data, and the entity's own values follow it (what
// comes before it are the common groups: handle, owner, layer ...).
enum class Part : std::uint8_t { Common, Context, Branch, Line, Entity };

struct Reader {
    const EntityRecord& record;
    DxfContext& context;
    MultiLeaderData out;
    Part part = Part::Common;
    double textRotation = 0;
    bool hasTextDirection = false;
    bool backgroundFill = false, backgroundIsView = false;

    MultiLeaderBranch& branch() { return out.branches.back(); }
    MultiLeaderLine& line() { return branch().lines.back(); }

    // Braces open and close the parts; true when the group was one of them.
    bool structure(const Group& g) {
        const std::string_view v = g.trimmed();
        if (part == Part::Common && g.code == 300 && v == "CONTEXT_DATA{") {
            part = Part::Context;
        } else if (part == Part::Context && g.code == 302 && v == "LEADER{") {
            out.branches.emplace_back();
            part = Part::Branch;
        } else if (part == Part::Branch && g.code == 304 && v == "LEADER_LINE{") {
            branch().lines.emplace_back();
            part = Part::Line;
        } else if (part == Part::Line && g.code == 305) {
            part = Part::Branch;
        } else if (part == Part::Branch && g.code == 303) {
            part = Part::Context;
        } else if (part == Part::Context && g.code == 301) {
            part = Part::Entity;
        } else {
            return false;
        }
        return true;
    }

    void contextGroup(const Group& g) {
        MText& t = out.text;
        if (readCoordinate(g, 12, t.insert))
            return;
        if (readCoordinate(g, 13, t.xDirection)) {
            hasTextDirection = true;
            return;
        }
        if (readCoordinate(g, 15, out.blockPosition) || readCoordinate(g, 16, out.blockScale))
            return;
        switch (g.code) {
        case 41:
            t.height = g.asDouble(t.height);
            break;
        case 140:
            out.arrowSize = g.asDouble();
            break;
        case 145:
            out.landingGap = g.asDouble();
            break;
        case 290:
            out.hasText = g.asInt() != 0;
            break;
        case 304:
            t.text = context.decode(g.text);
            break;
        case 340:
            t.style = context.textStyleByHandle(parseHandle(g.trimmed()));
            break;
        case 42:
            textRotation = g.asDouble();
            break;
        case 43:
            t.referenceWidth = g.asDouble();
            break;
        case 45:
            t.lineSpacingFactor = g.asDouble(1);
            break;
        case 90:
            out.textColor = colorFromRawValue(g.asInt());
            break;
        case 171:
            t.attachment = smallInt(g, 1, 9, 1);
            break;
        case 91: // the text's background mask, as MTEXT has it
            t.backgroundColor = colorFromRawValue(g.asInt());
            break;
        case 141:
            t.backgroundScale = g.asDouble(t.backgroundScale);
            break;
        case 291: // the mask is on
            backgroundFill = g.asInt() != 0;
            break;
        case 292: // it takes the view's background colour, not its own
            backgroundIsView = g.asInt() != 0;
            break;
        case 296:
            out.hasBlock = g.asInt() != 0;
            break;
        case 341:
            if (const std::string* name = context.blockRecordName(parseHandle(g.trimmed())))
                out.block = *name;
            break;
        case 46:
            out.blockRotation = g.asDouble();
            break;
        case 93:
            out.blockColor = colorFromRawValue(g.asInt());
            break;
        }
    }

    void branchGroup(const Group& g) {
        MultiLeaderBranch& b = branch();
        if (readCoordinate(g, 10, b.landingPoint)) {
            b.hasLandingPoint = true;
            return;
        }
        if (readCoordinate(g, 11, b.doglegDirection))
            return;
        if (g.code == 40)
            b.doglegLength = g.asDouble();
    }

    void lineGroup(const Group& g) {
        MultiLeaderLine& l = line();
        if (g.code == 10)
            l.vertices.emplace_back();
        if (!l.vertices.empty() && readCoordinate(g, 10, l.vertices.back()))
            return;
        switch (g.code) {
        case 170:
            l.pathType = smallInt(g, 0, 2, 1);
            break;
        case 92:
            l.color = colorFromRawValue(g.asInt());
            break;
        case 340:
            l.linetype = context.linetypeByHandle(parseHandle(g.trimmed()), kLinetypeByBlock);
            break;
        case 171:
            l.lineweight = smallInt(g, -3, 211, kLineweightByBlock);
            break;
        case 40:
            l.arrowSize = g.asDouble();
            break;
        case 341:
            l.arrow = arrowNamed(g, context);
            break;
        }
    }

    void entityGroup(const Group& g) {
        MultiLeaderStyle& own = out.own;
        switch (g.code) {
        case 340:
            out.styleHandle = parseHandle(g.trimmed());
            break;
        case 90:
            out.overrides = static_cast<std::uint32_t>(g.asInt());
            break;
        case 170:
            own.pathType = smallInt(g, 0, 2, 1);
            break;
        case 91:
            own.lineColor = colorFromRawValue(g.asInt());
            break;
        case 341:
            own.linetype = context.linetypeByHandle(parseHandle(g.trimmed()), kLinetypeByBlock);
            break;
        case 171:
            own.lineweight = smallInt(g, -3, 211, kLineweightByBlock);
            break;
        case 291:
            own.dogleg = g.asInt() != 0;
            break;
        case 41:
            own.doglegLength = g.asDouble(own.doglegLength);
            break;
        case 342:
            own.arrow = arrowNamed(g, context);
            break;
        case 42:
            own.arrowSize = g.asDouble(own.arrowSize);
            break;
        case 172:
            own.contentType = smallInt(g, 0, 3, 2);
            break;
        case 343:
            own.textStyle = context.textStyleByHandle(parseHandle(g.trimmed()));
            break;
        case 92:
            own.textColor = colorFromRawValue(g.asInt());
            break;
        case 292:
            own.textFrame = g.asInt() != 0;
            break;
        case 344:
            if (const std::string* name = context.blockRecordName(parseHandle(g.trimmed())))
                own.block = *name;
            break;
        case 93:
            own.blockColor = colorFromRawValue(g.asInt());
            break;
        case 45:
            own.scale = g.asDouble(1);
            break;
        case 330:
            out.attributes.push_back({parseHandle(g.trimmed()), {}});
            break;
        case 302:
            if (!out.attributes.empty())
                out.attributes.back().text = context.decode(g.text);
            break;
        }
    }

    MultiLeader read() {
        for (const Group& g : record.groups) {
            if (structure(g))
                continue;
            switch (part) {
            case Part::Common:
                break;
            case Part::Entity:
                entityGroup(g);
                break;
            case Part::Context:
                contextGroup(g);
                break;
            case Part::Branch:
                branchGroup(g);
                break;
            case Part::Line:
                lineGroup(g);
                break;
            }
        }
        if (backgroundFill)
            out.text.backgroundFlags = static_cast<std::uint8_t>(
                kMTextFill | (backgroundIsView ? kMTextFillBackground : 0));
        if (!hasTextDirection || !(std::hypot(out.text.xDirection.x, out.text.xDirection.y) > 0))
            out.text.xDirection = {std::cos(textRotation), std::sin(textRotation), 0};
        return MultiLeader{std::make_shared<const MultiLeaderData>(std::move(out))};
    }
};

} // namespace

Color colorFromRawValue(std::int64_t raw) {
    const auto v = static_cast<std::uint32_t>(raw);
    switch (v >> 24) {
    case 0xC0:
        return Color::byLayer();
    case 0xC2:
        return Color::trueColor(v & 0xFFFFFFu);
    case 0xC3: {
        const int index = static_cast<int>(v & 0xFFu);
        return index == 0 ? Color::byBlock() : Color::indexed(index);
    }
    default:
        return Color::byBlock();
    }
}

MultiLeader readMultiLeader(const EntityRecord& record, DxfContext& context) {
    return Reader{record, context, {}}.read();
}

void readMultiLeaderStyle(const EntityRecord& record, DxfContext& context) {
    MultiLeaderStyle s;
    for (const Group& g : record.groups) {
        switch (g.code) {
        case 5:
            s.handle = parseHandle(g.trimmed());
            break;
        case 3:
            s.name = context.decode(g.trimmed());
            break;
        case 173:
            s.pathType = smallInt(g, 0, 2, 1);
            break;
        case 91:
            s.lineColor = colorFromRawValue(g.asInt());
            break;
        case 340:
            s.linetype = context.linetypeByHandle(parseHandle(g.trimmed()), kLinetypeByBlock);
            break;
        case 92:
            s.lineweight = smallInt(g, -3, 211, kLineweightByBlock);
            break;
        case 291:
            s.dogleg = g.asInt() != 0;
            break;
        case 43:
            s.doglegLength = g.asDouble(s.doglegLength);
            break;
        case 341:
            s.arrow = arrowNamed(g, context);
            break;
        case 44:
            s.arrowSize = g.asDouble(s.arrowSize);
            break;
        case 170:
            s.contentType = smallInt(g, 0, 3, 2);
            break;
        case 342:
            s.textStyle = context.textStyleByHandle(parseHandle(g.trimmed()));
            break;
        case 93:
            s.textColor = colorFromRawValue(g.asInt());
            break;
        case 45:
            s.textHeight = g.asDouble(s.textHeight);
            break;
        case 292:
            s.textFrame = g.asInt() != 0;
            break;
        case 343:
            if (const std::string* name = context.blockRecordName(parseHandle(g.trimmed())))
                s.block = *name;
            break;
        case 94:
            s.blockColor = colorFromRawValue(g.asInt());
            break;
        case 142:
            s.scale = g.asDouble(1);
            break;
        }
    }
    if (s.handle != 0)
        context.drawing().multiLeaderStyles.push_back(std::move(s));
}

} // namespace vexor::cad::dxf
