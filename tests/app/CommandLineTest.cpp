#include "app/CommandLine.h"

#include <gtest/gtest.h>

using vexor::app::commandLineDrawing;
using vexor::app::commandLineText;
using vexor::app::Invocation;
using vexor::app::parseInvocation;
using vexor::app::usageText;

TEST(CommandLine, QuotedPathWithBlanksLosesItsQuotes) {
    EXPECT_EQ(commandLineDrawing("\"/home/ann/My Plans/site plan.dwg\""),
              "/home/ann/My Plans/site plan.dwg");
    EXPECT_EQ(commandLineDrawing("\"/a b/\"c\".dwg"), "/a b/c.dwg")
        << "quotes are removed wherever they stand";
}

TEST(CommandLine, EndingIsTestedUpperCased) {
    EXPECT_EQ(commandLineDrawing("/x/plan.Dwg"), "/x/plan.Dwg");
    EXPECT_EQ(commandLineDrawing("/x/plan.dWG"), "/x/plan.dWG");
    EXPECT_EQ(commandLineDrawing("/x/PLAN.DWG"), "/x/PLAN.DWG");
}

TEST(CommandLine, TrailingBlanksAreTrimmedForTheTestButKept) {
    EXPECT_EQ(commandLineDrawing("/x/plan.dwg   "), "/x/plan.dwg   ");
    EXPECT_EQ(commandLineDrawing("  /x/plan.dwg"), "  /x/plan.dwg");
}

TEST(CommandLine, EveryDrawingKindIsOpenedAndShortDwgPathsAreNot) {
    EXPECT_EQ(commandLineDrawing("/x/plan.dgn"), "/x/plan.dgn");
    EXPECT_EQ(commandLineDrawing("/x/plan.dxf"), "/x/plan.dxf");
    EXPECT_EQ(commandLineDrawing("/x/plandwg"), "/x/plandwg") << "recognised by content";
    EXPECT_EQ(commandLineDrawing(".dwg"), std::nullopt) << "four characters are not enough";
    EXPECT_EQ(commandLineDrawing("\"\".dwg"), std::nullopt) << "counted after removing quotes";
    EXPECT_EQ(commandLineDrawing("a.dwg"), "a.dwg");
    EXPECT_EQ(commandLineDrawing(""), std::nullopt);
    EXPECT_EQ(commandLineDrawing("      "), std::nullopt);
    EXPECT_EQ(commandLineDrawing("\"\""), std::nullopt);
}

TEST(CommandLine, HelpVersionAndUnknownOptions) {
    using Action = Invocation::Action;
    EXPECT_EQ(parseInvocation({"--help"}).action, Action::Help);
    EXPECT_EQ(parseInvocation({"/x/a.dwg", "-h"}).action, Action::Help);
    EXPECT_EQ(parseInvocation({"--version"}).action, Action::Version);
    EXPECT_EQ(parseInvocation({"-V"}).action, Action::Version);
    const Invocation bad = parseInvocation({"--frobnicate", "/x/a.dwg"});
    EXPECT_EQ(bad.action, Action::BadOption);
    EXPECT_EQ(bad.badOption, "--frobnicate");
    EXPECT_NE(usageText().find("--help"), std::string::npos);
}

TEST(CommandLine, ToolkitOptionsAndTheEndOfOptionsLeaveThePath) {
    const Invocation run =
        parseInvocation({"-platform", "offscreen", "-reverse", "/my", "plan.dxf"});
    EXPECT_EQ(run.action, Invocation::Action::Run);
    EXPECT_EQ(run.arguments, (std::vector<std::string>{"/my", "plan.dxf"}));
    const Invocation dashed = parseInvocation({"--", "-odd name.dwg", "--help"});
    EXPECT_EQ(dashed.action, Invocation::Action::Run);
    EXPECT_EQ(commandLineText(dashed.arguments), "-odd name.dwg --help");
    EXPECT_EQ(parseInvocation({"-"}).arguments, std::vector<std::string>{"-"}) << "a file named -";
}

TEST(CommandLine, ArgumentsJoinIntoOneText) {
    char prog[] = "vexor", a[] = "/my", b[] = "plans/a.dwg";
    char* argv[] = {prog, a, b};
    EXPECT_EQ(commandLineText(3, argv), "/my plans/a.dwg");
    EXPECT_EQ(commandLineText(1, argv), "");
}
