#include "speedtest/linux/echo_exchange.h"

#include <QRandomGenerator>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <linux/filter.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kvt {

namespace {

constexpr int kIcmpHeader = 8;
constexpr int kMaxPayload = 65507 - kIcmpHeader;
// The payload starts with a random token when there is room for it, so that a reply to some
// other program's request with the same identifier and sequence is not taken for ours.
constexpr int kTokenSize = 8;

// Identifiers of raw sockets and sequence numbers of echoes: no two raw sockets of this
// process share an identifier while they live, and no two echoes on one socket share a
// sequence number until it wraps.
std::atomic<quint32> nextIdentifier{QRandomGenerator::global()->generate()};
std::atomic<quint32> nextSequence{QRandomGenerator::global()->generate()};

// Large enough for a reply to any payload this client sends and for any ICMP error; a longer
// datagram is read truncated, which still shows its headers and the token.
constexpr size_t kReceiveBuffer = 2048;

// The raw socket a thread keeps between its echoes.
struct KeptRawSocket {
    int fd = -1;
    quint16 identifier = 0; // network byte order
    int ttl = 0;
    bool inUse = false;
    ~KeptRawSocket() {
        if (fd >= 0)
            ::close(fd);
    }
};
thread_local KeptRawSocket keptRaw;

quint16 checksum(const unsigned char* data, qsizetype size) {
    quint32 sum = 0;
    for (qsizetype i = 0; i + 1 < size; i += 2)
        sum += quint32(data[i]) << 8 | data[i + 1];
    if (size % 2)
        sum += quint32(data[size - 1]) << 8;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return htons(quint16(~sum));
}

quint16 read16(const unsigned char* p) {
    quint16 value;
    std::memcpy(&value, p, 2);
    return value;
}

quint32 read32(const unsigned char* p) {
    quint32 value;
    std::memcpy(&value, p, 4);
    return value;
}

bool refusedBySystem(int error) {
    return error == EACCES || error == EPERM || error == EPROTONOSUPPORT ||
           error == ESOCKTNOSUPPORT || error == EAFNOSUPPORT;
}

bool unreachableError(int error) {
    return error == ENETUNREACH || error == EHOSTUNREACH || error == ENETDOWN ||
           error == EHOSTDOWN || error == EACCES || error == EPERM || error == ECONNREFUSED ||
           error == EPROTO;
}

int openSocket(int type) {
    return ::socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
}

// Lets only echo replies with our identifier and ICMP errors reach a raw socket, so that 40
// raw sockets in flight are not each woken by every ICMP packet of the host.
bool attachRawFilter(int fd, quint16 identifierNet) {
    sock_filter code[] = {
        BPF_STMT(BPF_LDX | BPF_B | BPF_MSH, 0),                          // x = IP header length
        BPF_STMT(BPF_LD | BPF_B | BPF_IND, 0),                           // a = ICMP type
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_ECHOREPLY, 0, 2),       // reply: check id
        BPF_STMT(BPF_LD | BPF_H | BPF_IND, 4),                           // a = identifier
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ntohs(identifierNet), 3, 4), // ours: accept
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_DEST_UNREACH, 2, 0),    // errors: accept
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_TIME_EXCEEDED, 1, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_PARAMETERPROB, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, 0xFFFF),
        BPF_STMT(BPF_RET | BPF_K, 0),
    };
    sock_fprog program{static_cast<unsigned short>(sizeof code / sizeof code[0]), code};
    return ::setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program) == 0;
}

} // namespace

qint64 MonotonicUs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

EchoExchange::~EchoExchange() {
    if (threadsSocket_)
        keptRaw.inUse = false;
    else if (fd_ >= 0)
        ::close(fd_);
}

