#include "ProjectFixture.h"
#include "data/ProjectDatabase.h"
#include "fakes/FakeWindowSystem.h"

#include <csignal>
#include <gtest/gtest.h>

namespace vexor::test {
namespace {

// A process killed with SIGKILL while it records drawings leaves a readable database that
// holds every drawing it had reported as stored.
TEST(CrashSafety, KillDuringRecordingLosesNoStoredRow) {
    ProjectFolder project;
    auto recorder = startChild("record", project.folder);
    long reported = -1;
    while (reported < 40) {
        ASSERT_TRUE(recorder->waitForReadyRead(30000)) << "the recorder stopped";
        while (recorder->canReadLine())
            reported = recorder->readLine().trimmed().toLong();
    }
    ::kill(static_cast<pid_t>(recorder->processId()), SIGKILL);
    ASSERT_TRUE(recorder->waitForFinished(30000));
    while (recorder->canReadLine())
        reported = recorder->readLine().trimmed().toLong();

    auto connection = project.connect();
    data::Statement check(*connection, "PRAGMA integrity_check");
    ASSERT_TRUE(check.step());
    EXPECT_EQ(check.text(0), "ok");

    const std::vector<std::string> names = project.fileNames();
    ASSERT_GE(static_cast<long>(names.size()), reported + 1);
    // At most the one drawing being written when the kill came is beyond the last report.
    EXPECT_LE(static_cast<long>(names.size()), reported + 2);
    for (long i = 0; i <= reported; ++i)
        EXPECT_EQ(names[static_cast<std::size_t>(i)],
                  project.folder + "/d" + std::to_string(i) + ".dwg");

    FakeWindowSystem windows;
    EXPECT_TRUE(data::OpenProjectDatabase(project.folder, windows));
}

} // namespace
} // namespace vexor::test
