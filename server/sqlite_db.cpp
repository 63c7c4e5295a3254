#include "sqlite_db.h"

#include <sqlite3.h>

namespace kvt::server {

namespace {
[[noreturn]] void fail(sqlite3* db, std::string_view what) {
    std::string message(what);
    message += ": ";
    message += db ? sqlite3_errmsg(db) : "out of memory";
    throw SqliteError(message);
}
} // namespace

SqliteDb::SqliteDb(const std::string& path) {
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        const std::string message =
            "cannot open database " + path + ": " + (db_ ? sqlite3_errmsg(db_) : "out of memory");
        sqlite3_close(db_);
        db_ = nullptr;
        throw SqliteError(message);
    }
    sqlite3_busy_timeout(db_, 5000);
    execute("PRAGMA foreign_keys = ON");
}

SqliteDb::~SqliteDb() {
    sqlite3_close(db_);
}

void SqliteDb::execute(std::string_view sql) {
    const char* next = sql.data();
    const char* end = sql.data() + sql.size();
    while (next < end) {
        sqlite3_stmt* stmt = nullptr;
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(db_, next, int(end - next), &stmt, &tail) != SQLITE_OK)
            fail(db_, "prepare");
        next = tail;
        if (!stmt) // only white space or a comment was left
            continue;
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        }
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE)
            fail(db_, "execute");
    }
}

std::int64_t SqliteDb::lastInsertId() const {
    return sqlite3_last_insert_rowid(db_);
}

int SqliteDb::changes() const {
    return sqlite3_changes(db_);
}

SqliteStatement::SqliteStatement(SqliteDb& db, std::string_view sql) : db_(db) {
    if (sqlite3_prepare_v2(db.handle(), sql.data(), int(sql.size()), &stmt_, nullptr) != SQLITE_OK)
        fail(db.handle(), "prepare");
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(stmt_);
}

SqliteStatement& SqliteStatement::bind(int index, std::string_view text) {
    if (sqlite3_bind_text(stmt_, index, text.data(), int(text.size()), SQLITE_TRANSIENT) !=
        SQLITE_OK)
        fail(db_.handle(), "bind");
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, std::int64_t value) {
    if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK)
        fail(db_.handle(), "bind");
    return *this;
}

SqliteStatement& SqliteStatement::bindOptional(int index, const std::optional<std::string>& text) {
    return text ? bind(index, std::string_view(*text)) : bindNull(index);
}

SqliteStatement& SqliteStatement::bindNull(int index) {
    if (sqlite3_bind_null(stmt_, index) != SQLITE_OK)
        fail(db_.handle(), "bind");
    return *this;
}

bool SqliteStatement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    fail(db_.handle(), "step");
}

void SqliteStatement::run() {
    while (step()) {
    }
}

void SqliteStatement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

std::string SqliteStatement::text(int column) const {
    const auto* bytes = sqlite3_column_text(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    return bytes ? std::string(reinterpret_cast<const char*>(bytes), std::size_t(size))
                 : std::string();
}

std::optional<std::string> SqliteStatement::optionalText(int column) const {
    if (sqlite3_column_type(stmt_, column) == SQLITE_NULL)
        return std::nullopt;
    return text(column);
}

std::int64_t SqliteStatement::integer(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

SqliteTransaction::SqliteTransaction(SqliteDb& db) : db_(db) {
    db_.execute("BEGIN IMMEDIATE");
}

SqliteTransaction::~SqliteTransaction() {
    if (!done_) {
        try {
            db_.execute("ROLLBACK");
        } catch (const SqliteError&) {
            // Nothing more can be done from a destructor; SQLite rolls back on close.
        }
    }
}

void SqliteTransaction::commit() {
    db_.execute("COMMIT");
    done_ = true;
}

} // namespace kvt::server
