#pragma once

#include "cad/geometry/DisplayList.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vexor::test {

// The run drawing `s` (the first when there are several); a test failure when there is none.
inline const cad::TextRun& runOf(const std::vector<cad::TextRun>& runs, const std::string& s) {
    for (const cad::TextRun& run : runs)
        if (run.text == s)
            return run;
    ADD_FAILURE() << "no run \"" << s << "\"";
    static const cad::TextRun none;
    return none;
}

// Where a run's baseline starts, across the drawing's y axis.
inline double baseline(const cad::TextRun& run) {
    return run.toWorld.map({0, 0}).y;
}

} // namespace vexor::test
