#include "ProjectDatabase.h"

#include "platform/WindowSystem.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

namespace vexor::data {

std::string ProjectDatabasePath(const std::string& programFolder) {
    return (std::filesystem::path(programFolder) / kProjectDatabaseFileName).string();
}

namespace {

// Both tables must be present: a file that is readable with our key but lacks them is not a
// project database.
void checkTables(Connection& connection) {
    Statement tables(connection, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND "
                                 "name IN ('tblRecentProject', 'tblCredits')");
    if (!tables.step() || tables.integer(0) != 2)
        throw DatabaseError(0, connection.path() + ": the history or credits table is missing");
}

} // namespace

ProjectConnection::ProjectConnection(const std::string& databasePath) : path_(databasePath) {
    using Reason = ProjectOpenError::Reason;
    // O_CLOEXEC: a program started from ours (a mail client, a browser) must not inherit the
    // claim and keep it after we end.
    lockFile_ = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
    if (lockFile_ < 0)
        throw ProjectOpenError(Reason::Unusable, path_ + ": " + std::strerror(errno));
    if (::flock(lockFile_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(lockFile_);
        lockFile_ = -1;
        if (error == EWOULDBLOCK)
            throw ProjectOpenError(Reason::InUse, path_ + ": held by another running copy");
        throw ProjectOpenError(Reason::Unusable, path_ + ": cannot lock: " + std::strerror(error));
    }
    try {
        connection_ = std::make_unique<Connection>(path_, kProjectDatabasePassword);
        checkTables(*connection_);
    } catch (const DatabaseError& error) {
        ::close(lockFile_);
        lockFile_ = -1;
        throw ProjectOpenError(Reason::Unusable, error.what());
    }
}

ProjectConnection::~ProjectConnection() {
    connection_.reset();
    if (lockFile_ >= 0)
        ::close(lockFile_);
}

std::vector<std::string> ProjectConnection::Contributions() {
    Statement query(*connection_, "SELECT DISTINCT Contribution FROM tblCredits");
    std::vector<std::string> headings;
    while (query.step())
        headings.push_back(query.text(0));
    return headings;
}

std::vector<std::string> ProjectConnection::NamesFor(const std::string& contribution) {
    Statement query(*connection_, "SELECT Name FROM tblCredits WHERE Contribution = ?1");
    query.bind(1, contribution);
    std::vector<std::string> names;
    while (query.step())
        names.push_back(query.text(0));
    return names;
}

std::unique_ptr<ProjectConnection> OpenProjectDatabase(const std::string& programFolder,
                                                       platform::WindowSystem& windows) {
    try {
        return std::make_unique<ProjectConnection>(ProjectDatabasePath(programFolder));
    } catch (const ProjectOpenError& error) {
        windows.MessageBox(error.reason() == ProjectOpenError::Reason::InUse
                               ? kDatabaseInUseMessage
                               : kDatabaseUnusableMessage,
                           "VEXOR", platform::MessageIcon::Critical);
    } catch (const std::exception&) {
        windows.MessageBox(kDatabaseUnusableMessage, "VEXOR", platform::MessageIcon::Critical);
    }
    return nullptr;
}

std::unique_ptr<Connection> openWorkingConnection(const std::string& programFolder) {
    return std::make_unique<Connection>(ProjectDatabasePath(programFolder),
                                        kProjectDatabasePassword);
}

} // namespace vexor::data
