#include "RenderCommand.h"

#include "BatchConvert.h"
#include "CompareCommand.h"
#include "DrawingInfo.h"
#include "PdfOutline.h"
#include "cad/io/LoadBudget.h"
#include "cad/load/DrawingReader.h"
#include "cad/model/ReadError.h"
#include "control/render/Renderer.h"
#include "control/render/TrueTypeFaces.h"

#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <chrono>
#include <cstdio>
#include <exception>

namespace vexor::tools {

namespace {

void printError(const QString& message) {
    std::fprintf(stderr, "vexor-render: %s\n", message.toLocal8Bit().constData());
}

// The drawing's extents with a small margin, or a unit square when nothing is drawn.
cad::Box2 viewWindow(const cad::DisplayList& list) {
    cad::Box2 box = list.extents();
    if (box.empty())
        return {0, 0, 1, 1};
    const double margin = std::max(box.width(), box.height()) * 0.02;
    const double pad = margin > 0 ? margin : 1.0;
    return {box.minX - pad, box.minY - pad, box.maxX + pad, box.maxY + pad};
}

// What one output shows: model space with a margin, or a layout's sheet.
struct Shown {
    cad::Box2 window;
    int sheet = -1;
    QSizeF paperMm; // the sheet as looked at; empty for model space
};

Shown shownPart(const cad::DisplayList& list, int sheet) {
    if (sheet < 0)
        return {viewWindow(list), -1, {}};
    const cad::Sheet& s = list.sheets()[static_cast<std::size_t>(sheet)];
    return {s.paper, sheet, QSizeF(s.sizeMm.x, s.sizeMm.y)};
}

// The window with room around it for the sheet's shadow.
cad::Box2 withMargin(const cad::Box2& box) {
    const double pad = std::max(box.width(), box.height()) * 0.02;
    return {box.minX - pad, box.minY - pad, box.maxX + pad, box.maxY + pad};
}

bool renderTo(QPaintDevice& device, const QRectF& target, const cad::DisplayList& list,
              const control::RenderStyle& style, const cad::Box2& window) {
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    control::renderView(list, painter, target, window, style);
    return painter.end();
}

// A PDF page of `pageMm` (as looked at) with no margins.
QPageLayout pageOf(QSizeF pageMm) {
    // Page sizes are portrait; a wider sheet is the same size turned.
    const QSizeF portrait(std::min(pageMm.width(), pageMm.height()),
                          std::max(pageMm.width(), pageMm.height()));
    return QPageLayout(QPageSize(portrait, QPageSize::Millimeter),
                       pageMm.width() > pageMm.height() ? QPageLayout::Landscape
                                                        : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0));
}

control::RenderStyle styleFor(const RenderCommand& command, const cad::DisplayList& list, int sheet,
                              bool printing) {
    control::RenderStyle style;
    style.background = command.background;
    style.hiddenLayers = control::layersHiddenInFile(list);
    style.sheet = sheet;
    style.printing = printing;
    // Paper shows lineweights as plotted; pictures as the drawing asks for the screen.
    style.lineweights = printing || list.lineweightDisplay();
    return style;
}

// Every layout as a page of its own paper size, in tab order, with a bookmark per layout.
bool writeAllLayouts(const RenderCommand& command, const cad::DisplayList& list) {
    const auto& sheets = list.sheets();
    {
        QPdfWriter pdf(command.output);
        pdf.setResolution(600);
        pdf.setTitle(QFileInfo(command.input).fileName());
        pdf.setPageLayout(pageOf(QSizeF(sheets[0].sizeMm.x, sheets[0].sizeMm.y)));
        QPainter painter;
        if (!painter.begin(&pdf))
            return false;
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        for (std::size_t i = 0; i < sheets.size(); ++i) {
            if (i > 0) {
                pdf.setPageLayout(pageOf(QSizeF(sheets[i].sizeMm.x, sheets[i].sizeMm.y)));
                if (!pdf.newPage())
                    return false;
            }
            const QRectF page(0, 0, pdf.width(), pdf.height());
            control::renderView(list, painter, page, sheets[i].paper,
                                styleFor(command, list, static_cast<int>(i), true));
        }
        if (!painter.end())
            return false;
    }
    QStringList names;
    for (const cad::Sheet& sheet : sheets)
        names.append(QString::fromStdString(sheet.name));
    return addPdfOutline(command.output, names);
}

} // namespace

