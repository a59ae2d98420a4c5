#include "DatabaseLocation.h"

#include "ProjectDatabase.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <unistd.h>

namespace vexor::data {
namespace {

namespace fs = std::filesystem;

bool isFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

// The database delivered with the program: beside it, or in the shared data folder of the
// installation prefix (bin/../share/vexor).
fs::path deliveredDatabase(const fs::path& programFolder) {
    const fs::path beside = programFolder / kProjectDatabaseFileName;
    if (isFile(beside))
        return beside;
    const fs::path shared =
        programFolder.parent_path() / "share" / "vexor" / kProjectDatabaseFileName;
    return isFile(shared) ? shared : fs::path();
}

// Copies `from` to `to` unless `to` exists; a copy made at the same moment by another start
// is never overwritten, and no half-written file is ever seen under the final name.
bool copyOnce(const fs::path& from, const fs::path& to) {
    if (isFile(to))
        return true;
    const fs::path partial = to.string() + ".partial-" + std::to_string(::getpid());
    std::error_code error;
    if (!fs::copy_file(from, partial, fs::copy_options::overwrite_existing, error))
        return false;
    fs::permissions(partial, fs::perms::owner_read | fs::perms::owner_write,
                    fs::perm_options::replace, error);
    // link() fails when the name exists, so an existing copy is never replaced.
    const bool linked = ::link(partial.c_str(), to.c_str()) == 0;
    fs::remove(partial, error);
    return linked || isFile(to);
}

} // namespace

std::string userDatabaseFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && dataHome[0] == '/')
        return (fs::path(dataHome) / "vexor").string();
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return (fs::path(home) / ".local" / "share" / "vexor").string();
    return {};
}

bool isWritableFolder(const std::string& folder) {
    return ::access(folder.c_str(), W_OK) == 0;
}

std::string projectDatabaseFolder(const std::string& programFolder, bool programFolderWritable,
                                  const std::string& userFolder) {
    const fs::path program(programFolder);
    if (programFolderWritable && isFile(program / kProjectDatabaseFileName))
        return programFolder;
    const fs::path delivered = deliveredDatabase(program);
    if (delivered.empty() || userFolder.empty())
        return programFolder;
    std::error_code error;
    fs::create_directories(userFolder, error);
    if (error)
        return programFolder;
    if (!copyOnce(delivered, fs::path(userFolder) / kProjectDatabaseFileName))
        return programFolder;
    return userFolder;
}

} // namespace vexor::data
