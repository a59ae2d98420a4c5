#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vexor::test {

// What one run of a built program gave: its exit code (-1 when it crashed or did not end in
// time), how long it took and what it wrote.
struct ToolRun {
    int exitCode = -1;
    qint64 milliseconds = 0;
    QByteArray out, err;
};

// The path of a program the build made (bin/NAME).
QString programPath(const char* name);

// Runs any program with `args` and waits for it at most `timeoutMs`.
ToolRun runCommand(const QString& program, const QStringList& args, int timeoutMs = 120000);

// The same for a program the build made.
ToolRun runProgram(const char* name, const QStringList& args, int timeoutMs = 120000);

// vexor-render, the tool most tests run.
inline ToolRun runTool(const QStringList& args) {
    return runProgram("vexor-render", args);
}

} // namespace vexor::test
