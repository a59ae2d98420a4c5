#pragma once

// A small RAII layer over the encrypted database engine: one Connection per open file, Statements
// with bound parameters only (no value is ever pasted into SQL text), and a Transaction that
// rolls back unless committed.

#include <cstdint>
#include <stdexcept>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace vexor::data {

// Storage classes of a column value (numbered as the engine numbers them).
enum class ColumnType { Integer = 1, Real = 2, Text = 3, Blob = 4, Null = 5 };

// A failure reported by the database engine, with the engine's result code and the file.
class DatabaseError : public std::runtime_error {
public:
    DatabaseError(int code, const std::string& message);
    int code() const { return code_; }

private:
    int code_;
};

class Connection {
public:
    // Opens an existing file read-write and unlocks it with `key`. Never creates a file. Fails
    // with DatabaseError when the file is missing, damaged or the key does not match.
    Connection(const std::string& path, const std::string& key);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Creates a new, empty encrypted file (used only by the build tool that makes the delivered
    // database). Fails if the file exists.
    static Connection create(const std::string& path, const std::string& key);

    // Runs SQL text that takes no parameters (schema, pragmas, BEGIN/COMMIT).
    void execute(const char* sql);
    std::int64_t lastInsertRowId() const;
    int changes() const;
    const std::string& path() const { return path_; }
    sqlite3* handle() const { return db_; }

private:
    struct CreateTag {};
    Connection(const std::string& path, const std::string& key, CreateTag);
    void open(int flags, const std::string& key);
    void unlock(int flags, const std::string& key);
    void configure();

    std::string path_;
    sqlite3* db_ = nullptr;
};

class Statement {
public:
    Statement(Connection& connection, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Parameters are numbered from 1, as in "?1".
    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, double value);
    Statement& bind(int index, const std::string& text);
    Statement& bindNull(int index);

    // Advances to the next row; false when there is none (or the statement was not a query).
    bool step();
    void reset();

    // Columns are numbered from 0.
    bool isNull(int column) const;
    ColumnType columnType(int column) const;
    std::int64_t integer(int column) const;
    double real(int column) const;
    std::string text(int column) const;

private:
    Connection& connection_;
    sqlite3_stmt* statement_ = nullptr;
};

// BEGIN IMMEDIATE on construction; ROLLBACK on destruction unless commit() ran.
class Transaction {
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Connection& connection_;
    bool open_ = true;
};

} // namespace vexor::data
