#include "HistoryStore.h"

#include "ProjectDatabase.h"

#include <ctime>

namespace vexor::data {

std::string currentAccessDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

bool recordDrawingRow(Connection& connection, const std::string& path) {
    Transaction transaction(connection);
    Statement find(connection, "SELECT rowid FROM tblRecentProject "
                               "WHERE vexor_upper(FileName) = vexor_upper(?1) "
                               "ORDER BY rowid LIMIT 1");
    find.bind(1, path);
    const bool found = find.step();
    if (found) {
        const std::int64_t rowId = find.integer(0);
        find.reset();
        // The renewed row also takes the highest row id, so that among rows stamped within the
        // same second the one opened last still comes first.
        Statement renew(connection, "UPDATE tblRecentProject SET AccessDate = ?1, "
                                    "rowid = (SELECT max(rowid) + 1 FROM tblRecentProject) "
                                    "WHERE rowid = ?2");
        renew.bind(1, currentAccessDate()).bind(2, rowId).step();
    } else {
        find.reset();
        Statement add(connection,
                      "INSERT INTO tblRecentProject (FileName, AccessDate) VALUES (?1, ?2)");
        add.bind(1, path).bind(2, currentAccessDate()).step();
    }
    transaction.commit();
    return !found;
}

bool recordDrawing(const std::string& databaseFolder, const std::string& path) {
    auto connection = openWorkingConnection(databaseFolder);
    return recordDrawingRow(*connection, path);
}

void forgetDrawing(const std::string& databaseFolder, const std::string& path) {
    auto connection = openWorkingConnection(databaseFolder);
    Statement forget(*connection,
                     "DELETE FROM tblRecentProject WHERE vexor_upper(FileName) = vexor_upper(?1)");
    forget.bind(1, path).step();
}

NewestPaths readNewestPaths(const std::string& databaseFolder, int limit) {
    auto connection = openWorkingConnection(databaseFolder);
    // Rows opened within the same second: the one recorded later (higher rowid) counts as newer.
    Statement newest(*connection, "SELECT FileName FROM tblRecentProject "
                                  "ORDER BY AccessDate DESC, rowid DESC");
    NewestPaths result;
    try {
        while (static_cast<int>(result.rows.size()) < limit && newest.step())
            result.rows.push_back(newest.isNull(0) ? std::nullopt
                                                   : std::optional<std::string>(newest.text(0)));
    } catch (const DatabaseError&) {
        result.complete = false;
    }
    return result;
}

} // namespace vexor::data
