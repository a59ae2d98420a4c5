#pragma once

#include "Sql.h"

#include <optional>
#include <string>
#include <vector>

namespace vexor::data {

// The local date and time to the second, as stored in AccessDate ("YYYY-MM-DD HH:MM:SS").
std::string currentAccessDate();

// Renews the AccessDate of the path's row (matched without regard to letter case, the stored
// spelling kept) or adds a row whose view fields take their defaults, in one transaction.
// True when a row was added.
bool recordDrawingRow(Connection& connection, const std::string& path);

// The same through a working connection of the project database in `databaseFolder`. Throws
// DatabaseError.
bool recordDrawing(const std::string& databaseFolder, const std::string& path);

// Removes the rows of the path (matched without regard to letter case): a drawing recorded
// just before it turned out not to open. Throws DatabaseError.
void forgetDrawing(const std::string& databaseFolder, const std::string& path);

// The FileName of the newest rows, newest first; a row without a file name gives nullopt.
// `complete` is false when reading stopped on a failure after the rows listed.
struct NewestPaths {
    std::vector<std::optional<std::string>> rows;
    bool complete = true;
};

// Reads up to `limit` rows. Failures to open the database or its query throw DatabaseError.
NewestPaths readNewestPaths(const std::string& databaseFolder, int limit);

} // namespace vexor::data
