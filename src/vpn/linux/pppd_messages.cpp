#include "vpn/linux/pppd_messages.h"

#include "vpn/remote_access.h"

#include <QRegularExpression>

namespace kvt {

namespace {

QString firstWord(QStringView rest) {
    const QStringView trimmed = rest.trimmed();
    const qsizetype end = trimmed.indexOf(u' ');
    return (end < 0 ? trimmed : trimmed.left(end)).toString();
}

} // namespace

PppdLine ParsePppdLine(QStringView line) {
    static const QRegularExpression exited(
        QStringLiteral("pppd exited for call \\d+ with code (\\d+)"));
    PppdLine parsed;
    const QStringView text = line.trimmed();
    using Kind = PppdLine::Kind;
    if (text.startsWith(u"Using interface ")) {
        parsed.kind = Kind::InterfaceChosen;
        parsed.value = firstWord(text.mid(16));
    } else if (text.startsWith(u"Connect: ")) {
        parsed.kind = Kind::DeviceConnected;
    } else if (text.endsWith(u"authentication succeeded")) {
        parsed.kind = Kind::Authenticated;
    } else if (text.contains(u"authentication failed")) {
        parsed.kind = Kind::AuthenticationFailed;
    } else if (text.startsWith(u"local ") && text.mid(6).trimmed().startsWith(u"IP address ")) {
        parsed.kind = Kind::LocalAddress;
        parsed.value = firstWord(text.mid(6).trimmed().mid(11));
    } else if (text.startsWith(u"remote IP address ")) {
        parsed.kind = Kind::RemoteAddress;
        parsed.value = firstWord(text.mid(18));
    } else if (text == u"Connection terminated." || text == u"Modem hangup") {
        parsed.kind = Kind::LinkEnded;
    } else if (const QRegularExpressionMatch m = exited.match(text.toString()); m.hasMatch()) {
        parsed.kind = Kind::PppdExited;
        parsed.code = m.captured(1).toInt();
    } else if (text.contains(u"Maximum retries exceeded for tunnel")) {
        parsed.kind = Kind::TunnelFailed;
    }
    return parsed;
}

int StateAfterPppdExit(int exitStatus, bool linkWasUp, bool hungUpByUs) {
    if (linkWasUp || hungUpByUs)
        return RasStateDisconnected;
    switch (exitStatus) {
    case 19: // we failed to authenticate
        return 691;
    case 11: // the peer failed to authenticate
        return 930;
    case 16: // modem hang-up: pptp could not reach the server
    case 8:  // connect script failed
    case 9:  // pty command failed
        return 800;
    case 10: // LCP negotiation failed
    case 15: // peer not responding
        return 619;
    case 17: // loopback
        return 720;
    case 0:
    case 5: // our own SIGTERM
    case 12:
    case 13:
        return RasStateDisconnected;
    default:
        // 1-4, 6, 7, 18 (fatal, options, not root, no kernel PPP, lock, device, init) and
        // anything unexpected, including a crash: the dialler itself could not do its work.
        return RasErrorPortNotAvailable;
    }
}

bool IsPlainInterfaceName(const QString& name) {
    if (name.isEmpty() || name.size() > 15 || name == u"." || name == u"..")
        return false;
    for (const QChar c : name) {
        const bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                        (c >= u'0' && c <= u'9') || c == u'_' || c == u'-' || c == u'.';
        if (!ok)
            return false;
    }
    return true;
}

} // namespace kvt
