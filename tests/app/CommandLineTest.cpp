#include "app/CommandLine.h"

#include <gtest/gtest.h>

using vexor::app::commandLineDrawing;
using vexor::app::commandLineText;

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

TEST(CommandLine, OtherPathsAreIgnored) {
    EXPECT_EQ(commandLineDrawing("/x/plan.dgn"), std::nullopt);
    EXPECT_EQ(commandLineDrawing("/x/plan.dxf"), std::nullopt);
    EXPECT_EQ(commandLineDrawing("/x/plandwg"), std::nullopt) << "the dot is part of the ending";
    EXPECT_EQ(commandLineDrawing(".dwg"), std::nullopt) << "four characters are not enough";
    EXPECT_EQ(commandLineDrawing("\"\".dwg"), std::nullopt) << "counted after removing quotes";
    EXPECT_EQ(commandLineDrawing("a.dwg"), "a.dwg");
    EXPECT_EQ(commandLineDrawing(""), std::nullopt);
    EXPECT_EQ(commandLineDrawing("      "), std::nullopt);
}

TEST(CommandLine, ArgumentsJoinIntoOneText) {
    char prog[] = "vexor", a[] = "/my", b[] = "plans/a.dwg";
    char* argv[] = {prog, a, b};
    EXPECT_EQ(commandLineText(3, argv), "/my plans/a.dwg");
    EXPECT_EQ(commandLineText(1, argv), "");
}
