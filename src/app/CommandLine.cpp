#include "CommandLine.h"

#include <algorithm>
#include <cctype>

namespace vexor::app {

std::string commandLineText(int argc, char** argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            text += ' ';
        text += argv[i];
    }
    return text;
}

std::optional<std::string> commandLineDrawing(const std::string& commandLine) {
    std::string s = commandLine;
    s.erase(std::remove(s.begin(), s.end(), '"'), s.end());
    if (s.size() <= 4)
        return std::nullopt;
    // The ending is taken from the path with its surrounding blanks trimmed, so that
    // "plan.dwg " is accepted while the stored path keeps its blanks.
    const auto notBlank = [](unsigned char c) { return c != ' '; };
    const auto first = std::find_if(s.begin(), s.end(), notBlank);
    const auto last = std::find_if(s.rbegin(), s.rend(), notBlank).base();
    if (first >= last)
        return std::nullopt;
    std::string trimmed(first, last);
    std::string ending = trimmed.substr(trimmed.size() - std::min<std::size_t>(4, trimmed.size()));
    for (char& c : ending)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (ending != ".DWG")
        return std::nullopt;
    return s;
}

} // namespace vexor::app
