#include "ReferencedFile.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>
#include <system_error>

namespace vexor::cad {
namespace {

namespace fs = std::filesystem;

// Entries of one folder looked at for a name that differs only in case; a folder holding more
// is not searched further, so a hostile stored path cannot make the search long.
constexpr std::size_t kMaxFolderEntries = 20000;
constexpr std::size_t kMaxStoredPath = 4096;

ReferencePolicy& policyStorage() {
    static ReferencePolicy policy;
    return policy;
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

// A Windows drive letter ("C:") or a UNC start ("\\server") cannot be looked up here.
bool foreignAbsolute(const std::string& s) {
    return (s.size() >= 2 && s[1] == ':') || s.starts_with("\\\\") || s.starts_with("//");
}

// The entry of `folder` whose name equals `name` ignoring case, if any.
std::optional<fs::path> entryIgnoringCase(const fs::path& folder, const std::string& name) {
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec);
    std::size_t seen = 0;
    for (; !ec && it != fs::directory_iterator() && seen < kMaxFolderEntries;
         it.increment(ec), ++seen) {
        if (equalIgnoringCase(it->path().filename().string(), name))
            return it->path();
    }
    return std::nullopt;
}

// `relative` under `base`, each component taken as it is when it exists, else the entry of
// that folder with the same name in another case.
std::optional<fs::path> matchIgnoringCase(const fs::path& base, const fs::path& relative) {
    fs::path at = base;
    for (const fs::path& part : relative) {
        const std::string name = part.string();
        if (name.empty() || name == ".")
            continue;
        std::error_code ec;
        if (name == ".." || fs::exists(fs::symlink_status(at / part, ec))) {
            at /= part;
            continue;
        }
        const auto found = entryIgnoringCase(at, name);
        if (!found)
            return std::nullopt;
        at = *found;
    }
    return at;
}

bool inside(const fs::path& file, const fs::path& folder) {
    return std::mismatch(folder.begin(), folder.end(), file.begin(), file.end()).first ==
           folder.end();
}

// Tries candidates in order and keeps the first acceptable one, or the first problem met.
class Search {
public:
    explicit Search(const ReferenceSearch& search) {
        if (search.confineTo.empty())
            return;
        std::error_code ec;
        confine_ = fs::weakly_canonical(fs::path(search.confineTo), ec);
        if (ec)
            confine_ = fs::path(search.confineTo).lexically_normal();
    }

    // `base` / `relative`, exactly, then ignoring case.
    bool tryUnder(const fs::path& base, const fs::path& relative) {
        if (relative.empty())
            return false;
        if (accept(base / relative))
            return true;
        const auto other = matchIgnoringCase(base, relative);
        return other && accept(*other);
    }

    FoundFile result() const { return {file_, file_.empty() ? problem_ : std::string()}; }

private:
    bool accept(const fs::path& candidate) {
        std::error_code ec;
        const fs::file_status status = fs::status(candidate, ec);
        if (ec) {
            if (ec == std::errc::too_many_symbolic_link_levels)
                note("symbolic-link loop at " + candidate.string());
            return false;
        }
        if (!fs::is_regular_file(status))
            return false; // devices, FIFOs, sockets and folders are never read
        fs::path real = fs::canonical(candidate, ec);
        if (ec) {
            if (ec == std::errc::too_many_symbolic_link_levels)
                note("symbolic-link loop at " + candidate.string());
            return false;
        }
        if (!confine_.empty() && !inside(real, confine_)) {
            note(candidate.string() + " lies outside " + confine_.string());
            return false;
        }
        file_ = candidate.lexically_normal().string();
        return true;
    }
    void note(const std::string& problem) {
        if (problem_.empty())
            problem_ = problem;
    }

    fs::path confine_;
    std::string file_;
    std::string problem_;
};

std::vector<std::string> splitFolders(std::string_view list) {
    std::vector<std::string> folders;
    while (!list.empty()) {
        const auto cut = list.find(':');
        std::string_view part = list.substr(0, cut);
        while (!part.empty() && (part.front() == ' ' || part.front() == '\t'))
            part.remove_prefix(1);
        while (!part.empty() && (part.back() == ' ' || part.back() == '\t' || part.back() == '\r'))
            part.remove_suffix(1);
        if (!part.empty())
            folders.emplace_back(part);
        if (cut == std::string_view::npos)
            break;
        list.remove_prefix(cut + 1);
    }
    return folders;
}

std::string configFile() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        return std::string(config) + "/vexor/vexor.conf";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.config/vexor/vexor.conf";
    return {};
}

} // namespace

void setReferencePolicy(const ReferencePolicy& policy) {
    policyStorage() = policy;
}
const ReferencePolicy& referencePolicy() {
    return policyStorage();
}

std::vector<std::string> userReferenceFolders() {
    std::vector<std::string> folders;
    if (const std::string path = configFile(); !path.empty()) {
        std::ifstream in(path);
        std::string line;
        while (std::getline(in, line)) {
            const auto eq = line.find('=');
            if (eq == std::string::npos)
                continue;
            std::string_view key(line.data(), eq);
            while (!key.empty() && (key.back() == ' ' || key.back() == '\t'))
                key.remove_suffix(1);
            while (!key.empty() && (key.front() == ' ' || key.front() == '\t'))
                key.remove_prefix(1);
            if (key == "ReferencePaths")
                for (std::string& f : splitFolders(std::string_view(line).substr(eq + 1)))
                    folders.push_back(std::move(f));
        }
    }
    if (const char* env = std::getenv("VEXOR_REFERENCE_PATH"))
        for (std::string& f : splitFolders(env))
            folders.push_back(std::move(f));
    return folders;
}

std::string referencedFileName(const std::string& stored) {
    const auto cut = stored.find_last_of("/\\");
    std::string name = cut == std::string::npos ? stored : stored.substr(cut + 1);
    if (name.size() >= 2 && name[1] == ':')
        name.erase(0, 2);
    return name;
}

FoundFile locateReferencedFile(const std::string& stored, const ReferenceSearch& search) {
    if (stored.empty() || stored.size() > kMaxStoredPath || stored.find('\0') != std::string::npos)
        return {};
    std::string slashed = stored;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    const fs::path folder =
        search.drawingPath.empty() ? fs::path() : fs::path(search.drawingPath).parent_path();
    Search find(search);
    if (!foreignAbsolute(stored)) {
        const fs::path asStored(slashed);
        if (asStored.is_absolute()) {
            if (find.tryUnder(asStored.root_path(), asStored.relative_path()))
                return find.result();
        } else if (!search.drawingPath.empty() && find.tryUnder(folder, asStored)) {
            return find.result();
        }
    }
    const std::string name = referencedFileName(stored);
    if (name.empty() || name == "." || name == "..")
        return find.result();
    if (!search.drawingPath.empty() && find.tryUnder(folder, name))
        return find.result();
    for (const std::string& extra : search.folders)
        if (find.tryUnder(fs::path(extra), name))
            return find.result();
    return find.result();
}

ReferenceSearch searchUnderPolicy(const std::string& holder, const std::string& drawing) {
    ReferenceSearch search;
    search.drawingPath = holder;
    if (referencePolicy().confineToDrawingFolder) {
        search.confineTo = fs::path(drawing).parent_path().string();
        if (search.confineTo.empty())
            search.confineTo = ".";
    } else {
        search.folders = userReferenceFolders();
    }
    return search;
}

std::string findReferencedFile(const std::string& stored, const std::string& drawingPath) {
    return locateReferencedFile(stored, searchUnderPolicy(drawingPath, drawingPath)).file;
}

} // namespace vexor::cad
