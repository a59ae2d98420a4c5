#pragma once

#include "Sql.h"

#include <memory>
#include <string>
#include <vector>

namespace vexor::platform {
class WindowSystem;
}

namespace vexor::data {

inline constexpr char kProjectDatabaseFileName[] = "Dadizer.KVF";
inline constexpr char kProjectDatabasePassword[] = "k8Rm3Tq5Xw2";

inline constexpr char kDatabaseInUseMessage[] =
    "The database is already opened by another instance of VEXOR.\r\n";
inline constexpr char kDatabaseUnusableMessage[] =
    "VEXOR could not find the database or it has become corrupted.\r\n"
    "This program cannot continue.  Please re-install VEXOR.";

// The database file in the program's folder.
std::string ProjectDatabasePath(const std::string& programFolder);

// Why the project database could not be opened at start-up.
class ProjectOpenError : public std::runtime_error {
public:
    enum class Reason {
        InUse,   // another running copy of the program holds the file
        Unusable // missing, unreadable, damaged or not ours (wrong key, tables missing)
    };
    ProjectOpenError(Reason reason, const std::string& message)
        : std::runtime_error(message), reason_(reason) {}
    Reason reason() const { return reason_; }

private:
    Reason reason_;
};

// The connection held for the whole run. It claims the file exclusively with an advisory lock
// that the kernel drops when the process ends in any way (even kill -9), so a stale claim never
// locks the user out; the program's own working connections are not blocked by it.
class ProjectConnection {
public:
    // Throws ProjectOpenError.
    explicit ProjectConnection(const std::string& databasePath);
    ~ProjectConnection();
    ProjectConnection(const ProjectConnection&) = delete;
    ProjectConnection& operator=(const ProjectConnection&) = delete;

    const std::string& path() const { return path_; }

    // The credits: the distinct headings, then the names under one heading (in stored order).
    std::vector<std::string> Contributions();
    std::vector<std::string> NamesFor(const std::string& contribution);

private:
    std::string path_;
    int lockFile_ = -1;
    std::unique_ptr<Connection> connection_;
};

// Opens the project database in the program's folder for the run. On failure it shows the
// matching critical message titled "VEXOR" and returns null: the caller must then end the
// program without showing its main window.
std::unique_ptr<ProjectConnection> OpenProjectDatabase(const std::string& programFolder,
                                                       platform::WindowSystem& windows);

// A connection for one history or settings operation; close it by letting it go.
std::unique_ptr<Connection> openWorkingConnection(const std::string& programFolder);

} // namespace vexor::data
