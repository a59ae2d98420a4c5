// The rooms of src/ and what each may include, checked on every include line of the tree, so
// the layering ARCHITECTURE.md describes is kept by a test rather than by memory.
#include "support/Corpus.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Every room and the rooms it may use besides itself. Engine rooms come bottom up; a room
// never reaches up. Single headers another room may use are listed by path.
const std::map<std::string, std::set<std::string>>& allowedUses() {
    static const std::map<std::string, std::set<std::string>> rules = {
        {"cad/model", {}},
        {"cad/io", {"cad/model"}},
        {"cad/curves", {"cad/model"}},
        {"cad/acis", {"cad/model", "cad/curves"}},
        {"cad/text", {"cad/model", "cad/io", "cad/curves"}},
        {"cad/dwg", {"cad/model", "cad/io", "cad/curves", "cad/acis"}},
        // Proxy graphics are a DWG stream that DXF files carry too.
        {"cad/dxf", {"cad/model", "cad/io", "cad/curves", "cad/acis", "cad/dwg/ProxyGraphics.h"}},
        {"cad/dgn", {"cad/model", "cad/io", "cad/curves"}},
        {"cad/load", {"cad/model", "cad/io", "cad/dwg", "cad/dxf", "cad/dgn"}},
        {"cad/plot", {"cad/model", "cad/io"}},
        {"cad/geometry", {"cad/model", "cad/io", "cad/curves", "cad/text", "cad/plot"}},
        {"cad/compare", {"cad/model"}},
        {"cad/query", {"cad/model", "cad/curves", "cad/text", "cad/geometry"}},
        {"control", {"cad"}},
        {"platform", {"cad", "control"}},
        {"data", {"cad", "platform"}},
        {"view", {"cad", "control", "platform", "data"}},
        {"print", {"cad", "control", "platform", "data", "view"}},
        {"app", {"cad", "control", "platform", "data", "view", "print"}},
    };
    return rules;
}

// The room of a path relative to src/: the engine's rooms are one level down.
std::string roomOf(const std::string& path) {
    const auto first = path.find('/');
    if (first == std::string::npos)
        return {};
    if (path.compare(0, first, "cad") != 0)
        return path.substr(0, first);
    const auto second = path.find('/', first + 1);
    return second == std::string::npos ? std::string{} : path.substr(0, second);
}

bool within(const std::string& path, const std::string& prefix) {
    return path == prefix ||
           (path.size() > prefix.size() && path.starts_with(prefix) && path[prefix.size()] == '/');
}

// Why `from` (a file, relative to src/) may not include `to` (relative to src/); nothing when
// it may.
std::optional<std::string> layeringViolation(const std::string& from, const std::string& to) {
    const std::string fromRoom = roomOf(from), toRoom = roomOf(to);
    if (fromRoom.empty() || toRoom.empty() || fromRoom == toRoom)
        return std::nullopt;
    const auto rule = allowedUses().find(fromRoom);
    if (rule == allowedUses().end())
        return from + ": room " + fromRoom + " has no layering rule";
    for (const auto& allowed : rule->second)
        if (within(to, allowed))
            return std::nullopt;
    return from + " includes " + to + ": " + fromRoom + " may not use " + toRoom;
}

const fs::path& sourceRoot() {
    static const fs::path root = vexor::test::sourceDir() / "src";
    return root;
}

// The file an include names, relative to src/: first beside the including file, then from the
// source root (the program's "cad/..." form). Nothing for a file outside src/ (generated
// headers, the system's).
std::optional<std::string> resolveInclude(const fs::path& includingFile, const std::string& name) {
    for (const fs::path& candidate :
         {includingFile.parent_path() / name, sourceRoot() / fs::path(name)}) {
        std::error_code error;
        if (fs::is_regular_file(candidate, error)) {
            const fs::path relative = fs::relative(fs::weakly_canonical(candidate), sourceRoot());
            if (!relative.empty() && *relative.begin() != "..")
                return relative.generic_string();
        }
    }
    return std::nullopt;
}

