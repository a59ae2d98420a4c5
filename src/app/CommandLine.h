#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vexor::app {

// What the program was asked to do by its arguments.
struct Invocation {
    enum class Action { Run, Help, Version, BadOption };
    Action action = Action::Run;
    std::string badOption;              // for BadOption
    std::vector<std::string> arguments; // for Run: the drawing path's words, options removed
};

// Reads the arguments after the program name. --help (-h) and --version (-V) answer and end;
// the window system's own options (-platform NAME, -style NAME …) are left to it; any other
// word starting with '-' is an unknown option, unless it follows "--".
Invocation parseInvocation(const std::vector<std::string>& arguments);

// The usage text of `vexor --help`.
std::string usageText();

// The whole command-line text, as one string: the arguments after the program joined by
// blanks.
std::string commandLineText(int argc, char** argv);
std::string commandLineText(const std::vector<std::string>& arguments);

// The drawing path the command line names: every double quote removed. A path whose ending,
// trimmed of blanks and upper-cased, is ".DWG" needs more than four characters; any other
// kind is recognised by its content when it is read. Blank text names nothing. The path is
// returned untrimmed.
std::optional<std::string> commandLineDrawing(const std::string& commandLine);

} // namespace vexor::app
