#include "data/ProjectDatabase.h"

#include "ProjectFixture.h"
#include "data/DerivedKeys.h"
#include "data/ProjectSchema.h"
#include "fakes/FakeWindowSystem.h"
#include "support/Corpus.h"

#include <QFile>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace vexor::test {
namespace {

using data::ProjectOpenError;

std::string inUseMessage() {
    return data::kDatabaseInUseMessage;
}
std::string unusableMessage() {
    return data::kDatabaseUnusableMessage;
}

TEST(ProjectDatabasePath, JoinsFolderAndFileNameWithOneSeparator) {
    EXPECT_EQ(data::ProjectDatabasePath("/opt/vexor"), "/opt/vexor/Dadizer.KVF");
    EXPECT_EQ(data::ProjectDatabasePath("/"), "/Dadizer.KVF");
    EXPECT_EQ(data::ProjectDatabasePath("/opt/vexor/"), "/opt/vexor/Dadizer.KVF");
}

TEST(ProjectDatabaseMessages, AreTheProgramsOwnTexts) {
    EXPECT_EQ(inUseMessage(), "The database is already opened by another instance of VEXOR.\r\n");
    EXPECT_EQ(unusableMessage(), "VEXOR could not find the database or it has become corrupted.\r\n"
                                 "This program cannot continue.  Please re-install VEXOR.");
}

TEST(OpenProjectDatabase, OpensTheDeliveredFileWithoutAMessage) {
    ProjectFolder project;
    FakeWindowSystem windows;
    auto connection = data::OpenProjectDatabase(project.folder, windows);
    ASSERT_TRUE(connection);
    EXPECT_TRUE(windows.messages.empty());
    EXPECT_EQ(connection->path(), project.databasePath);
}

void expectRefusedWith(const std::string& folder, const std::string& text) {
    FakeWindowSystem windows;
    EXPECT_FALSE(data::OpenProjectDatabase(folder, windows));
    ASSERT_EQ(windows.messages.size(), 1u);
    EXPECT_EQ(windows.messages[0].text, text);
    EXPECT_EQ(windows.messages[0].title, "VEXOR");
    EXPECT_EQ(windows.messages[0].icon, platform::MessageIcon::Critical);
}

TEST(OpenProjectDatabase, MissingFileGivesTheReinstallMessageAndCreatesNothing) {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    expectRefusedWith(folder, unusableMessage());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(data::ProjectDatabasePath(folder))));
}

TEST(OpenProjectDatabase, WrongPasswordGivesTheReinstallMessage) {
    QTemporaryDir dir;
    const std::string path = data::ProjectDatabasePath(dir.path().toStdString());
    {
        auto other = data::Connection::create(path, "not-the-password");
        other.execute("CREATE TABLE tblRecentProject (FileName TEXT); "
                      "CREATE TABLE tblCredits (Contribution TEXT, Name TEXT)");
    }
    expectRefusedWith(dir.path().toStdString(), unusableMessage());
}

// The key kept in memory is the one the engine derives itself: the delivered database opens
// with it alone, a file of another passphrase never does, and a file that gains another salt
// (replaced by a copy) gets its own key.
TEST(DerivedKeys, TheKeptKeyUnlocksTheDatabaseAndOnlyIt) {
    ProjectFolder project;
    const std::string rawKey =
        data::derivedRawKey(project.databasePath, data::kProjectDatabasePassword);
    ASSERT_EQ(rawKey.size(), 67u);
    {
        data::Connection byRawKey(project.databasePath, rawKey);
        data::Statement tables(byRawKey, "SELECT count(*) FROM tblRecentProject");
        EXPECT_TRUE(tables.step());
    }
    EXPECT_EQ(data::derivedRawKey(project.databasePath, data::kProjectDatabasePassword), rawKey);
    EXPECT_NE(data::derivedRawKey(project.databasePath, "not-the-password"), rawKey);

    QTemporaryDir dir;
    const std::string otherPath = data::ProjectDatabasePath(dir.path().toStdString());
    data::Connection::create(otherPath, "not-the-password").execute("CREATE TABLE t (a)");
    EXPECT_THROW(data::Connection(otherPath, rawKey), data::DatabaseError);
    EXPECT_THROW(data::Connection(otherPath, data::kProjectDatabasePassword), data::DatabaseError);
    EXPECT_NO_THROW(data::Connection(otherPath, "not-the-password"));
    EXPECT_TRUE(data::derivedRawKey(dir.path().toStdString() + "/absent", "x").empty());
}

