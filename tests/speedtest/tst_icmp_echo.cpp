#include "speedtest/linux/ipv4_target.h"
#include "speedtest/linux/linux_icmp_echo.h"

#include <QElapsedTimer>
#include <QTest>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

using namespace kvt;

Q_DECLARE_METATYPE(kvt::IcmpSocketKind)

namespace {

EchoRequest request(const QString& address, int payload = 56, int timeoutMs = 4000) {
    EchoRequest r;
    r.address = address;
    r.payloadSize = payload;
    r.timeoutMs = timeoutMs;
    return r;
}

void addKinds() {
    QTest::addColumn<IcmpSocketKind>("kind");
}

#define SKIP_UNLESS_AVAILABLE(kind)                                                                \
    do {                                                                                           \
        const QString why = LinuxIcmpEcho::unavailableReason(kind);                                \
        if (!why.isEmpty())                                                                        \
            QSKIP(qPrintable(QStringLiteral("no ICMP socket of this kind: ") + why));              \
    } while (false)

} // namespace

// ICMP echo on loopback, with each kind of socket this process may open.
class TestIcmpEcho : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loopbackReplies_data() {
        addKinds();
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("payload");
        const QList<QPair<const char*, IcmpSocketKind>> kinds = {
            {"automatic", IcmpSocketKind::Automatic},
            {"datagram", IcmpSocketKind::Datagram},
            {"raw", IcmpSocketKind::Raw}};
        for (const auto& [name, kind] : kinds) {
            QTest::addRow("%s 127.0.0.1", name) << kind << QStringLiteral("127.0.0.1") << 56;
            QTest::addRow("%s 127.0.0.2", name) << kind << QStringLiteral("127.0.0.2") << 56;
            QTest::addRow("%s localhost", name) << kind << QStringLiteral("localhost") << 32;
            QTest::addRow("%s no payload", name) << kind << QStringLiteral("127.0.0.1") << 0;
            QTest::addRow("%s payload shorter than the token", name)
                << kind << QStringLiteral("127.0.0.1") << 5;
            QTest::addRow("%s large payload", name) << kind << QStringLiteral("127.0.0.1") << 9000;
        }
    }
    void loopbackReplies() {
        QFETCH(IcmpSocketKind, kind);
        QFETCH(QString, address);
        QFETCH(int, payload);
        SKIP_UNLESS_AVAILABLE(kind);
        LinuxIcmpEcho echo(kind);
        const EchoResult result = echo.echo(request(address, payload));
        QCOMPARE(result.outcome, EchoResult::Outcome::Reply);
        QCOMPARE(result.replies, 1);
        QVERIFY(result.roundTripUs >= 0);
        QVERIFY(result.roundTripMs() < 4000);
    }

    // Echoes running at once on many threads each find their own reply, including raw
    // sockets, which all see every reply (and, on loopback, every request).
    void concurrentEchoesFindTheirOwnReplies_data() {
        addKinds();
        QTest::newRow("datagram") << IcmpSocketKind::Datagram;
        QTest::newRow("raw") << IcmpSocketKind::Raw;
    }
    void concurrentEchoesFindTheirOwnReplies() {
        QFETCH(IcmpSocketKind, kind);
        SKIP_UNLESS_AVAILABLE(kind);
        LinuxIcmpEcho echo(kind);
        std::atomic<int> replies{0};
        std::mutex mutex;
        QStringList failures;
        std::vector<std::thread> threads;
        for (int t = 0; t < 40; ++t) {
            threads.emplace_back([&, t] {
                const QString address = QStringLiteral("127.0.%1.%2").arg(t / 8).arg(t % 8 + 1);
                for (int i = 0; i < 10; ++i) {
                    const EchoResult r = echo.echo(request(address));
                    if (r.outcome == EchoResult::Outcome::Reply) {
                        ++replies;
                    } else {
                        std::lock_guard lock(mutex);
                        failures << QStringLiteral("%1: outcome %2 after %3 us")
                                        .arg(address)
                                        .arg(int(r.outcome))
                                        .arg(r.roundTripUs);
                    }
                }
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QStringLiteral("; "))));
        QCOMPARE(replies.load(), 400);
    }

    void refusedAddresses_data() {
        QTest::addColumn<QString>("address");
        QTest::newRow("empty") << QString();
        QTest::newRow("IPv6 loopback") << QStringLiteral("::1");
        QTest::newRow("IPv6 mapped IPv4") << QStringLiteral("::ffff:127.0.0.1");
        QTest::newRow("IPv6 with zone") << QStringLiteral("fe80::1%lo");
        QTest::newRow("address with port") << QStringLiteral("127.0.0.1:80");
        QTest::newRow("embedded NUL")
            << QStringLiteral("127.0.0.1") + QChar(0) + QStringLiteral("x");
    }
    // Refused without asking any resolver, and without waiting for a timeout.
    void refusedAddresses() {
        QFETCH(QString, address);
        QCOMPARE(ClassifyEchoTarget(address).kind, Ipv4Target::Kind::Refused);
        LinuxIcmpEcho echo;
        QCOMPARE(echo.echo(request(address)).outcome, EchoResult::Outcome::BadAddress);
    }

    void classifiesTargets_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("kind");
        QTest::newRow("dotted") << QStringLiteral("10.1.2.3") << int(Ipv4Target::Kind::Literal);
        QTest::newRow("name") << QStringLiteral("line.example") << int(Ipv4Target::Kind::Name);
        QTest::newRow("short dotted form goes to the resolver")
            << QStringLiteral("127.1") << int(Ipv4Target::Kind::Name);
        QTest::newRow("out of range") << QStringLiteral("999.1.1.1") << int(Ipv4Target::Kind::Name);
    }
    void classifiesTargets() {
        QFETCH(QString, address);
        QFETCH(int, kind);
        QCOMPARE(int(ClassifyEchoTarget(address).kind), kind);
    }

    void badRequestsFailWithoutSending_data() {
        QTest::addColumn<int>("payload");
        QTest::addColumn<int>("ttl");
        QTest::newRow("negative payload") << -1 << 64;
        QTest::newRow("payload beyond an IP datagram") << 70000 << 64;
        QTest::newRow("TTL 0") << 56 << 0;
        QTest::newRow("TTL 256") << 56 << 256;
    }
    void badRequestsFailWithoutSending() {
        QFETCH(int, payload);
        QFETCH(int, ttl);
        SKIP_UNLESS_AVAILABLE(IcmpSocketKind::Automatic);
        LinuxIcmpEcho echo;
        EchoRequest r = request(QStringLiteral("127.0.0.1"), payload);
        r.ttl = ttl;
        QCOMPARE(echo.echo(r).outcome, EchoResult::Outcome::SocketError);
    }

    void socketKindRefusedBySystem() {
        // Where the system refuses a kind, the echo says so instead of waiting.
        for (IcmpSocketKind kind : {IcmpSocketKind::Datagram, IcmpSocketKind::Raw}) {
            if (LinuxIcmpEcho::unavailableReason(kind).isEmpty())
                continue;
            LinuxIcmpEcho echo(kind);
            QCOMPARE(echo.echo(request(QStringLiteral("127.0.0.1"))).outcome,
                     EchoResult::Outcome::SocketError);
            return;
        }
        QSKIP("both socket kinds are permitted here, so no refusal can be seen");
    }

    void cancelledEchoEndsAtOnce() {
        LinuxIcmpEcho echo;
        echo.cancelAll();
        QCOMPARE(echo.echo(request(QStringLiteral("127.0.0.1"))).outcome,
                 EchoResult::Outcome::Cancelled);
        bool called = false;
        EchoResult seen;
        auto pending =
            echo.startEcho(request(QStringLiteral("127.0.0.1")), [&](const EchoResult& r) {
                called = true;
                seen = r;
            });
        QTRY_VERIFY(called);
        QCOMPARE(seen.outcome, EchoResult::Outcome::Cancelled);
    }

    // The event-loop echo calls back later, never from inside startEcho, and exactly once.
    void eventLoopEcho_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("outcome");
        QTest::newRow("literal") << QStringLiteral("127.0.0.1") << int(EchoResult::Outcome::Reply);
        QTest::newRow("name") << QStringLiteral("localhost") << int(EchoResult::Outcome::Reply);
        QTest::newRow("IPv6 text") << QStringLiteral("::1") << int(EchoResult::Outcome::BadAddress);
        QTest::newRow("empty") << QString() << int(EchoResult::Outcome::BadAddress);
    }
    void eventLoopEcho() {
        QFETCH(QString, address);
        QFETCH(int, outcome);
        if (outcome == int(EchoResult::Outcome::Reply))
            SKIP_UNLESS_AVAILABLE(IcmpSocketKind::Automatic);
        LinuxIcmpEcho echo;
        int calls = 0;
        EchoResult seen;
        auto pending = echo.startEcho(request(address, 32, 1000), [&](const EchoResult& r) {
            ++calls;
            seen = r;
        });
        QCOMPARE(calls, 0);
        QTRY_COMPARE(calls, 1);
        QCOMPARE(int(seen.outcome), outcome);
        QTest::qWait(50);
        QCOMPARE(calls, 1);
    }

    void abandonedEchoNeverCallsBack() {
        SKIP_UNLESS_AVAILABLE(IcmpSocketKind::Automatic);
        LinuxIcmpEcho echo;
        bool called = false;
        auto pending = echo.startEcho(request(QStringLiteral("127.0.0.1")),
                                      [&](const EchoResult&) { called = true; });
        pending.reset();
        // A second echo started after it finishes; the first one's reply must not surface.
        bool secondCalled = false;
        auto second = echo.startEcho(request(QStringLiteral("127.0.0.1")),
                                     [&](const EchoResult&) { secondCalled = true; });
        QTRY_VERIFY(secondCalled);
        QVERIFY(!called);
    }
};

QTEST_GUILESS_MAIN(TestIcmpEcho)
#include "tst_icmp_echo.moc"
