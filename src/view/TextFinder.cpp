#include "TextFinder.h"

#include "LayoutMenu.h"

#include <algorithm>

namespace vexor::view {
namespace {

std::size_t codePoints(const std::string& s) {
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

} // namespace

std::size_t TextFinder::Search(const std::string& text, bool wholeWords) {
    Cancel();
    hits_ = program_.Dbcocx1.FindText(text, wholeWords);
    current_ = -1;
    return hits_.size();
}

void TextFinder::Choose(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= hits_.size())
        return;
    current_ = index;
    const control::FoundText& hit = hits_[static_cast<std::size_t>(index)];
    if (hit.layout != program_.Dbcocx1.ShownLayout())
        mnuLayout_Click(program_, hit.layout);
    // The text's place, from its insertion point, height and a typical character width; the
    // view shows it with room around it for what it labels.
    const double h = hit.height > 0 ? hit.height : 1;
    const double w = std::max<double>(codePoints(hit.text), 1) * 0.8 * h;
    const double x1 = hit.x - 0.5 * h, y1 = hit.y - 1.5 * h;
    const double x2 = hit.x + w + 0.5 * h, y2 = hit.y + 1.5 * h;
    const double room = std::max(x2 - x1, y2 - y1);
    program_.Dbcocx1.ZoomWindow(x1 - room, y1 - room, x2 + room, y2 + room);
    program_.Dbcocx1.MarkWindow(x1, y1, x2, y2);
}

void TextFinder::Next() {
    if (hits_.empty())
        return;
    Choose(current_ + 1 >= static_cast<int>(hits_.size()) ? 0 : current_ + 1);
}

void TextFinder::Previous() {
    if (hits_.empty())
        return;
    Choose(current_ <= 0 ? static_cast<int>(hits_.size()) - 1 : current_ - 1);
}

void TextFinder::Cancel() {
    if (current_ >= 0)
        program_.Dbcocx1.MarkWindow(1, 0, 0, 0);
}

std::string TextFinder::Caption(const control::FoundText& hit) {
    const std::string layout = hit.layout == 0 ? "Model" : program_.Dbcocx1.LayoutName(hit.layout);
    return hit.text + "  (" + hit.layer + ", " + layout + ")";
}

} // namespace vexor::view