bool EchoExchange::openRaw(int ttl) {
    if (keptRaw.fd >= 0 && !keptRaw.inUse) {
        fd_ = keptRaw.fd;
        identifier_ = keptRaw.identifier;
        threadsSocket_ = true;
        keptRaw.inUse = true;
        if (keptRaw.ttl != ttl && ::setsockopt(fd_, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl) == 0)
            keptRaw.ttl = ttl;
        // Late replies and errors meant for earlier echoes.
        unsigned char discard[64];
        while (::recv(fd_, discard, sizeof discard, MSG_DONTWAIT | MSG_TRUNC) >= 0) {
        }
        return true;
    }
    fd_ = openSocket(SOCK_RAW);
    if (fd_ < 0)
        return false;
    identifier_ = htons(quint16(nextIdentifier.fetch_add(1, std::memory_order_relaxed)));
    if (!attachRawFilter(fd_, identifier_) ||
        ::setsockopt(fd_, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl) != 0) {
        ::close(fd_);
        fd_ = -1;
        errno = EPERM;
        return false;
    }
    // Until the filter was attached the socket took every ICMP packet of the host; with many
    // echoes in flight that can fill its receive buffer, and a full buffer would drop our
    // reply.
    unsigned char discard[64];
    while (::recv(fd_, discard, sizeof discard, MSG_DONTWAIT | MSG_TRUNC) >= 0) {
    }
    if (keptRaw.fd < 0) {
        keptRaw.fd = fd_;
        keptRaw.identifier = identifier_;
        keptRaw.ttl = ttl;
        keptRaw.inUse = true;
        threadsSocket_ = true;
    }
    return true;
}

qint64 EchoExchange::remainingUs() const {
    return qMax<qint64>(0, deadlineUs_ - MonotonicUs());
}

EchoResult EchoExchange::ended(EchoResult::Outcome outcome) const {
    EchoResult result;
    result.outcome = outcome;
    result.roundTripUs = sentAtUs_ ? MonotonicUs() - sentAtUs_ : 0;
    return result;
}

EchoResult EchoExchange::reply(qint64 at) const {
    EchoResult result;
    result.outcome = EchoResult::Outcome::Reply;
    result.replies = 1;
    result.roundTripUs = at - sentAtUs_;
    return result;
}

std::optional<EchoResult> EchoExchange::send(quint32 address, const EchoRequest& request,
                                             IcmpSocketKind kind,
                                             std::atomic<bool>& datagramRefused) {
    if (request.payloadSize < 0 || request.payloadSize > kMaxPayload || request.ttl < 1 ||
        request.ttl > 255)
        return ended(EchoResult::Outcome::SocketError);
    address_ = address;

    const int ttl = request.ttl;
    if (kind == IcmpSocketKind::Datagram ||
        (kind == IcmpSocketKind::Automatic && !datagramRefused.load())) {
        fd_ = openSocket(SOCK_DGRAM);
        if (fd_ >= 0) {
            kind_ = IcmpSocketKind::Datagram;
            // ICMP errors about our request end the wait instead of being dropped.
            const int on = 1;
            if (::setsockopt(fd_, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl) != 0 ||
                ::setsockopt(fd_, IPPROTO_IP, IP_RECVERR, &on, sizeof on) != 0)
                return ended(EchoResult::Outcome::SocketError);
        } else if (kind == IcmpSocketKind::Automatic && refusedBySystem(errno)) {
            datagramRefused.store(true);
        }
    }
    if (fd_ < 0 && kind != IcmpSocketKind::Datagram) {
        kind_ = IcmpSocketKind::Raw;
        if (!openRaw(ttl))
            return ended(EchoResult::Outcome::SocketError);
    }
    if (fd_ < 0)
        return ended(EchoResult::Outcome::SocketError);
    sequence_ = htons(quint16(nextSequence.fetch_add(1, std::memory_order_relaxed)));

    QByteArray packet(kIcmpHeader + request.payloadSize, Qt::Uninitialized);
    auto* p = reinterpret_cast<unsigned char*>(packet.data());
    p[0] = ICMP_ECHO;
    p[1] = 0;
    p[2] = p[3] = 0;
    std::memcpy(p + 4, &identifier_, 2);
    std::memcpy(p + 6, &sequence_, 2);
    for (int i = 0; i < request.payloadSize; ++i)
        p[kIcmpHeader + i] = static_cast<unsigned char>(i);
    hasToken_ = request.payloadSize >= kTokenSize;
    if (hasToken_) {
        token_ = QRandomGenerator::global()->generate64();
        std::memcpy(p + kIcmpHeader, &token_, kTokenSize);
    }
    const quint16 sum = checksum(p, packet.size());
    std::memcpy(p + 2, &sum, 2);

    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = address;
    sentAtUs_ = MonotonicUs();
    deadlineUs_ = sentAtUs_ + qint64(qMax(0, request.timeoutMs)) * 1000;
    const ssize_t sent = ::sendto(fd_, p, size_t(packet.size()), 0,
                                  reinterpret_cast<const sockaddr*>(&target), sizeof target);
    if (sent < 0) {
        return ended(unreachableError(errno) ? EchoResult::Outcome::Unreachable
                                             : EchoResult::Outcome::SocketError);
    }
    if (kind_ == IcmpSocketKind::Datagram) {
        // The kernel puts the socket's own identifier into the request.
        sockaddr_in bound{};
        socklen_t length = sizeof bound;
        if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&bound), &length) == 0)
            identifier_ = bound.sin_port;
    }
    return std::nullopt;
}