bool writePicture(const RenderCommand& command, const cad::DisplayList& list, int sheet) {
    const QString suffix = QFileInfo(command.output).suffix().toLower();
    control::RenderStyle style = styleFor(command, list, sheet, false);
    const Shown shown = shownPart(list, sheet);
    const cad::Box2 onScreen = sheet >= 0 ? withMargin(shown.window) : shown.window;
    const QRectF target(QPointF(0, 0), QSizeF(command.size));
    if (suffix == "svg") {
        QSvgGenerator svg;
        svg.setFileName(command.output);
        svg.setSize(command.size);
        svg.setViewBox(target);
        svg.setTitle(QFileInfo(command.input).fileName());
        return renderTo(svg, target, list, style, onScreen);
    }
    if (suffix == "pdf") {
        QPdfWriter pdf(command.output);
        pdf.setResolution(sheet >= 0 ? 600 : 96);
        // A layout prints on a page of its own paper size, the sheet filling it exactly.
        pdf.setPageLayout(
            pageOf(sheet >= 0 ? shown.paperMm : QSizeF(command.size) * (25.4 / 96.0)));
        style = styleFor(command, list, sheet, true);
        const QRectF page(0, 0, pdf.width(), pdf.height());
        return renderTo(pdf, page, list, style, shown.window);
    }
    QImage image(command.size, QImage::Format_ARGB32_Premultiplied);
    image.fill(command.background);
    return renderTo(image, target, list, style, onScreen) && image.save(command.output, "PNG");
}

std::optional<int> findSheet(const cad::DisplayList& list, const QString& name) {
    if (name.compare("Model", Qt::CaseInsensitive) == 0)
        return -1;
    const auto& sheets = list.sheets();
    for (Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive})
        for (std::size_t i = 0; i < sheets.size(); ++i)
            if (QString::fromStdString(sheets[i].name).compare(name, cs) == 0)
                return static_cast<int>(i);
    return std::nullopt;
}

std::optional<RenderCommand> parseRenderCommand(const QStringList& args, QString& error) {
    RenderCommand command;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return std::nullopt;
            }
            return args[++i];
        };
        if (arg == "--info") {
            command.info = true;
        } else if (arg == "--compare") {
            command.compare = true;
        } else if (arg == "-o" || arg == "--output") {
            const auto v = value();
            if (!v)
                return std::nullopt;
            command.output = *v;
        } else if (arg == "--layout") {
            const auto v = value();
            if (!v)
                return std::nullopt;
            command.layout = *v;
        } else if (arg == "--size") {
            const auto v = value();
            if (!v)
                return std::nullopt;
            const QStringList parts = v->toLower().split('x');
            bool okW = false, okH = false;
            const int w = parts.size() == 2 ? parts[0].toInt(&okW) : 0;
            const int h = parts.size() == 2 ? parts[1].toInt(&okH) : 0;
            if (!okW || !okH || w < 1 || h < 1 || w > 20000 || h > 20000) {
                error = "--size wants WIDTHxHEIGHT in pixels, e.g. 1600x1200";
                return std::nullopt;
            }
            command.size = {w, h};
        } else if (arg == "--background") {
            const auto v = value();
            if (!v)
                return std::nullopt;
            command.background = QColor(*v);
            if (!command.background.isValid()) {
                error = "--background wants a colour like #rrggbb";
                return std::nullopt;
            }
        } else if (arg == "--timeout") {
            const auto v = value();
            if (!v)
                return std::nullopt;
            bool ok = false;
            command.timeoutSeconds = v->toDouble(&ok);
            if (!ok || !(command.timeoutSeconds > 0) || command.timeoutSeconds > 86400) {
                error = "--timeout wants a number of seconds, e.g. 10";
                return std::nullopt;
            }
        } else if (arg == "--format") {
            const auto v = value();
            if (!v)
                return std::nullopt;
            command.format = v->toLower();
            if (command.format != "pdf" && command.format != "png" && command.format != "svg") {
                error = "--format wants pdf, png or svg";
                return std::nullopt;
            }
        } else if (arg == "--jobs" || arg == "-j") {
            const auto v = value();
            if (!v)
                return std::nullopt;
            bool ok = false;
            command.jobs = v->toInt(&ok);
            if (!ok || command.jobs < 1 || command.jobs > 256) {
                error = "--jobs wants a number of drawings converted at a time, e.g. 2";
                return std::nullopt;
            }
        } else if (arg.startsWith('-') && arg.size() > 1) {
            error = "unknown option " + arg;
            return std::nullopt;
        } else {
            command.inputs.append(arg);
        }
    }
    if (command.inputs.isEmpty()) {
        error = "no input file given";
        return std::nullopt;
    }
    if (command.compare) {
        if (command.inputs.size() != 2) {
            error = "--compare needs two drawings, OLD and NEW";
            return std::nullopt;
        }
        command.other = command.inputs.takeLast();
    }
    // An output folder converts every input into a file of its own there.
    if (!command.info && !command.output.isEmpty() &&
        (command.output.endsWith('/') || QFileInfo(command.output).isDir()))
        return command;
    if (command.inputs.size() > 1) {
        error = "more than one input file given: give -o FOLDER/ to convert several";
        return std::nullopt;
    }
    command.input = command.inputs.takeFirst();
    if (!command.info && command.output.isEmpty()) {
        error = "give -o OUT.png|OUT.svg|OUT.pdf or --info";
        return std::nullopt;
    }
    const QString suffix = QFileInfo(command.output).suffix().toLower();
    if (!command.info && suffix != "png" && suffix != "svg" && suffix != "pdf") {
        error = "the output must end in .png, .svg or .pdf, or be a folder ending in /";
        return std::nullopt;
    }
    if (!command.info && command.layout.compare("all", Qt::CaseInsensitive) == 0 &&
        suffix != "pdf") {
        error = "--layout all writes a PDF: give -o OUT.pdf";
        return std::nullopt;
    }
    return command;
}

