#include "ReferencedFile.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace vexor::cad {
namespace {

namespace fs = std::filesystem;

bool isFile(const fs::path& p) {
    std::error_code ec;
    return !p.empty() && fs::is_regular_file(p, ec);
}

// A Windows drive letter ("C:") or a UNC start ("\\server") cannot be looked up here.
bool foreignAbsolute(const std::string& s) {
    return (s.size() >= 2 && s[1] == ':') || s.starts_with("\\\\");
}

} // namespace

std::string referencedFileName(const std::string& stored) {
    const auto cut = stored.find_last_of("/\\");
    std::string name = cut == std::string::npos ? stored : stored.substr(cut + 1);
    if (name.size() >= 2 && name[1] == ':')
        name.erase(0, 2);
    return name;
}

std::string findReferencedFile(const std::string& stored, const std::string& drawingPath) {
    if (stored.empty() || stored.size() > 4096 || stored.find('\0') != std::string::npos)
        return {};
    std::string unix = stored;
    std::replace(unix.begin(), unix.end(), '\\', '/');
    const fs::path folder = drawingPath.empty() ? fs::path() : fs::path(drawingPath).parent_path();
    if (!foreignAbsolute(stored)) {
        const fs::path asStored(unix);
        if (asStored.is_absolute() && isFile(asStored))
            return asStored.string();
        if (!asStored.is_absolute() && !drawingPath.empty() && isFile(folder / asStored))
            return (folder / asStored).lexically_normal().string();
    }
    const std::string name = referencedFileName(stored);
    if (!drawingPath.empty() && !name.empty() && name != "." && name != ".." &&
        isFile(folder / name))
        return (folder / name).string();
    return {};
}

} // namespace vexor::cad
