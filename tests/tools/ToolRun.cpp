#include "ToolRun.h"

#include "support/Corpus.h"

#include <QElapsedTimer>
#include <QProcess>

namespace vexor::test {

QString programPath(const char* name) {
    return QString::fromStdString((binaryDir() / "bin" / name).string());
}

ToolRun runProgram(const char* name, const QStringList& args, int timeoutMs) {
    return runCommand(programPath(name), args, timeoutMs);
}

ToolRun runCommand(const QString& program, const QStringList& args, int timeoutMs) {
    QProcess p;
    QElapsedTimer clock;
    clock.start();
    p.start(program, args);
    ToolRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.milliseconds = clock.elapsed();
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace vexor::test
