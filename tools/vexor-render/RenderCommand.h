#pragma once

#include <QColor>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

namespace vexor::cad {
class DisplayList;
}

namespace vexor::tools {

// The command line of vexor-render.
struct RenderCommand {
    QString input;
    QString other;        // with --compare: the newer drawing, `input` the older
    bool compare = false; // compare two drawings: their picture, or with `info` their differences
    QString output;       // .png, .svg or .pdf; a folder (ending in "/" or existing) converts many
    bool info = false;    // print the JSON summary instead of rendering
    QSize size{1600, 1200};
    QColor background = Qt::white;
    double timeoutSeconds = 0; // give up reading and compiling after this long; 0 = no limit
    // A layout's name: its sheet is drawn (a PDF page of its paper size); "all" writes every
    // layout as a page of its own into one PDF.
    QString layout;
    // Converting many drawings into the folder `output`: the inputs, the kind of file written
    // for each and how many run at a time.
    QStringList inputs;
    QString format = QStringLiteral("pdf");
    int jobs = 0; // 0: one per processor core

    bool batch() const { return !inputs.isEmpty(); }
};

// Parses the arguments (without the program name); nullopt with `error` set when they are
// wrong.
std::optional<RenderCommand> parseRenderCommand(const QStringList& args, QString& error);

// Draws model space (sheet -1) or a sheet of `list` into the command's output file; false when
// it cannot be written.
bool writePicture(const RenderCommand& command, const cad::DisplayList& list, int sheet);

// The sheet named `name` (exactly, else ignoring case), -1 for "Model"; nullopt when none is.
std::optional<int> findSheet(const cad::DisplayList& list, const QString& name);

// Runs the command; returns the process exit status. Errors go to stderr as one line.
int runRenderCommand(const RenderCommand& command);

// The arguments that convert one input of a batch: the single-file command line.
QStringList singleFileArguments(const RenderCommand& command, const QString& input,
                                const QString& output);

} // namespace vexor::tools
