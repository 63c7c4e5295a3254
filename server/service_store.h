#pragma once

// Everything the backend keeps, in one SQLite file: accounts, prepaid cards, areas and their
// lines, the dial schemes of the line mark numbers with their pool accounts, and the online
// sessions of the status reports. All methods are safe to call from the HTTP worker threads.
//
// Accounts keep no password: only md5Hex(user + password), which proves a password at the
// user check and yields the server-list token, and md5Hex(password), from which the
// password digest of the client's key chain follows.

#include "catalogue.h"
#include "sqlite_db.h"

#include <QDate>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvt::server {

enum class AccountState {
    Normal,
    UseUp,    // a free-test account whose test time has run out
    Disabled, // blocked by the service; every check answers "error"
};

struct Account {
    std::int64_t id = 0;
    std::string userName;
    std::string credentialDigest; // md5Hex(user + password)
    std::string passwordMd5;      // md5Hex(password)
    QDate expiresOn;              // last day on which the account is valid
    AccountState state = AccountState::Normal;
    int onlineLimit = 1; // computers online at once
    // The success answer of the user check, shown after the user name. Without one the
    // answer names the expiry date in the language of the script variant.
    std::optional<std::string> answerText;
};

struct NewAccount {
    std::string userName;
    std::string password;
    QDate expiresOn;
    AccountState state = AccountState::Normal;
    int onlineLimit = 1;
    std::optional<std::string> answerText;
};

struct PrepaidCard {
    std::string cardId;
    std::string password;
    int days = 30;    // days the card adds to an account
    QDate validUntil; // last day on which the card can be used
};

// How the pre-dial query answers for lines of one mark number.
enum class MarkKind {
    Own,   // dial with the login's own account
    Pool,  // dial with a pool account of this mark
    Named, // dial with namePrefix + login user and the login password
};

struct MarkScheme {
    std::string markNum;
    MarkKind kind = MarkKind::Own;
    std::string namePrefix;
};

struct PoolAccount {
    std::string markNum;
    std::optional<std::string> serverAddress; // none: any server of the mark
    std::string dialUser;
    std::string dialPassword; // sent to the client, so it is kept as it is
};

class ServiceStore {
public:
    // Opens the database; a new file gets the schema and the demo data of demo_data.h.
    // Throws SqliteError.
    explicit ServiceStore(const std::string& path);

    std::optional<Account> findAccount(std::string_view userName);
    std::int64_t addAccount(const NewAccount& account); // throws SqliteError on a taken name

    Catalogue catalogue();
    // Replaces all areas and lines. Throws std::invalid_argument when checkCatalogue fails.
    void replaceCatalogue(const Catalogue& areas);
    // Each given area replaces the lines of the area of that name (a new area goes last);
    // an area given without lines is removed. Throws std::invalid_argument.
    void replaceAreas(const Catalogue& areas);

    void addPrepaidCard(const PrepaidCard& card);
    void setMarkScheme(const MarkScheme& scheme);
    void addPoolAccount(const PoolAccount& account);

    // The mark number of the first line (in list order) served at `address`; none when no
    // line has that address.
    std::optional<std::string> markOfServer(std::string_view address);
    std::optional<MarkScheme> findMarkScheme(std::string_view markNum);
    // A pool account of the mark for that server: one kept for this server first, else one
    // for any server of the mark; the oldest of them.
    std::optional<PoolAccount> findPoolAccount(std::string_view markNum,
                                               std::string_view serverAddress);

private:
    std::mutex mutex_;
    SqliteDb db_;
};

} // namespace kvt::server
