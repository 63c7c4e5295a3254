// The peers file of an entry and the reading of pppd's messages and exit status: what reaches
// pppd and what its answers mean.

#include "vpn/linux/peers_file.h"
#include "vpn/linux/pppd_messages.h"
#include "vpn/remote_access.h"

#include <QTest>

using namespace kvt;

namespace {

// Splits an options file into words as pppd's option reader does: words end at white space
// or "#" (which starts a comment), a word that starts with a quote runs to the same quote,
// and a backslash takes the next character literally (or as a C escape).
QList<QByteArray> pppdWords(const QByteArray& text) {
    QList<QByteArray> words;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#') {
            while (i < n && text[i] != '\n')
                ++i;
            continue;
        }
        QByteArray word;
        char quote = 0;
        if (c == '"' || c == '\'') {
            quote = c;
            ++i;
        }
        while (i < n) {
            char d = text[i++];
            if (d == '\\' && i < n) {
                const char e = text[i++];
                switch (e) {
                case 'n':
                    d = '\n';
                    break;
                case 't':
                    d = '\t';
                    break;
                case 's':
                    d = ' ';
                    break;
                case '\n':
                    continue;
                default:
                    d = e;
                }
                word += d;
                continue;
            }
            if (quote ? d == quote : (d == ' ' || d == '\t' || d == '\n' || d == '#')) {
                if (!quote)
                    --i;
                break;
            }
            word += d;
        }
        words.append(word);
    }
    return words;
}

// The value following `option` in the words; empty when the option is absent.
QByteArray optionValue(const QList<QByteArray>& words, const QByteArray& option) {
    const qsizetype at = words.indexOf(option);
    return at >= 0 && at + 1 < words.size() ? words.at(at + 1) : QByteArray();
}

struct Entry : RasEntryEditor {
    int PutAllEntryProps(const QString&) override { return 0; }
    int PutDialProps(const QString&) override { return 0; }
};

// The entry the connect procedure builds for mode one with 128-bit encryption.
Entry modeOneEntry() {
    Entry e;
    e.PPPDefault();
    e.VpnStrategy = VpnStrategyPptpOnly;
    e.LocalPhoneNumber = QStringLiteral("vpn1.example.net");
    e.UserName = QStringLiteral("demo");
    e.Password = QStringLiteral("demo123");
    e.RequireDataEncryption = true;
    e.HeaderCompression = true;
    e.RequireEncryptedPassword = true;
    e.RequireMsCHAP2 = true;
    e.EncryptionType = EncryptionType128Bit;
    e.SoftwareCompression = true;
    return e;
}

} // namespace

class TestPeersFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void modeOneWith128BitEncryption() {
        const Entry entry = modeOneEntry();
        const ComposedPeersFile file = ComposePeersFile(entry, QStringLiteral("/usr/sbin/pptp"));
        QCOMPARE(file.error, 0);
        const QList<QByteArray> words = pppdWords(file.text);
        QCOMPARE(optionValue(words, "pty"),
                 "exec '/usr/sbin/pptp' vpn1.example.net --nolaunchpppd");
        QCOMPARE(optionValue(words, "user"), "demo");
        QCOMPARE(optionValue(words, "password"), "demo123");
        // MS-CHAP v2 only, 128-bit MPPE required.
        for (const char* option : {"require-mppe-128", "refuse-pap", "refuse-chap", "refuse-mschap",
                                   "refuse-eap", "noauth", "defaultroute"})
            QVERIFY2(words.contains(option), option);
        for (const char* option : {"refuse-mschap-v2", "logfd", "novj", "nobsdcomp"})
            QVERIFY2(!words.contains(option), option);
        const std::optional<PeersEntry> read = ReadPeersEntry(file.text);
        QVERIFY(read);
        QVERIFY(!read->l2tp);
        QCOMPARE(read->server, QStringLiteral("vpn1.example.net"));
    }

    void optionalEncryptionOffersEveryProtocol() {
        Entry entry = modeOneEntry();
        entry.VpnStrategy = VpnStrategyL2tpOnly;
        entry.EncryptionType = EncryptionTypeOptional;
        entry.RequirePAP = entry.RequireCHAP = entry.RequireMsCHAP = true;
        const ComposedPeersFile file = ComposePeersFile(entry, QStringLiteral("/usr/sbin/pptp"));
        QCOMPARE(file.error, 0);
        const QList<QByteArray> words = pppdWords(file.text);
        for (const char* option : {"refuse-pap", "refuse-chap", "refuse-mschap", "refuse-mschap-v2",
                                   "require-mppe-128", "require-mppe", "pty"})
            QVERIFY2(!words.contains(option), option);
        // Under xl2tpd pppd's standard output is the tunnel: messages go to standard error.
        QCOMPARE(optionValue(words, "logfd"), "2");
        QVERIFY(ReadPeersEntry(file.text)->l2tp);
    }

    void compressionSwitches() {
        Entry entry = modeOneEntry();
        entry.HeaderCompression = false;
        entry.SoftwareCompression = false;
        entry.RemoteDefaultGateway = false;
        const QList<QByteArray> words =
            pppdWords(ComposePeersFile(entry, QStringLiteral("pptp")).text);
        QVERIFY(words.contains("novj"));
        QVERIFY(words.contains("nobsdcomp"));
        QVERIFY(words.contains("nodeflate"));
        QVERIFY(!words.contains("defaultroute"));
    }

    // Credentials come from the backend: whatever they hold stays one pppd word.
    void credentialsStayOneWord_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("realm name") << QStringLiteral("quorvane05\\demo");
        QTest::newRow("spaces and option") << QStringLiteral("x noauth defaultroute");
        QTest::newRow("comment") << QStringLiteral("pass#word");
        QTest::newRow("quotes") << QStringLiteral("a\"b'c");
        QTest::newRow("leading dash") << QStringLiteral("-detach");
        QTest::newRow("trailing backslash") << QStringLiteral("abc\\");
        QTest::newRow("shell text") << QStringLiteral("$(reboot);`id`");
        QTest::newRow("chinese") << QStringLiteral("用户 名");
        QTest::newRow("empty") << QString();
        QTest::newRow("255 bytes") << QString(255, QLatin1Char('p'));
    }
    void credentialsStayOneWord() {
        QFETCH(QString, value);
        for (const bool asUser : {true, false}) {
            Entry entry = modeOneEntry();
            (asUser ? entry.UserName : entry.Password) = value;
            const ComposedPeersFile file = ComposePeersFile(entry, QStringLiteral("pptp"));
            QCOMPARE(file.error, 0);
            const QList<QByteArray> words = pppdWords(file.text);
            QCOMPARE(optionValue(words, asUser ? "user" : "password"), value.toUtf8());
            // Nothing leaked out as options of its own.
            QVERIFY(!words.contains("detach"));
            QCOMPARE(words.count("noauth"), 1);
            QCOMPARE(words.count("defaultroute"), 1);
        }
    }

    void credentialsThatCannotBeWrittenAreRefused_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("line feed") << QStringLiteral("pw\nnoauth");
        QTest::newRow("carriage return") << QStringLiteral("pw\rplugin x.so");
        QTest::newRow("nul") << QString(QChar(0)) + QStringLiteral("x");
        QTest::newRow("tab") << QStringLiteral("a\tb");
        QTest::newRow("delete") << QStringLiteral("a\x7f");
        QTest::newRow("256 bytes") << QString(256, QLatin1Char('p'));
    }
    void credentialsThatCannotBeWrittenAreRefused() {
        QFETCH(QString, value);
        for (const bool asUser : {true, false}) {
            Entry entry = modeOneEntry();
            (asUser ? entry.UserName : entry.Password) = value;
            const ComposedPeersFile file = ComposePeersFile(entry, QStringLiteral("pptp"));
            QCOMPARE(file.error, RasErrorValueRefused);
            QVERIFY(file.text.isEmpty());
            QVERIFY(!file.reason.isEmpty());
        }
    }

    // The server address becomes a word of the shell command pppd runs as its pty: only
    // plain host names and addresses are written.
    void serverAddresses_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("ipv4") << QStringLiteral("203.0.113.7") << true;
        QTest::newRow("host name") << QStringLiteral("vpn-1.example.net") << true;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("space and option") << QStringLiteral("1.2.3.4 --phone x") << false;
        QTest::newRow("leading dash") << QStringLiteral("-oProxyCommand=id") << false;
        QTest::newRow("command substitution") << QStringLiteral("$(reboot)") << false;
        QTest::newRow("semicolon") << QStringLiteral("1.2.3.4;id") << false;
        QTest::newRow("line feed") << QStringLiteral("1.2.3.4\nnoauth") << false;
        QTest::newRow("quote") << QStringLiteral("1.2.3.4\"") << false;
        QTest::newRow("latin-1 byte") << QStringLiteral("1.2.3.\u00e9") << false;
        QTest::newRow("too long") << QString(254, QLatin1Char('a')) << false;
    }
    void serverAddresses() {
        QFETCH(QString, address);
        QFETCH(bool, accepted);
        Entry entry = modeOneEntry();
        entry.LocalPhoneNumber = address;
        const ComposedPeersFile file = ComposePeersFile(entry, QStringLiteral("pptp"));
        QCOMPARE(file.error == 0, accepted);
        QCOMPARE(file.text.isEmpty(), !accepted);
    }

    void pptpPathWithQuotesStaysOneCommandWord() {
        const ComposedPeersFile file =
            ComposePeersFile(modeOneEntry(), QStringLiteral("/opt/it's \"odd\"/pptp"));
        QCOMPARE(file.error, 0);
        QCOMPARE(optionValue(pppdWords(file.text), "pty"),
                 "exec '/opt/it'\\''s \"odd\"/pptp' vpn1.example.net --nolaunchpppd");
    }

    void headerMustBeComplete() {
        QVERIFY(!ReadPeersEntry("user x\n"));
        QVERIFY(!ReadPeersEntry("# mode: pptp\n"));
        QVERIFY(!ReadPeersEntry("# mode: sstp\n# server: a\n"));
        QVERIFY(!ReadPeersEntry("# mode: pptp\n# server: a b\n"));
    }

    void entryNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("dial name") << QStringLiteral("0105973456") << true;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("parent") << QStringLiteral("..") << false;
        QTest::newRow("path") << QStringLiteral("a/b") << false;
        QTest::newRow("hidden") << QStringLiteral(".x") << false;
    }
    void entryNames() {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QCOMPARE(IsValidEntryName(name), valid);
    }

    void messages_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("code");
        using K = PppdLine::Kind;
        QTest::newRow("interface")
            << "Using interface ppp0" << int(K::InterfaceChosen) << "ppp0" << 0;
        QTest::newRow("connect") << "Connect: ppp0 <--> /dev/pts/0" << int(K::DeviceConnected) << ""
                                 << 0;
        QTest::newRow("connect under xl2tpd")
            << "Connect: ppp0 <--> " << int(K::DeviceConnected) << "" << 0;
        QTest::newRow("chap") << "CHAP authentication succeeded" << int(K::Authenticated) << ""
                              << 0;
        QTest::newRow("local") << "local  IP address 10.100.0.10" << int(K::LocalAddress)
                               << "10.100.0.10" << 0;
        QTest::newRow("remote") << "remote IP address 10.100.0.1" << int(K::RemoteAddress)
                                << "10.100.0.1" << 0;
        QTest::newRow("terminated") << "Connection terminated." << int(K::LinkEnded) << "" << 0;
        QTest::newRow("hangup") << "Modem hangup" << int(K::LinkEnded) << "" << 0;
        QTest::newRow("auth failed") << "MS-CHAP authentication failed: Access denied"
                                     << int(K::AuthenticationFailed) << "" << 0;
        QTest::newRow("chap failed")
            << "CHAP authentication failed" << int(K::AuthenticationFailed) << "" << 0;
        QTest::newRow("xl2tpd pppd exit") << "child_handler : pppd exited for call 3 with code 19"
                                          << int(K::PppdExited) << "" << 19;
        QTest::newRow("xl2tpd tunnel") << "Maximum retries exceeded for tunnel 41215.  Closing."
                                       << int(K::TunnelFailed) << "" << 0;
    }
    void messages() {
        QFETCH(QString, line);
        QFETCH(int, kind);
        QFETCH(QString, value);
        QFETCH(int, code);
        const PppdLine parsed = ParsePppdLine(line);
        QCOMPARE(int(parsed.kind), kind);
        QCOMPARE(parsed.value, value);
        QCOMPARE(parsed.code, code);
    }

    void exitStatusToErrorNumber_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("beforeUp");
        const QList<QPair<QList<int>, int>> table = {{{19}, 691},
                                                     {{11}, 930},
                                                     {{16, 8, 9}, 800},
                                                     {{10, 15}, 619},
                                                     {{17}, 720},
                                                     {{1, 2, 3, 4, 6, 7, 18}, 633},
                                                     {{5, 0, 12, 13}, RasStateDisconnected}};
        for (const auto& [statuses, error] : table)
            for (const int status : statuses)
                QTest::addRow("exit %d", status) << status << error;
        QTest::newRow("killed") << -1 << 633;
    }
    void exitStatusToErrorNumber() {
        QFETCH(int, status);
        QFETCH(int, beforeUp);
        QCOMPARE(StateAfterPppdExit(status, false, false), beforeUp);
        QCOMPARE(StateAfterPppdExit(status, true, false), RasStateDisconnected);
        QCOMPARE(StateAfterPppdExit(status, false, true), RasStateDisconnected);
    }

    void interfaceNamesForSysfs() {
        QVERIFY(IsPlainInterfaceName(QStringLiteral("ppp0")));
        QVERIFY(!IsPlainInterfaceName(QStringLiteral("..")));
        QVERIFY(!IsPlainInterfaceName(QStringLiteral("../../etc")));
        QVERIFY(!IsPlainInterfaceName(QStringLiteral("ppp0/x")));
        QVERIFY(!IsPlainInterfaceName(QString(16, QLatin1Char('p'))));
    }
};

QTEST_GUILESS_MAIN(TestPeersFile)
#include "tst_peers_file.moc"
