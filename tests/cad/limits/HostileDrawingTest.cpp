// Drawings crafted to cost far more than their bytes (dense hatches, huge insert arrays, vertex
// counts no file can hold, blocks nested far beyond any real drawing) go through the load a
// user's file takes: recognition, the reader and the display-list compile, under one budget.
// Each must end in a clear error or a diagnostic, quickly and with bounded memory.
#include "cad/dwg/BitReader.h"
#include "cad/dwg/EntityParsers.h"
#include "cad/dxf/DxfFixture.h"
#include "cad/geometry/DisplayList.h"
#include "cad/io/LoadBudget.h"
#include "cad/load/DrawingReader.h"
#include "cad/model/ReadError.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace vexor;
using namespace vexor::cad;
using namespace vexor::test;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// Instrumented builds run several times slower and keep freed memory in quarantine. Time is
// the processor time the load takes, so that a busy machine does not fail the test.
const double kSecondsAllowed = kSanitized ? 10.0 : 1.0;
const long kPeakMegabytesAllowed = kSanitized ? 1536 : 256;

long peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

struct Loaded {
    std::vector<std::string> diagnostics; // the reader's and the compiler's
    std::string error;                    // a ReadError's or LoadStopped's message
    double seconds = 0;                   // processor time
};

Loaded load(const std::string& text, std::uint64_t budgetBytes = 0) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
    LoadBudget budget(budgetBytes ? budgetBytes : LoadBudget::allowedBytes(text.size()));
    Loaded out;
    const std::clock_t start = std::clock();
    try {
        LoadScope scope(budget);
        const Drawing drawing = readDrawingBytes({p, text.size()}, "hostile.dxf");
        const auto list = compileDisplayList(drawing);
        out.diagnostics = drawing.diagnostics;
        out.diagnostics.insert(out.diagnostics.end(), list->diagnostics().begin(),
                               list->diagnostics().end());
    } catch (const ReadError& e) {
        out.error = e.what();
    } catch (const LoadStopped& e) {
        out.error = e.what();
    }
    out.seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    return out;
}

bool mentions(const std::vector<std::string>& messages, const std::string& part) {
    return std::any_of(messages.begin(), messages.end(),
                       [&](const std::string& m) { return m.find(part) != std::string::npos; });
}

// A DXF file with these BLOCKS (when any) and ENTITIES sections.
std::string dxfFile(const std::string& entities, const std::string& blocks = {}) {
    std::string text;
    if (!blocks.empty())
        text += "0\nSECTION\n2\nBLOCKS\n" + blocks + "0\nENDSEC\n";
    return text + "0\nSECTION\n2\nENTITIES\n" + entities + "0\nENDSEC\n0\nEOF\n";
}

// A 1000 x 1000 square hatched with one family of lines `spacing` apart, claiming
// `claimedLines` pattern lines.
std::string squareHatch(double spacing, const std::string& claimedLines) {
    DxfText h;
    h.g(0, "HATCH").g(8, "0").point(10, 0, 0).g(2, "DENSE").g(70, 0).g(71, 0).g(91, 1);
    h.g(92, 2).g(72, 0).g(73, 1).g(93, 4);
    for (const auto& [x, y] : {std::pair{0.0, 0.0}, {1000.0, 0.0}, {1000.0, 1000.0}, {0.0, 1000.0}})
        h.g(10, x).g(20, y);
    h.g(97, 0).g(75, 0).g(76, 1).g(52, 0.0).g(41, 1.0).g(77, 0).g(78, claimedLines);
    h.g(53, 45.0).g(43, 0.0).g(44, 0.0).g(45, 0.0).g(46, spacing).g(79, 0);
    return h.str();
}

std::string blockRecord(const std::string& name, const std::string& body) {
    DxfText b;
    b.g(0, "BLOCK").g(8, "0").g(2, name).g(70, 0).point(10, 0, 0);
    return b.str() + body + "0\nENDBLK\n8\n0\n";
}

std::string insertOf(const std::string& name, int columns = 1, int rows = 1) {
    DxfText i;
    i.g(0, "INSERT").g(8, "0").g(2, name).point(10, 0, 0);
    if (columns > 1 || rows > 1)
        i.g(70, columns).g(71, rows).g(44, 10.0).g(45, 10.0);
    return i.str();
}

