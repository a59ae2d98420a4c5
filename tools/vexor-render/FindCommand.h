#pragma once

#include <QStringList>
#include <optional>

namespace vexor::tools {

// vexor-render FILE... --find TEXT [--whole-words] [--timeout SECONDS]: searches the texts of
// each drawing as the viewer's Find does and prints one JSON object per hit and line.
struct FindCommand {
    QStringList inputs;
    QString text;
    bool wholeWords = false;
    double timeoutSeconds = 0;
};

// Whether the arguments ask for a search.
bool isFindCommand(const QStringList& args);

// Parses the arguments (without the program name); nullopt with `error` set when they are
// wrong.
std::optional<FindCommand> parseFindCommand(const QStringList& args, QString& error);

// Exit status: 0 when something was found, 1 when nothing was, 2 when a file could not be
// searched (its error on stderr; hits in the other files are still printed).
int runFindCommand(const FindCommand& command);

} // namespace vexor::tools
