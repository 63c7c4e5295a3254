#include "service_store.h"

#include "demo_data.h"
#include "digests.h"

#include <QFile>

#include <stdexcept>

namespace kvt::server {

namespace {

constexpr int SchemaVersion = 1;

constexpr std::string_view Schema = R"sql(
CREATE TABLE accounts (
    id                INTEGER PRIMARY KEY,
    user_name         TEXT NOT NULL UNIQUE,
    credential_digest TEXT NOT NULL,
    password_md5      TEXT NOT NULL,
    expires_on        TEXT NOT NULL,
    state             TEXT NOT NULL DEFAULT 'normal'
                      CHECK (state IN ('normal', 'useup', 'disabled')),
    online_limit      INTEGER NOT NULL DEFAULT 1 CHECK (online_limit >= 0),
    answer_text       TEXT,
    true_name         TEXT NOT NULL DEFAULT '',
    mobile            TEXT NOT NULL DEFAULT '',
    email             TEXT NOT NULL DEFAULT '',
    qq                TEXT NOT NULL DEFAULT '',
    postal_address    TEXT NOT NULL DEFAULT '',
    created_at        TEXT NOT NULL DEFAULT (datetime('now'))
);
CREATE TABLE prepaid_cards (
    id           INTEGER PRIMARY KEY,
    card_id      TEXT NOT NULL UNIQUE,
    password_md5 TEXT NOT NULL,
    days         INTEGER NOT NULL CHECK (days > 0),
    valid_until  TEXT NOT NULL,
    used_by      INTEGER REFERENCES accounts(id) ON DELETE SET NULL,
    used_at      TEXT
);
CREATE TABLE areas (
    id         INTEGER PRIMARY KEY,
    name       TEXT NOT NULL UNIQUE,
    sort_order INTEGER NOT NULL
);
CREATE TABLE lines (
    id          INTEGER PRIMARY KEY,
    area_id     INTEGER NOT NULL REFERENCES areas(id) ON DELETE CASCADE,
    name        TEXT NOT NULL,
    address     TEXT NOT NULL,
    online_rate TEXT NOT NULL,
    mark_num    TEXT NOT NULL,
    sort_order  INTEGER NOT NULL,
    UNIQUE (area_id, name)
);
CREATE INDEX lines_by_address ON lines(address);
CREATE TABLE mark_schemes (
    mark_num    TEXT PRIMARY KEY,
    kind        TEXT NOT NULL CHECK (kind IN ('own', 'pool', 'named')),
    name_prefix TEXT NOT NULL DEFAULT ''
);
CREATE TABLE pool_accounts (
    id             INTEGER PRIMARY KEY,
    mark_num       TEXT NOT NULL,
    server_address TEXT,
    dial_user      TEXT NOT NULL,
    dial_password  TEXT NOT NULL,
    UNIQUE (mark_num, dial_user)
);
CREATE TABLE online_sessions (
    id           INTEGER PRIMARY KEY,
    account_id   INTEGER NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,
    unique_id    TEXT NOT NULL,
    server_ip    TEXT NOT NULL,
    user_peer_ip TEXT NOT NULL,
    client_ip    TEXT NOT NULL,
    xmit_bytes   INTEGER NOT NULL DEFAULT 0,
    recv_bytes   INTEGER NOT NULL DEFAULT 0,
    online_ms    INTEGER NOT NULL DEFAULT 0,
    first_seen   TEXT NOT NULL,
    last_seen    TEXT NOT NULL,
    UNIQUE (account_id, unique_id)
);
PRAGMA user_version = 1;
)sql";

std::string_view stateText(AccountState state) {
    switch (state) {
    case AccountState::UseUp:
        return "useup";
    case AccountState::Disabled:
        return "disabled";
    case AccountState::Normal:
        break;
    }
    return "normal";
}

MarkKind kindFromText(std::string_view text) {
    if (text == "pool")
        return MarkKind::Pool;
    if (text == "named")
        return MarkKind::Named;
    return MarkKind::Own;
}

AccountState stateFromText(std::string_view text) {
    if (text == "useup")
        return AccountState::UseUp;
    if (text == "disabled")
        return AccountState::Disabled;
    return AccountState::Normal;
}

std::string_view kindText(MarkKind kind) {
    switch (kind) {
    case MarkKind::Pool:
        return "pool";
    case MarkKind::Named:
        return "named";
    case MarkKind::Own:
        break;
    }
    return "own";
}

std::string isoDate(QDate date) {
    return date.toString(Qt::ISODate).toStdString();
}

int schemaVersion(SqliteDb& db) {
    SqliteStatement query(db, "PRAGMA user_version");
    return query.step() ? int(query.integer(0)) : 0;
}

std::int64_t insertAccount(SqliteDb& db, const NewAccount& account) {
    SqliteStatement insert(db, "INSERT INTO accounts (user_name, credential_digest, password_md5,"
                               " expires_on, state, online_limit, answer_text)"
                               " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    insert.bind(1, account.userName)
        .bind(2, credentialDigest(account.userName, account.password))
        .bind(3, passwordMd5(account.password))
        .bind(4, isoDate(account.expiresOn))
        .bind(5, stateText(account.state))
        .bind(6, account.onlineLimit)
        .bindOptional(7, account.answerText)
        .run();
    return db.lastInsertId();
}

std::int64_t insertArea(SqliteDb& db, const AreaEntry& area, std::int64_t order) {
    SqliteStatement insert(db, "INSERT INTO areas (name, sort_order) VALUES (?1, ?2)");
    insert.bind(1, area.name).bind(2, order).run();
    return db.lastInsertId();
}

void insertLines(SqliteDb& db, std::int64_t areaId, const std::vector<LineEntry>& lines) {
    SqliteStatement insert(db, "INSERT INTO lines (area_id, name, address, online_rate, mark_num,"
                               " sort_order) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    std::int64_t order = 0;
    for (const LineEntry& line : lines) {
        insert.reset();
        insert.bind(1, areaId)
            .bind(2, line.name)
            .bind(3, line.address)
            .bind(4, line.onlineRate)
            .bind(5, line.markNum)
            .bind(6, ++order)
            .run();
    }
}

void insertCatalogue(SqliteDb& db, const Catalogue& areas) {
    db.execute("DELETE FROM areas");
    std::int64_t order = 0;
    for (const AreaEntry& area : areas)
        insertLines(db, insertArea(db, area, ++order), area.lines);
}

void insertCard(SqliteDb& db, const PrepaidCard& card) {
    SqliteStatement insert(db, "INSERT INTO prepaid_cards (card_id, password_md5, days,"
                               " valid_until) VALUES (?1, ?2, ?3, ?4)");
    insert.bind(1, card.cardId)
        .bind(2, passwordMd5(card.password))
        .bind(3, card.days)
        .bind(4, isoDate(card.validUntil))
        .run();
}

void upsertMarkScheme(SqliteDb& db, const MarkScheme& scheme) {
    SqliteStatement upsert(db, "INSERT INTO mark_schemes (mark_num, kind, name_prefix)"
                               " VALUES (?1, ?2, ?3) ON CONFLICT (mark_num) DO UPDATE"
                               " SET kind = excluded.kind, name_prefix = excluded.name_prefix");
    upsert.bind(1, scheme.markNum).bind(2, kindText(scheme.kind)).bind(3, scheme.namePrefix).run();
}

void insertPoolAccount(SqliteDb& db, const PoolAccount& account) {
    SqliteStatement insert(db, "INSERT INTO pool_accounts (mark_num, server_address, dial_user,"
                               " dial_password) VALUES (?1, ?2, ?3, ?4)");
    insert.bind(1, account.markNum)
        .bindOptional(2, account.serverAddress)
        .bind(3, account.dialUser)
        .bind(4, account.dialPassword)
        .run();
}

void requireValid(const Catalogue& areas) {
    if (std::string error = checkCatalogue(areas); !error.empty())
        throw std::invalid_argument(error);
}

} // namespace

ServiceStore::ServiceStore(const std::string& path) : db_(path) {
    if (schemaVersion(db_) >= SchemaVersion)
        return;
    SqliteTransaction transaction(db_);
    if (schemaVersion(db_) >= SchemaVersion) // another process set it up meanwhile
        return;
    db_.execute(Schema);
    const DemoData demo = demoData(QDate::currentDate());
    for (const NewAccount& account : demo.accounts)
        insertAccount(db_, account);
    insertCatalogue(db_, demo.catalogue);
    for (const PrepaidCard& card : demo.cards)
        insertCard(db_, card);
    for (const MarkScheme& scheme : demo.marks)
        upsertMarkScheme(db_, scheme);
    for (const PoolAccount& account : demo.poolAccounts)
        insertPoolAccount(db_, account);
    transaction.commit();
    // The file holds password digests and pool passwords: keep it to its owner.
    if (QFile::exists(QString::fromStdString(path)))
        QFile::setPermissions(QString::fromStdString(path), QFile::ReadOwner | QFile::WriteOwner);
}

std::optional<Account> ServiceStore::findAccount(std::string_view userName) {
    std::lock_guard lock(mutex_);
    SqliteStatement query(db_, "SELECT id, user_name, credential_digest, password_md5,"
                               " expires_on, state, online_limit, answer_text"
                               " FROM accounts WHERE user_name = ?1");
    query.bind(1, userName);
    if (!query.step())
        return std::nullopt;
    Account account;
    account.id = query.integer(0);
    account.userName = query.text(1);
    account.credentialDigest = query.text(2);
    account.passwordMd5 = query.text(3);
    account.expiresOn = QDate::fromString(QString::fromStdString(query.text(4)), Qt::ISODate);
    account.state = stateFromText(query.text(5));
    account.onlineLimit = int(query.integer(6));
    account.answerText = query.optionalText(7);
    return account;
}

std::int64_t ServiceStore::addAccount(const NewAccount& account) {
    std::lock_guard lock(mutex_);
    return insertAccount(db_, account);
}

Catalogue ServiceStore::catalogue() {
    std::lock_guard lock(mutex_);
    SqliteStatement query(db_, "SELECT a.id, a.name, l.name, l.address, l.online_rate, l.mark_num"
                               " FROM areas a LEFT JOIN lines l ON l.area_id = a.id"
                               " ORDER BY a.sort_order, a.id, l.sort_order, l.id");
    Catalogue areas;
    std::int64_t currentArea = -1;
    while (query.step()) {
        if (query.integer(0) != currentArea) {
            currentArea = query.integer(0);
            areas.push_back({query.text(1), {}});
        }
        if (auto name = query.optionalText(2))
            areas.back().lines.push_back({*name, query.text(3), query.text(4), query.text(5)});
    }
    return areas;
}

void ServiceStore::replaceCatalogue(const Catalogue& areas) {
    requireValid(areas);
    std::lock_guard lock(mutex_);
    SqliteTransaction transaction(db_);
    insertCatalogue(db_, areas);
    transaction.commit();
}

void ServiceStore::replaceAreas(const Catalogue& areas) {
    requireValid(areas);
    std::lock_guard lock(mutex_);
    SqliteTransaction transaction(db_);
    for (const AreaEntry& area : areas) {
        // Names are matched the way the client matches them: without regard to case.
        std::optional<std::int64_t> areaId;
        {
            SqliteStatement find(db_, "SELECT id, name FROM areas");
            const QString wanted = QString::fromStdString(area.name).toCaseFolded();
            while (find.step()) {
                if (QString::fromStdString(find.text(1)).toCaseFolded() == wanted) {
                    areaId = find.integer(0);
                    break;
                }
            }
        }
        if (areaId && area.lines.empty()) {
            SqliteStatement remove(db_, "DELETE FROM areas WHERE id = ?1");
            remove.bind(1, *areaId).run();
            continue;
        }
        if (area.lines.empty())
            continue;
        if (areaId) {
            SqliteStatement rename(db_, "UPDATE areas SET name = ?2 WHERE id = ?1");
            rename.bind(1, *areaId).bind(2, area.name).run();
            SqliteStatement clear(db_, "DELETE FROM lines WHERE area_id = ?1");
            clear.bind(1, *areaId).run();
        } else {
            SqliteStatement last(db_, "SELECT COALESCE(MAX(sort_order), 0) FROM areas");
            last.step();
            areaId = insertArea(db_, area, last.integer(0) + 1);
        }
        insertLines(db_, *areaId, area.lines);
    }
    transaction.commit();
}

void ServiceStore::addPrepaidCard(const PrepaidCard& card) {
    std::lock_guard lock(mutex_);
    insertCard(db_, card);
}

void ServiceStore::setMarkScheme(const MarkScheme& scheme) {
    std::lock_guard lock(mutex_);
    upsertMarkScheme(db_, scheme);
}

void ServiceStore::addPoolAccount(const PoolAccount& account) {
    std::lock_guard lock(mutex_);
    insertPoolAccount(db_, account);
}

std::optional<std::string> ServiceStore::markOfServer(std::string_view address) {
    std::lock_guard lock(mutex_);
    SqliteStatement query(db_, "SELECT l.mark_num FROM lines l JOIN areas a ON a.id = l.area_id"
                               " WHERE l.address = ?1"
                               " ORDER BY a.sort_order, a.id, l.sort_order, l.id LIMIT 1");
    query.bind(1, address);
    if (!query.step())
        return std::nullopt;
    return query.text(0);
}

std::optional<MarkScheme> ServiceStore::findMarkScheme(std::string_view markNum) {
    std::lock_guard lock(mutex_);
    SqliteStatement query(
        db_, "SELECT mark_num, kind, name_prefix FROM mark_schemes WHERE mark_num = ?1");
    query.bind(1, markNum);
    if (!query.step())
        return std::nullopt;
    return MarkScheme{query.text(0), kindFromText(query.text(1)), query.text(2)};
}

std::optional<PoolAccount> ServiceStore::findPoolAccount(std::string_view markNum,
                                                         std::string_view serverAddress) {
    std::lock_guard lock(mutex_);
    SqliteStatement query(db_, "SELECT mark_num, server_address, dial_user, dial_password"
                               " FROM pool_accounts WHERE mark_num = ?1"
                               " AND (server_address = ?2 OR server_address IS NULL)"
                               " ORDER BY server_address IS NULL, id LIMIT 1");
    query.bind(1, markNum).bind(2, serverAddress);
    if (!query.step())
        return std::nullopt;
    return PoolAccount{query.text(0), query.optionalText(1), query.text(2), query.text(3)};
}

} // namespace kvt::server