TEST(OpenProjectDatabase, DamagedFileGivesTheReinstallMessage) {
    ProjectFolder project;
    {
        // Overwrite the middle of the file: the first page decrypts to garbage.
        std::fstream file(project.databasePath, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(100);
        file << std::string(600, 'x');
    }
    expectRefusedWith(project.folder, unusableMessage());
}

TEST(OpenProjectDatabase, FileWithoutTheTablesGivesTheReinstallMessage) {
    QTemporaryDir dir;
    const std::string path = data::ProjectDatabasePath(dir.path().toStdString());
    data::Connection::create(path, data::kProjectDatabasePassword).execute("CREATE TABLE t (a)");
    expectRefusedWith(dir.path().toStdString(), unusableMessage());
}

TEST(OpenProjectDatabase, UnreadableFileGivesTheReinstallMessage) {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    ASSERT_EQ(::mkdir(data::ProjectDatabasePath(folder).c_str(), 0700), 0);
    expectRefusedWith(folder, unusableMessage());
}

TEST(OpenProjectDatabase, SecondProcessIsRefusedWhileTheFirstKeepsWorking) {
    ProjectFolder project;
    FakeWindowSystem windows;
    auto first = data::OpenProjectDatabase(project.folder, windows);
    ASSERT_TRUE(first);

    auto second = startChild("open", project.folder);
    ASSERT_TRUE(second->waitForFinished(30000));
    EXPECT_EQ(second->exitCode(), 1);
    EXPECT_EQ(second->readAllStandardOutput().toStdString(), inUseMessage());

    // The first copy is undisturbed: its own and its working connections still work.
    EXPECT_EQ(first->Contributions().size(), 3u);
    EXPECT_EQ(project.rowCount(), 0);
    EXPECT_TRUE(windows.messages.empty());
}

TEST(OpenProjectDatabase, ClaimOfAKilledProcessIsReleased) {
    ProjectFolder project;
    auto holder = startChild("hold", project.folder);
    ASSERT_TRUE(holder->waitForReadyRead(30000));
    EXPECT_EQ(holder->readLine().trimmed().toStdString(), "ready");

    EXPECT_THROW(
        {
            try {
                data::ProjectConnection refused(project.databasePath);
            } catch (const ProjectOpenError& error) {
                EXPECT_EQ(error.reason(), ProjectOpenError::Reason::InUse);
                throw;
            }
        },
        ProjectOpenError);

    ::kill(static_cast<pid_t>(holder->processId()), SIGKILL);
    ASSERT_TRUE(holder->waitForFinished(30000));
    FakeWindowSystem windows;
    EXPECT_TRUE(data::OpenProjectDatabase(project.folder, windows));
    EXPECT_TRUE(windows.messages.empty());
}

TEST(OpenProjectDatabase, ClaimEndsWithTheConnection) {
    ProjectFolder project;
    { data::ProjectConnection first(project.databasePath); }
    EXPECT_NO_THROW(data::ProjectConnection again(project.databasePath));
}

TEST(ProjectCredits, HeadingsAreDistinctAndNamesFollowTheirHeading) {
    ProjectFolder project;
    data::ProjectConnection connection(project.databasePath);
    EXPECT_EQ(connection.Contributions(),
              (std::vector<std::string>{"Programming", "Users' feedback", "Testing"}));
    EXPECT_EQ(connection.NamesFor("Programming"), (std::vector<std::string>{"Ada", "Grace"}));
    // A heading with an apostrophe is matched as a value, never pasted into the query.
    EXPECT_EQ(connection.NamesFor("Users' feedback"),
              (std::vector<std::string>{"Brian O'Neil", "Zoë"}));
    EXPECT_TRUE(connection.NamesFor("' OR '1'='1").empty());
}

TEST(CreateProjectDatabase, NeverReplacesAnExistingDatabase) {
    ProjectFolder project;
    project.execute("INSERT INTO tblRecentProject (FileName) VALUES ('/kept.dwg')");
    EXPECT_THROW(data::createProjectDatabase(project.databasePath, {}), data::DatabaseError);
    EXPECT_EQ(project.fileNames(), std::vector<std::string>{"/kept.dwg"});
    EXPECT_FALSE(QFile::exists(QString::fromStdString(project.databasePath + ".new")));
}

TEST(CreateProjectDatabase, NewRowsHoldZerosInTheViewFields) {
    ProjectFolder project;
    project.execute("INSERT INTO tblRecentProject (FileName, AccessDate) VALUES ('a', 'b')");
    auto connection = project.connect();
    data::Statement row(*connection, "SELECT BackRed, BackGreen, BackBlue, ForeColor, X1, Y1, "
                                     "X2, Y2 FROM tblRecentProject");
    ASSERT_TRUE(row.step());
    for (int column = 0; column < 8; ++column) {
        EXPECT_FALSE(row.isNull(column)) << column;
        EXPECT_EQ(row.real(column), 0.0) << column;
    }
}

TEST(BuiltProjectDatabase, LiesBesideTheProgramAndOpens) {
    const std::string folder = (vexor::test::binaryDir() / "bin").string();
    if (!QFile::exists(QString::fromStdString(data::ProjectDatabasePath(folder))))
        GTEST_SKIP() << "the vexor-database target has not been built";
    // Read through a plain connection: a running program may hold the claim on this file.
    data::Connection connection(data::ProjectDatabasePath(folder), data::kProjectDatabasePassword);
    data::Statement names(connection, "SELECT Name FROM tblCredits WHERE Contribution = ?1");
    names.bind(1, std::string("Users' feedback"));
    EXPECT_TRUE(names.step());
}

} // namespace
} // namespace vexor::test
