#include "speedtest/linux/linux_icmp_echo.h"

#include "speedtest/linux/ipv4_target.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QObject>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kvt {

namespace {

EchoResult outcomeOnly(EchoResult::Outcome outcome) {
    EchoResult result;
    result.outcome = outcome;
    return result;
}

// An echo awaited in the event loop of the thread that started it.
class LinuxPendingEcho final : public QObject, public PendingEcho {
public:
    LinuxPendingEcho(LinuxIcmpEcho& owner, const EchoRequest& request,
                     std::function<void(const EchoResult&)> done)
        : owner_(owner), request_(request), done_(std::move(done)) {
        deadline_.setSingleShot(true);
        deadline_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&deadline_, &QTimer::timeout, this, [this] { onDeadline(); });

        const Ipv4Target target = ClassifyEchoTarget(request_.address);
        if (owner_.cancelled()) {
            finishLater(EchoResult::Outcome::Cancelled);
        } else if (target.kind == Ipv4Target::Kind::Literal) {
            QTimer::singleShot(0, this, [this, address = target.address] { send(address); });
        } else if (target.kind == Ipv4Target::Kind::Name) {
            lookupId_ = QHostInfo::lookupHost(request_.address, this,
                                              [this](const QHostInfo& info) { onLookup(info); });
        } else {
            finishLater(EchoResult::Outcome::BadAddress);
        }
    }

    ~LinuxPendingEcho() override {
        if (lookupId_ >= 0)
            QHostInfo::abortHostLookup(lookupId_);
    }

private:
    void finishLater(EchoResult::Outcome outcome) {
        QTimer::singleShot(0, this, [this, outcome] { finish(outcomeOnly(outcome)); });
    }

    void onLookup(const QHostInfo& info) {
        lookupId_ = -1;
        for (const QHostAddress& address : info.addresses()) {
            bool ok = false;
            const quint32 v4 = address.toIPv4Address(&ok);
            if (ok && address.protocol() == QAbstractSocket::IPv4Protocol) {
                send(htonl(v4));
                return;
            }
        }
        finish(outcomeOnly(EchoResult::Outcome::BadAddress));
    }

    void send(quint32 address) {
        if (owner_.cancelled()) {
            finish(outcomeOnly(EchoResult::Outcome::Cancelled));
            return;
        }
        if (const std::optional<EchoResult> now =
                exchange_.send(address, request_, owner_.kind(), owner_.datagramRefused())) {
            finish(*now);
            return;
        }
        notifier_ = std::make_unique<QSocketNotifier>(exchange_.fd(), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, this,
                         [this] { onReadable(); });
        deadline_.start(int((exchange_.remainingUs() + 999) / 1000));
    }

    void onReadable() {
        if (const std::optional<EchoResult> result = exchange_.receive())
            finish(*result);
    }

    void onDeadline() {
        // A reply may be waiting unread if the event loop was busy.
        if (const std::optional<EchoResult> result = exchange_.receive()) {
            finish(*result);
            return;
        }
        if (exchange_.remainingUs() > 0) {
            deadline_.start(int((exchange_.remainingUs() + 999) / 1000));
            return;
        }
        finish(exchange_.ended(EchoResult::Outcome::TimedOut));
    }

    void finish(const EchoResult& result) {
        if (!done_)
            return;
        deadline_.stop();
        if (notifier_)
            notifier_->setEnabled(false);
        // The completion may destroy this object: nothing is touched after it.
        auto done = std::move(done_);
        done_ = nullptr;
        done(result);
    }

    LinuxIcmpEcho& owner_;
    const EchoRequest request_;
    std::function<void(const EchoResult&)> done_;
    EchoExchange exchange_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer deadline_;
    int lookupId_ = -1;
};

} // namespace

LinuxIcmpEcho::LinuxIcmpEcho(IcmpSocketKind kind)
    : kind_(kind), cancelFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

LinuxIcmpEcho::~LinuxIcmpEcho() {
    if (cancelFd_ >= 0)
        ::close(cancelFd_);
}

void LinuxIcmpEcho::cancelAll() {
    cancelled_.store(true);
    if (cancelFd_ >= 0) {
        // The counter is never read back, so the descriptor stays readable for good.
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t written = ::write(cancelFd_, &one, sizeof one);
    }
}

EchoResult LinuxIcmpEcho::echo(const EchoRequest& request) {
    if (cancelled_.load())
        return outcomeOnly(EchoResult::Outcome::Cancelled);
    const std::optional<quint32> address = ResolveIpv4(request.address);
    if (!address)
        return outcomeOnly(EchoResult::Outcome::BadAddress);

    EchoExchange exchange;
    if (const std::optional<EchoResult> now =
            exchange.send(*address, request, kind_, datagramRefused_))
        return *now;

    pollfd watched[2] = {{exchange.fd(), POLLIN, 0}, {cancelFd_, POLLIN, 0}};
    for (;;) {
        const qint64 remaining = exchange.remainingUs();
        if (remaining <= 0) {
            // Something may have arrived right at the end.
            if (const std::optional<EchoResult> result = exchange.receive())
                return *result;
            return exchange.ended(EchoResult::Outcome::TimedOut);
        }
        const timespec wait{time_t(remaining / 1000000), long(remaining % 1000000) * 1000};
        const int ready = ::ppoll(watched, cancelFd_ >= 0 ? 2 : 1, &wait, nullptr);
        if (ready < 0 && errno != EINTR)
            return exchange.ended(EchoResult::Outcome::SocketError);
        if (cancelled_.load())
            return exchange.ended(EchoResult::Outcome::Cancelled);
        if (ready > 0 && watched[0].revents) {
            if (const std::optional<EchoResult> result = exchange.receive())
                return *result;
        }
    }
}

std::unique_ptr<PendingEcho> LinuxIcmpEcho::startEcho(const EchoRequest& request,
                                                      std::function<void(const EchoResult&)> done) {
    return std::make_unique<LinuxPendingEcho>(*this, request, std::move(done));
}

QString LinuxIcmpEcho::unavailableReason(IcmpSocketKind kind) {
    auto tryOpen = [](int type) -> int {
        const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (fd < 0)
            return errno;
        ::close(fd);
        return 0;
    };
    const int datagram = kind == IcmpSocketKind::Raw ? -1 : tryOpen(SOCK_DGRAM);
    if (datagram == 0)
        return {};
    const int raw = kind == IcmpSocketKind::Datagram ? -1 : tryOpen(SOCK_RAW);
    if (raw == 0)
        return {};
    QStringList why;
    if (datagram > 0)
        why << QStringLiteral("a datagram ICMP socket is refused (%1; net.ipv4.ping_group_range "
                              "does not admit this process's group)")
                   .arg(QString::fromLocal8Bit(std::strerror(datagram)));
    if (raw > 0)
        why << QStringLiteral("a raw socket is refused (%1; it needs root or CAP_NET_RAW)")
                   .arg(QString::fromLocal8Bit(std::strerror(raw)));
    return why.join(QStringLiteral(" and "));
}

std::shared_ptr<IcmpEcho> MakeSystemIcmpEcho() {
    return std::make_shared<LinuxIcmpEcho>();
}

} // namespace kvt
