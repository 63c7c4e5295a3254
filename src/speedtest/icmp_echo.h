#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

namespace kvt {

// One ICMP echo request: where to, how big, how long to wait and with which TTL.
struct EchoRequest {
    QString address;      // dotted IPv4 text or a host name (resolved to IPv4 first)
    int payloadSize = 56; // bytes after the ICMP header
    int timeoutMs = 4000; // wait for the reply, counted from the moment the request is sent
    int ttl = 64;
};

// What one echo gave.
struct EchoResult {
    enum class Outcome {
        Reply,       // the echo reply came back
        TimedOut,    // nothing came back in time
        Unreachable, // an ICMP error came back instead, or the system refused to route it
        BadAddress,  // empty, not IPv4 (an IPv6 text), or a name that does not resolve
        SocketError, // no ICMP socket could be made (no permission, no descriptors)
        Cancelled,   // the echo was abandoned because the program is closing
    };
    Outcome outcome = Outcome::SocketError;
    int replies = 0;        // 1 for Reply, else 0
    qint64 roundTripUs = 0; // Reply: round trip on the monotonic clock; else the time waited

    // The round trip in whole milliseconds, truncated (a reply in 0.8 ms is 0 ms).
    qint64 roundTripMs() const { return roundTripUs / 1000; }
};

// An echo whose reply is awaited in the event loop of the thread that started it. Destroying
// it abandons the echo: the completion is then never called.
class PendingEcho {
public:
    virtual ~PendingEcho() = default;
};

// ICMP echo. `echo` blocks the calling thread and may be called from several threads at
// once; `startEcho` keeps the calling thread's event loop running and calls `done` from it,
// never from inside startEcho itself.
class IcmpEcho {
public:
    virtual ~IcmpEcho() = default;

    virtual EchoResult echo(const EchoRequest& request) = 0;
    virtual std::unique_ptr<PendingEcho> startEcho(const EchoRequest& request,
                                                   std::function<void(const EchoResult&)> done) = 0;
    // Makes every echo waiting now, and every later one, end at once as Cancelled. Used when
    // the program closes, so that no thread sits out a 4-second timeout.
    virtual void cancelAll() = 0;
};

// The system's ICMP echo (datagram ICMP socket where the system allows it, else a raw
// socket).
std::shared_ptr<IcmpEcho> MakeSystemIcmpEcho();

} // namespace kvt
