#pragma once

#include "vpn/linux/pppd_config.h"
#include "vpn/remote_access.h"

#include <QObject>
#include <QProcess>
#include <QString>

#include <map>
#include <memory>
#include <set>

#include <sys/types.h>

namespace kvt {

// Runs the dials of the pppd-based remote-access service. Mode one runs
// `pppd file <peers file> nodetach`, whose pty is pptp; mode two runs an xl2tpd of its own
// for the dial (configuration, control file and pid file in a run folder), which starts pppd
// with the entry's options. Programs get an argument vector, never a shell command line.
// The state of each dial follows the programs' messages and pppd's exit status; changes are
// reported by stateChanged from the event loop, as the service's notifications would be.
class PppdDialer : public QObject {
    Q_OBJECT
public:
    explicit PppdDialer(PppdConfig config, QObject* parent = nullptr);
    ~PppdDialer() override; // hangs up every dial still running

    const PppdConfig& config() const { return config_; }
    QString entryPath(const QString& entryName) const;

    struct Started {
        int error = 0; // 0, or the error number of a dial that could not start
        QString text;  // why it could not start
        RasHandle handle = 0;
    };
    // Starts a dial of the entry; it has started (its program runs) when error is 0.
    Started start(const QString& entryName);

    bool knows(RasHandle handle) const;
    bool isRunning(RasHandle handle) const;
    // The dial's remote-access state; 601 for a handle never given out.
    int state(RasHandle handle) const;
    QString entryName(RasHandle handle) const;
    QString interfaceName(RasHandle handle) const;
    QString localAddress(RasHandle handle) const; // set once the link is up
    qint64 processId(RasHandle handle) const;     // 0 when not running
    // The oldest dial still running; 0 for none.
    RasHandle firstRunning() const;

    // SIGTERM, then waits in 50 ms steps until the dial has ended or `timeoutMs` have
    // passed, then SIGKILL. False for an unknown handle.
    bool hangUp(RasHandle handle, int timeoutMs);
    // Hangs up every running dial.
    void hangUpAll(int timeoutMs);

Q_SIGNALS:
    void stateChanged(quint32 handle, int state);

private:
    struct Dial;
    Dial* find(RasHandle handle) const;
    Started startPptp(Dial& dial, const QString& pppd, const QString& entryPath);
    Started startL2tp(Dial& dial, const QByteArray& options, const QString& server);
    QProcess* newProcess(Dial& dial);
    void readOutput(Dial& dial);
    void handleLine(Dial& dial, const QString& line);
    void finish(Dial& dial, int exitCode, QProcess::ExitStatus status);
    void setState(Dial& dial, int state);
    void endL2tpDaemon(Dial& dial);
    void endGroup(Dial& dial);
    void forgetOldDials();

    PppdConfig config_;
    std::map<RasHandle, std::unique_ptr<Dial>> dials_;
    std::set<pid_t> endingGroups_; // groups sent SIGTERM, to be sent SIGKILL after a grace
    RasHandle nextHandle_ = 1;
};

// The UDP port mode two's xl2tpd listens on: `preferred` when it is free, else any free one.
int FreeUdpPort(int preferred);

} // namespace kvt
