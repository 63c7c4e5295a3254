// The traffic meter on a real interface: the test runs in a private network namespace (root
// only) with a TUN interface standing for the dial's ppp interface, sends and injects packets,
// and reads the kernel's own statistics through a sysfs mounted for that namespace. The dial
// itself is the stand-in pppd (this kernel has no PPP), which names the TUN interface.

#include "test_paths.h"
#include "vpn/linux/pppd_remote_access.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace kvt;

namespace {

constexpr char Interface[] = "kvt0";
constexpr int WaitMs = 20000;

// Set in main() before Qt starts any thread.
QString skipReason;
QString sysfsMount;

QString systemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

// A private network namespace with its own view of sysfs; the mount lives in a private mount
// namespace, so it goes with the process.
void enterPrivateNetwork() {
    if (::geteuid() != 0) {
        skipReason =
            QStringLiteral("needs root for a private network namespace and a TUN interface");
        return;
    }
    if (::access("/dev/net/tun", R_OK | W_OK) != 0) {
        skipReason = systemError("/dev/net/tun");
        return;
    }
    if (::unshare(CLONE_NEWNET | CLONE_NEWNS) != 0) {
        skipReason = systemError("unshare(CLONE_NEWNET | CLONE_NEWNS)");
        return;
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        skipReason = systemError("making the mounts private");
        return;
    }
    char path[] = "/tmp/kvt-sysfs-XXXXXX";
    if (!::mkdtemp(path)) {
        skipReason = systemError("mkdtemp");
        return;
    }
    if (::mount("sysfs", path, "sysfs", 0, nullptr) != 0) {
        skipReason = systemError("mounting sysfs for the namespace");
        ::rmdir(path);
        return;
    }
    sysfsMount = QString::fromLocal8Bit(path);
}

quint16 ipChecksum(const unsigned char* data, int length) {
    quint32 sum = 0;
    for (int i = 0; i + 1 < length; i += 2)
        sum += quint32(data[i] << 8 | data[i + 1]);
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return quint16(~sum);
}

// An IPv4/UDP packet of `length` bytes from 10.77.0.2 to 10.77.0.1, port 9.
QByteArray udpPacket(int length) {
    QByteArray packet(length, '\0');
    auto* p = reinterpret_cast<unsigned char*>(packet.data());
    p[0] = 0x45;
    p[2] = quint8(length >> 8);
    p[3] = quint8(length);
    p[8] = 64;
    p[9] = IPPROTO_UDP;
    const unsigned char source[] = {10, 77, 0, 2};
    const unsigned char target[] = {10, 77, 0, 1};
    std::memcpy(p + 12, source, 4);
    std::memcpy(p + 16, target, 4);
    const quint16 sum = ipChecksum(p, 20);
    p[10] = quint8(sum >> 8);
    p[11] = quint8(sum);
    p[20] = 0x30;
    p[21] = 0x39;
    p[23] = 9;
    p[24] = quint8((length - 20) >> 8);
    p[25] = quint8(length - 20);
    return packet;
}

} // namespace

class TestTrafficMeterTun : public QObject {
    Q_OBJECT

    int tunFd = -1;

