#pragma once

#include "speedtest/icmp_echo.h"

#include <QByteArray>

#include <atomic>
#include <optional>

namespace kvt {

// Which ICMP socket an echo uses. A datagram ICMP socket needs no privilege where
// net.ipv4.ping_group_range admits the process's group, and the kernel hands it only the
// replies to its own identifier; a raw socket needs root (CAP_NET_RAW) and sees every ICMP
// packet of the host, so it filters by identifier in the kernel and matches by type,
// identifier, sequence, source and payload here.
enum class IcmpSocketKind { Automatic, Datagram, Raw };

// Microseconds on the monotonic clock.
qint64 MonotonicUs();

// One request and its reply. A datagram socket is the exchange's own and closed with it. A raw
// socket is kept by the thread for its next echoes when it is free (attaching the kernel
// filter costs more than the rest of an echo together): it keeps one identifier, each echo
// takes a new sequence number, and what a previous echo left in it is discarded.
class EchoExchange {
public:
    EchoExchange() = default;
    ~EchoExchange();
    EchoExchange(const EchoExchange&) = delete;
    EchoExchange& operator=(const EchoExchange&) = delete;

    // Opens the socket and sends the request to `address` (network byte order). Automatic
    // tries a datagram socket first unless `datagramRefused` says the system refused one
    // before, and records a refusal there. No value: the request is on its way and fd() is
    // to be watched; a value: the echo ended at once (no socket, no route).
    std::optional<EchoResult> send(quint32 address, const EchoRequest& request, IcmpSocketKind kind,
                                   std::atomic<bool>& datagramRefused);

    int fd() const { return fd_; }
    IcmpSocketKind socketKind() const { return kind_; }
    // Microseconds left until the timeout, never negative.
    qint64 remainingUs() const;

    // Reads what the socket holds. A value when the reply, or an ICMP error about this
    // request, was among it.
    std::optional<EchoResult> receive();

    // The result of giving up now.
    EchoResult ended(EchoResult::Outcome outcome) const;

private:
    std::optional<EchoResult> receiveDatagram(const unsigned char* data, qsizetype size,
                                              quint32 source, qint64 at);
    std::optional<EchoResult> receiveRaw(const unsigned char* data, qsizetype size, qint64 at);
    bool payloadMatches(const unsigned char* payload, qsizetype size) const;
    EchoResult reply(qint64 at) const;

    bool openRaw(int ttl);

    int fd_ = -1;
    bool threadsSocket_ = false; // fd_ is the thread's kept raw socket: give it back, not close
    IcmpSocketKind kind_ = IcmpSocketKind::Raw;
    quint32 address_ = 0;
    quint16 identifier_ = 0; // network byte order, as in the packet
    quint16 sequence_ = 0;   // network byte order
    bool hasToken_ = false;
    quint64 token_ = 0;
    qint64 sentAtUs_ = 0;
    qint64 deadlineUs_ = 0;
};

} // namespace kvt
