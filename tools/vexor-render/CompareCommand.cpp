#include "CompareCommand.h"

#include "cad/compare/ComparisonDrawing.h"
#include "cad/load/DrawingReader.h"
#include "cad/io/LoadBudget.h"
#include "cad/model/ReadError.h"
#include "control/render/Renderer.h"
#include "control/render/TrueTypeFaces.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>
#include <exception>

namespace vexor::tools {

namespace {

constexpr cad::Change kChanges[] = {cad::Change::Same, cad::Change::Removed, cad::Change::Added,
                                    cad::Change::Changed};

QJsonObject counts(const cad::ChangeCounts& c) {
    QJsonObject out;
    for (cad::Change change : kChanges)
        out.insert(cad::changeName(change), static_cast<qint64>(c[change]));
    return out;
}

QJsonObject countsByName(const std::map<std::string, cad::ChangeCounts>& byName) {
    QJsonObject out;
    for (const auto& [name, c] : byName)
        out.insert(QString::fromStdString(name), counts(c));
    return out;
}

// A handle in hexadecimal; null where the entity is absent or the file gives it none.
QJsonValue handle(std::uint64_t h, bool present) {
    return present ? QJsonValue(QString::number(h, 16).toUpper()) : QJsonValue();
}

QJsonArray names(const std::vector<std::string>& list) {
    QJsonArray out;
    for (const std::string& n : list)
        out.append(QString::fromStdString(n));
    return out;
}

void printError(const QString& message) {
    std::fprintf(stderr, "vexor-render: %s\n", message.toLocal8Bit().constData());
}

// Reads one drawing; a message naming the file on failure.
std::optional<cad::Drawing> readOne(const QString& path, QString& error) {
    try {
        return cad::readDrawingFile(path.toStdString());
    } catch (const cad::ReadError& e) {
        error = QString::fromStdString(e.what());
    } catch (const cad::LoadStopped& e) {
        const QString what = QString::fromStdString(e.what());
        error = what.startsWith(path) ? what : path + ": " + what;
    } catch (const std::exception& e) {
        error = path + ": " + QString::fromStdString(e.what());
    }
    return std::nullopt;
}

} // namespace

QJsonObject comparisonInfo(const cad::Comparison& comparison) {
    QJsonObject out = counts(comparison.total);
    out.insert("by_kind", countsByName(comparison.byKind));
    out.insert("by_layer", countsByName(comparison.byLayer));
    out.insert("matched_by_handle", static_cast<qint64>(comparison.matchedByHandle));
    out.insert("matched_by_geometry", static_cast<qint64>(comparison.matchedBySignature));
    out.insert("tolerance", comparison.tolerance);
    QJsonArray spaces;
    for (const cad::SpaceComparison& s : comparison.spaces)
        spaces.append(QString::fromStdString(s.name));
    out.insert("compared", spaces);
    out.insert("layouts_only_in_old", names(comparison.layoutsOnlyInOld));
    out.insert("layouts_only_in_new", names(comparison.layoutsOnlyInNew));
    QJsonArray differences;
    for (const cad::Difference& d : comparison.differences) {
        QJsonObject item;
        item.insert("change", cad::changeName(d.change));
        item.insert("space", QString::fromStdString(comparison.spaces[d.space].name));
        item.insert("kind", QString::fromStdString(d.kind));
        item.insert("layer", QString::fromStdString(d.layer));
        item.insert("old_handle", handle(d.oldHandle, d.oldIndex != cad::kNoIndex && d.oldHandle));
        item.insert("new_handle", handle(d.newHandle, d.newIndex != cad::kNoIndex && d.newHandle));
        item.insert("bbox", d.box.empty() ? QJsonValue()
                                          : QJsonValue(QJsonArray{d.box.minX, d.box.minY,
                                                                  d.box.maxX, d.box.maxY}));
        differences.append(item);
    }
    out.insert("differences", differences);
    return out;
}

int runCompareCommand(const RenderCommand& command) {
    const auto size = [](const QString& path) {
        return static_cast<std::uint64_t>(std::max<qint64>(QFileInfo(path).size(), 0));
    };
    // Both reads and the picture's compile share one budget for the two files' sizes.
    cad::LoadBudget budget(
        cad::LoadBudget::allowedBytes(size(command.input) + size(command.other)));
    if (command.timeoutSeconds > 0)
        budget.setTimeout(
            std::chrono::milliseconds(static_cast<std::int64_t>(command.timeoutSeconds * 1000.0)));
    cad::LoadScope scope(budget);
    QString error;
    std::optional<cad::Drawing> oldDrawing = readOne(command.input, error);
    std::optional<cad::Drawing> newDrawing =
        oldDrawing ? readOne(command.other, error) : std::nullopt;
    if (!oldDrawing || !newDrawing) {
        printError(error);
        return 2;
    }
    const cad::Comparison comparison = cad::compareDrawings(*oldDrawing, *newDrawing);
    const int status = comparison.same() ? 0 : 1;
    if (command.info) {
        const QByteArray json =
            QJsonDocument(comparisonInfo(comparison)).toJson(QJsonDocument::Compact);
        std::fwrite(json.constData(), 1, static_cast<std::size_t>(json.size()), stdout);
        std::fputc('\n', stdout);
        return status;
    }
    std::shared_ptr<const cad::DisplayList> list;
    try {
        cad::Drawing shown =
            cad::buildComparisonDrawing(std::move(*oldDrawing), std::move(*newDrawing), comparison);
        list = control::compileDrawingReleasingEntities(shown);
    } catch (const std::exception& e) {
        printError(command.input + ": " + QString::fromStdString(e.what()));
        return 2;
    }
    const std::optional<int> sheet =
        command.layout.isEmpty() ? -1 : findSheet(*list, command.layout);
    if (!sheet) {
        printError(command.input + ": no layout named \"" + command.layout + "\"");
        return 2;
    }
    if (!writePicture(command, *list, *sheet)) {
        printError(command.output + ": could not write the output file");
        return 2;
    }
    return status;
}

} // namespace vexor::tools
