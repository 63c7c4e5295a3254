// The backend's store: what a new database holds, that it keeps no password, and how areas and
// lines are checked and replaced.

#include "catalogue.h"
#include "demo_data.h"
#include "digests.h"
#include "service_store.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <stdexcept>

using namespace kvt::server;

Q_DECLARE_METATYPE(std::string)

namespace {
QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class TestServerStore : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    int files_ = 0;
    std::string freshPath() {
        return dir_.filePath(QStringLiteral("store%1.db").arg(++files_)).toStdString();
    }

private Q_SLOTS:
    void digestsMatchIndependentValues() {
        // Reference values computed outside this code base (Python hashlib) from the rule:
        // token = first 8 of md5hex(chars 11..32 of md5hex(md5hex(user + password))).
        QCOMPARE(credentialDigest("demo", "demo123"), "294fc70151e8d8b9ef2103f661e50b15");
        QCOMPARE(viewToken(credentialDigest("demo", "demo123")), "3bbed32f");
        QCOMPARE(credentialDigest("张三&x", "密码 1"), "ecf2ab6bbd7ea48e864abb8bbe567c47");
        QCOMPARE(viewToken(credentialDigest("张三&x", "密码 1")), "ce037ac7");
        QCOMPARE(passwordMd5("demo123"), "62cc2d8b4bf2d8728120d052163a77df");
    }

    void newDatabaseHoldsTheDemoData() {
        ServiceStore store(freshPath());
        const QDate today = QDate::currentDate();

        const auto demo = store.findAccount("demo");
        QVERIFY(demo);
        QCOMPARE(demo->credentialDigest, credentialDigest("demo", "demo123"));
        QCOMPARE(demo->state, AccountState::Normal);
        QCOMPARE(demo->onlineLimit, 2);
        QCOMPARE(demo->expiresOn, today.addYears(1));
        const auto expired = store.findAccount("expired");
        QVERIFY(expired && expired->expiresOn < today);
        QCOMPARE(expired->credentialDigest, credentialDigest("expired", "expired123"));
        const auto useup = store.findAccount("useup");
        QVERIFY(useup && useup->state == AccountState::UseUp);
        QCOMPARE(useup->credentialDigest, credentialDigest("useup", "useup123"));
        QVERIFY(!store.findAccount("Demo")); // names are exact

        const Catalogue areas = store.catalogue();
        QCOMPARE(areas, demoData(today).catalogue);
        QCOMPARE(areas.size(), std::size_t(4));
        QCOMPARE(areas.front().name, "广东电信");
        bool otherMark = false;
        for (const AreaEntry& area : areas) {
            QVERIFY(area.lines.size() >= 3 && area.lines.size() <= 6);
            for (const LineEntry& line : area.lines) {
                QVERIFY2(line.address.starts_with("127.0.0."), line.address.c_str());
                otherMark = otherMark || line.markNum != "1";
            }
        }
        QVERIFY(otherMark);
        QVERIFY(checkCatalogue(areas).empty());
    }

    void reopeningKeepsTheData() {
        const std::string path = freshPath();
        const Catalogue mine{{"Only", {{"One", "127.0.0.9", "1%", "1"}}}};
        {
            ServiceStore store(path);
            store.replaceCatalogue(mine);
            store.addAccount(
                {"later", "secret99", QDate::currentDate(), AccountState::Normal, 1, std::nullopt});
        }
        ServiceStore store(path); // no second seeding
        QCOMPARE(store.catalogue(), mine);
        QVERIFY(store.findAccount("later"));
        QVERIFY_THROWS_EXCEPTION(SqliteError,
                                 store.addAccount({"later", "x", QDate::currentDate(),
                                                   AccountState::Normal, 1, std::nullopt}));
    }

    void fileHoldsNoPlainPassword() {
        const std::string path = freshPath();
        const std::string chinesePassword = "密码很长的口令";
        {
            ServiceStore store(path);
            store.addAccount({"张三", chinesePassword, QDate::currentDate(), AccountState::Normal,
                              1, std::nullopt});
            store.addPrepaidCard({"KVT999999999999999", "cardsecret42", 30, QDate::currentDate()});
        }
        const QByteArray bytes = readAll(QString::fromStdString(path));
        QVERIFY(bytes.size() > 0);
        // The digests are there, so the scan looks at the right bytes.
        QVERIFY(bytes.contains(QByteArray::fromStdString(credentialDigest("demo", "demo123"))));
        for (const char* secret :
             {"demo123", "expired123", "useup123", "cardsecret42", "cardpass0001"})
            QVERIFY2(!bytes.contains(secret), secret);
        QVERIFY(!bytes.contains(QByteArray::fromStdString(chinesePassword)));
    }

