#include "DrawingInfo.h"

#include <QJsonArray>
#include <map>

namespace vexor::tools {

namespace {

QString formatName(cad::FileFormat format) {
    switch (format) {
    case cad::FileFormat::Dwg:
        return QStringLiteral("DWG");
    case cad::FileFormat::Dxf:
        return QStringLiteral("DXF");
    case cad::FileFormat::Dgn:
        return QStringLiteral("DGN");
    case cad::FileFormat::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

QJsonArray point3(const cad::Vec3& p) {
    return {p.x, p.y, p.z};
}

QJsonObject header(const cad::Header& h) {
    QJsonObject out;
    if (h.extMin)
        out.insert("EXTMIN", point3(*h.extMin));
    if (h.extMax)
        out.insert("EXTMAX", point3(*h.extMax));
    if (h.limMin)
        out.insert("LIMMIN", QJsonArray{h.limMin->x, h.limMin->y});
    if (h.limMax)
        out.insert("LIMMAX", QJsonArray{h.limMax->x, h.limMax->y});
    if (h.insUnits)
        out.insert("INSUNITS", *h.insUnits);
    if (h.measurement)
        out.insert("MEASUREMENT", *h.measurement);
    if (!h.codepage.empty())
        out.insert("codepage", QString::fromStdString(h.codepage));
    if (h.namedPlotStyles) // layers and entities name their plot styles
        out.insert("PSTYLEMODE", 0);
    return out;
}

QJsonValue layerColor(const cad::Color& c) {
    if (c.kind == cad::Color::Kind::True)
        return QString::asprintf("#%06x", c.rgb);
    return std::abs(static_cast<int>(c.index));
}

// "Model" first, then each sheet in tab order: its paper as looked at, in millimetres, and
// the number of views onto model space it holds, and how it plots.
QJsonArray layouts(const cad::Drawing& drawing) {
    QJsonArray out{QJsonObject{{"name", "Model"}, {"paper", QJsonValue::Null}, {"viewports", 0}}};
    for (const cad::Layout& layout : drawing.layouts) {
        int views = 0;
        if (layout.block < drawing.blocks.size()) {
            const auto& viewports = drawing.blocks[layout.block].viewports;
            for (std::size_t i = 0; i < viewports.size(); ++i)
                views += cad::isPaperViewport(viewports, i) ? 0 : 1;
        }
        const cad::Vec2 paper = cad::sheetSize(layout);
        out.append(QJsonObject{
            {"name", QString::fromStdString(layout.name)},
            {"paper", QJsonArray{paper.x, paper.y}},
            {"viewports", views},
            {"plot", QJsonObject{{"area", static_cast<int>(layout.plotArea)},
                                 {"scale", layout.fitsToPaper()
                                               ? QJsonValue("fit")
                                               : QJsonValue(QJsonArray{layout.printedUnits,
                                                                       layout.drawingUnits})},
                                 {"styles", QString::fromStdString(layout.plotStyleTable)},
                                 {"flags", layout.plotFlags}}}});
    }
    return out;
}

// The external references met while loading, depth first.
QJsonArray references(const cad::Drawing& drawing) {
    QJsonArray out;
    for (const cad::ExternalReference& ref : drawing.references)
        out.append(
            QJsonObject{{"name", QString::fromStdString(ref.name)},
                        {"path", QString::fromStdString(ref.path)},
                        {"found", ref.found},
                        {"file", ref.file.empty() ? QJsonValue(QJsonValue::Null)
                                                  : QJsonValue(QString::fromStdString(ref.file))},
                        {"overlay", ref.overlay},
                        {"depth", ref.depth}});
    return out;
}

} // namespace

QJsonObject drawingInfo(const cad::Drawing& drawing, const cad::DisplayList& list) {
    QJsonObject info;
    info.insert("format", formatName(drawing.format));
    info.insert("version", QString::fromStdString(drawing.header.version));
    const QJsonObject stored = header(drawing.header);
    if (!stored.isEmpty())
        info.insert("header", stored);

    QJsonArray layers;
    for (const cad::Layer& layer : drawing.layers) {
        QJsonObject entry;
        entry.insert("name", QString::fromStdString(layer.name));
        entry.insert("color", layerColor(layer.color));
        entry.insert("on", !layer.off);
        entry.insert("frozen", layer.frozen);
        if (!layer.plotStyle.empty())
            entry.insert("plotStyle", QString::fromStdString(layer.plotStyle));
        layers.append(entry);
    }
    info.insert("layers", layers);

    // Each text style with the font it names and the file it is drawn with.
    QJsonArray styles;
    for (const cad::StyleFont& style : list.styleFonts()) {
        QJsonObject entry;
        entry.insert("name", QString::fromStdString(style.name));
        entry.insert("font", QString::fromStdString(style.font));
        entry.insert("resolved", style.resolved.empty()
                                     ? QJsonValue(QJsonValue::Null)
                                     : QJsonValue(QString::fromStdString(style.resolved)));
        styles.append(entry);
    }
    info.insert("styles", styles);

    std::map<std::string, int> counts;
    for (const cad::Entity& e : drawing.modelSpace)
        ++counts[cad::dxfTypeName(e)];
    QJsonObject entities;
    for (const auto& [name, n] : counts)
        entities.insert(QString::fromStdString(name), n);
    info.insert("entities", entities);

    info.insert("layouts", layouts(drawing));
    info.insert("references", references(drawing));

    const cad::Box2 box = list.extents();
    if (box.empty())
        info.insert("extents", QJsonValue::Null);
    else
        info.insert("extents", QJsonArray{box.minX, box.minY, box.maxX, box.maxY});

    QJsonArray diagnostics;
    for (const std::string& d : drawing.diagnostics)
        diagnostics.append(QString::fromStdString(d));
    for (const std::string& d : list.diagnostics())
        diagnostics.append(QString::fromStdString(d));
    info.insert("diagnostics", diagnostics);
    return info;
}

} // namespace vexor::tools