    quint64 statistic(const char* name) const {
        QFile f(sysfsMount + QStringLiteral("/class/net/") + QLatin1String(Interface) +
                QStringLiteral("/statistics/") + QLatin1String(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().toULongLong() : 0;
    }

    // Reads one packet that the kernel sent into the interface; the interface counts it as
    // sent when it is read. -1 when none comes within a generous wait.
    int readPacket() const {
        pollfd p{tunFd, POLLIN, 0};
        if (::poll(&p, 1, WaitMs) != 1)
            return -1;
        char buffer[2048];
        return int(::read(tunFd, buffer, sizeof buffer));
    }
    // Reads what is queued already (nothing waits).
    void drain() const {
        char buffer[2048];
        pollfd p{tunFd, POLLIN, 0};
        while (::poll(&p, 1, 0) == 1 && ::read(tunFd, buffer, sizeof buffer) > 0) {
        }
    }

private Q_SLOTS:
    void initTestCase() {
        if (!skipReason.isEmpty())
            QSKIP(qPrintable(skipReason));
        tunFd = ::open("/dev/net/tun", O_RDWR | O_CLOEXEC);
        QVERIFY2(tunFd >= 0, qPrintable(systemError("open /dev/net/tun")));
        ifreq request{};
        request.ifr_flags = IFF_TUN | IFF_NO_PI;
        std::strncpy(request.ifr_name, Interface, IFNAMSIZ - 1);
        QVERIFY2(::ioctl(tunFd, TUNSETIFF, &request) == 0, qPrintable(systemError("TUNSETIFF")));

        // No IPv6: its automatic packets would count too.
        QFile ipv6(QStringLiteral("/proc/sys/net/ipv6/conf/%1/disable_ipv6")
                       .arg(QLatin1String(Interface)));
        if (ipv6.open(QIODevice::WriteOnly))
            ipv6.write("1");

        const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        QVERIFY(s >= 0);
        auto* address = reinterpret_cast<sockaddr_in*>(&request.ifr_addr);
        address->sin_family = AF_INET;
        ::inet_pton(AF_INET, "10.77.0.1", &address->sin_addr);
        QVERIFY2(::ioctl(s, SIOCSIFADDR, &request) == 0, qPrintable(systemError("SIOCSIFADDR")));
        ::inet_pton(AF_INET, "255.255.255.0", &address->sin_addr);
        QVERIFY2(::ioctl(s, SIOCSIFNETMASK, &request) == 0,
                 qPrintable(systemError("SIOCSIFNETMASK")));
        QVERIFY(::ioctl(s, SIOCGIFFLAGS, &request) == 0);
        request.ifr_flags |= IFF_UP | IFF_RUNNING;
        QVERIFY2(::ioctl(s, SIOCSIFFLAGS, &request) == 0, qPrintable(systemError("SIOCSIFFLAGS")));
        ::close(s);
    }
    void cleanupTestCase() {
        if (tunFd >= 0)
            ::close(tunFd);
        if (!sysfsMount.isEmpty()) {
            ::umount(QFile::encodeName(sysfsMount).constData());
            ::rmdir(QFile::encodeName(sysfsMount).constData());
        }
    }

    void meterReadsTheInterfaceOfTheDial() {
        QTemporaryDir dir;
        PppdConfig config;
        config.peersDir = dir.filePath(QStringLiteral("peers"));
        config.runDir = dir.filePath(QStringLiteral("run"));
        config.pppd = test::fixturesDir() + QStringLiteral("/stand-in-pppd");
        config.pptp = test::fixturesDir() + QStringLiteral("/stand-in-pptp");
        config.sysfsNetRoot = sysfsMount + QStringLiteral("/class/net");
        qputenv("KVT_STANDIN_INTERFACE", Interface);
        qunsetenv("KVT_STANDIN_SCENARIO");
        qunsetenv("KVT_STANDIN_RECORD");
        PppdRemoteAccess ras(config);

        RasEntryEditor& editor = ras.entryEditor();
        editor.PPPDefault();
        editor.VpnStrategy = VpnStrategyPptpOnly;
        editor.LocalPhoneNumber = QStringLiteral("203.0.113.7");
        editor.UserName = QStringLiteral("demo");
        QCOMPARE(editor.PutAllEntryProps(QStringLiteral("0105973456")), 0);
        RasConnection& connection = ras.connection();
        connection.EntryName = QStringLiteral("0105973456");
        RasHandle handle = 0;
        QCOMPARE(connection.AutoConnectEx(handle), 0);
        QTRY_COMPARE_WITH_TIMEOUT(int(connection.ConnectState), RasStateConnected, WaitMs);

        drain();
        RasTrafficMeter& meter = ras.trafficMeter();
        meter.PerfRasConn[1] = handle;
        meter.ResetPerfStats();
        const quint64 sentBefore = statistic("tx_bytes");
        const quint64 receivedBefore = statistic("rx_bytes");

        // Sent: three datagrams of 100 bytes (128 on the wire each) routed into the interface.
        const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        QVERIFY(s >= 0);
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_port = htons(9);
        ::inet_pton(AF_INET, "10.77.0.2", &peer.sin_addr);
        const QByteArray payload(100, 'x');
        for (int i = 0; i < 3; ++i)
            QCOMPARE(::sendto(s, payload.constData(), payload.size(), 0,
                              reinterpret_cast<const sockaddr*>(&peer), sizeof peer),
                     ssize_t(payload.size()));
        ::close(s);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(readPacket(), 128);
        // Received: two packets of 60 bytes arriving on the interface.
        const QByteArray packet = udpPacket(60);
        for (int i = 0; i < 2; ++i)
            QCOMPARE(::write(tunFd, packet.constData(), packet.size()), ssize_t(packet.size()));

        QTRY_COMPARE_WITH_TIMEOUT(statistic("tx_bytes") - sentBefore, quint64(3 * 128), WaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(statistic("rx_bytes") - receivedBefore, quint64(2 * 60), WaitMs);
        meter.GetPerfStats();
        QCOMPARE(meter.PerfXmitCur[0], 3u * 128u);
        QCOMPARE(meter.PerfRecvCur[0], 2u * 60u);

        QCOMPARE(connection.DisconnectEx(handle, true, 3000), 0);
    }
};

int main(int argc, char** argv) {
    enterPrivateNetwork();
    QCoreApplication app(argc, argv);
    TestTrafficMeterTun test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_traffic_meter_tun.moc"
