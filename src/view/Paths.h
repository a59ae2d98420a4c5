#pragma once

#include <string>

namespace vexor::view {

// The one place that knows the platform's path separators: '/' on Linux and macOS; '\' and
// '/' on Windows. The path rules of the program (file names in titles, shortened history
// captions, files beside the program) all go through these.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

bool isPathSeparator(char c);

// The characters before the path's first separator; the whole path when it has none; empty
// when it begins with one.
std::string FirstPathComponent(const std::string& path);

// The characters after the path's last separator; the whole path when it has none; empty
// when it ends with one.
std::string LastPathComponent(const std::string& path);

// folder + separator + name, with no doubled separator when the folder already ends in one.
std::string joinPath(const std::string& folder, const std::string& name);

} // namespace vexor::view
