#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace kvt {

// How an echo target text is taken: a dotted IPv4 address as it is, anything that could be a
// host name through the resolver, and the rest refused without asking anyone (empty text, an
// IPv6 text: the client measures over IPv4 only).
struct Ipv4Target {
    enum class Kind { Literal, Name, Refused };
    Kind kind = Kind::Refused;
    quint32 address = 0; // Literal: the address in network byte order
};

Ipv4Target ClassifyEchoTarget(const QString& text);

// The first IPv4 address of a host name, in network byte order; blocks while the resolver
// works. No value when the name does not resolve to IPv4.
std::optional<quint32> ResolveIpv4(const QString& name);

} // namespace kvt
