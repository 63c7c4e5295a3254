#include "command_line.h"

#include <QCommandLineParser>

namespace kvt::server {

namespace {
QCommandLineOption valueOption(const char* name, const char* description, const char* valueName) {
    return QCommandLineOption(QString::fromLatin1(name), QString::fromUtf8(description),
                              QString::fromLatin1(valueName));
}

std::optional<std::string> optional(const QCommandLineParser& parser, const char* name) {
    if (!parser.isSet(QString::fromLatin1(name)))
        return std::nullopt;
    return parser.value(QString::fromLatin1(name)).toStdString();
}

bool readPort(const QCommandLineParser& parser, const char* name, int& port, std::string& error) {
    if (!parser.isSet(QString::fromLatin1(name)))
        return true;
    bool ok = false;
    const int value = parser.value(QString::fromLatin1(name)).toInt(&ok);
    if (!ok || value < 0 || value > 65535) {
        error = std::string("--") + name + " needs a port number from 0 to 65535";
        return false;
    }
    port = value;
    return true;
}
} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine result;
    ServerConfig& config = result.config;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reference service backend of the kvt client: answers the backend scripts under "
        "/sysadmin/useradmin/ and serves the pages under /kvtclient/."));
    const QCommandLineOption help = parser.addHelpOption();
    parser.addOptions({
        valueOption("listen", "Address to listen on (default 127.0.0.1).", "address"),
        valueOption("main-port", "Port of the main node (default 8006; 0: any free port).", "port"),
        valueOption("fallback-port", "Port of the fallback node (default 8005; 0: any free port).",
                    "port"),
        valueOption("db", "Database file (default $XDG_DATA_HOME/kvt-server/kvt.db).", "file"),
        valueOption("lines-file", "Replace all areas and lines with this file at start.", "file"),
        valueOption("port-file", "Write the ports actually listened on to this file.", "file"),
        valueOption("backend-host",
                    "Host the main node sends clients to (default: the host the client "
                    "reached, with the main port).",
                    "host:port"),
        valueOption("version", "Latest client version announced (default 8.0.2).", "version"),
        valueOption("update-mode", "Update mode announced; 3 forces the update (default 1).",
                    "mode"),
        valueOption("update-url",
                    "Download address of the update (default "
                    "http://<backend host>/kvtclient/news.htm).",
                    "url"),
        valueOption("direct-route",
                    "Address the client routes outside the tunnel (default: the address the "
                    "client reached).",
                    "address"),
        valueOption("change-flag", "Address-change flag announced (default 2).", "flag"),
        QCommandLineOption(QStringLiteral("no-admin"),
                           QStringLiteral("Do not serve /admin/lines.")),
        QCommandLineOption(QStringLiteral("log"),
                           QStringLiteral("Log every request on standard error.")),
    });
    result.helpText = parser.helpText().toStdString();
    if (!parser.parse(arguments)) {
        result.error = parser.errorText().toStdString();
        return result;
    }
    if (parser.isSet(help)) {
        result.helpRequested = true;
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.error = "unexpected argument " + parser.positionalArguments().first().toStdString();
        return result;
    }
    if (auto listen = optional(parser, "listen"))
        config.listenAddress = *listen;
    if (!readPort(parser, "main-port", config.mainPort, result.error) ||
        !readPort(parser, "fallback-port", config.fallbackPort, result.error))
        return result;
    if (auto db = optional(parser, "db"))
        config.databasePath = *db;
    config.linesFile = optional(parser, "lines-file");
    result.portFile = optional(parser, "port-file").value_or(std::string());
    config.backendHost = optional(parser, "backend-host");
    config.version = optional(parser, "version").value_or(config.version);
    config.updateMode = optional(parser, "update-mode").value_or(config.updateMode);
    config.updateUrl = optional(parser, "update-url");
    config.directRoute = optional(parser, "direct-route");
    config.changeFlag = optional(parser, "change-flag").value_or(config.changeFlag);
    config.adminEnabled = !parser.isSet(QStringLiteral("no-admin"));
    config.logRequests = parser.isSet(QStringLiteral("log"));
    if (config.databasePath.empty())
        config.databasePath = defaultDatabasePath();
    result.error = checkConfig(config);
    return result;
}

} // namespace kvt::server
