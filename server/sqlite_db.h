#pragma once

// A thin RAII layer over SQLite's C API. Every statement is prepared and its values bound;
// no SQL text is ever assembled from data.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace kvt::server {

class SqliteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class SqliteDb {
public:
    // Opens (and creates) the database file; throws SqliteError.
    explicit SqliteDb(const std::string& path);
    ~SqliteDb();
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    // Runs constant SQL text holding one or more statements without parameters (schema set-up,
    // transactions). Each statement is prepared and stepped in turn.
    void execute(std::string_view sql);

    std::int64_t lastInsertId() const;
    int changes() const;
    sqlite3* handle() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

class SqliteStatement {
public:
    SqliteStatement(SqliteDb& db, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Parameters are numbered from 1, as in SQLite.
    SqliteStatement& bind(int index, std::string_view text);
    SqliteStatement& bind(int index, std::int64_t value);
    SqliteStatement& bind(int index, int value) { return bind(index, std::int64_t(value)); }
    SqliteStatement& bindOptional(int index, const std::optional<std::string>& text);
    SqliteStatement& bindNull(int index);

    // Advances to the next row: true while a row is available, false when done.
    bool step();
    // Steps to the end, for statements that return no rows.
    void run();
    void reset();

    // Columns are numbered from 0.
    std::string text(int column) const;
    std::optional<std::string> optionalText(int column) const;
    std::int64_t integer(int column) const;

private:
    SqliteDb& db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// Begins a transaction and rolls it back unless commit() was called.
class SqliteTransaction {
public:
    explicit SqliteTransaction(SqliteDb& db);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;
    void commit();

private:
    SqliteDb& db_;
    bool done_ = false;
};

} // namespace kvt::server
