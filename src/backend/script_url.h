#pragma once

#include <QString>

namespace kvt {

// "http://" + host + "/sysadmin/useradmin/" + script + ".php", where the script name carries
// the interface language's suffix ("_en" for English, "_tw" for traditional Chinese) for the
// scripts whose answers exist in three languages: usercheckkvt802, vpnlistkvt802,
// flushvpnlistkvt802 and datecheckkvt802. Every other script has one name for all languages.
// The language is read at call time.
QString ScriptUrl(const QString& host, const QString& scriptBase);

// A query-string value with everything except A-Z a-z 0-9 - . _ ~ percent-encoded from its
// UTF-8 bytes, so a value holding "&", "#", "=", "+" or a space stays one value.
QString QueryValue(const QString& value);

// Address of the server-list download on the session's backend host for the session's user:
// ScriptUrl(BackendHost, scriptBase) + "?viewstr=" + ViewToken + "&&viewuser=" + the encoded
// user name. Login uses "vpnlistkvt802", the list refresh "flushvpnlistkvt802".
QString ServerListUrl(const QString& scriptBase);

} // namespace kvt
