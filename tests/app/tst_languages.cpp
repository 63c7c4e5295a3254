#include "app/login_texts.h"
#include "app/main_window_texts.h"
#include "app/text_choice.h"
#include "app/to_traditional.h"
#include "app/ui_language.h"
#include "app/update_prompt_texts.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <QTemporaryFile>
#include <QTest>

#include <opencc/Lexicon.hpp>
#include <opencc/MarisaDict.hpp>

#include <cstdio>
#include <memory>
#include <vector>

using namespace kvt;

namespace {

// The character table read straight through OpenCC, without the client's code: each key with
// its candidates in table order. The expected outputs of the tests are checked against it.
struct ReferenceTable {
    QHash<QString, QStringList> candidates;
    std::vector<std::pair<QString, QStringList>> entries;
};

const ReferenceTable& Reference() {
    static const ReferenceTable table = [] {
        ReferenceTable loaded;
        std::FILE* file = std::fopen(QFile::encodeName(TraditionalTablePath()).constData(), "rb");
        if (!file)
            return loaded;
        const opencc::MarisaDictPtr dict = opencc::MarisaDict::NewFromFile(file);
        std::fclose(file);
        for (const auto& entry : *dict->GetLexicon()) {
            QStringList values;
            for (const std::string& value : entry->Values())
                values.append(QString::fromStdString(value));
            const QString key = QString::fromStdString(entry->Key());
            loaded.candidates.insert(key, values);
            loaded.entries.emplace_back(key, values);
        }
        return loaded;
    }();
    return table;
}

// One character (a code point, possibly a surrogate pair) as the table's rule converts it.
QString ReferenceCharacter(const QString& character) {
    const auto found = Reference().candidates.constFind(character);
    if (found == Reference().candidates.constEnd() || found->isEmpty())
        return character;
    const QString first = found->first();
    return first.size() == character.size() && first.toUcs4().size() == 1 ? first : character;
}

QString ReferenceConvert(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const QString character = text.mid(i, pair ? 2 : 1);
        out += ReferenceCharacter(character);
        if (pair)
            ++i;
    }
    return out;
}

QString FromUcs4(char32_t code) {
    return QString::fromUcs4(&code, 1);
}

} // namespace

#define REQUIRE_TABLE()                                                                            \
    do {                                                                                           \
        if (!QFile::exists(TraditionalTablePath()))                                                \
            QSKIP(qPrintable(QStringLiteral("OpenCC's character table %1 is not installed "        \
                                            "(Debian package libopencc-data)")                     \
                                 .arg(TraditionalTablePath())));                                   \
        QVERIFY2(TraditionalTableLoaded(), "the character table exists but did not load");         \
    } while (false)

class TestLanguages : public QObject {
    Q_OBJECT

    int languageBefore = 0;

private Q_SLOTS:
    void init() { languageBefore = UiLanguage; }
    void cleanup() { UiLanguage = languageBefore; }

    // --- ToTraditional -------------------------------------------------------------------

    void toTraditional_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        // A character of the input that must have several candidates in the table, so that
        // the row really tests that the first one is taken.
        QTest::addColumn<QString>("ambiguous");

