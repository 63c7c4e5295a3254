// kvt-server as a program: options, ports, database file and shutdown on a signal.

#include "digests.h"
#include "reference_server.h"
#include "test_paths.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using kvt::test::httpGet;
using kvt::test::httpPost;
using kvt::test::ServerProcess;

namespace {
const QByteArray Netcheck = "/sysadmin/useradmin/netcheckkvt802.php";
}

class TestServerProcess : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void servesBothPortsAndStopsOnSignal_data() {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void servesBothPortsAndStopsOnSignal() {
        QFETCH(int, signalNumber);
        ServerProcess server;
        const QString portFile = server.dirPath() + QStringLiteral("/ports");
        QVERIFY2(server.start({QStringLiteral("--port-file"), portFile}),
                 qPrintable(server.error()));
        QVERIFY(server.mainPort() > 0 && server.fallbackPort() > 0);
        QVERIFY(server.mainPort() != server.fallbackPort());

        QFile ports(portFile);
        QVERIFY(ports.open(QIODevice::ReadOnly));
        QCOMPARE(ports.readAll(), "main=" + QByteArray::number(server.mainPort()) + "\nfallback=" +
                                      QByteArray::number(server.fallbackPort()) + "\n");

        for (const int port : {server.mainPort(), server.fallbackPort()}) {
            const auto answer = httpPost(port, "/sysadmin/useradmin/usercheckkvt802.php",
                                         "UserID=useup&Upassword=useup123");
            QCOMPARE(answer.status, 200);
            QCOMPARE(answer.body, "useup");
        }

        ::kill(pid_t(server.process().processId()), signalNumber);
        QVERIFY(server.process().waitForFinished(60000));
        QCOMPARE(server.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(server.process().exitCode(), 0);
        QVERIFY(server.process().readAllStandardOutput().contains("stopped"));
    }

    void createsTheDatabaseWithItsFolder() {
        QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("a/b/kvt.db"));
        ServerProcess server;
        QVERIFY2(server.start({QStringLiteral("--db"), db}), qPrintable(server.error()));
        QVERIFY(server.standardOutput().contains("database=" + db.toUtf8()));
        QCOMPARE(server.stop(), 0);
        const QFileInfo info(db);
        QVERIFY(info.exists());
        QCOMPARE(info.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther),
                 QFile::Permissions());
        QFile file(db);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.contains(
            QByteArray::fromStdString(kvt::server::credentialDigest("demo", "demo123"))));
        QVERIFY(!bytes.contains("demo123"));
    }

    void defaultDatabaseFollowsXdgDataHome() {
        QTemporaryDir dir;
        ServerProcess server;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.path());
        server.process().setProcessEnvironment(environment);
        // "--db" given as an empty value falls back to the default location.
        QVERIFY2(server.start({QStringLiteral("--db"), QString()}), qPrintable(server.error()));
        QCOMPARE(server.stop(), 0);
        QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("kvt-server/kvt.db"))));
    }

    void answerOptionsReachTheMainNodeAnswer() {
        ServerProcess server;
        QVERIFY2(server.start({QStringLiteral("--version"), QStringLiteral("8.1.2"),
                               QStringLiteral("--update-mode"), QStringLiteral("3"),
                               QStringLiteral("--update-url"), QStringLiteral("http://d.example/k"),
                               QStringLiteral("--direct-route"), QStringLiteral("192.0.2.7"),
                               QStringLiteral("--backend-host"), QStringLiteral("b.example:9006"),
                               QStringLiteral("--change-flag"), QStringLiteral("1")}),
                 qPrintable(server.error()));
        QCOMPARE(httpGet(server.fallbackPort(), Netcheck).body,
                 "127.0.0.1-192.0.2.7|8.1.2-3|b.example:9006|(http://d.example/k)|1");
    }

    void linesFileOption() {
        ServerProcess server;
        const QString path = server.dirPath() + QStringLiteral("/lines.ini");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Test]\nT1=127.0.0.81,1%,1\n");
        file.close();
        QVERIFY2(server.start({QStringLiteral("--lines-file"), path}), qPrintable(server.error()));
        QCOMPARE(httpGet(server.mainPort(), "/admin/lines").body, "[Test]\nT1=127.0.0.81,1%,1\n");
    }

    void badArgumentsAreRefused_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("port not a number")
            << QStringList{QStringLiteral("--main-port"), QStringLiteral("http")}
            << QByteArray("--main-port");
        QTest::newRow("port too large")
            << QStringList{QStringLiteral("--fallback-port"), QStringLiteral("70000")}
            << QByteArray("--fallback-port");
        QTest::newRow("same ports")
            << QStringList{QStringLiteral("--main-port"), QStringLiteral("9999"),
                           QStringLiteral("--fallback-port"), QStringLiteral("9999")}
            << QByteArray("differ");
        QTest::newRow("version with dash")
            << QStringList{QStringLiteral("--version"), QStringLiteral("8.1-2")}
            << QByteArray("version");
        QTest::newRow("unknown option")
            << QStringList{QStringLiteral("--frobnicate")} << QByteArray("frobnicate");
        QTest::newRow("stray argument")
            << QStringList{QStringLiteral("extra")} << QByteArray("extra");
    }
    void badArgumentsAreRefused() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, message);
        QProcess process;
        process.start(kvt::test::serverBinary(), arguments);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 2);
        const QByteArray error = process.readAllStandardError();
        QVERIFY2(error.contains(message), error.constData());
    }

    void helpListsTheOptions() {
        QProcess process;
        process.start(kvt::test::serverBinary(), {QStringLiteral("--help")});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        const QByteArray help = process.readAllStandardOutput();
        for (const char* option :
             {"--listen", "--main-port", "--fallback-port", "--db", "--backend-host", "--version",
              "--update-mode", "--update-url", "--direct-route", "--change-flag", "--port-file",
              "--lines-file", "--no-admin"})
            QVERIFY2(help.contains(option), option);
    }

    void portInUseFailsToStart() {
        ServerProcess first;
        QVERIFY2(first.start(), qPrintable(first.error()));
        QProcess second;
        QTemporaryDir dir;
        second.start(kvt::test::serverBinary(),
                     {QStringLiteral("--main-port"), QString::number(first.mainPort()),
                      QStringLiteral("--fallback-port"), QStringLiteral("0"),
                      QStringLiteral("--db"), dir.filePath(QStringLiteral("kvt.db"))});
        QVERIFY(second.waitForFinished(60000));
        QCOMPARE(second.exitCode(), 1);
        QVERIFY(second.readAllStandardError().contains(QByteArray::number(first.mainPort())));
        // The first one is not disturbed.
        QCOMPARE(httpGet(first.mainPort(), Netcheck).status, 200);
    }
};

QTEST_GUILESS_MAIN(TestServerProcess)
#include "tst_server_process.moc"
