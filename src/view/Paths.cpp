#include "Paths.h"

#include <algorithm>

namespace vexor::view {

bool isPathSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

std::string FirstPathComponent(const std::string& path) {
    const auto it = std::find_if(path.begin(), path.end(), isPathSeparator);
    return std::string(path.begin(), it);
}

std::string LastPathComponent(const std::string& path) {
    const auto it = std::find_if(path.rbegin(), path.rend(), isPathSeparator);
    return std::string(it.base(), path.end());
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && isPathSeparator(folder.back()))
        return folder + name;
    return folder + kPathSeparator + name;
}

} // namespace vexor::view
