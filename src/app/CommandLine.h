#pragma once

#include <optional>
#include <string>

namespace vexor::app {

// The whole command-line text, as one string: the arguments after the program joined by
// blanks.
std::string commandLineText(int argc, char** argv);

// The drawing path the command line names, if it is one the program opens: every double
// quote removed; more than four characters; upper-cased, the path trimmed of blanks ends in
// ".DWG". The path is returned untrimmed.
std::optional<std::string> commandLineDrawing(const std::string& commandLine);

} // namespace vexor::app
