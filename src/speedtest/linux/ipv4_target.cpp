#include "speedtest/linux/ipv4_target.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace kvt {

Ipv4Target ClassifyEchoTarget(const QString& text) {
    Ipv4Target target;
    // A colon never belongs to an IPv4 address or a host name; NUL would cut the name short.
    if (text.isEmpty() || text.contains(u':') || text.contains(QChar(0)))
        return target;
    const QByteArray bytes = text.toUtf8();
    in_addr address{};
    if (inet_pton(AF_INET, bytes.constData(), &address) == 1) {
        target.kind = Ipv4Target::Kind::Literal;
        target.address = address.s_addr;
        return target;
    }
    target.kind = Ipv4Target::Kind::Name;
    return target;
}

std::optional<quint32> ResolveIpv4(const QString& name) {
    const Ipv4Target target = ClassifyEchoTarget(name);
    if (target.kind == Ipv4Target::Kind::Literal)
        return target.address;
    if (target.kind == Ipv4Target::Kind::Refused)
        return std::nullopt;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.toUtf8().constData(), nullptr, &hints, &found) != 0 || !found)
        return std::nullopt;
    std::optional<quint32> address;
    for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET && entry->ai_addr) {
            address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr;
            break;
        }
    }
    freeaddrinfo(found);
    return address;
}

} // namespace kvt
