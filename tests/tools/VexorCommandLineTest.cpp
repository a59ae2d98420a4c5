// The viewer's own command line: help and version answer without a display.
#include "support/Corpus.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

struct ViewerRun {
    int exitCode = -1;
    QByteArray out, err;
};

ViewerRun runVexor(const QStringList& args) {
    QProcess p;
    p.start(QString::fromStdString((vexor::test::binaryDir() / "bin/vexor").string()), args);
    ViewerRun r;
    if (!p.waitForFinished(60000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace

TEST(VexorCommandLine, HelpVersionAndUnknownOptions) {
    const ViewerRun help = runVexor({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: vexor")) << help.out.constData();
    EXPECT_TRUE(help.err.isEmpty()) << help.err.constData();
    const ViewerRun version = runVexor({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "VEXOR 1.0.0\n");
    const ViewerRun unknown = runVexor({"--bogus", "plan.dwg"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.out.isEmpty());
    EXPECT_TRUE(unknown.err.startsWith("vexor: unknown option --bogus\nUsage: vexor"))
        << unknown.err.constData();
}
