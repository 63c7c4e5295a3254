#include "backend/endpoints.h"
#include "backend/main_node.h"
#include "backend/session_state.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>

#include <utility>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kvt-client"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Varnok VPN client"));
    parser.addHelpOption();
    kvt::addEndpointOptions(parser);
    parser.process(app);

    QString error;
    if (!kvt::applyEndpointOptions(parser, kvt::endpoints(), &error)) {
        QTextStream(stderr) << error << '\n';
        return 2;
    }

    QTextStream out(stdout);
    if (!kvt::QueryMainNode()) {
        QTextStream(stderr) << "Neither the main node (" << kvt::endpoints().mainNode
                            << ") nor the fallback node (" << kvt::endpoints().fallbackNode
                            << ") answered.\n";
        return 1;
    }
    const kvt::SessionState& session = kvt::Session();
    const std::pair<const char*, const QString*> received[] = {
        {"ClientAddress", &session.ClientAddress},
        {"DirectRouteAddress", &session.DirectRouteAddress},
        {"LatestVersion", &session.LatestVersion},
        {"UpdateMode", &session.UpdateMode},
        {"BackendHost", &session.BackendHost},
        {"AlternateHost", &session.AlternateHost},
        {"UpdateUrl", &session.UpdateUrl},
        {"IpChangeAllowed", &session.IpChangeAllowed},
    };
    for (const auto& [name, value] : received)
        out << name << '=' << *value << '\n';
    return 0;
}
