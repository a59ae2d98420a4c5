#pragma once

#include "Program.h"

#include <string>
#include <vector>

namespace vexor::view {

// Tools > Find: searches the drawing's texts through the control, keeps the hits and shows the
// chosen one: its layout, zoomed so that it stands in the middle, framed.
class TextFinder {
public:
    explicit TextFinder(Program& program) : program_(program) {}

    // Replaces the hits with those of a new search; none is chosen. Returns their number.
    std::size_t Search(const std::string& text, bool wholeWords);
    const std::vector<control::FoundText>& Hits() const { return hits_; }
    int Current() const { return current_; } // -1 while none is chosen

    // Shows hit `index`; an index out of range does nothing.
    void Choose(int index);
    // The hit after (before) the chosen one, from the last (first) around to the first (last).
    void Next();
    void Previous();
    // Removes the frame round the chosen hit (Escape).
    void Cancel();

    // How a hit is listed: "text  (layer, layout)".
    std::string Caption(const control::FoundText& hit);

private:
    Program& program_;
    std::vector<control::FoundText> hits_;
    int current_ = -1;
};

} // namespace vexor::view