        QTest::newRow("language name") << "简体中文"
                                       << "簡體中文"
                                       << "";
        QTest::newRow("connect") << "连接"
                                 << "連接"
                                 << "";
        QTest::newRow("line") << "线路"
                              << "線路"
                              << "";
        QTest::newRow("remember password") << "记住密码"
                                           << "記住密碼"
                                           << "";
        QTest::newRow("mixed ASCII and Chinese") << "Varnok动态加速器 v8.0.2"
                                                 << "Varnok動態加速器 v8.0.2"
                                                 << "";
        QTest::newRow("full-width punctuation kept") << "当前节点："
                                                     << "當前節點："
                                                     << "当";
        QTest::newRow("empty") << ""
                               << ""
                               << "";
        QTest::newRow("ASCII only") << "KVT Network Client v8.0.2"
                                    << "KVT Network Client v8.0.2"
                                    << "";
        QTest::newRow("no mapping") << "中文模式"
                                    << "中文模式"
                                    << "";
        QTest::newRow("kana and Latin-1 kept") << "カナ é ß"
                                               << "カナ é ß"
                                               << "";
        QTest::newRow("first of three candidates") << "复制"
                                                   << "復制"
                                                   << "复";
        QTest::newRow("first candidate differs from the key") << "关于"
                                                              << "關於"
                                                              << "于";
        QTest::newRow("first candidate after") << "稍后"
                                               << "稍後"
                                               << "后";
        QTest::newRow("key itself only the second candidate") << "确定"
                                                              << "確定"
                                                              << "确";
        // Outside the BMP: a pair that maps to a pair is converted; a mapping that would turn a
        // pair into one code unit or one code unit into a pair is not.
        QTest::newRow("pair to pair") << FromUcs4(0x3129C) << FromUcs4(0x2A23C) << "";
        QTest::newRow("pair to BMP kept") << FromUcs4(0x2B8B8) + "后" << FromUcs4(0x2B8B8) + "後"
                                          << "后";
        QTest::newRow("BMP to pair kept")
            << QString(QChar(0x447D)) + "线" << QString(QChar(0x447D)) + "線"
            << "";
        QTest::newRow("emoji kept") << "连😀接"
                                    << "連😀接"
                                    << "";
        QTest::newRow("lone surrogates kept")
            << QString(QChar(0xD800)) + "线" + QChar(0xDC00) + "路"
            << QString(QChar(0xD800)) + "線" + QChar(0xDC00) + "路"
            << "";
    }
    void toTraditional() {
        REQUIRE_TABLE();
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QFETCH(QString, ambiguous);
        // The expectation itself comes from the table, not from memory.
        QCOMPARE(ReferenceConvert(input), expected);
        if (!ambiguous.isEmpty())
            QVERIFY2(Reference().candidates.value(ambiguous).size() > 1,
                     "this character should have several candidates in the table");
        const QString converted = ToTraditional(input);
        QCOMPARE(converted, expected);
        QCOMPARE(converted.size(), input.size());
    }

    void lengthChangingMappingsExistInTable() {
        REQUIRE_TABLE();
        // The rows above that keep a character only prove something if the table really maps
        // those characters to a different length.
        QCOMPARE(Reference().candidates.value(FromUcs4(0x2B8B8)).value(0), QString(QChar(0x50E4)));
        QCOMPARE(Reference().candidates.value(QString(QChar(0x447D))).value(0), FromUcs4(0x26A99));
    }

    void wholeTable() {
        REQUIRE_TABLE();
        QVERIFY(Reference().entries.size() > 1000);
        QString allKeys;
        QString allExpected;
        int changed = 0;
        for (const auto& [key, values] : Reference().entries) {
            const QString expected = ReferenceCharacter(key);
            const QString converted = ToTraditional(key);
            if (converted != expected)
                QFAIL(qPrintable(QStringLiteral("%1 -> %2, the table's first candidate gives %3")
                                     .arg(key, converted, expected)));
            changed += converted != key;
            allKeys += key + QLatin1Char(' ');
            allExpected += expected + QLatin1Char(' ');
        }
        QVERIFY(changed > 1000);
        // The same characters in one long text: surrogate pairs next to BMP characters.
        const QString converted = ToTraditional(allKeys);
        QCOMPARE(converted.size(), allKeys.size());
        QCOMPARE(converted, allExpected);
    }

    void missingOrBrokenTableLeavesTextUnchanged() {
        const QString text = QStringLiteral("线路 Line");
        const TraditionalCharacterTable missing =
            TraditionalCharacterTable::Load(QStringLiteral("/nonexistent/STCharacters.ocd2"));
        QVERIFY(missing.isEmpty());
        QCOMPARE(missing.convert(text), text);

        QTemporaryFile broken;
        QVERIFY(broken.open());
        broken.write("OPENCC_MARISA_0.2.5 but not a dictionary");
        broken.close();
        const TraditionalCharacterTable garbage =
            TraditionalCharacterTable::Load(broken.fileName());
        QVERIFY(garbage.isEmpty());
        QCOMPARE(garbage.convert(text), text);

        // A table cut short (an interrupted package install) is refused as a whole.
        QFile real(TraditionalTablePath());
        if (real.open(QIODevice::ReadOnly)) {
            QTemporaryFile truncated;
            QVERIFY(truncated.open());
            truncated.write(real.read(real.size() * 3 / 4));
            truncated.close();
            const TraditionalCharacterTable cut =
                TraditionalCharacterTable::Load(truncated.fileName());
            QVERIFY(cut.isEmpty());
            QCOMPARE(cut.convert(text), text);
        }
    }

    // --- Text selection ------------------------------------------------------------------

    void selection_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("expected");
        const QString simplified = QStringLiteral("启动连接");
        QTest::newRow("0 before any choice") << 0 << simplified;
        QTest::newRow("1 simplified") << 1 << simplified;
        QTest::newRow("2 English") << 2 << "Connect";
        QTest::newRow("3 traditional") << 3 << ToTraditional(simplified);
        QTest::newRow("7 unknown") << 7 << simplified;
        QTest::newRow("-1 unknown") << -1 << simplified;
    }
    void selection() {
        QFETCH(int, language);
        QFETCH(QString, expected);
        QCOMPARE(TextFor(language, "Connect", "启动连接"), expected);
        QCOMPARE(TextFor(language, QStringLiteral("Connect"), QStringLiteral("启动连接")),
                 expected);
        UiLanguage = language;
        QCOMPARE(Tr("Connect", "启动连接"), expected);
        QCOMPARE(Tr(QStringLiteral("Connect"), QStringLiteral("启动连接")), expected);
    }

    void traditionalUsesTheSimplifiedLiteral() {
        REQUIRE_TABLE();
        // The English literal is never converted, even when it holds Chinese characters.
        QCOMPARE(TextFor(3, "线路 English", "线路"), QStringLiteral("線路"));
        QCOMPARE(TextFor(3, "Connect", "启动连接"), QStringLiteral("啓動連接"));
    }

    void composedTextsKeepRunTimeValues_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("userLabel");
        QTest::addColumn<QString>("lineLabel");
        QTest::addColumn<QString>("localIpLabel");
        QTest::newRow("English") << 2 << "UserName：线路用户  剩余30天"
                                 << "Line:香港线路1"
                                 << "Local IP：10.0.0.1";
        QTest::newRow("simplified") << 1 << "用户名：线路用户  剩余30天"
                                    << "当前节点：香港线路1"
                                    << "本地IP为：10.0.0.1";
        QTest::newRow("traditional") << 3 << "用戶名：线路用户  剩余30天"
                                     << "當前節點：香港线路1"
                                     << "本地IP爲：10.0.0.1";
    }
    void composedTextsKeepRunTimeValues() {
        QFETCH(int, language);
        if (language == 3)
            REQUIRE_TABLE();
        QFETCH(QString, userLabel);
        QFETCH(QString, lineLabel);
        QFETCH(QString, localIpLabel);
        UiLanguage = language;
        QCOMPARE(UserLabelText(QStringLiteral("线路用户"), QStringLiteral("剩余30天")), userLabel);
        QCOMPARE(LineLabelText(QStringLiteral("香港线路1")), lineLabel);
        QCOMPARE(LocalIpLabelText(QStringLiteral("10.0.0.1")), localIpLabel);
    }

    void closeQuestionAndTitle() {
        UiLanguage = 2;
        QCOMPARE(CloseQuestionText(),
                 QStringLiteral("Network is connected, are you sure you want to close it?"));
        QCOMPARE(ApplicationTitle(), QStringLiteral("KVT Network Client v8.0.2"));
        UiLanguage = 0;
        QCOMPARE(CloseQuestionText(),
                 QStringLiteral("VPN正在连接,关闭将断开VPN连接,您确定要关闭吗"));
        QCOMPARE(ApplicationTitle(), QStringLiteral("Varnok动态加速器 v8.0.2"));
    }

    // --- Text tables ---------------------------------------------------------------------

    void tableLiterals_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("expected");
        QTest::newRow("login caption en") << 2 << "login.caption"
                                          << "KVT Network Client v8.0.2";
        QTest::newRow("login button en") << 2 << "login.btn_login"
                                         << "Login";
        QTest::newRow("save pass en") << 2 << "login.chkpass"
                                      << "save pass";
        QTest::newRow("status en") << 2 << "login.Label3"
                                   << "Welcome to use KVT Network Client v8.0.2";
        QTest::newRow("login button zh") << 1 << "login.btn_login"
                                         << "登  录";
        QTest::newRow("group zh") << 1 << "login.sGroupBox1"
                                  << "登录";
        QTest::newRow("password label zh") << 1 << "login.sLabel2"
                                           << "密  码:";
        QTest::newRow("status zh") << 1 << "login.Label3"
                                   << "欢迎使用Varnok动态加速器 v8.0.2";
        QTest::newRow("language 0 like 1") << 0 << "login.btn_exit"
                                           << "关  闭";
        QTest::newRow("save pass tw") << 3 << "login.chkpass"
                                      << "記住密碼";
        QTest::newRow("status tw is the title") << 3 << "login.Label3"
                                                << "Varnok動態加速器 v8.0.2";
        QTest::newRow("main caption en") << 2 << "main.caption"
                                         << "KVT Network Client v8.0.2";
        QTest::newRow("encryption en") << 2 << "main.sCheckBox1"
                                       << "128bit Encryption";
        QTest::newRow("batch en") << 2 << "main.btn_speed"
                                  << "Bat Speed";
        QTest::newRow("copy en") << 2 << "main.N19"
                                 << "copy line name";
        QTest::newRow("mode zh") << 1 << "main.protocollabel"
                                 << "模式: 模式一";
        QTest::newRow("column zh") << 1 << "main.vt1_column2"
                                   << "延时(ms)";
        QTest::newRow("account menu zh") << 1 << "main.N2"
                                         << "用户管理";
        QTest::newRow("popup connect zh") << 1 << "main.N18"
                                          << "启动连接";
        QTest::newRow("line label tw") << 3 << "main.sLabel3"
                                       << "線路:";
        QTest::newRow("disconnect tw") << 3 << "main.btn_disconn"
                                       << "斷開連接";
        QTest::newRow("update caption en") << 2 << "update.caption"
                                           << "Update";
        QTest::newRow("update download en") << 2 << "update.sButton1"
                                            << "Download";
        QTest::newRow("update later en") << 2 << "update.sButton2"
                                         << "Cancel";
        QTest::newRow("update notice en")
            << 2 << "update.sLabel1"
            << "There have been updated version, the old version may not be available, we "
               "strongly recommend that you download the latest version";
        QTest::newRow("update caption zh") << 1 << "update.caption"
                                           << "软件更新";
        QTest::newRow("update notice zh") << 0 << "update.sLabel1"
                                          << "已经有新版，请立即下载更新，否则可能无法使用";
        QTest::newRow("update download zh") << 1 << "update.sButton1"
                                            << "立即下载";
        QTest::newRow("update later zh") << 1 << "update.sButton2"
                                         << "下次再说";
        QTest::newRow("update caption tw") << 3 << "update.caption"
                                           << "軟件更新";
    }
    void tableLiterals() {
        QFETCH(int, language);
        QFETCH(QString, control);
        QFETCH(QString, expected);
        if (language == 3)
            REQUIRE_TABLE();
        const QString window = control.section(QLatin1Char('.'), 0, 0);
        const QString name = control.section(QLatin1Char('.'), 1);
        const QList<NamedText> entries =
            window == QLatin1String("login")    ? Entries(LoginTexts(language))
            : window == QLatin1String("update") ? Entries(UpdatePromptTexts(language))
                                                : Entries(MainTexts(language));
        for (const NamedText& entry : entries) {
            if (name == QLatin1String(entry.control)) {
                QCOMPARE(entry.text, expected);
                return;
            }
        }
        QFAIL("no such control in the table");
    }

    void currentLanguageTables() {
        UiLanguage = 2;
        QCOMPARE(LoginTexts().btn_login, QStringLiteral("Login"));
        QCOMPARE(MainTexts().btn_conn, QStringLiteral("Connect"));
        QCOMPARE(LoginMessageTexts().wrongPassword,
                 QStringLiteral("The user name or password is incorrect"));
        UiLanguage = 1;
        QCOMPARE(LoginTexts().btn_login, QStringLiteral("登  录"));
        QCOMPARE(MainTexts().btn_conn, QStringLiteral("启动连接"));
        QCOMPARE(LoginMessageTexts().freeTimeUsedUp,
                 QStringLiteral("此帐户免费测试时间已经用完，请注册正式帐户"));
    }

    void everyTextInEveryLanguage() {
        // Tables of one window in all languages list the same controls in the same order, no
        // control twice, and every text is set.
        auto check = [](const char* what, const QList<QList<NamedText>>& perLanguage) {
            const QList<NamedText>& first = perLanguage.first();
            QSet<QString> names;
            for (const NamedText& entry : first)
                names.insert(QString::fromLatin1(entry.control));
            QVERIFY2(names.size() == first.size(), what);
            for (const QList<NamedText>& entries : perLanguage) {
                QCOMPARE(entries.size(), first.size());
                for (qsizetype i = 0; i < entries.size(); ++i) {
                    QCOMPARE(QByteArray(entries[i].control), QByteArray(first[i].control));
                    QVERIFY2(!entries[i].text.isEmpty(),
                             qPrintable(QStringLiteral("%1 %2").arg(what, entries[i].control)));
                }
            }
        };
        for (int language : {0, 1, 2, 3}) {
            check("login", {Entries(LoginTexts(language)), Entries(LoginTexts(1))});
            check("main", {Entries(MainTexts(language)), Entries(MainTexts(1))});
            check("messages",
                  {Entries(LoginMessageTexts(language)), Entries(LoginMessageTexts(1))});
            check("update", {Entries(UpdatePromptTexts(language)), Entries(UpdatePromptTexts(1))});
        }
        QCOMPARE(Entries(LoginTexts(1)).size(), 11);
        QCOMPARE(Entries(MainTexts(1)).size(), 28);
        QCOMPARE(Entries(LoginMessageTexts(1)).size(), 8);
    }

    void englishDiffersFromChinese() {
        // Catches a row whose two literals were swapped or copied.
        auto check = [](const QList<NamedText>& english, const QList<NamedText>& simplified) {
            for (qsizetype i = 0; i < english.size(); ++i) {
                QVERIFY2(english[i].text != simplified[i].text, english[i].control);
                for (QChar c : english[i].text)
                    QVERIFY2(c.unicode() < 0x2E80 || c.unicode() == 0xFF1A, english[i].control);
            }
        };
        check(Entries(LoginTexts(2)), Entries(LoginTexts(1)));
        check(Entries(MainTexts(2)), Entries(MainTexts(1)));
        check(Entries(LoginMessageTexts(2)), Entries(LoginMessageTexts(1)));
        check(Entries(UpdatePromptTexts(2)), Entries(UpdatePromptTexts(1)));
    }

    void traditionalIsConvertedSimplified() {
        REQUIRE_TABLE();
        auto check = [](const QList<NamedText>& traditional, const QList<NamedText>& simplified,
                        const char* except = nullptr, const QString& exceptSource = {}) {
            for (qsizetype i = 0; i < traditional.size(); ++i) {
                const bool special = except && qstrcmp(traditional[i].control, except) == 0;
                const QString source = special ? exceptSource : simplified[i].text;
                QVERIFY2(traditional[i].text == ToTraditional(source), traditional[i].control);
            }
        };
        check(Entries(LoginTexts(3)), Entries(LoginTexts(1)), "Label3",
              QStringLiteral("Varnok动态加速器 v8.0.2"));
        check(Entries(MainTexts(3)), Entries(MainTexts(1)));
        check(Entries(LoginMessageTexts(3)), Entries(LoginMessageTexts(1)));
        check(Entries(UpdatePromptTexts(3)), Entries(UpdatePromptTexts(1)));
        // The conversion actually changed the tables.
        QVERIFY(LoginTexts(3).sLabel1 != LoginTexts(1).sLabel1);
        QVERIFY(MainTexts(3).statuslabel != MainTexts(1).statuslabel);
    }

    void designTexts() {
        const LoginWindowTexts login = LoginDesignTexts();
        QCOMPARE(login.sGroupBox1, QStringLiteral("登陆"));
        QCOMPARE(login.btn_login, QStringLiteral("登  陆"));
        QVERIFY(login.Label3.isEmpty());
        const MainWindowTexts main = MainDesignTexts();
        QCOMPARE(main.protocollabel, QStringLiteral("协议：PPTP"));
        QCOMPARE(main.sLabel3, QStringLiteral("线路："));
        QCOMPARE(main.sLabel4, QStringLiteral("模式："));
        QCOMPARE(main.N2, QStringLiteral("帐户管理"));
        QCOMPARE(main.N11, QStringLiteral("帐户注册"));
        QCOMPARE(main.N3, QStringLiteral("帐户充值"));
        QCOMPARE(main.N18, QStringLiteral("启用连接"));
        QCOMPARE(main.vt1_column1, QStringLiteral("线路名称"));

        // Everything not named above is the simplified text that language 1 sets.
        const QSet<QString> loginExceptions{"sGroupBox1", "btn_login", "Label3"};
        const QList<NamedText> loginDesign = Entries(login);
        const QList<NamedText> loginSimplified = Entries(LoginTexts(1));
        for (qsizetype i = 0; i < loginDesign.size(); ++i)
            if (!loginExceptions.contains(QString::fromLatin1(loginDesign[i].control)))
                QVERIFY2(loginDesign[i].text == loginSimplified[i].text, loginDesign[i].control);
        const QSet<QString> mainExceptions{"protocollabel", "sLabel3", "sLabel4", "N2",
                                           "N11",           "N3",      "N18"};
        const QList<NamedText> mainDesign = Entries(main);
        const QList<NamedText> mainSimplified = Entries(MainTexts(1));
        for (qsizetype i = 0; i < mainDesign.size(); ++i) {
            const bool exception =
                mainExceptions.contains(QString::fromLatin1(mainDesign[i].control));
            QVERIFY2((mainDesign[i].text == mainSimplified[i].text) != exception,
                     mainDesign[i].control);
        }
        QCOMPARE(AreaBarHint(), QStringLiteral("选择你需要连接的国家或地区"));
        QCOMPARE(NoticeBoardCaption(), QStringLiteral("公告栏"));
    }

    // --- Language list -------------------------------------------------------------------

    void listEntries() {
        QCOMPARE(LanguageListEntries(),
                 (QStringList{QStringLiteral("简体中文"), QStringLiteral("English"),
                              QStringLiteral("繁体中文")}));
    }

    void applyChoice_data() {
        QTest::addColumn<int>("listIndex");
        QTest::addColumn<bool>("applied");
        QTest::addColumn<int>("language");
        QTest::newRow("nothing selected") << -1 << false << 5;
        QTest::newRow("简体中文") << 0 << true << 1;
        QTest::newRow("English") << 1 << true << 2;
        QTest::newRow("繁体中文") << 2 << true << 3;
        QTest::newRow("beyond the list") << 3 << true << 1;
    }
    void applyChoice() {
        QFETCH(int, listIndex);
        QFETCH(bool, applied);
        QFETCH(int, language);
        UiLanguage = 5; // a marker: stays when nothing is applied
        QCOMPARE(ApplyLanguageChoice(listIndex), applied);
        QCOMPARE(UiLanguage, language);
    }

    void doubleClick_data() {
        QTest::addColumn<int>("listIndex");
        QTest::addColumn<int>("newIndex");
        QTest::addColumn<int>("language");
        QTest::newRow("简体中文 -> English") << 0 << 1 << 2;
        QTest::newRow("English -> 简体中文") << 1 << 0 << 1;
        QTest::newRow("繁体中文 -> 简体中文") << 2 << 0 << 1;
        QTest::newRow("no selection -> 简体中文") << -1 << 0 << 1;
    }
    void doubleClick() {
        QFETCH(int, listIndex);
        QFETCH(int, newIndex);
        QFETCH(int, language);
        const int switched = ListIndexAfterDoubleClick(listIndex);
        QCOMPARE(switched, newIndex);
        QVERIFY(ApplyLanguageChoice(switched));
        QCOMPARE(UiLanguage, language);
    }

    void savedLanguage_data() {
        QTest::addColumn<QString>("savelang");
        QTest::addColumn<bool>("select");
        QTest::addColumn<int>("listIndex");
        QTest::addColumn<bool>("apply");
        QTest::addColumn<int>("language");
        QTest::newRow("empty: first entry, nothing applied") << "" << true << 0 << false << 0;
        QTest::newRow("0") << "0" << true << 0 << true << 1;
        QTest::newRow("1") << "1" << true << 1 << true << 2;
        QTest::newRow("2") << "2" << true << 2 << true << 3;
        QTest::newRow("7: no selection") << "7" << true << -1 << true << 0;
        QTest::newRow("-1: no selection") << "-1" << true << -1 << true << 0;
        QTest::newRow("not a number") << "abc" << false << -1 << false << 0;
    }
    void savedLanguage() {
        QFETCH(QString, savelang);
        QFETCH(bool, select);
        QFETCH(int, listIndex);
        QFETCH(bool, apply);
        QFETCH(int, language);
        UiLanguage = 0;
        const SavedLanguageChoice choice = ReadSavedLanguage(savelang);
        QCOMPARE(choice.select, select);
        QCOMPARE(choice.listIndex, listIndex);
        QCOMPARE(choice.apply, apply);
        if (choice.apply)
            ApplyLanguageChoice(choice.listIndex);
        QCOMPARE(UiLanguage, language);
    }
};

QTEST_GUILESS_MAIN(TestLanguages)
#include "tst_languages.moc"
