#include "CommandLine.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace vexor::app {
namespace {

// Options the window system reads itself (each followed by a value, or standing alone).
constexpr std::array<std::string_view, 11> kToolkitOptionsWithValue = {
    "-platform",    "-platformpluginpath", "-platformtheme", "-plugin",     "-qwindowgeometry",
    "-qwindowicon", "-qwindowtitle",       "-style",         "-stylesheet", "-display",
    "-geometry"};
constexpr std::array<std::string_view, 3> kToolkitFlags = {"-reverse", "-nograb", "-dograb"};

template <std::size_t N>
bool isOneOf(const std::string& word, const std::array<std::string_view, N>& list) {
    return std::find(list.begin(), list.end(), word) != list.end();
}

bool endsWithDwg(const std::string& trimmed) {
    if (trimmed.size() < 4)
        return false;
    std::string ending = trimmed.substr(trimmed.size() - 4);
    for (char& c : ending)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ending == ".DWG";
}

} // namespace

Invocation parseInvocation(const std::vector<std::string>& arguments) {
    Invocation result;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            result.arguments.push_back(word);
        } else if (word == "--") {
            optionsEnded = true;
        } else if (word == "--help" || word == "-h") {
            return {Invocation::Action::Help, {}, {}};
        } else if (word == "--version" || word == "-V") {
            return {Invocation::Action::Version, {}, {}};
        } else if (isOneOf(word, kToolkitOptionsWithValue)) {
            ++i;
        } else if (!isOneOf(word, kToolkitFlags)) {
            return {Invocation::Action::BadOption, word, {}};
        }
    }
    return result;
}

std::string usageText() {
    return "Usage: vexor [OPTION]... [DRAWING]\n"
           "View a 2D CAD drawing (.dwg, .dxf or .dgn, recognised by its content).\n"
           "\n"
           "  -h, --help     show this help and exit\n"
           "  -V, --version  show the program's version and exit\n"
           "  --             end of options: the next words are the drawing's path\n";
}

std::string commandLineText(const std::vector<std::string>& arguments) {
    std::string text;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0)
            text += ' ';
        text += arguments[i];
    }
    return text;
}

std::string commandLineText(int argc, char** argv) {
    return commandLineText(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
}

std::optional<std::string> commandLineDrawing(const std::string& commandLine) {
    std::string s = commandLine;
    s.erase(std::remove(s.begin(), s.end(), '"'), s.end());
    // The ending is taken from the path with its surrounding blanks trimmed, so that
    // "plan.dwg " is accepted while the stored path keeps its blanks.
    const auto notBlank = [](unsigned char c) { return c != ' '; };
    const auto first = std::find_if(s.begin(), s.end(), notBlank);
    const auto last = std::find_if(s.rbegin(), s.rend(), notBlank).base();
    if (first >= last)
        return std::nullopt;
    if (endsWithDwg(std::string(first, last)) && s.size() <= 4)
        return std::nullopt;
    return s;
}

} // namespace vexor::app