std::string line() {
    return DxfText().g(0, "LINE").g(8, "0").point(10, 0, 0).point(11, 1, 1).str();
}

void expectQuickAndSmall(const Loaded& loaded) {
    EXPECT_LT(loaded.seconds, kSecondsAllowed);
    EXPECT_LT(peakMegabytes(), kPeakMegabytesAllowed);
}

} // namespace

TEST(HostileDrawing, HatchWithABillionPatternLinesDrawsItsBoundary) {
    // Lines 1e-6 apart over a 1000-unit square: a billion of them; and a claim of a billion.
    const Loaded dense = load(dxfFile(squareHatch(1e-6, "1")));
    EXPECT_TRUE(dense.error.empty()) << dense.error;
    EXPECT_TRUE(mentions(dense.diagnostics, "too dense to draw"))
        << ::testing::PrintToString(dense.diagnostics);
    expectQuickAndSmall(dense);

    const Loaded claimed = load(dxfFile(squareHatch(10.0, "1000000000")));
    EXPECT_TRUE(claimed.error.empty()) << claimed.error;
    expectQuickAndSmall(claimed);
}

TEST(HostileDrawing, InsertArrayOfTenBillionCopiesIsCut) {
    const std::string text = dxfFile(insertOf("CELL", 100000, 100000), blockRecord("CELL", line()));
    const Loaded loaded = load(text);
    EXPECT_TRUE(loaded.error.empty()) << loaded.error;
    EXPECT_TRUE(mentions(loaded.diagnostics, "INSERT grid"))
        << ::testing::PrintToString(loaded.diagnostics);
    expectQuickAndSmall(loaded);
}

TEST(HostileDrawing, NestedArraysDoNotMultiplyWithoutBound) {
    // Eight levels of 256 x 256 arrays would be 2^128 copies of one line.
    std::string blocks = blockRecord("L0", line());
    for (int level = 1; level <= 8; ++level)
        blocks += blockRecord("L" + std::to_string(level),
                              insertOf("L" + std::to_string(level - 1), 256, 256));
    const Loaded loaded = load(dxfFile(insertOf("L8"), blocks));
    EXPECT_TRUE(loaded.error.empty()) << loaded.error;
    EXPECT_TRUE(mentions(loaded.diagnostics, "copies"))
        << ::testing::PrintToString(loaded.diagnostics);
    expectQuickAndSmall(loaded);
}

TEST(HostileDrawing, PolylineClaimingTwoBillionVerticesHoldsOnlyItsOwn) {
    DxfText p;
    p.g(0, "LWPOLYLINE").g(8, "0").g(90, "2147483648").g(70, 0);
    for (int i = 0; i < 4; ++i)
        p.point(10, i, i * i).g(20, i * i);
    const Loaded loaded = load(dxfFile(p.str()));
    EXPECT_TRUE(loaded.error.empty()) << loaded.error;
    expectQuickAndSmall(loaded);
}

TEST(HostileDrawing, BlocksNestedAHundredThousandDeepAreCut) {
    std::string blocks = blockRecord("B0", line());
    for (int depth = 1; depth < 100000; ++depth)
        blocks +=
            blockRecord("B" + std::to_string(depth), insertOf("B" + std::to_string(depth - 1)));
    const Loaded loaded = load(dxfFile(insertOf("B99999"), blocks));
    EXPECT_TRUE(loaded.error.empty()) << loaded.error;
    EXPECT_TRUE(mentions(loaded.diagnostics, "nested too deep"))
        << ::testing::PrintToString(loaded.diagnostics);
    expectQuickAndSmall(loaded);
}

TEST(HostileDrawing, DrawingLargerThanItsBudgetStopsWithAClearError) {
    // 4 x 100,000 vertices in 4 MB of text need about 25 MB as model and display list.
    std::string vertices = DxfText().g(0, "LWPOLYLINE").g(8, "0").g(90, 100000).g(70, 0).str();
    for (int i = 0; i < 100000; ++i)
        vertices += "10\n" + std::to_string(i) + "\n20\n" + std::to_string(i % 7) + "\n";
    std::string entities;
    for (int copy = 0; copy < 4; ++copy)
        entities += vertices;
    const Loaded loaded = load(dxfFile(entities), 8u << 20);
    EXPECT_NE(loaded.error.find("hostile.dxf: this drawing needs more memory than allowed"),
              std::string::npos)
        << loaded.error;
}

