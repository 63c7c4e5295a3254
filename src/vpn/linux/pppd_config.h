#pragma once

#include <QString>

namespace kvt {

// Where the pppd-based remote-access service keeps its files and finds its programs.
struct PppdConfig {
    QString peersDir;                          // one peers file (0600) per entry
    QString runDir;                            // per-dial working folders (mode two)
    QString pppd = QStringLiteral("pppd");     // bare names are searched (see ResolveProgram)
    QString pptp = QStringLiteral("pptp");     // mode one: pppd's pty
    QString xl2tpd = QStringLiteral("xl2tpd"); // mode two: the L2TP daemon of one dial
    QString sysfsNetRoot = QStringLiteral("/sys/class/net"); // interface statistics
    int l2tpPort = 1701; // the port mode two prefers; a free one is taken when it is in use

    // KVT_PEERS_DIR, KVT_RUN_DIR, KVT_PPPD, KVT_PPTP, KVT_XL2TPD and KVT_SYSFS_NET override
    // the defaults. The folders default to "kvt/peers" and "kvt/run" under $XDG_RUNTIME_DIR,
    // or under $XDG_STATE_HOME (~/.local/state) when there is no runtime folder.
    static PppdConfig fromEnvironment();
};

// The executable a configured program names: a text holding "/" is a path and must be an
// executable file; a bare name is searched in PATH, then in /usr/sbin and /sbin (pppd and
// xl2tpd live there and PATH of a normal user lacks them). Empty when nothing is found.
QString ResolveProgram(const QString& program);

} // namespace kvt
