#include "backend/endpoints.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>

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
    QTextStream(stdout) << "main node " << kvt::endpoints().mainNode << '\n';
    return 0;
}
