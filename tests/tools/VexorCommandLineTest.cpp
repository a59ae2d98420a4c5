// The viewer's own command line: help and version answer without a display.
#include "ToolRun.h"

#include <gtest/gtest.h>

namespace {

vexor::test::ToolRun runVexor(const QStringList& args) {
    return vexor::test::runProgram("vexor", args, 60000);
}

} // namespace

TEST(VexorCommandLine, HelpVersionAndUnknownOptions) {
    const vexor::test::ToolRun help = runVexor({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: vexor")) << help.out.constData();
    EXPECT_TRUE(help.err.isEmpty()) << help.err.constData();
    const vexor::test::ToolRun version = runVexor({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "VEXOR 1.0.0\n");
    const vexor::test::ToolRun unknown = runVexor({"--bogus", "plan.dwg"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.out.isEmpty());
    EXPECT_TRUE(unknown.err.startsWith("vexor: unknown option --bogus\nUsage: vexor"))
        << unknown.err.constData();
}
