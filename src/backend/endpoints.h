#pragma once

#include <QString>

class QCommandLineParser;

namespace kvt {

// The five fixed endpoints of the service (host:port, no scheme) and the code page used to
// decode answers whose Content-Type names no charset. Defaults point at the reference backend
// on loopback; a config file and command-line options override them.
struct Endpoints {
    QString mainNode;
    QString fallbackNode;
    QString accountHost;
    QString bannerHost;
    QString noticeHost;
    QString codePage = QStringLiteral("UTF-8");

    static Endpoints defaults();
};

// The endpoints in force for this process.
Endpoints& endpoints();

// The fallback node's host:port text, which login also uses as a session host.
QString FallbackHost();

// Reads an endpoints file (INI form, section [endpoints]: main_node, fallback_node,
// account_host, banner_host, notice_host, code_page). Keys that are absent keep their value.
// Returns false with a reason when the file is missing or unreadable.
bool loadEndpointsFile(const QString& path, Endpoints& into, QString* error);

// Registers --config, --main-node, --fallback-node, --account-host, --banner-host,
// --notice-host and --code-page.
void addEndpointOptions(QCommandLineParser& parser);

// Applies the file named by --config (else $KVT_CONFIG, else
// $XDG_CONFIG_HOME/kvt-client/endpoints.conf when it exists), then the single options.
bool applyEndpointOptions(const QCommandLineParser& parser, Endpoints& into, QString* error);

} // namespace kvt