QStringList singleFileArguments(const RenderCommand& command, const QString& input,
                                const QString& output) {
    QStringList args{input, "-o", output};
    if (command.size != RenderCommand().size)
        args << "--size" << QString("%1x%2").arg(command.size.width()).arg(command.size.height());
    if (command.background != RenderCommand().background)
        args << "--background" << command.background.name();
    if (command.timeoutSeconds > 0)
        args << "--timeout" << QString::number(command.timeoutSeconds);
    // Every layout goes into one PDF; pictures show the layout asked for, or what opens.
    if (!command.layout.isEmpty() &&
        (command.format == "pdf" || command.layout.compare("all", Qt::CaseInsensitive) != 0))
        args << "--layout" << command.layout;
    return args;
}

int runRenderCommand(const RenderCommand& command) {
    if (command.compare)
        return runCompareCommand(command);
    if (command.batch())
        return runBatch(command);
    // Reading and compiling share one memory budget for the file's size and the time limit.
    cad::LoadBudget budget(cad::LoadBudget::allowedBytes(
        static_cast<std::uint64_t>(std::max<qint64>(QFileInfo(command.input).size(), 0))));
    if (command.timeoutSeconds > 0)
        budget.setTimeout(
            std::chrono::milliseconds(static_cast<std::int64_t>(command.timeoutSeconds * 1000.0)));
    cad::Drawing drawing;
    std::shared_ptr<const cad::DisplayList> list;
    try {
        cad::LoadScope scope(budget);
        drawing = cad::readDrawingFile(command.input.toStdString());
        // The summary counts the entities; a picture needs only the list.
        list = command.info ? control::compileDrawing(drawing)
                            : control::compileDrawingReleasingEntities(drawing);
    } catch (const cad::ReadError& e) {
        printError(QString::fromStdString(e.what()));
        return 2;
    } catch (const cad::LoadStopped& e) {
        const QString what = QString::fromStdString(e.what());
        printError(what.startsWith(command.input) ? what : command.input + ": " + what);
        return 2;
    } catch (const std::exception& e) {
        printError(command.input + ": " + QString::fromStdString(e.what()));
        return 2;
    }
    if (command.info) {
        const QByteArray json =
            QJsonDocument(drawingInfo(drawing, *list)).toJson(QJsonDocument::Compact);
        std::fwrite(json.constData(), 1, static_cast<std::size_t>(json.size()), stdout);
        std::fputc('\n', stdout);
        return 0;
    }
    if (command.layout.compare("all", Qt::CaseInsensitive) == 0 &&
        findSheet(*list, command.layout) == std::nullopt) {
        if (list->sheets().empty()) {
            printError(command.input + ": the drawing has no layouts");
            return 2;
        }
        if (!writeAllLayouts(command, *list)) {
            printError(command.output + ": could not write the output file");
            return 3;
        }
        return 0;
    }
    const std::optional<int> sheet =
        command.layout.isEmpty() ? cad::openingSheet(*list) : findSheet(*list, command.layout);
    if (!sheet) {
        printError(command.input + ": no layout named \"" + command.layout + "\"");
        return 2;
    }
    if (!writePicture(command, *list, *sheet)) {
        printError(command.output + ": could not write the output file");
        return 3;
    }
    return 0;
}

} // namespace vexor::tools