struct IncludeLine {
    std::string name;
    bool quoted = false;
    int line = 0;
};

std::vector<IncludeLine> includesOf(const fs::path& file) {
    static const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    std::vector<IncludeLine> out;
    std::ifstream in(file);
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        std::smatch m;
        if (std::regex_search(text, m, include))
            out.push_back({m[2].str(), m[1].str() == "\"", number});
    }
    return out;
}

std::vector<fs::path> sourceFiles() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(sourceRoot())) {
        const auto ext = entry.path().extension();
        if (entry.is_regular_file() && (ext == ".h" || ext == ".cpp"))
            files.push_back(entry.path());
    }
    return files;
}

TEST(Layering, EveryIncludeOfTheTreeKeepsToItsRoomsRules) {
    const auto files = sourceFiles();
    ASSERT_GT(files.size(), 100u) << "the source tree was not found at " << sourceRoot();
    std::vector<std::string> violations;
    std::size_t crossings = 0;
    for (const auto& file : files) {
        const std::string from = fs::relative(file, sourceRoot()).generic_string();
        for (const auto& include : includesOf(file)) {
            // The engine draws nothing and owns no widget: Qt stays out of it.
            if (within(from, "cad") && include.name.starts_with('Q'))
                violations.push_back(from + ":" + std::to_string(include.line) + " includes Qt's " +
                                     include.name);
            if (!include.quoted)
                continue;
            const auto to = resolveInclude(file, include.name);
            if (!to)
                continue;
            crossings += roomOf(from) != roomOf(*to);
            if (auto why = layeringViolation(from, *to))
                violations.push_back(*why + " (line " + std::to_string(include.line) + ")");
        }
    }
    EXPECT_GT(crossings, 50u) << "includes between rooms were not resolved";
    for (const auto& v : violations)
        ADD_FAILURE() << v;
}

TEST(Layering, EveryRoomOfTheTreeHasARule) {
    std::set<std::string> rooms;
    for (const auto& file : sourceFiles())
        if (auto room = roomOf(fs::relative(file, sourceRoot()).generic_string()); !room.empty())
            rooms.insert(room);
    for (const auto& room : rooms)
        EXPECT_TRUE(allowedUses().contains(room)) << room << " is missing from the rules";
}

TEST(Layering, IncludesAgainstTheOrderAreCaught) {
    // A lower engine room reaching up, a reader reaching a sibling, storage reaching the
    // program's menus, the engine reaching the widget.
    EXPECT_TRUE(layeringViolation("cad/io/MappedFile.cpp", "cad/dwg/DwgReader.h"));
    EXPECT_TRUE(layeringViolation("cad/text/TextLayout.cpp", "cad/geometry/DisplayList.h"));
    EXPECT_TRUE(layeringViolation("cad/dgn/DgnReader.cpp", "cad/dxf/DxfReader.h"));
    EXPECT_TRUE(layeringViolation("cad/dxf/EntityBuilder.cpp", "cad/dwg/BitReader.h"));
    EXPECT_TRUE(layeringViolation("data/HistoryStore.cpp", "view/History.h"));
    EXPECT_TRUE(layeringViolation("cad/geometry/DisplayList.h", "control/Viewport.h"));
    EXPECT_TRUE(layeringViolation("control/Viewport.cpp", "view/Navigation.h"));
    // What the rules allow.
    EXPECT_FALSE(layeringViolation("cad/dxf/StandInRecords.cpp", "cad/dwg/ProxyGraphics.h"));
    EXPECT_FALSE(layeringViolation("cad/dwg/r12/Tables.cpp", "cad/dwg/BitReader.h"));
    EXPECT_FALSE(layeringViolation("cad/load/DrawingReader.cpp", "cad/dgn/DgnReader.h"));
    EXPECT_FALSE(layeringViolation("app/frmVEXOR.cpp", "cad/geometry/DisplayList.h"));
}

} // namespace
