// The backend's scripts and pages over real HTTP on loopback, served in this process.

#include "backend/deployment.h"
#include "digests.h"
#include "reference_server.h"
#include "scrambler.h"

#include <QRegularExpression>
#include <QTest>
#include <QUrl>

#include <memory>

using namespace kvt::server;
using kvt::test::httpGet;
using kvt::test::httpPost;
using kvt::test::InProcessServer;
using kvt::test::RawAnswer;
using kvt::test::rawHttp;

namespace {

const QByteArray Scripts = "/sysadmin/useradmin/";
const QByteArray PlainText = "text/plain; charset=utf-8";

QByteArray form(const QList<QPair<QByteArray, QByteArray>>& fields) {
    QByteArray body;
    for (const auto& [name, value] : fields) {
        if (!body.isEmpty())
            body += '&';
        body += name.toPercentEncoding() + '=' + value.toPercentEncoding();
    }
    return body;
}

QByteArray tokenOf(const QByteArray& user, const QByteArray& password) {
    return QByteArray::fromStdString(
        viewToken(credentialDigest(user.toStdString(), password.toStdString())));
}

// The client's server-list address: "?viewstr=" + token + "&&viewuser=" + name, unescaped.
QByteArray listTarget(const QByteArray& script, const QByteArray& token, const QByteArray& user) {
    return Scripts + script + "?viewstr=" + token + "&&viewuser=" + user;
}

// The checkcode of the pre-dial query, as the client derives it from what it computed at login.
QByteArray checkcodeOf(const std::string& user, const std::string& password) {
    namespace d = kvt::deployment;
    const std::string userDigest = md5Hex(md5Hex(user) + std::string(d::W4));
    const std::string passwordDigest = md5Hex(md5Hex(password) + std::string(d::W5));
    const std::string key1 = md5Hex(userDigest + passwordDigest + std::string(d::K1));
    const std::string key2 = md5Hex(key1 + std::string(d::K2));
    return QByteArray::fromStdString(md5Hex(key1 + std::string(d::CheckcodeWord) + key2));
}

QByteArray expiry(const QDate& date) {
    return date.toString(Qt::ISODate).toUtf8();
}

} // namespace

class TestServerScripts : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<InProcessServer> server_;
    int port() const { return server_->mainPort(); }
    const QDate yearAhead = QDate::currentDate().addYears(1);

    QByteArray documentFor(const Catalogue& areas) const {
        QByteArray text;
        for (const AreaEntry& area : areas) {
            text += "[" + QByteArray::fromStdString(area.name) + "]\r\n";
            for (const LineEntry& line : area.lines)
                text +=
                    QByteArray::fromStdString(line.name + "=" + scrambleShort(line.address) + "," +
                                              line.onlineRate + ",0," + line.markNum + ",0\r\n");
        }
        return text;
    }

