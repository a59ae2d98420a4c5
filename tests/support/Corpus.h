#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vexor::test {

// The checkout's source folder and the build folder the tests were built in.
const std::filesystem::path& sourceDir();
const std::filesystem::path& binaryDir();

// The shared corpus of real drawings: $VEXOR_CORPUS, or ../shared/corpus beside the checkout.
// Nothing when the folder is absent, so that corpus tests can skip.
std::optional<std::filesystem::path> corpusDir();

// Every file under corpus/<sub> with one of the given extensions (lower-case, with the dot),
// sorted by path.
std::vector<std::filesystem::path> corpusFiles(const std::string& sub,
                                               const std::vector<std::string>& extensions);

// The rows of the corpus's PAIRS.tsv (the same drawing written twice: kind, file_a, version_a,
// file_b, version_b, same_version ...), each split at its tabs; the header row included.
std::vector<std::vector<std::string>> corpusPairRows();

// The oracle JSON for a corpus file, if there is one.
std::optional<std::filesystem::path> oracleFor(const std::filesystem::path& file);

// A fresh empty folder under the system's temporary folder, removed at exit.
std::filesystem::path scratchDir(const std::string& name);

} // namespace vexor::test

#define VEXOR_REQUIRE_CORPUS()                                                                     \
    do {                                                                                           \
        if (!::vexor::test::corpusDir())                                                           \
            GTEST_SKIP() << "corpus folder absent";                                                \
    } while (0)
