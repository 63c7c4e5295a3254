#pragma once

#include "speedtest/icmp_echo.h"
#include "speedtest/linux/echo_exchange.h"

#include <atomic>

namespace kvt {

// ICMP echo over the Linux socket API: one socket per echo, the monotonic clock for the
// round trip, and an eventfd that cancelAll() raises to wake every waiting echo at once.
class LinuxIcmpEcho final : public IcmpEcho {
public:
    explicit LinuxIcmpEcho(IcmpSocketKind kind = IcmpSocketKind::Automatic);
    ~LinuxIcmpEcho() override;
    LinuxIcmpEcho(const LinuxIcmpEcho&) = delete;
    LinuxIcmpEcho& operator=(const LinuxIcmpEcho&) = delete;

    EchoResult echo(const EchoRequest& request) override;
    std::unique_ptr<PendingEcho> startEcho(const EchoRequest& request,
                                           std::function<void(const EchoResult&)> done) override;
    void cancelAll() override;

    IcmpSocketKind kind() const { return kind_; }
    bool cancelled() const { return cancelled_.load(); }
    std::atomic<bool>& datagramRefused() { return datagramRefused_; }

    // Why this process cannot open an ICMP socket of that kind here, or empty text when it
    // can (Automatic: either kind).
    static QString unavailableReason(IcmpSocketKind kind);

private:
    const IcmpSocketKind kind_;
    int cancelFd_ = -1;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> datagramRefused_{false};
};

} // namespace kvt
