#pragma once

// How kvt-server is run: where it listens, where its database is, and what the main node
// answers. Empty optional values are derived from the request (see script_netcheck.cpp).

#include <optional>
#include <string>

namespace kvt::server {

struct ServerConfig {
    std::string listenAddress = "127.0.0.1";
    int mainPort = 8006;     // 0: any free port
    int fallbackPort = 8005; // 0: any free port; the same service answers on both
    std::string databasePath;
    std::optional<std::string> linesFile; // replaces the areas and lines at start
    bool adminEnabled = true;             // "/admin/lines" for loopback callers
    bool logRequests = false;             // one line per request on standard error

    // The main node answer "client-directroute|version-mode|backendhost|(updateurl)|flag".
    std::optional<std::string> backendHost; // default: the host the caller reached, main port
    std::optional<std::string> directRoute; // default: the address the caller reached
    std::string version = "8.0.2";          // the client asks for an update only at "8.1.2"
    std::string updateMode = "1";           // "3" forces the update
    std::optional<std::string> updateUrl;   // default: http://<backend host>/kvtclient/news.htm
    std::string changeFlag = "2";           // "2": the user may change the address
};

// An empty text when every configured answer value can be sent without being cut apart
// differently by the client, else the reason.
std::string checkConfig(const ServerConfig& config);

// $XDG_DATA_HOME/kvt-server/kvt.db (~/.local/share when XDG_DATA_HOME is unset).
std::string defaultDatabasePath();

} // namespace kvt::server
