#include "app/ui_language.h"
#include "backend/http_exchange.h"
#include "backend/script_url.h"
#include "backend/session_state.h"
#include "recording_http_server.h"

#include <QTest>
#include <QUrlQuery>

using namespace kvt;
using kvt::test::CannedAnswer;
using kvt::test::RecordingHttpServer;

class TestScriptUrl : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        UiLanguage = 0;
        Session() = {};
    }
    void cleanup() { UiLanguage = 0; }

    void languageVariants_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("expectedScript");
        const QStringList withVariants = {"usercheckkvt802", "vpnlistkvt802", "flushvpnlistkvt802",
                                          "datecheckkvt802"};
        for (const QString& script : withVariants) {
            const QByteArray s = script.toUtf8();
            QTest::newRow(s + " unset") << script << 0 << script;
            QTest::newRow(s + " simplified") << script << 1 << script;
            QTest::newRow(s + " English") << script << 2 << script + "_en";
            QTest::newRow(s + " traditional") << script << 3 << script + "_tw";
            QTest::newRow(s + " out of range") << script << 7 << script;
        }
        const QStringList withoutVariants = {"netcheckkvt802",        "statuscheckkvt802",
                                             "ipcheckkvt802",         "mypass_savekvt802",
                                             "reckon_new_savekvt802", "user_self_new_savekvt802"};
        for (const QString& script : withoutVariants) {
            const QByteArray s = script.toUtf8();
            QTest::newRow(s + " English") << script << 2 << script;
            QTest::newRow(s + " traditional") << script << 3 << script;
        }
    }
    void languageVariants() {
        QFETCH(QString, script);
        QFETCH(int, language);
        QFETCH(QString, expectedScript);
        UiLanguage = language;
        QCOMPARE(ScriptUrl(QStringLiteral("vpn.example:8006"), script),
                 QStringLiteral("http://vpn.example:8006/sysadmin/useradmin/") + expectedScript +
                     QStringLiteral(".php"));
    }

    void variantFollowsTheLanguageAtCallTime() {
        UiLanguage = 2;
        const QString english = ScriptUrl(QStringLiteral("h"), QStringLiteral("datecheckkvt802"));
        UiLanguage = 3;
        const QString traditional =
            ScriptUrl(QStringLiteral("h"), QStringLiteral("datecheckkvt802"));
        QVERIFY(english.endsWith(QStringLiteral("datecheckkvt802_en.php")));
        QVERIFY(traditional.endsWith(QStringLiteral("datecheckkvt802_tw.php")));
    }

    void queryValue_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("encoded");
        QTest::newRow("ordinary name unchanged") << "user_01.a-b~c"
                                                 << "user_01.a-b~c";
        QTest::newRow("ampersand") << "a&b"
                                   << "a%26b";
        QTest::newRow("hash") << "a#b"
                              << "a%23b";
        QTest::newRow("space") << "a b"
                               << "a%20b";
        QTest::newRow("plus and equals") << "a+b=c"
                                         << "a%2Bb%3Dc";
        QTest::newRow("percent") << "100%"
                                 << "100%25";
        QTest::newRow("Chinese") << QStringLiteral("中") << "%E4%B8%AD";
        QTest::newRow("empty") << ""
                               << "";
    }
    void queryValue() {
        QFETCH(QString, value);
        QFETCH(QString, encoded);
        QCOMPARE(QueryValue(value), encoded);
    }

    void serverListUrl_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("expected");
        QTest::newRow("login, ordinary name")
            << "vpnlistkvt802" << 1 << "user01"
            << "http://h:1/sysadmin/useradmin/vpnlistkvt802.php?viewstr=0a1b2c3d&&viewuser=user01";
        QTest::newRow("refresh in English")
            << "flushvpnlistkvt802" << 2 << "user01"
            << "http://h:1/sysadmin/useradmin/flushvpnlistkvt802_en.php"
               "?viewstr=0a1b2c3d&&viewuser=user01";
        QTest::newRow("name with & # and a space")
            << "vpnlistkvt802" << 3 << "a&b #c"
            << "http://h:1/sysadmin/useradmin/vpnlistkvt802_tw.php"
               "?viewstr=0a1b2c3d&&viewuser=a%26b%20%23c";
    }
    void serverListUrl() {
        QFETCH(QString, script);
        QFETCH(int, language);
        QFETCH(QString, user);
        QFETCH(QString, expected);
        UiLanguage = language;
        Session().BackendHost = QStringLiteral("h:1");
        Session().ViewToken = QStringLiteral("0a1b2c3d");
        Session().LoginUser = user;
        QCOMPARE(ServerListUrl(script), expected);
    }

    // A raw "&", "#" or space in the user name used to cut the query short or end it; the
    // server must receive exactly the name that was typed.
    void serverReceivesTheWholeUserName_data() {
        QTest::addColumn<QString>("user");
        QTest::newRow("ordinary") << "user01";
        QTest::newRow("ampersand") << "tom&jerry";
        QTest::newRow("hash") << "no#1";
        QTest::newRow("spaces") << "a b c";
        QTest::newRow("equals and plus") << "x=y+z";
        QTest::newRow("Chinese") << QStringLiteral("用户");
    }
    void serverReceivesTheWholeUserName() {
        QFETCH(QString, user);
        RecordingHttpServer server;
        server.setDefaultAnswer(CannedAnswer::text("[area]"));
        Session().BackendHost = server.hostPort();
        Session().ViewToken = QStringLiteral("0a1b2c3d");
        Session().LoginUser = user;
        QCOMPARE(FetchText(ServerListUrl(QStringLiteral("vpnlistkvt802"))),
                 QStringLiteral("[area]"));
        const auto request = server.lastRequest();
        QCOMPARE(request.path, QByteArray("/sysadmin/useradmin/vpnlistkvt802.php"));
        QVERIFY2(request.query.startsWith("viewstr=0a1b2c3d&&viewuser="), request.query);
        const QUrlQuery query(QString::fromLatin1(request.query));
        QCOMPARE(query.queryItemValue(QStringLiteral("viewstr"), QUrl::FullyDecoded),
                 QStringLiteral("0a1b2c3d"));
        QCOMPARE(query.queryItemValue(QStringLiteral("viewuser"), QUrl::FullyDecoded), user);
        int named = 0; // the empty item between "&&" has no name
        for (const auto& item : query.queryItems())
            named += item.first.isEmpty() ? 0 : 1;
        QCOMPARE(named, 2);
    }
};

QTEST_GUILESS_MAIN(TestScriptUrl)
#include "tst_script_url.moc"