private Q_SLOTS:
    void initTestCase() {
        server_ = std::make_unique<InProcessServer>();
        ServiceStore& store = server_->store();
        const QDate year = yearAhead;
        store.addAccount({"张三&x", "密码 1", year, AccountState::Normal, 1, "VIP 会员"});
        store.addAccount({std::string(600, 'u'), std::string(300, 'p'), year, AccountState::Normal,
                          1, "long one"});
        store.addAccount({"a+b", "plus pass", year, AccountState::Normal, 1, std::nullopt});
        store.addAccount({"blocked", "blocked123", year, AccountState::Disabled, 1, std::nullopt});
        // A stored answer that the client would read as a failure is not sent as it is.
        store.addAccount({"tokenish", "tokenish1", year, AccountState::Normal, 1, "error"});
    }

    void cleanupTestCase() { server_.reset(); }

    void netcheckAnswersOnBothPorts() {
        for (const int p : {server_->mainPort(), server_->fallbackPort()}) {
            const RawAnswer answer = httpGet(p, Scripts + "netcheckkvt802.php");
            QVERIFY(answer.ok);
            QCOMPARE(answer.status, 200);
            QCOMPARE(answer.header("Content-Type"), PlainText);
            // The caller's address, this node's address, and the main node as backend host
            // also when the fallback node was asked.
            const QByteArray host = "127.0.0.1:" + QByteArray::number(server_->mainPort());
            QCOMPARE(answer.body, "127.0.0.1-127.0.0.1|8.0.2-1|" + host + "|(http://" + host +
                                      "/kvtclient/news.htm)|2");
        }
    }

    void netcheckUsesTheHostTheCallerReached() {
        const RawAnswer answer = rawHttp(port(), "GET " + Scripts +
                                                     "netcheckkvt802.php HTTP/1.1\r\nHost: "
                                                     "localhost:1\r\nConnection: close\r\n\r\n");
        QCOMPARE(answer.body.split('|').value(2), "localhost:" + QByteArray::number(port()));
        // A Host header that would break the answer apart is not used.
        const RawAnswer odd = rawHttp(port(), "GET " + Scripts +
                                                  "netcheckkvt802.php HTTP/1.1\r\nHost: a|b\r\n"
                                                  "Connection: close\r\n\r\n");
        QCOMPARE(odd.body.count('|'), 4);
        QCOMPARE(odd.body.split('|').value(2), "127.0.0.1:" + QByteArray::number(port()));
    }

    void netcheckSendsTheConfiguredValues() {
        ServerConfig config;
        config.backendHost = "vpn.example:9006";
        config.directRoute = "10.1.2.3";
        config.version = "8.1.2";
        config.updateMode = "3";
        config.updateUrl = "http://dl.example/kvt.exe";
        config.changeFlag = "1";
        InProcessServer configured(config);
        const RawAnswer answer = httpGet(configured.mainPort(), Scripts + "netcheckkvt802.php");
        QCOMPARE(answer.body,
                 "127.0.0.1-10.1.2.3|8.1.2-3|vpn.example:9006|(http://dl.example/kvt.exe)|1");
        QCOMPARE(httpPost(configured.fallbackPort(), Scripts + "netcheckkvt802.php", {}).body,
                 answer.body);
    }

    void configValuesThatWouldShiftFieldsAreRefused_data() {
        QTest::addColumn<QByteArray>("which");
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("version with dash") << QByteArray("version") << QByteArray("8.1-2");
        QTest::newRow("empty version") << QByteArray("version") << QByteArray();
        QTest::newRow("mode with bar") << QByteArray("mode") << QByteArray("3|");
        QTest::newRow("route with dash") << QByteArray("route") << QByteArray("a-b");
        QTest::newRow("url with paren") << QByteArray("url") << QByteArray("http://x/(1)");
        QTest::newRow("host with bar") << QByteArray("host") << QByteArray("h|1");
        QTest::newRow("empty flag") << QByteArray("flag") << QByteArray();
    }
    void configValuesThatWouldShiftFieldsAreRefused() {
        QFETCH(QByteArray, which);
        QFETCH(QByteArray, value);
        ServerConfig config;
        config.databasePath = ":memory:";
        const std::string text = value.toStdString();
        if (which == "version")
            config.version = text;
        else if (which == "mode")
            config.updateMode = text;
        else if (which == "route")
            config.directRoute = text;
        else if (which == "url")
            config.updateUrl = text;
        else if (which == "host")
            config.backendHost = text;
        else
            config.changeFlag = text;
        QVERIFY(!checkConfig(config).empty());
        QVERIFY_THROWS_EXCEPTION(StartError, InProcessServer{config});
    }

    void usercheck_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray date = expiry(yearAhead);
        const QByteArray plain = "usercheckkvt802.php";
        QTest::newRow("demo") << plain << form({{"UserID", "demo"}, {"Upassword", "demo123"}})
                              << "到期时间：" + date;
        QTest::newRow("demo en") << QByteArray("usercheckkvt802_en.php")
                                 << form({{"UserID", "demo"}, {"Upassword", "demo123"}})
                                 << "Expiry date: " + date;
        QTest::newRow("demo tw") << QByteArray("usercheckkvt802_tw.php")
                                 << form({{"UserID", "demo"}, {"Upassword", "demo123"}})
                                 << "到期時間：" + date;
        QTest::newRow("fields in other order")
            << plain << form({{"Upassword", "demo123"}, {"UserID", "demo"}}) << "到期时间：" + date;
        QTest::newRow("wrong password")
            << plain << form({{"UserID", "demo"}, {"Upassword", "demo124"}}) << QByteArray("error");
        QTest::newRow("password of another account")
            << plain << form({{"UserID", "demo"}, {"Upassword", "useup123"}})
            << QByteArray("error");
        QTest::newRow("name in other case")
            << plain << form({{"UserID", "DEMO"}, {"Upassword", "demo123"}}) << QByteArray("error");
        QTest::newRow("unknown user")
            << plain << form({{"UserID", "nobody"}, {"Upassword", "demo123"}})
            << QByteArray("error");
        QTest::newRow("expired") << QByteArray("usercheckkvt802_en.php")
                                 << form({{"UserID", "expired"}, {"Upassword", "expired123"}})
                                 << QByteArray("expire");
        QTest::newRow("expired, wrong password")
            << plain << form({{"UserID", "expired"}, {"Upassword", "x"}}) << QByteArray("error");
        QTest::newRow("useup") << QByteArray("usercheckkvt802_tw.php")
                               << form({{"UserID", "useup"}, {"Upassword", "useup123"}})
                               << QByteArray("useup");
        QTest::newRow("blocked") << plain
                                 << form({{"UserID", "blocked"}, {"Upassword", "blocked123"}})
                                 << QByteArray("error");
        QTest::newRow("no password") << plain << form({{"UserID", "demo"}}) << QByteArray("error");
        QTest::newRow("no user") << plain << form({{"Upassword", "demo123"}})
                                 << QByteArray("error");
        QTest::newRow("empty user")
            << plain << form({{"UserID", ""}, {"Upassword", ""}}) << QByteArray("error");
        QTest::newRow("empty body") << plain << QByteArray() << QByteArray("error");
        QTest::newRow("not a form")
            << plain << QByteArray("\x01\x02%%%==&&=") << QByteArray("error");
        QTest::newRow("chinese and ampersand")
            << plain << form({{"UserID", "张三&x"}, {"Upassword", "密码 1"}})
            << QByteArray("VIP 会员");
        QTest::newRow("space as plus")
            << plain << QByteArray("UserID=%E5%BC%A0%E4%B8%89%26x&Upassword=%E5%AF%86%E7%A0%81+1")
            << QByteArray("VIP 会员");
        QTest::newRow("plus in name")
            << plain << form({{"UserID", "a+b"}, {"Upassword", "plus pass"}})
            << "到期时间：" + date;
        QTest::newRow("long name")
            << plain
            << form({{"UserID", QByteArray(600, 'u')}, {"Upassword", QByteArray(300, 'p')}})
            << QByteArray("long one");
        QTest::newRow("long unknown name")
            << plain << form({{"UserID", QByteArray(6000, 'z')}, {"Upassword", "x"}})
            << QByteArray("error");
        QTest::newRow("stored text is a token")
            << plain << form({{"UserID", "tokenish"}, {"Upassword", "tokenish1"}})
            << "到期时间：" + date;
    }
    void usercheck() {
        QFETCH(QByteArray, script);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, expected);
        const RawAnswer answer = httpPost(port(), Scripts + script, body);
        QVERIFY(answer.ok);
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.header("Content-Type"), PlainText);
        QCOMPARE(answer.body, expected);
    }

    void usercheckAcceptsGet() {
        const RawAnswer answer =
            httpGet(port(), Scripts + "usercheckkvt802.php?UserID=useup&Upassword=useup123");
        QCOMPARE(answer.body, "useup");
    }

    void serverList_data() {
        QTest::addColumn<QByteArray>("script");
        for (const char* base : {"vpnlistkvt802", "flushvpnlistkvt802"}) {
            for (const char* suffix : {"", "_en", "_tw"}) {
                const QByteArray script = QByteArray(base) + suffix + ".php";
                QTest::newRow(script.constData()) << script;
            }
        }
    }
    void serverList() {
        QFETCH(QByteArray, script);
        const RawAnswer answer =
            httpGet(port(), listTarget(script, tokenOf("demo", "demo123"), "demo"));
        QVERIFY(answer.ok);
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.header("Content-Type"), PlainText);
        QCOMPARE(answer.body, documentFor(server_->store().catalogue()));
    }

    void serverListDocumentShape() {
        const QByteArray body =
            httpGet(port(), listTarget("vpnlistkvt802.php", tokenOf("demo", "demo123"), "demo"))
                .body;
        const Catalogue areas = server_->store().catalogue();
        const QList<QByteArray> rows = body.split('\n');
        std::size_t area = 0;
        std::size_t line = 0;
        int entries = 0;
        for (QByteArray row : rows) {
            row = row.trimmed();
            if (row.isEmpty())
                continue;
            if (row.startsWith('[')) {
                QCOMPARE(row, "[" + QByteArray::fromStdString(areas.at(area++).name) + "]");
                line = 0;
                continue;
            }
            const LineEntry& expected = areas.at(area - 1).lines.at(line++);
            const qsizetype equals = row.indexOf('=');
            QCOMPARE(row.left(equals), QByteArray::fromStdString(expected.name));
            const QList<QByteArray> fields = row.mid(equals + 1).split(',');
            QCOMPARE(fields.size(), 5);
            for (const QByteArray& field : fields)
                QVERIFY(!field.isEmpty()); // the client would drop an empty one
            QCOMPARE(fields[0], QByteArray::fromStdString(scrambleShort(expected.address)));
            QVERIFY(!fields[0].contains("127.0.0.")); // the address is not sent in the clear
            QVERIFY(QRegularExpression(QStringLiteral("^[A-Za-z0-9+/]+$"))
                        .match(QString::fromLatin1(fields[0]))
                        .hasMatch());
            QCOMPARE(fields[1], QByteArray::fromStdString(expected.onlineRate));
            QCOMPARE(fields[3], QByteArray::fromStdString(expected.markNum));
            ++entries;
        }
        QCOMPARE(area, areas.size());
        QVERIFY(entries >= 12);
    }

    void serverListForUnusualNames_data() {
        QTest::addColumn<QByteArray>("target");
        const QByteArray token = tokenOf("张三&x", "密码 1");
        QTest::newRow("percent-encoded")
            << listTarget("vpnlistkvt802.php", token, "%E5%BC%A0%E4%B8%89%26x");
        QTest::newRow("encoded, raw ampersand")
            << listTarget("vpnlistkvt802.php", token, "%E5%BC%A0%E4%B8%89&x");
        QTest::newRow("raw utf-8") << listTarget("flushvpnlistkvt802.php", token, "张三&x");
        QTest::newRow("plus stays plus")
            << listTarget("vpnlistkvt802_en.php", tokenOf("a+b", "plus pass"), "a+b");
        QTest::newRow("long name")
            << listTarget("vpnlistkvt802.php", tokenOf(QByteArray(600, 'u'), QByteArray(300, 'p')),
                          QByteArray(600, 'u'));
        QTest::newRow("single ampersand")
            << Scripts + "vpnlistkvt802.php?viewstr=" + tokenOf("demo", "demo123") +
                   "&viewuser=demo";
        QTest::newRow("other order")
            << Scripts + "vpnlistkvt802.php?viewuser=demo&viewstr=" + tokenOf("demo", "demo123");
    }
    void serverListForUnusualNames() {
        QFETCH(QByteArray, target);
        const RawAnswer answer = httpGet(port(), target);
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.body, documentFor(server_->store().catalogue()));
    }

    void serverListRefusals_data() {
        QTest::addColumn<QByteArray>("target");
        const QByteArray token = tokenOf("demo", "demo123");
        QTest::newRow("wrong token")
            << listTarget("vpnlistkvt802.php", tokenOf("demo", "demo124"), "demo");
        QTest::newRow("another user's token")
            << listTarget("vpnlistkvt802.php", tokenOf("useup", "useup123"), "demo");
        QTest::newRow("upper-case token")
            << listTarget("vpnlistkvt802.php", token.toUpper() + "X", "demo");
        QTest::newRow("token with extra") << listTarget("vpnlistkvt802.php", token + "0", "demo");
        QTest::newRow("unknown user") << listTarget("flushvpnlistkvt802.php", token, "nobody");
        QTest::newRow("empty user") << listTarget("vpnlistkvt802.php", token, "");
        QTest::newRow("no user") << Scripts + "vpnlistkvt802.php?viewstr=" + token;
        QTest::newRow("no token") << Scripts + "vpnlistkvt802.php?viewuser=demo";
        QTest::newRow("no query") << Scripts + "flushvpnlistkvt802_tw.php";
        QTest::newRow("name with trailing text")
            << listTarget("vpnlistkvt802.php", token, "demo&x=1");
        QTest::newRow("broken escapes") << listTarget("vpnlistkvt802.php", token, "%zz%");
    }
    void serverListRefusals() {
        QFETCH(QByteArray, target);
        const RawAnswer answer = httpGet(port(), target);
        QVERIFY(answer.ok);
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.header("Content-Type"), PlainText);
        QCOMPARE(answer.body, QByteArray());
    }

    void pages_data() {
        QTest::addColumn<QByteArray>("page");
        for (const char* page : {"top.htm", "right.htm", "maintop.htm", "news.htm"})
            QTest::newRow(page) << QByteArray(page);
    }
    void pages() {
        QFETCH(QByteArray, page);
        const RawAnswer answer = httpGet(port(), "/kvtclient/" + page);
        QVERIFY(answer.ok);
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.header("Content-Type"), "text/html; charset=utf-8");
        QVERIFY(answer.body.startsWith("<!DOCTYPE html>"));
        QVERIFY(answer.body.trimmed().endsWith("</html>"));
        QVERIFY(answer.body.contains("<meta charset=\"utf-8\">"));
        const QString text = QString::fromUtf8(answer.body);
        QCOMPARE(text.toUtf8(), answer.body); // valid UTF-8
        QVERIFY(text.contains(QRegularExpression(QStringLiteral("[\\x{4e00}-\\x{9fff}]"))));
        QVERIFY(text.contains(QRegularExpression(QStringLiteral("[A-Za-z]{4,}"))));
        // Nothing is fetched from elsewhere.
        QVERIFY(!text.contains(QStringLiteral("src="), Qt::CaseInsensitive));
        QVERIFY(!text.contains(QStringLiteral("<script"), Qt::CaseInsensitive));
        QVERIFY(!text.contains(QStringLiteral("<link"), Qt::CaseInsensitive));
    }

    void unknownPathsAreNotFound_data() {
        QTest::addColumn<QByteArray>("target");
        QTest::newRow("root") << QByteArray("/");
        QTest::newRow("script folder") << Scripts;
        QTest::newRow("unknown script") << Scripts + "nosuchkvt802.php";
        QTest::newRow("later script") << Scripts + "ipcheckkvt802_en.php";
        QTest::newRow("dot is not a wildcard") << Scripts + "usercheckkvt802Xphp";
        QTest::newRow("other variant") << Scripts + "vpnlistkvt802_fr.php";
        QTest::newRow("page with suffix") << QByteArray("/kvtclient/top.htm/x");
        QTest::newRow("unknown page") << QByteArray("/kvtclient/index.htm");
        QTest::newRow("case differs") << Scripts + "NETCHECKKVT802.PHP";
    }
    void unknownPathsAreNotFound() {
        QFETCH(QByteArray, target);
        QCOMPARE(httpGet(port(), target).status, 404);
        QCOMPARE(httpPost(port(), target, "UserID=demo&Upassword=demo123").status, 404);
    }

    void garbageDoesNotStopTheService_data() {
        QTest::addColumn<QByteArray>("request");
        QByteArray binary;
        for (int i = 0; i < 4096; ++i)
            binary += char((i * 7919 + 13) & 0xff);
        QTest::newRow("binary") << binary;
        QTest::newRow("no request line") << QByteArray("\r\n\r\n");
        QTest::newRow("bad method") << QByteArray("FROB / HTTP/1.1\r\n\r\n");
        QTest::newRow("bad version") << QByteArray("GET / HTTP/9\r\n\r\n");
        QTest::newRow("header without colon")
            << "GET " + Scripts + "netcheckkvt802.php HTTP/1.1\r\nnocolon\r\n\r\n";
        QTest::newRow("huge target") << "GET /" + QByteArray(100000, 'a') + " HTTP/1.1\r\n\r\n";
        QTest::newRow("huge query") << "GET " + Scripts + "vpnlistkvt802.php?" +
                                           QByteArray(20000, '&') + " HTTP/1.1\r\n\r\n";
        QTest::newRow("huge header")
            << "GET / HTTP/1.1\r\nX: " + QByteArray(100000, 'h') + "\r\n\r\n";
        QTest::newRow("short body") << "POST " + Scripts +
                                           "usercheckkvt802.php HTTP/1.1\r\nContent-Length: "
                                           "100\r\n\r\nUserID=demo";
        QTest::newRow("negative length") << "POST " + Scripts +
                                                "usercheckkvt802.php HTTP/1.1\r\nContent-Length: "
                                                "-5\r\n\r\n";
        QTest::newRow("bad chunks") << "POST " + Scripts +
                                           "usercheckkvt802.php HTTP/1.1\r\nTransfer-Encoding: "
                                           "chunked\r\n\r\nzz\r\nabc\r\n";
        QTest::newRow("two question marks")
            << "GET " + Scripts + "vpnlistkvt802.php?viewstr=a?b&&viewuser=c?d HTTP/1.1\r\n\r\n";
        QTest::newRow("nul in target")
            << "GET " + Scripts + QByteArray("usercheck\0kvt802.php", 20) + " HTTP/1.1\r\n\r\n";
        QTest::newRow("oversized body")
            << "POST " + Scripts +
                   "usercheckkvt802.php HTTP/1.1\r\nContent-Type: text/plain\r\n"
                   "Content-Length: 2000000\r\n\r\n" +
                   QByteArray(2000000, 'x');
    }
    void garbageDoesNotStopTheService() {
        QFETCH(QByteArray, request);
        // Some of these leave the server waiting for more bytes until its read timeout; the
        // answer is looked at only if one arrives while this test waits for it.
        const RawAnswer garbage = rawHttp(port(), request, 1000);
        if (garbage.ok)
            QVERIFY(garbage.status == 200 || garbage.status >= 400);
        const RawAnswer after = httpGet(port(), Scripts + "netcheckkvt802.php");
        QCOMPARE(after.status, 200);
        QCOMPARE(after.body.count('|'), 4);
    }

    void adminChangesLinesWhileRunning() {
        InProcessServer own; // its own database, so the other tests keep the demo lines
        const QByteArray listUrl =
            listTarget("flushvpnlistkvt802.php", tokenOf("demo", "demo123"), "demo");
        const int p = own.mainPort();

        RawAnswer current = httpGet(p, "/admin/lines");
        QCOMPARE(current.status, 200);
        QCOMPARE(current.header("Content-Type"), PlainText);
        QVERIFY(current.body.contains("[广东电信]\n广州电信01=127.0.0.11,45%,1\n"));

        // One area replaced, one added, one removed; the list the client downloads follows.
        const QByteArray change = "[US West]\nReno 7=127.0.0.37,70%,2\n"
                                  "[Europe]\nParis 1=127.0.0.51,7%,1\n[浙江联通]\n";
        QCOMPARE(httpPost(p, "/admin/lines", change).body, "ok");
        Catalogue expected{own.store().catalogue()};
        QCOMPARE(expected.size(), std::size_t(4));
        QCOMPARE(expected[1], (AreaEntry{"US West", {{"Reno 7", "127.0.0.37", "70%", "2"}}}));
        QCOMPARE(expected[3].name, "Europe");
        QCOMPARE(httpGet(p, listUrl).body, documentFor(expected));
        QVERIFY(
            httpGet(p, listUrl)
                .body.contains("Reno 7=" + QByteArray::fromStdString(scrambleShort("127.0.0.37")) +
                               ",70%,0,2,0\r\n"));

        // Everything replaced.
        QCOMPARE(httpPost(p, "/admin/lines?replace=all", "[Solo]\nS1=127.0.0.61,1%,1\n").body,
                 "ok");
        QCOMPARE(own.store().catalogue(), (Catalogue{{"Solo", {{"S1", "127.0.0.61", "1%", "1"}}}}));

        // A bad list is refused whole.
        const RawAnswer bad = httpPost(p, "/admin/lines?replace=all", "[A]\na=1.2.3.4,,1\n");
        QCOMPARE(bad.status, 400);
        QVERIFY(bad.body.startsWith("error: "));
        QCOMPARE(own.store().catalogue().front().name, "Solo");
    }

    void adminCanBeSwitchedOff() {
        ServerConfig config;
        config.adminEnabled = false;
        InProcessServer own(config);
        QCOMPARE(httpGet(own.mainPort(), "/admin/lines").status, 403);
        QCOMPARE(httpPost(own.mainPort(), "/admin/lines", "[A]\n").status, 403);
        QCOMPARE(own.store().catalogue().size(), std::size_t(4));
    }

    void linesFileReplacesTheListAtStart() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("lines.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[湖南电信]\n长沙1=127.0.0.71,12%,1\n");
        file.close();
        ServerConfig config;
        config.linesFile = path.toStdString();
        InProcessServer own(config);
        QCOMPARE(own.store().catalogue(),
                 (Catalogue{{"湖南电信", {{"长沙1", "127.0.0.71", "12%", "1"}}}}));

        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[A]\nbroken\n");
        file.close();
        QVERIFY_THROWS_EXCEPTION(StartError, InProcessServer{config});
    }

    void ipcheck_data() {
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<QByteArray>("checkcode"); // "-": left out
        QTest::addColumn<QByteArray>("answer");
        const QByteArray demoCode = checkcodeOf("demo", "demo123");
        const QByteArray one = "6d03b2e95f71c84a0e3d96b15c27e8a4";
        const QByteArray two = "6d03b2e95f71c84a0e3d96b15c27e8a3";
        const auto user = [](const char* name) {
            return QByteArray::fromStdString(scrambleUserName(name));
        };
        const auto secret = [](const char* text) {
            return QByteArray::fromStdString(scrambleLong(text));
        };
        QTest::newRow("own account")
            << QByteArray("demo") << QByteArray("demo123") << QByteArray("127.0.0.33") << demoCode
            << QByteArray("e7a2d91b0k6p3f4a95d0c81b2ef6a90d");
        QTest::newRow("pool account")
            << QByteArray("demo") << QByteArray("demo123") << QByteArray("127.0.0.14") << demoCode
            << user("pool201") + one + secret("poolpw201");
        QTest::newRow("pool account of the server")
            << QByteArray("demo") << QByteArray("demo123") << QByteArray("127.0.0.62") << demoCode
            << user("special") + one + secret("pw-special");
        QTest::newRow("pool account of any server")
            << QByteArray("demo") << QByteArray("demo123") << QByteArray("127.0.0.61") << demoCode
            << user("general") + one + secret("pw-general");
        QTest::newRow("named account")
            << QByteArray("demo") << QByteArray("demo123") << QByteArray("127.0.0.23") << demoCode
            << "9" + two + user("kvtrealm9\\demo");
        QTest::newRow("pool without accounts")
            << QByteArray("demo") << QByteArray("demo123") << QByteArray("127.0.0.63") << demoCode
            << QByteArray("error");
        QTest::newRow("mark without scheme")
            << QByteArray("demo") << QByteArray("demo123") << QByteArray("127.0.0.64") << demoCode
            << QByteArray("error");
        QTest::newRow("server not listed")
            << QByteArray("demo") << QByteArray("demo123") << QByteArray("10.9.9.9") << demoCode
            << QByteArray("error");
        QTest::newRow("wrong checkcode")
            << QByteArray("demo") << QByteArray("demo123") << QByteArray("127.0.0.33")
            << checkcodeOf("demo", "other") << QByteArray("error");
        QTest::newRow("no checkcode")
            << QByteArray("demo") << QByteArray("demo123") << QByteArray("127.0.0.33")
            << QByteArray("-") << QByteArray("error");
        QTest::newRow("wrong password")
            << QByteArray("demo") << QByteArray("demo12") << QByteArray("127.0.0.33")
            << checkcodeOf("demo", "demo12") << QByteArray("error");
        QTest::newRow("expired account")
            << QByteArray("expired") << QByteArray("expired123") << QByteArray("127.0.0.33")
            << checkcodeOf("expired", "expired123") << QByteArray("error");
    }
    void ipcheck() {
        QFETCH(QByteArray, user);
        QFETCH(QByteArray, password);
        QFETCH(QByteArray, server);
        QFETCH(QByteArray, checkcode);
        QFETCH(QByteArray, answer);
        InProcessServer own; // lines and pool accounts of its own
        ServiceStore& store = own.store();
        store.replaceAreas({{"Pool",
                             {{"p1", "127.0.0.61", "1%", "22"},
                              {"p2", "127.0.0.62", "1%", "22"},
                              {"p3", "127.0.0.63", "1%", "23"},
                              {"p4", "127.0.0.64", "1%", "24"}}}});
        store.setMarkScheme({"22", MarkKind::Pool, ""});
        store.setMarkScheme({"23", MarkKind::Pool, ""});
        store.addPoolAccount({"22", std::nullopt, "general", "pw-general"});
        store.addPoolAccount({"22", "127.0.0.62", "special", "pw-special"});
        QList<QPair<QByteArray, QByteArray>> fields = {
            {"serverip", server}, {"username", user}, {"Upassword", password}};
        if (checkcode != "-")
            fields.append({"checkcode", checkcode});
        const RawAnswer reply =
            httpPost(own.mainPort(), Scripts + "ipcheckkvt802.php", form(fields));
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.header("Content-Type"), PlainText);
        QCOMPARE(reply.body, answer);
    }
};

QTEST_GUILESS_MAIN(TestServerScripts)
#include "tst_server_scripts.moc"
