#include "app/main_window_engine.h"
#include "app/remembered_choices.h"
#include "app/ui_language.h"
#include "backend/endpoints.h"
#include "backend/login_engine.h"
#include "backend/md5_hex.h"
#include "backend/session_state.h"
#include "backend/update_download.h"
#include "lines/line_catalogue.h"
#include "recording_http_server.h"
#include "recording_prompts.h"
#include "temp_settings.h"

#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

#include <memory>

using namespace kvt;
using namespace kvt::test;

namespace {

const QByteArray kNetcheck = "/sysadmin/useradmin/netcheckkvt802.php";
const QByteArray kUsercheck = "/sysadmin/useradmin/usercheckkvt802.php";
const QByteArray kVpnlist = "/sysadmin/useradmin/vpnlistkvt802.php";

} // namespace

// Each case runs the login engine against a real HTTP server on loopback that plays the main
// node and the backend host.
class TestLoginEngine : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingHttpServer> server;
    std::unique_ptr<RefusingPort> silentFallback;
    std::unique_ptr<TempSettings> settings;
    std::unique_ptr<RecordingPrompts> prompts;
    std::unique_ptr<MainWindowEngine> mainWindow;
    std::unique_ptr<LoginEngine> login;

    void answerNetcheck(const QByteArray& versionAndMode, const QByteArray& updateUrl = "u") {
        server->setAnswer(kNetcheck, CannedAnswer::text("9.9.9.9-8.8.8.8|" + versionAndMode + "|" +
                                                        server->hostPort().toUtf8() + "|(" +
                                                        updateUrl + ")|2"));
    }
    QList<RecordedRequest> requestsTo(const QByteArray& path) const {
        QList<RecordedRequest> found;
        for (const RecordedRequest& r : server->requests())
            if (r.path == path)
                found << r;
        return found;
    }