TEST(LoadBudget, ClaimsBeyondTheBudgetStopBeforeAllocating) {
    LoadBudget budget(64u << 20);
    LoadScope scope(budget);
    EXPECT_NO_THROW(claimLoadMemory(1000, 64));
    try {
        claimLoadMemory(std::uint64_t{1} << 31, 48);
        FAIL() << "a claim of 96 GB passed a 64 MB budget";
    } catch (const LoadStopped& stop) {
        EXPECT_EQ(stop.reason(), LoadStopReason::OutOfMemoryBudget);
        EXPECT_NE(std::string(stop.what()).find("more memory than allowed (more than 64 MB"),
                  std::string::npos)
            << stop.what();
    }
    EXPECT_THROW(claimLoadMemory(UINT64_MAX, UINT64_MAX), LoadStopped);
}

TEST(LoadBudget, AllowedBytesFollowTheFileSizeWithinHalfTheMachine) {
    EXPECT_EQ(LoadBudget::allowedBytes(1000), 256u << 20);
    EXPECT_EQ(LoadBudget::allowedBytes(8u << 20), 512u << 20);
    const std::uint64_t huge = LoadBudget::allowedBytes(std::uint64_t{1} << 60);
    EXPECT_LT(huge, std::uint64_t{1} << 60);
    EXPECT_GE(huge, 256u << 20);
}

TEST(LoadBudget, CancelAndTimeoutStopAtTheNextCheckpoint) {
    LoadBudget budget(256u << 20);
    LoadScope scope(budget);
    EXPECT_NO_THROW(loadCheckpoint());
    budget.cancel();
    try {
        loadCheckpoint();
        FAIL() << "a cancelled load went on";
    } catch (const LoadStopped& stop) {
        EXPECT_EQ(stop.reason(), LoadStopReason::Cancelled);
    }

    LoadBudget late(256u << 20);
    late.setTimeout(std::chrono::milliseconds(0));
    LoadScope lateScope(late);
    bool stopped = false;
    for (int i = 0; i < 100000 && !stopped; ++i) {
        try {
            loadCheckpoint();
        } catch (const LoadStopped& stop) {
            stopped = stop.reason() == LoadStopReason::TimedOut;
        }
    }
    EXPECT_TRUE(stopped);
}

TEST(LoadBudget, NoBudgetMeansNoCheck) {
    EXPECT_EQ(activeLoadBudget(), nullptr);
    EXPECT_NO_THROW(claimLoadMemory(UINT64_MAX, 8));
    EXPECT_NO_THROW(loadCheckpoint());
}

TEST(HostileDrawing, DwgCountsAreCheckedAgainstTheObjectThenTheBudget) {
    // A 2^31-vertex LWPOLYLINE needs at least 4 bits a vertex: no object of 1 KB holds it.
    const std::vector<std::uint8_t> small(1024);
    dwg::BitReader r(small);
    EXPECT_THROW(dwg::checkedCount(r, std::int64_t{1} << 31, 4), dwg::DwgFormatError);
    EXPECT_THROW(dwg::checkedCount(r, -1, 4), dwg::DwgFormatError);

    // 100 million vertices fit in 64 MB of bits, but not as vertices in a 256 MB budget.
    const std::vector<std::uint8_t> large(64u << 20);
    dwg::BitReader big(large);
    LoadBudget budget(256u << 20);
    LoadScope scope(budget);
    EXPECT_EQ(dwg::checkedCount(big, 1000, 4), 1000u);
    try {
        dwg::checkedCount(big, 100'000'000, 4);
        FAIL() << "100 million vertices passed a 256 MB budget";
    } catch (const LoadStopped& stop) {
        EXPECT_EQ(stop.reason(), LoadStopReason::OutOfMemoryBudget);
    }
}
