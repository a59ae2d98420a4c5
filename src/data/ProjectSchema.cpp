#include "ProjectSchema.h"

#include "ProjectDatabase.h"
#include "Sql.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace vexor::data {

namespace {

constexpr const char* kSchema = R"sql(
CREATE TABLE tblRecentProject (
    FileName TEXT,
    AccessDate TEXT,
    BackRed INTEGER DEFAULT 0,
    BackGreen INTEGER DEFAULT 0,
    BackBlue INTEGER DEFAULT 0,
    ForeColor INTEGER DEFAULT 0,
    X1 REAL DEFAULT 0,
    Y1 REAL DEFAULT 0,
    X2 REAL DEFAULT 0,
    Y2 REAL DEFAULT 0
);
CREATE TABLE tblCredits (
    Contribution TEXT,
    Name TEXT
);
)sql";

void fill(const std::string& path, const std::vector<Credit>& credits) {
    Connection connection = Connection::create(path, kProjectDatabasePassword);
    Transaction transaction(connection);
    connection.execute(kSchema);
    Statement insert(connection, "INSERT INTO tblCredits (Contribution, Name) VALUES (?1, ?2)");
    for (const Credit& credit : credits) {
        insert.reset();
        insert.bind(1, credit.contribution).bind(2, credit.name).step();
    }
    transaction.commit();
}

} // namespace

void createProjectDatabase(const std::string& path, const std::vector<Credit>& credits) {
    // Built under a temporary name and then linked into place: link() refuses to replace an
    // existing file, so a database holding a user's history is never overwritten, and an
    // interrupted build leaves no half-made database under the real name.
    const std::string temporary = path + ".new";
    std::remove(temporary.c_str());
    try {
        fill(temporary, credits);
    } catch (...) {
        std::remove(temporary.c_str());
        throw;
    }
    const int linked = ::link(temporary.c_str(), path.c_str());
    const int error = errno;
    std::remove(temporary.c_str());
    if (linked != 0)
        throw DatabaseError(0, path + ": cannot create: " + std::strerror(error));
}

} // namespace vexor::data
