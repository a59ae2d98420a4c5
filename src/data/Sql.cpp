#include "Sql.h"

#include "CaseFold.h"
#include "DerivedKeys.h"

#define SQLITE_HAS_CODEC 1
#include <sqlcipher/sqlite3.h>
#include <sys/stat.h>

namespace vexor::data {

namespace {

constexpr int kBusyTimeoutMs = 5000;

std::string describe(sqlite3* db, int code, const std::string& path, const char* what) {
    std::string message = path + ": " + what + ": ";
    message += db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    return message;
}

// SQL function vexor_upper(text): the case-folding key used by every file-name match.
void upperFunction(sqlite3_context* context, int, sqlite3_value** arguments) {
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(arguments[0]));
    const int size = sqlite3_value_bytes(arguments[0]);
    const std::string key = upperCaseKey(std::string(bytes, static_cast<std::size_t>(size)));
    sqlite3_result_text(context, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
}

} // namespace

DatabaseError::DatabaseError(int code, const std::string& message)
    : std::runtime_error(message), code_(code) {}

Connection::Connection(const std::string& path, const std::string& key) : path_(path) {
    open(SQLITE_OPEN_READWRITE, key);
}

Connection::Connection(const std::string& path, const std::string& key, CreateTag) : path_(path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0)
        throw DatabaseError(SQLITE_CANTOPEN, path + ": file already exists");
    open(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, key);
}

Connection Connection::create(const std::string& path, const std::string& key) {
    return Connection(path, key, CreateTag{});
}

Connection::~Connection() {
    sqlite3_close_v2(db_);
}

void Connection::open(int flags, const std::string& key) {
    // An existing file is first unlocked with the key derived once in this process; a file the
    // derived key does not fit (written with other settings) is unlocked with the passphrase.
    if (!(flags & SQLITE_OPEN_CREATE)) {
        if (const std::string rawKey = derivedRawKey(path_, key); !rawKey.empty()) {
            try {
                unlock(flags, rawKey);
                return;
            } catch (const DatabaseError&) {
            }
        }
    }
    unlock(flags, key);
}

void Connection::unlock(int flags, const std::string& key) {
    const int code = sqlite3_open_v2(path_.c_str(), &db_, flags | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (code != SQLITE_OK) {
        const std::string message = describe(db_, code, path_, "cannot open");
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw DatabaseError(code, message);
    }
    try {
        if (sqlite3_key(db_, key.data(), static_cast<int>(key.size())) != SQLITE_OK)
            throw DatabaseError(sqlite3_errcode(db_), describe(db_, 0, path_, "cannot set key"));
        configure();
    } catch (...) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw;
    }
}

void Connection::configure() {
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    // Reading the schema is the first access that needs the key: a wrong key or a damaged file
    // fails here, before any caller relies on the connection.
    execute("SELECT count(*) FROM sqlite_master");
    // A rollback journal flushed at every commit: a crash or power cut mid-write leaves the
    // previous committed state.
    execute("PRAGMA journal_mode = DELETE");
    execute("PRAGMA synchronous = FULL");
    const int code =
        sqlite3_create_function_v2(db_, "vexor_upper", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                   nullptr, upperFunction, nullptr, nullptr, nullptr);
    if (code != SQLITE_OK)
        throw DatabaseError(code, describe(db_, code, path_, "cannot register vexor_upper"));
}

void Connection::execute(const char* sql) {
    char* error = nullptr;
    const int code = sqlite3_exec(db_, sql, nullptr, nullptr, &error);
    if (code != SQLITE_OK) {
        std::string message = path_ + ": " + (error ? error : sqlite3_errstr(code));
        sqlite3_free(error);
        throw DatabaseError(code, message);
    }
}

std::int64_t Connection::lastInsertRowId() const {
    return sqlite3_last_insert_rowid(db_);
}

int Connection::changes() const {
    return sqlite3_changes(db_);
}

Statement::Statement(Connection& connection, const char* sql) : connection_(connection) {
    const int code = sqlite3_prepare_v2(connection.handle(), sql, -1, &statement_, nullptr);
    if (code != SQLITE_OK) {
        const std::string message = describe(connection.handle(), code, connection.path(), sql);
        sqlite3_finalize(statement_);
        throw DatabaseError(code, message);
    }
}

Statement::~Statement() {
    sqlite3_finalize(statement_);
}

namespace {
void checkBind(Connection& connection, int code) {
    if (code != SQLITE_OK)
        throw DatabaseError(code, describe(connection.handle(), code, connection.path(), "bind"));
}
} // namespace

Statement& Statement::bind(int index, std::int64_t value) {
    checkBind(connection_, sqlite3_bind_int64(statement_, index, value));
    return *this;
}

Statement& Statement::bind(int index, double value) {
    checkBind(connection_, sqlite3_bind_double(statement_, index, value));
    return *this;
}

Statement& Statement::bind(int index, const std::string& text) {
    checkBind(connection_, sqlite3_bind_text(statement_, index, text.data(),
                                             static_cast<int>(text.size()), SQLITE_TRANSIENT));
    return *this;
}

Statement& Statement::bindNull(int index) {
    checkBind(connection_, sqlite3_bind_null(statement_, index));
    return *this;
}

bool Statement::step() {
    const int code = sqlite3_step(statement_);
    if (code == SQLITE_ROW)
        return true;
    if (code == SQLITE_DONE)
        return false;
    throw DatabaseError(code, describe(connection_.handle(), code, connection_.path(), "step"));
}

void Statement::reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

bool Statement::isNull(int column) const {
    return columnType(column) == ColumnType::Null;
}

ColumnType Statement::columnType(int column) const {
    return static_cast<ColumnType>(sqlite3_column_type(statement_, column));
}

std::int64_t Statement::integer(int column) const {
    return sqlite3_column_int64(statement_, column);
}

double Statement::real(int column) const {
    return sqlite3_column_double(statement_, column);
}

std::string Statement::text(int column) const {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    const int size = sqlite3_column_bytes(statement_, column);
    return bytes ? std::string(bytes, static_cast<std::size_t>(size)) : std::string();
}

Transaction::Transaction(Connection& connection) : connection_(connection) {
    connection_.execute("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (!open_)
        return;
    try {
        connection_.execute("ROLLBACK");
    } catch (const DatabaseError&) {
        // The engine already rolled back (e.g. after an I/O error); nothing is left to undo.
    }
}

void Transaction::commit() {
    connection_.execute("COMMIT");
    open_ = false;
}

} // namespace vexor::data
