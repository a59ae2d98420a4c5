// Project database speed: opening a working connection (key derivation included), recording a
// drawing with a durable commit, and reading the ten newest of a large history.
#include "data/HistoryStore.h"
#include "data/ProjectDatabase.h"
#include "data/ProjectSchema.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace vexor;

namespace {

struct BenchProject {
    explicit BenchProject(int rows) {
        folder = dir.path().toStdString();
        data::createProjectDatabase(data::ProjectDatabasePath(folder), {});
        auto connection = data::openWorkingConnection(folder);
        data::Transaction transaction(*connection);
        data::Statement add(*connection, "INSERT INTO tblRecentProject (FileName, AccessDate) "
                                         "VALUES (?1, ?2)");
        for (int i = 0; i < rows; ++i) {
            add.reset();
            add.bind(1, "/drawings/plan" + std::to_string(i) + ".dwg")
                .bind(2, "2026-01-01 00:00:00")
                .step();
        }
        transaction.commit();
    }
    QTemporaryDir dir;
    std::string folder;
};

void OpenWorkingConnection(benchmark::State& state) {
    BenchProject project(0);
    for (auto _ : state)
        benchmark::DoNotOptimize(data::openWorkingConnection(project.folder));
}
BENCHMARK(OpenWorkingConnection)->Unit(benchmark::kMillisecond);

void RecordExistingDrawing(benchmark::State& state) {
    BenchProject project(static_cast<int>(state.range(0)));
    auto connection = data::openWorkingConnection(project.folder);
    for (auto _ : state)
        data::recordDrawingRow(*connection, "/DRAWINGS/PLAN0.DWG");
}
BENCHMARK(RecordExistingDrawing)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);

void ReadTenNewest(benchmark::State& state) {
    BenchProject project(static_cast<int>(state.range(0)));
    auto connection = data::openWorkingConnection(project.folder);
    for (auto _ : state) {
        data::Statement newest(*connection, "SELECT FileName FROM tblRecentProject "
                                            "ORDER BY AccessDate DESC, rowid DESC");
        for (int i = 0; i < 10 && newest.step(); ++i)
            benchmark::DoNotOptimize(newest.text(0));
    }
}
BENCHMARK(ReadTenNewest)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