std::optional<EchoResult> EchoExchange::receive() {
    unsigned char data[kReceiveBuffer];
    for (;;) {
        sockaddr_in source{};
        socklen_t length = sizeof source;
        const ssize_t size = ::recvfrom(fd_, data, sizeof data, MSG_DONTWAIT,
                                        reinterpret_cast<sockaddr*>(&source), &length);
        const qint64 at = MonotonicUs();
        if (size < 0) {
            const int error = errno;
            if (error == EAGAIN || error == EWOULDBLOCK || error == EINTR)
                return std::nullopt;
            // A datagram ICMP socket reports an ICMP error about its request this way.
            if (unreachableError(error))
                return ended(EchoResult::Outcome::Unreachable);
            return std::nullopt;
        }
        std::optional<EchoResult> result =
            kind_ == IcmpSocketKind::Datagram
                ? receiveDatagram(data, size, source.sin_addr.s_addr, at)
                : receiveRaw(data, size, at);
        if (result)
            return result;
    }
}

bool EchoExchange::payloadMatches(const unsigned char* payload, qsizetype size) const {
    if (!hasToken_)
        return true;
    return size >= kTokenSize && std::memcmp(payload, &token_, kTokenSize) == 0;
}

std::optional<EchoResult> EchoExchange::receiveDatagram(const unsigned char* data, qsizetype size,
                                                        quint32 source, qint64 at) {
    if (size < kIcmpHeader || data[0] != ICMP_ECHOREPLY || read16(data + 4) != identifier_ ||
        read16(data + 6) != sequence_ || source != address_)
        return std::nullopt;
    if (!payloadMatches(data + kIcmpHeader, size - kIcmpHeader))
        return std::nullopt;
    return reply(at);
}

std::optional<EchoResult> EchoExchange::receiveRaw(const unsigned char* data, qsizetype size,
                                                   qint64 at) {
    if (size < 20 || (data[0] >> 4) != 4)
        return std::nullopt;
    const int headerSize = (data[0] & 0x0F) * 4;
    if (headerSize < 20 || size < headerSize + kIcmpHeader)
        return std::nullopt;
    const unsigned char* icmp = data + headerSize;
    const qsizetype icmpSize = size - headerSize;
    const quint32 source = read32(data + 12);

    if (icmp[0] == ICMP_ECHOREPLY) {
        // A raw socket also sees requests (its own, on loopback): only a reply with our
        // identifier and sequence from the target counts.
        if (read16(icmp + 4) != identifier_ || read16(icmp + 6) != sequence_ ||
            source != address_ || !payloadMatches(icmp + kIcmpHeader, icmpSize - kIcmpHeader))
            return std::nullopt;
        return reply(at);
    }
    if (icmp[0] == ICMP_DEST_UNREACH || icmp[0] == ICMP_TIME_EXCEEDED ||
        icmp[0] == ICMP_PARAMETERPROB) {
        // The error quotes our request: its IP header and the first 8 bytes of the ICMP part.
        const unsigned char* quoted = icmp + kIcmpHeader;
        const qsizetype quotedSize = icmpSize - kIcmpHeader;
        if (quotedSize < 20 || (quoted[0] >> 4) != 4)
            return std::nullopt;
        const int quotedHeader = (quoted[0] & 0x0F) * 4;
        if (quotedHeader < 20 || quotedSize < quotedHeader + kIcmpHeader ||
            quoted[9] != IPPROTO_ICMP || read32(quoted + 16) != address_)
            return std::nullopt;
        const unsigned char* request = quoted + quotedHeader;
        if (request[0] != ICMP_ECHO || read16(request + 4) != identifier_ ||
            read16(request + 6) != sequence_)
            return std::nullopt;
        return ended(EchoResult::Outcome::Unreachable);
    }
    return std::nullopt;
}

} // namespace kvt
