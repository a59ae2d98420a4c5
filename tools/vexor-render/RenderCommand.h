#pragma once

#include <QColor>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

namespace vexor::tools {

// The command line of vexor-render.
struct RenderCommand {
    QString input;
    QString output;    // .png, .svg or .pdf
    bool info = false; // print the JSON summary instead of rendering
    QSize size{1600, 1200};
    QColor background = Qt::white;
    double timeoutSeconds = 0; // give up reading and compiling after this long; 0 = no limit
    QString layout;            // a layout's name: its sheet is drawn (a PDF page of its paper size)
};

// Parses the arguments (without the program name); nullopt with `error` set when they are
// wrong.
std::optional<RenderCommand> parseRenderCommand(const QStringList& args, QString& error);

// Runs the command; returns the process exit status. Errors go to stderr as one line.
int runRenderCommand(const RenderCommand& command);

} // namespace vexor::tools
