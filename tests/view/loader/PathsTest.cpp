#include "view/Paths.h"

#include <gtest/gtest.h>

using namespace vexor::view;

TEST(Paths, FirstAndLastComponents) {
    EXPECT_EQ(FirstPathComponent("home/ann/plan.dwg"), "home");
    EXPECT_EQ(FirstPathComponent("/home/ann/plan.dwg"), "");
    EXPECT_EQ(FirstPathComponent("plan.dwg"), "plan.dwg");
    EXPECT_EQ(LastPathComponent("/home/ann/plan.dwg"), "plan.dwg");
    EXPECT_EQ(LastPathComponent("/home/ann/"), "");
    EXPECT_EQ(LastPathComponent("plan.dwg"), "plan.dwg");
    EXPECT_EQ(LastPathComponent(""), "");
}

TEST(Paths, JoinDoesNotDoubleTheSeparator) {
    EXPECT_EQ(joinPath("/opt/vexor", "temp.mgb"), "/opt/vexor/temp.mgb");
    EXPECT_EQ(joinPath("/", "temp.mgb"), "/temp.mgb");
}

TEST(Paths, SeparatorsOfThisPlatform) {
    EXPECT_TRUE(isPathSeparator(kPathSeparator));
#ifdef _WIN32
    EXPECT_TRUE(isPathSeparator('/'));
    EXPECT_EQ(LastPathComponent("C:\\a/b\\c.dwg"), "c.dwg");
#else
    EXPECT_FALSE(isPathSeparator('\\')) << "a backslash is an ordinary file-name character here";
    EXPECT_EQ(LastPathComponent("/a/b\\c.dwg"), "b\\c.dwg");
#endif
}
