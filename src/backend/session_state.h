#pragma once

#include <QString>

namespace kvt {

// What login learns about the session, written on the user-interface thread by login, the
// main node query and the show initialisation, and read by every later request. Flags kept as
// "2"/"1" texts elsewhere in the client are texts here too; only the two counters are numbers.
struct SessionState {
    int LoginSucceeded = 0; // 1 once a login attempt succeeded
    QString LoginUser;      // trimmed user name
    QString LoginPassword;  // trimmed password, plain text
    QString LoginAnswer;    // whole user-check answer on success

    // From the main node answer.
    QString BackendHost;   // host[:port] every request after the main node query goes to
    QString AlternateHost; // host[:port] a failed request is repeated on
    QString ClientAddress;
    QString DirectRouteAddress;
    QString LatestVersion;
    QString UpdateMode;
    QString UpdateUrl;
    QString IpChangeAllowed;

    // Digests of the credentials (32 lower-case hex) and the server-list token (8 hex).
    QString UserDigest;
    QString PasswordDigest;
    QString CredentialDigest;
    QString ViewToken;

    // Account script addresses, empty before login.
    QString PasswordUrl;
    QString RegisterUrl;
    QString TopUpUrl;

    int UpdateNoticeCount = 0; // update balloons shown since login
    QString UpdateChoice;      // "2" once the user chose to download an update
    QString NoticeShown;       // "2" once the notice board is open

    // Key chain derived from the digests when the main window is first shown.
    QString SessionKey1;
    QString SessionKey2;
};

// The session of this process. Tests start from a clean one with `Session() = {};`.
SessionState& Session();

} // namespace kvt
