#include "Measurer.h"

#include "CursorReadout.h"
#include "cad/query/Measure.h"
#include "cad/query/UnitFormat.h"

#include <algorithm>

namespace vexor::view {
namespace {

constexpr int kAngleDecimals = 2;

std::string plainNumber(double v, int decimals) {
    return cad::formatLength(v, cad::LinearUnitFormat{2, decimals});
}

} // namespace

void Measurer::Start(Mode mode) {
    mode_ = mode;
    active_ = true;
    paper_.clear();
    model_.clear();
    object_.clear();
    inModel_ = true;
    program_.Dbcocx1.SetSnapBase(false, 0, 0);
    update();
}

std::string Measurer::SnapName(std::int32_t kind) {
    switch (kind) {
    case 1:
        return "Endpoint";
    case 2:
        return "Midpoint";
    case 4:
        return "Intersection";
    case 8:
        return "Nearest";
    case 16:
        return "Node";
    case 32:
        return "Insertion";
    case 64:
        return "Centre";
    case 128:
        return "Quadrant";
    case 256:
        return "Perpendicular";
    case 512:
        return "Tangent";
    default:
        return {};
    }
}

std::string Measurer::Hover(double x, double y) {
    if (!active_)
        return {};
    double sx = x, sy = y;
    return SnapName(program_.Dbcocx1.SnapPoint(x, y, kSnapPixels, SnapKinds, sx, sy));
}

void Measurer::Cancel() {
    if (!active_)
        return;
    active_ = false;
    double sx = 0, sy = 0;
    program_.Dbcocx1.SnapPoint(0, 0, kSnapPixels, 0, sx, sy); // removes the mark
    program_.Dbcocx1.SetSnapBase(false, 0, 0);
    if (changed)
        changed();
}

void Measurer::Pick(double x, double y) {
    if (!active_)
        return;
    control::DrawingControl& c = program_.Dbcocx1;
    if (mode_ == Mode::Object) {
        pickObject(x, y);
        return;
    }
    if (mode_ == Mode::Angle && paper_.size() == 3) {
        paper_.clear();
        model_.clear();
        inModel_ = true;
    }
    double sx = x, sy = y;
    if (c.SnapPoint(x, y, kSnapPixels, SnapKinds, sx, sy) != 0) {
        x = sx;
        y = sy;
    }
    if (!paper_.empty() && paper_.back().x == x && paper_.back().y == y)
        return; // the press of a double click, picked already
    double mx = 0, my = 0, scale = 1;
    const bool seen = c.ShownLayout() != 0 && c.ModelPointAt(x, y, mx, my, scale);
    if (seen)
        paperPerModel_ = scale;
    inModel_ = inModel_ && seen;
    paper_.push_back({x, y});
    model_.push_back(seen ? cad::Vec2{mx, my} : cad::Vec2{x, y});
    c.SetSnapBase(true, x, y);
    update();
}

// The figures the properties of the topmost object there give, measured where it lies: in
// the model when it is seen through a viewport.
void Measurer::pickObject(double x, double y) {
    control::DrawingControl& c = program_.Dbcocx1;
    static const char* const kFigures[] = {"Type",     "Centre",       "Radius",
                                           "Diameter", "Major radius", "Minor radius",
                                           "Length",   "Perimeter",    "Area"};
    object_.clear();
    paper_.clear();
    model_.clear();
    // Of several objects there, the topmost arc, circle or closed one; else the topmost line.
    const std::vector<control::ObjectProperties> objects = c.ObjectsAt(x, y, kSnapPixels);
    auto has = [](const control::ObjectProperties& object, const char* figure) {
        return std::any_of(object.begin(), object.end(),
                           [&](const auto& value) { return value.first == figure; });
    };
    const control::ObjectProperties* chosen = nullptr;
    for (const char* wanted : {"Radius", "Major radius", "Area", "Length"})
        for (const control::ObjectProperties& object : objects)
            if (!chosen && has(object, wanted))
                chosen = &object;
    if (chosen)
        for (const char* figure : kFigures)
            for (const auto& [name, value] : *chosen)
                if (name == figure)
                    object_.push_back({name, value});
    double mx = 0, my = 0, scale = 1;
    inModel_ = c.ShownLayout() != 0 && c.ModelPointAt(x, y, mx, my, scale);
    if (inModel_)
        paperPerModel_ = scale;
    paper_.push_back({x, y});
    model_.push_back({mx, my});
    update();
}

std::string Measurer::length(double value) const {
    return cad::formatLength(value, cad::LinearUnitFormat{units_, precision_});
}

void Measurer::update() {
    program_.Dbcocx1.GetUnits(units_, precision_);
    const std::vector<cad::Vec2>& p = inModel_ && !paper_.empty() ? model_ : paper_;
    values_.clear();
    summary_.clear();
    auto add = [&](const char* name, std::string text) {
        values_.push_back({name, std::move(text)});
    };
    switch (mode_) {
    case Mode::Distance:
        if (p.size() < 2) {
            summary_ = p.empty() ? "Measure: pick the first point" : "Measure: pick the next point";
            break;
        }
        {
            const cad::Distance d = cad::measureDistance(p[p.size() - 2], p.back());
            add("Distance", length(d.length));
            add("Delta X", length(d.dx));
            add("Delta Y", length(d.dy));
            add("Angle", cad::formatAngleDegrees(d.angle, kAngleDecimals));
            if (p.size() > 2)
                add("Total", length(cad::pathLength(p, false)));
            summary_ = "Distance " + values_.front().text;
            if (p.size() > 2)
                summary_ += ", total " + values_.back().text;
        }
        break;
    case Mode::Angle:
        if (p.size() < 3) {
            static const char* const kAsk[] = {"Angle: pick a point on the first side",
                                               "Angle: pick the vertex",
                                               "Angle: pick a point on the second side"};
            summary_ = kAsk[p.size()];
            break;
        }
        add("Angle", cad::formatAngleDegrees(cad::angleAt(p[1], p[0], p[2]), kAngleDecimals));
        summary_ = "Angle " + values_.front().text;
        break;
    case Mode::Object:
        if (object_.empty()) {
            summary_ = p.empty() ? "Object: pick an arc, a circle or a closed object"
                                 : "Object: nothing with figures there; pick another";
            break;
        }
        values_ = object_;
        for (const Value& v : object_)
            if (v.name == "Radius" || v.name == "Area" || v.name == "Length")
                summary_ += (summary_.empty() ? "" : ", ") + v.name + " " + v.text;
        break;
    case Mode::Area:
        if (p.size() < 3) {
            summary_ = "Area: pick the corners";
            break;
        }
        add("Area", plainNumber(cad::ringArea(p), std::clamp(precision_, 0, 8)));
        add("Perimeter", length(cad::pathLength(p, true)));
        summary_ = "Area " + values_.front().text + ", perimeter " + values_.back().text;
        break;
    }
    if (mode_ == Mode::Object && !object_.empty()) {
        // An object is measured where it lies; through a viewport that is the model.
        if (inModel_)
            add("Measured", "in the model, through a viewport at " + ScaleRatio(paperPerModel_));
    } else if (!p.empty() && p.size() >= 2) {
        add("Points", std::to_string(p.size()));
        if (inModel_)
            add("Measured", "in the model, through a viewport at " + ScaleRatio(paperPerModel_));
        else if (program_.Dbcocx1.ShownLayout() != 0)
            add("Measured", "on paper");
    }
    if (changed)
        changed();
}

} // namespace vexor::view
