#include "data/DatabaseLocation.h"

#include "ProjectFixture.h"
#include "data/ProjectDatabase.h"

#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace vexor::test {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// An installation prefix: bin/ without a database, share/vexor/ with the delivered one.
struct Installation {
    Installation() {
        fs::create_directories(bin);
        fs::create_directories(shared);
        fs::copy_file(project.databasePath, shared / data::kProjectDatabaseFileName);
    }
    QTemporaryDir root;
    ProjectFolder project;
    fs::path bin = fs::path(root.path().toStdString()) / "usr" / "bin";
    fs::path shared = fs::path(root.path().toStdString()) / "usr" / "share" / "vexor";
    fs::path home = fs::path(root.path().toStdString()) / "home" / "vexor";
};

} // namespace

TEST(DatabaseLocation, AWritableProgramFolderKeepsItsDatabase) {
    ProjectFolder project;
    EXPECT_EQ(data::projectDatabaseFolder(project.folder, true, "/nowhere/vexor"), project.folder);
    EXPECT_FALSE(fs::exists("/nowhere/vexor"));
}

TEST(DatabaseLocation, AnInstalledProgramUsesAUserCopyMadeOnceAndNeverReplaced) {
    Installation install;
    const fs::path user = install.home / ".local" / "share" / "vexor";
    const std::string folder = data::projectDatabaseFolder(install.bin.string(), false, user);
    EXPECT_EQ(folder, user.string());
    const fs::path copy = user / data::kProjectDatabaseFileName;
    ASSERT_TRUE(fs::is_regular_file(copy));
    EXPECT_EQ(contents(copy), contents(install.shared / data::kProjectDatabaseFileName));

    // The user's history goes into the copy; later starts keep it, whatever is installed.
    EXPECT_NO_THROW(data::ProjectConnection{data::ProjectDatabasePath(folder)})
        << "the copy opens as the project database";
    {
        auto working = data::openWorkingConnection(folder);
        data::Statement add(*working, "INSERT INTO tblRecentProject (FileName, AccessDate) "
                                      "VALUES ('/plans/a.dwg', '2026-01-01 10:00:00')");
        add.step();
    }
    const std::string before = contents(copy);
    std::ofstream(install.shared / data::kProjectDatabaseFileName, std::ios::trunc) << "newer";
    EXPECT_EQ(data::projectDatabaseFolder(install.bin.string(), false, user), user.string());
    EXPECT_EQ(contents(copy), before) << "never replaced once it exists";
    for (const auto& entry : fs::directory_iterator(user))
        EXPECT_EQ(entry.path().filename(), data::kProjectDatabaseFileName) << "no partial copy";
}

TEST(DatabaseLocation, AReadOnlyPortableCopyAndNothingDelivered) {
    ProjectFolder project;
    QTemporaryDir home;
    const fs::path user = fs::path(home.path().toStdString()) / "vexor";
    // Read-only folder with the database beside the program: a user copy of that one.
    EXPECT_EQ(data::projectDatabaseFolder(project.folder, false, user), user.string());
    EXPECT_EQ(contents(user / data::kProjectDatabaseFileName), contents(project.databasePath));
    // Nothing delivered anywhere: the program folder, so the open reports the missing file.
    QTemporaryDir empty;
    const std::string bare = empty.path().toStdString();
    EXPECT_EQ(data::projectDatabaseFolder(bare, false, user), bare);
    EXPECT_EQ(data::projectDatabaseFolder(bare, false, ""), bare);
}

TEST(DatabaseLocation, UserFolderFollowsXdgDataHome) {
    const char* savedData = std::getenv("XDG_DATA_HOME");
    const char* savedHome = std::getenv("HOME");
    const std::string keepData = savedData ? savedData : "";
    const std::string keepHome = savedHome ? savedHome : "";
    setenv("XDG_DATA_HOME", "/data/ann", 1);
    setenv("HOME", "/home/ann", 1);
    EXPECT_EQ(data::userDatabaseFolder(), "/data/ann/vexor");
    setenv("XDG_DATA_HOME", "relative/path", 1);
    EXPECT_EQ(data::userDatabaseFolder(), "/home/ann/.local/share/vexor") << "must be absolute";
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(data::userDatabaseFolder(), "/home/ann/.local/share/vexor");
    savedData ? setenv("XDG_DATA_HOME", keepData.c_str(), 1) : unsetenv("XDG_DATA_HOME");
    savedHome ? setenv("HOME", keepHome.c_str(), 1) : unsetenv("HOME");
}

} // namespace vexor::test
