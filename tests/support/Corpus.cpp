#include "Corpus.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace vexor::test {

const fs::path& sourceDir() {
    static const fs::path dir(VEXOR_SOURCE_DIR);
    return dir;
}

const fs::path& binaryDir() {
    static const fs::path dir(VEXOR_BINARY_DIR);
    return dir;
}

std::optional<fs::path> corpusDir() {
    const char* env = std::getenv("VEXOR_CORPUS");
    fs::path dir = (env && *env) ? fs::path(env) : fs::path(VEXOR_DEFAULT_CORPUS);
    std::error_code ec;
    if (fs::is_directory(dir, ec))
        return dir;
    return std::nullopt;
}

std::vector<std::vector<std::string>> corpusPairRows() {
    std::vector<std::vector<std::string>> rows;
    const auto root = corpusDir();
    if (!root)
        return rows;
    std::ifstream pairs(*root / "PAIRS.tsv");
    for (std::string line; std::getline(pairs, line);) {
        std::vector<std::string> cols;
        std::stringstream ss(line);
        for (std::string c; std::getline(ss, c, '\t');)
            cols.push_back(c);
        rows.push_back(std::move(cols));
    }
    return rows;
}

std::vector<fs::path> corpusFiles(const std::string& sub,
                                  const std::vector<std::string>& extensions) {
    std::vector<fs::path> files;
    const auto root = corpusDir();
    if (!root || !fs::is_directory(*root / sub))
        return files;
    for (const auto& entry : fs::recursive_directory_iterator(*root / sub)) {
        if (!entry.is_regular_file())
            continue;
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (std::find(extensions.begin(), extensions.end(), ext) != extensions.end())
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::optional<fs::path> oracleFor(const fs::path& file) {
    const auto root = corpusDir();
    if (!root)
        return std::nullopt;
    const fs::path rel = fs::relative(file, *root);
    fs::path oracle = *root / "oracle" / rel;
    oracle += ".json";
    if (fs::exists(oracle))
        return oracle;
    return std::nullopt;
}

fs::path scratchDir(const std::string& name) {
    fs::path dir =
        fs::temp_directory_path() / ("vexor-test-" + name + "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

} // namespace vexor::test
