#include "backend/endpoints.h"

#include <QCommandLineParser>
#include <QTemporaryDir>
#include <QTest>

using namespace kvt;

class TestEndpoints : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void defaultsPointAtLoopbackPorts() {
        const Endpoints e = Endpoints::defaults();
        QCOMPARE(e.mainNode, QStringLiteral("127.0.0.1:8006"));
        QCOMPARE(e.fallbackNode, QStringLiteral("127.0.0.1:8005"));
        QCOMPARE(e.accountHost, QStringLiteral("127.0.0.1:8006"));
        QCOMPARE(e.codePage, QStringLiteral("UTF-8"));
    }

    void fileThenOptionsOverride() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("endpoints.conf"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[endpoints]\nmain_node=vpn.example:9006\nnotice_host=n:1\ncode_page=GBK\n");
        file.close();

        QCommandLineParser parser;
        addEndpointOptions(parser);
        QVERIFY(parser.parse({QStringLiteral("kvt-client"), QStringLiteral("--config"), path,
                              QStringLiteral("--notice-host"), QStringLiteral("other:2")}));
        Endpoints e = Endpoints::defaults();
        QString error;
        QVERIFY2(applyEndpointOptions(parser, e, &error), qPrintable(error));
        QCOMPARE(e.mainNode, QStringLiteral("vpn.example:9006"));
        QCOMPARE(e.noticeHost, QStringLiteral("other:2"));          // option beats file
        QCOMPARE(e.fallbackNode, QStringLiteral("127.0.0.1:8005")); // absent key kept
        QCOMPARE(e.codePage, QStringLiteral("GBK"));
    }

    void missingFileIsAnError() {
        QCommandLineParser parser;
        addEndpointOptions(parser);
        QVERIFY(parser.parse({QStringLiteral("kvt-client"), QStringLiteral("--config"),
                              QStringLiteral("/nonexistent/endpoints.conf")}));
        Endpoints e = Endpoints::defaults();
        QString error;
        QVERIFY(!applyEndpointOptions(parser, e, &error));
        QVERIFY(error.contains(QStringLiteral("/nonexistent/endpoints.conf")));
    }
};

QTEST_GUILESS_MAIN(TestEndpoints)
#include "tst_endpoints.moc"
