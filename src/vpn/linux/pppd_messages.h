#pragma once

#include <QString>
#include <QStringView>

namespace kvt {

// What one line of pppd's (or, in mode two, xl2tpd's) output tells about a dial.
struct PppdLine {
    enum class Kind {
        Other,
        InterfaceChosen,      // "Using interface ppp0": `value` is the interface
        DeviceConnected,      // "Connect: ppp0 <--> /dev/pts/0"
        Authenticated,        // "CHAP authentication succeeded" and the like
        AuthenticationFailed, // "MS-CHAP authentication failed: E=691 ..." and the like
        LocalAddress,         // "local  IP address 10.100.0.10": `value` is the address
        RemoteAddress,        // "remote IP address 10.100.0.1": the link is up
        LinkEnded,            // "Connection terminated.", "Modem hangup"
        PppdExited,           // xl2tpd: "pppd exited for call N with code C": `code` is C
        TunnelFailed,         // xl2tpd: the server never answered the tunnel set-up
    };
    Kind kind = Kind::Other;
    QString value;
    int code = 0;
};

PppdLine ParsePppdLine(QStringView line);

// The remote-access state after pppd exited with `exitStatus` (-1: killed by a signal):
// before the link was up the error number whose text is true, after it "disconnected".
// A dial we hung up ourselves ends as "disconnected" whatever the status.
int StateAfterPppdExit(int exitStatus, bool linkWasUp, bool hungUpByUs);

// An interface name that is safe as one component of a sysfs path.
bool IsPlainInterfaceName(const QString& name);

} // namespace kvt