private Q_SLOTS:
    void init() {
        Session() = {};
        UiLanguage = 0;
        ReplaceLineCatalogue(QString());
        server = std::make_unique<RecordingHttpServer>();
        silentFallback = std::make_unique<RefusingPort>();
        endpoints() = Endpoints::defaults();
        endpoints().mainNode = server->hostPort();
        endpoints().fallbackNode = silentFallback->hostPort();
        settings = std::make_unique<TempSettings>();
        prompts = std::make_unique<RecordingPrompts>();
        mainWindow = std::make_unique<MainWindowEngine>();
        mainWindow->exitProcess = [](int) {
        };
        login = std::make_unique<LoginEngine>(mainWindow.get());
        answerNetcheck("8.0.2-1");
        login->edt_user = QStringLiteral("demo");
        login->edt_pass = QStringLiteral("demo123");
    }
    void cleanup() {
        login.reset();
        mainWindow.reset();
        prompts.reset();
        settings.reset();
        server.reset();
        silentFallback.reset();
        endpoints() = Endpoints::defaults();
    }

    void emptyBoxesWarnAndFocus_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("no user") << ""
                                 << "p"
                                 << "账号不能为空"
                                 << "edt_user";
        QTest::newRow("no password") << "u"
                                     << ""
                                     << "密码必须输入"
                                     << "edt_pass";
    }
    void emptyBoxesWarnAndFocus() {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        login->edt_user = user;
        login->edt_pass = password;
        login->btn_loginClick();
        QCOMPARE(prompts->messages.size(), 1);
        QCOMPARE(prompts->messages[0].text, message);
        QCOMPARE(prompts->messages[0].icon, UserPrompts::Icon::Warning);
        QCOMPARE(prompts->focused, QStringList{focus});
        QCOMPARE(server->requestCount(), 0);
    }

    void userCheckAnswers_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("message"); // empty: success
        QTest::newRow("error") << QByteArray("error") << 1 << "用户名或密码错误";
        QTest::newRow("expire") << QByteArray("expire") << 1
                                << "此帐户已过期，请及时充值后才能使用此功能";
        QTest::newRow("useup") << QByteArray("useup") << 1
                               << "此帐户免费测试时间已经用完，请注册正式帐户";
        QTest::newRow("error, English")
            << QByteArray("error") << 2 << "The user name or password is incorrect";
        QTest::newRow("error, traditional") << QByteArray("error") << 3 << "用戶名或密碼錯誤";
        QTest::newRow("Error in other case succeeds") << QByteArray("Error") << 1 << "";
        QTest::newRow("account text succeeds") << QByteArray("到期时间：2027-12-11") << 1 << "";
        QTest::newRow("error with newline succeeds") << QByteArray("error\n") << 1 << "";
    }
    void userCheckAnswers() {
        QFETCH(QByteArray, answer);
        QFETCH(int, language);
        QFETCH(QString, message);
        UiLanguage = language;
        CannedAnswer reply = CannedAnswer::text(answer);
        reply.contentType = "text/plain; charset=utf-8";
        server->setAnswer(language == 2   ? "/sysadmin/useradmin/usercheckkvt802_en.php"
                          : language == 3 ? "/sysadmin/useradmin/usercheckkvt802_tw.php"
                                          : kUsercheck,
                          reply);
        QSignalSpy closed(login.get(), &LoginEngine::closeRequested);
        login->btn_loginClick();
        if (message.isEmpty()) {
            QCOMPARE(closed.count(), 1);
            QCOMPARE(Session().LoginSucceeded, 1);
            QCOMPARE(Session().LoginAnswer, QString::fromUtf8(answer));
            QVERIFY(prompts->messages.isEmpty());
        } else {
            QCOMPARE(closed.count(), 0);
            QCOMPARE(Session().LoginSucceeded, 0);
            QCOMPARE(prompts->messages.size(), 1);
            QCOMPARE(prompts->messages[0].text, message);
            QCOMPARE(login->Label3, message);
            QVERIFY(login->Label3Visible);
            QCOMPARE(prompts->focused, QStringList{QStringLiteral("edt_user")});
        }
    }

    void noAnswerShowsNetworkMessage_data() {
        QTest::addColumn<bool>("mainNodeSilent");
        QTest::newRow("user check silent") << false;
        QTest::newRow("both nodes silent") << true;
    }
    void noAnswerShowsNetworkMessage() {
        QFETCH(bool, mainNodeSilent);
        if (mainNodeSilent)
            server->setAnswer(kNetcheck, CannedAnswer::error(500));
        else
            server->setAnswer(kUsercheck, CannedAnswer::error(503));
        login->btn_loginClick();
        QCOMPARE(prompts->messages.size(), 1);
        QCOMPARE(prompts->messages[0].text,
                 QStringLiteral("服务器繁忙或此时网络质量差，请重新尝试连接或稍后再试"));
        QVERIFY(!login->Label3Visible);
        QCOMPARE(Session().LoginSucceeded, 0);
        QCOMPARE(requestsTo(kUsercheck).isEmpty(), mainNodeSilent);
    }

    void postsTrimmedValuesAndComputesDigests() {
        login->edt_user = QStringLiteral("   ");
        login->edt_pass = QStringLiteral(" a&b \"中\" ");
        server->setAnswer(kUsercheck, CannedAnswer::text("error"));
        login->btn_loginClick();
        const QList<RecordedRequest> posts = requestsTo(kUsercheck);
        QCOMPARE(posts.size(), 1);
        QCOMPARE(posts[0].body, QByteArray("UserID=&Upassword=a%26b+%22%E4%B8%AD%22"));
        // Digests are computed from the trimmed texts even though the attempt failed.
        const QString credential = Md5Hex(QStringLiteral("a&b \"中\""));
        QCOMPARE(Session().CredentialDigest, credential);
        QCOMPARE(Session().ViewToken, Md5Hex(Md5Hex(credential).mid(10, 22)).left(8));
        QCOMPARE(Session().ViewToken.size(), 8);
    }

    void forcedUpdateOpensAddressWithoutUserCheck() {
        answerNetcheck("8.1.2-3", "http://example.invalid/new.exe");
        QSignalSpy closed(login.get(), &LoginEngine::closeRequested);
        login->btn_loginClick();
        QCOMPARE(closed.count(), 1);
        QCOMPARE(prompts->openedUrls,
                 QStringList{QStringLiteral("http://example.invalid/new.exe")});
        QVERIFY(requestsTo(kUsercheck).isEmpty());
        QCOMPARE(Session().LoginSucceeded, 0);
        QVERIFY(mainWindow->vercheck.isActive());
    }

    void optionalUpdatePrompt_data() {
        QTest::addColumn<bool>("download");
        QTest::newRow("download chosen") << true;
        QTest::newRow("later") << false;
    }
    void optionalUpdatePrompt() {
        QFETCH(bool, download);
        answerNetcheck("8.1.2-1", "http://example.invalid/setup.exe");
        server->setAnswer(kUsercheck, CannedAnswer::text("ok"));
        int prompted = 0;
        login->showUpdatePrompt = [&] {
            ++prompted;
            QCOMPARE(login->Label3,
                     QStringLiteral("已经新版本，旧版本可能无法使用，建议您下载最新版本"));
            if (download)
                UpdatePromptDownload(); // the prompt's download button
        };
        QSignalSpy closed(login.get(), &LoginEngine::closeRequested);
        login->btn_loginClick();
        QCOMPARE(prompted, 1);
        QCOMPARE(closed.count(), 1);
        QCOMPARE(requestsTo(kUsercheck).size(), download ? 0 : 1);
        QCOMPARE(Session().LoginSucceeded, download ? 0 : 1);
        QCOMPARE(prompts->openedUrls,
                 download ? QStringList{QStringLiteral("http://example.invalid/setup.exe")}
                          : QStringList{});
        QCOMPARE(Session().UpdateChoice, download ? QStringLiteral("2") : QString());
    }

    void downloadWithEmptyAddressStillEndsLogin() {
        // Nothing opens for an empty address, but the choice is made all the same.
        answerNetcheck("8.1.2-1", "");
        login->showUpdatePrompt = [] {
            UpdatePromptDownload();
        };
        QSignalSpy closed(login.get(), &LoginEngine::closeRequested);
        login->btn_loginClick();
        QCOMPARE(closed.count(), 1);
        QCOMPARE(Session().UpdateChoice, QStringLiteral("2"));
        QCOMPARE(prompts->openedUrls, QStringList{QString()});
        QVERIFY(requestsTo(kUsercheck).isEmpty());
    }

    void otherVersionsMeanNoUpdate_data() {
        QTest::addColumn<QByteArray>("version");
        QTest::newRow("higher") << QByteArray("9.0.0-3");
        QTest::newRow("8.1.3") << QByteArray("8.1.3-3");
        QTest::newRow("empty") << QByteArray("-3");
    }
    void otherVersionsMeanNoUpdate() {
        QFETCH(QByteArray, version);
        answerNetcheck(version);
        server->setAnswer(kUsercheck, CannedAnswer::text("ok"));
        bool prompted = false;
        login->showUpdatePrompt = [&] {
            prompted = true;
        };
        login->btn_loginClick();
        QVERIFY(!prompted);
        QVERIFY(prompts->openedUrls.isEmpty());
        QCOMPARE(Session().LoginSucceeded, 1);
        QVERIFY(!mainWindow->vercheck.isActive());
    }

    void successFillsSessionWindowAndCatalogue() {
        UiLanguage = 2;
        login->lang = 1;
        login->chkpass = true;
        login->edt_user = QStringLiteral(" demo ");
        server->setAnswer("/sysadmin/useradmin/usercheckkvt802_en.php",
                          CannedAnswer::text("expires 2027-12-11"));
        server->setAnswer("/sysadmin/useradmin/vpnlistkvt802_en.php",
                          CannedAnswer::text("[Area A]\nline1=abc,50%,x,1,y\n"));
        QSignalSpy boardGone(login.get(), &LoginEngine::noticeBoardDestroyRequested);
        login->btn_loginClick();

        const SessionState& s = Session();
        QCOMPARE(s.LoginSucceeded, 1);
        QCOMPARE(s.LoginUser, QStringLiteral("demo"));
        QCOMPARE(s.LoginPassword, QStringLiteral("demo123"));
        QCOMPARE(s.ClientAddress, QStringLiteral("9.9.9.9"));
        QCOMPARE(s.PasswordUrl, QStringLiteral("http://%1/sysadmin/useradmin/mypass_savekvt802.php")
                                    .arg(server->hostPort()));
        QCOMPARE(mainWindow->userlabel, QStringLiteral("UserName：demo  expires 2027-12-11"));
        QCOMPARE(mainWindow->statuslabel, QStringLiteral("Disconnected"));
        QCOMPARE(mainWindow->localiplabel, QStringLiteral("Local IP：9.9.9.9"));
        QCOMPARE(boardGone.count(), 1);

        const QList<RecordedRequest> lists = requestsTo("/sysadmin/useradmin/vpnlistkvt802_en.php");
        QCOMPARE(lists.size(), 1);
        QCOMPARE(lists[0].query,
                 QByteArray("viewstr=" + s.ViewToken.toLatin1() + "&&viewuser=demo"));
        QCOMPARE(CurrentLineCatalogue().areas(), QStringList{QStringLiteral("Area A")});

        // Remembered as typed (untrimmed), with the language index.
        const LoginChoices stored = readLoginChoices();
        QVERIFY(stored.complete);
        QCOMPARE(stored.savePassword, std::optional<bool>(true));
        QCOMPARE(stored.userName, std::optional<QString>(QStringLiteral(" demo ")));
        QCOMPARE(stored.languageIndex, std::optional<int>(1));
    }

    void rememberedChoicesAtCreation_data() {
        QTest::addColumn<bool>("savePassword");
        QTest::addColumn<int>("languageIndex");
        QTest::addColumn<int>("expectedLang");
        QTest::addColumn<int>("expectedUiLanguage");
        QTest::newRow("English remembered") << true << 1 << 1 << 2;
        QTest::newRow("traditional, no password") << false << 2 << 2 << 3;
        QTest::newRow("outside the list") << true << 7 << -1 << 0;
    }
    void rememberedChoicesAtCreation() {
        QFETCH(bool, savePassword);
        QFETCH(int, languageIndex);
        QFETCH(int, expectedLang);
        QFETCH(int, expectedUiLanguage);
        SavedLoginChoices saved;
        saved.savePassword = savePassword;
        saved.languageIndex = languageIndex;
        saved.userName = QStringLiteral("老王 ");
        saved.password = QStringLiteral("p w");
        QVERIFY(writeLoginChoices(saved));

        LoginEngine fresh(mainWindow.get());
        QSignalSpy texts(&fresh, &LoginEngine::textsChanged);
        fresh.FormCreate();
        QCOMPARE(fresh.chkpass, savePassword);
        QCOMPARE(fresh.edt_user, savePassword ? QStringLiteral("老王 ") : QString());
        QCOMPARE(fresh.edt_pass, savePassword ? QStringLiteral("p w") : QString());
        QCOMPARE(fresh.lang, expectedLang);
        QCOMPARE(UiLanguage, expectedUiLanguage);
        QCOMPARE(texts.count(), expectedUiLanguage ? 1 : 0);
        if (expectedUiLanguage == 2)
            QCOMPARE(mainWindow->statuslabel, QStringLiteral("Disconnected"));
    }

    void firstRunKeepsDesignTexts() {
        LoginEngine fresh(mainWindow.get());
        fresh.FormCreate();
        QCOMPARE(fresh.lang, 0);
        QCOMPARE(UiLanguage, 0);
        QVERIFY(!fresh.chkpass);
        QVERIFY(fresh.edt_user.isEmpty());
    }

    void doubleClickSwitchesLanguage() {
        login->lang = 2;
        login->langDblClick();
        QCOMPARE(login->lang, 0);
        QCOMPARE(UiLanguage, 1);
        login->langDblClick();
        QCOMPARE(login->lang, 1);
        QCOMPARE(UiLanguage, 2);
        QCOMPARE(login->Label3, QStringLiteral("Welcome to use KVT Network Client v8.0.2"));
    }
};

QTEST_GUILESS_MAIN(TestLoginEngine)
#include "tst_login_engine.moc"