    void catalogueTextRoundTrip() {
        const Catalogue areas = demoData(QDate::currentDate()).catalogue;
        const CatalogueText parsed = parseCatalogueText(formatCatalogueText(areas));
        QVERIFY2(parsed.error.empty(), parsed.error.c_str());
        QCOMPARE(parsed.areas, areas);

        const CatalogueText loose = parseCatalogueText(
            "; comment\r\n\r\n  [ East ]  \r\n a = 127.0.0.1 , 5% , 1 \r\n[Empty]\r\n");
        QVERIFY2(loose.error.empty(), loose.error.c_str());
        QCOMPARE(loose.areas,
                 (Catalogue{{"East", {{"a", "127.0.0.1", "5%", "1"}}}, {"Empty", {}}}));
    }

    void badCatalogueTextIsRefused_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("reason");
        QTest::newRow("entry before area")
            << QByteArray("a=1.2.3.4,5%,1\n") << QByteArray("before");
        QTest::newRow("no equals") << QByteArray("[A]\nnothing\n") << QByteArray("expected");
        QTest::newRow("two fields") << QByteArray("[A]\na=1.2.3.4,5%\n") << QByteArray("expected");
        QTest::newRow("four fields")
            << QByteArray("[A]\na=1.2.3.4,5%,1,2\n") << QByteArray("expected");
        // An empty field would move the mark number into the online rate at the client.
        QTest::newRow("empty rate") << QByteArray("[A]\na=1.2.3.4,,1\n") << QByteArray("non-empty");
        QTest::newRow("empty address") << QByteArray("[A]\na=,5%,1\n") << QByteArray("non-empty");
        QTest::newRow("empty mark")
            << QByteArray("[A]\na=1.2.3.4,5%,\n") << QByteArray("non-empty");
        QTest::newRow("mark not digits")
            << QByteArray("[A]\na=1.2.3.4,5%,x1\n") << QByteArray("digits");
        QTest::newRow("address with space")
            << QByteArray("[A]\na=1.2 3.4,5%,1\n") << QByteArray("spaces");
        QTest::newRow("empty name") << QByteArray("[A]\n=1.2.3.4,5%,1\n") << QByteArray("empty");
        QTest::newRow("bracket name") << QByteArray("[A\n") << QByteArray("before");
        QTest::newRow("name starts with [")
            << QByteArray("[A]\n[b=1.2.3.4,5%,1\n") << QByteArray("starts with");
        QTest::newRow("empty area") << QByteArray("[ ]\n") << QByteArray("empty area");
        QTest::newRow("control char")
            << QByteArray("[A]\na\x01=1.2.3.4,5%,1\n") << QByteArray("control");
        // The client matches names without regard to case, so these would shadow each other.
        QTest::newRow("twin lines")
            << QByteArray("[A]\nLine=1.2.3.4,5%,1\nline=1.2.3.5,5%,1\n") << QByteArray("twice");
        QTest::newRow("twin areas") << QByteArray("[Us West]\n[US WEST]\n") << QByteArray("twice");
    }
    void badCatalogueTextIsRefused() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, reason);
        const CatalogueText parsed = parseCatalogueText(text.toStdString());
        QVERIFY(!parsed.error.empty());
        QVERIFY2(parsed.error.find(reason.toStdString()) != std::string::npos,
                 parsed.error.c_str());
    }

    void replaceAreasChangesOnlyTheNamedAreas() {
        ServiceStore store(freshPath());
        const Catalogue before = store.catalogue();
        store.replaceAreas({
            {"us west", {{"Fresno 9", "127.0.0.39", "10%", "2"}}}, // matched without case
            {"Europe", {{"Paris 1", "127.0.0.51", "7%", "1"}}},    // new, goes last
            {"浙江联通", {}},                                      // removed
        });
        const Catalogue after = store.catalogue();
        QCOMPARE(after.size(), before.size());
        QCOMPARE(after[0], before[0]);
        QCOMPARE(after[1], (AreaEntry{"us west", {{"Fresno 9", "127.0.0.39", "10%", "2"}}}));
        QCOMPARE(after[2], before[3]);
        QCOMPARE(after[3], (AreaEntry{"Europe", {{"Paris 1", "127.0.0.51", "7%", "1"}}}));
    }

    void invalidReplacementChangesNothing() {
        ServiceStore store(freshPath());
        const Catalogue before = store.catalogue();
        const Catalogue bad{{"A", {{"x", "127.0.0.1", "", "1"}}}};
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, store.replaceCatalogue(bad));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, store.replaceAreas(bad));
        QCOMPARE(store.catalogue(), before);
    }
};

QTEST_GUILESS_MAIN(TestServerStore)
#include "tst_server_store.moc"
