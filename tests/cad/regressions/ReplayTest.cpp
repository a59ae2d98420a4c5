// Replays every input under tests/cad/regressions/inputs (files that once crashed, hung or
// over-allocated a reader, mostly found by the fuzzers) through the whole load: recognition by
// content, the reader, the display-list compile, under a load budget. Each must give a
// drawing, a ReadError or a stopped load; under scripts/sanitize.sh a sanitizer report fails it.
#include "cad/geometry/DisplayList.h"
#include "cad/io/LoadBudget.h"
#include "cad/load/DrawingReader.h"
#include "cad/model/ReadError.h"
#include "support/Corpus.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <vector>

using namespace vexor::cad;
namespace fs = std::filesystem;

namespace {

std::vector<fs::path> regressionInputs() {
    const fs::path folder = vexor::test::sourceDir() / "tests/cad/regressions/inputs";
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().filename() != "README.md")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

TEST(RegressionInputs, EveryInputLoadsOrFailsCleanly) {
    const std::vector<fs::path> files = regressionInputs();
    ASSERT_FALSE(files.empty()) << "the regression inputs are missing";
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        std::ifstream in(file, std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                              std::istreambuf_iterator<char>());
        LoadBudget budget(LoadBudget::allowedBytes(bytes.size()));
        budget.setTimeout(std::chrono::seconds(60));
        try {
            LoadScope scope(budget);
            const Drawing drawing = readDrawingBytes(bytes, file.filename().string());
            EXPECT_NE(compileDisplayList(drawing), nullptr);
        } catch (const ReadError& e) {
            EXPECT_NE(std::string(e.what()).find(file.filename().string()), std::string::npos)
                << e.what();
        } catch (const LoadStopped& e) {
            EXPECT_NE(e.reason(), LoadStopReason::Cancelled) << e.what();
        }
    }
}
