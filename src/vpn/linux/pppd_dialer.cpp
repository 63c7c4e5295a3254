#include "vpn/linux/pppd_dialer.h"

#include "vpn/linux/peers_file.h"
#include "vpn/linux/pppd_messages.h"
#include "vpn/linux/private_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QTimer>
#include <QUdpSocket>

#include <optional>

#include <csignal>
#include <unistd.h>

namespace kvt {

namespace {

// Finished dials kept so that their handles still read as ended.
constexpr std::size_t KeptFinishedDials = 32;

// Wait after SIGKILL for the process to be reaped.
constexpr int ReapAfterKillMs = 1000;

// How long what is left of a dial's process group may take to end after SIGTERM: in mode two
// that is pppd itself, whose link termination waits up to 3 s for the server's answer.
constexpr int GroupGraceMs = 5000;

QString missingProgramText(const QString& what, const QString& configured, const char* package,
                           const char* variable) {
    return QStringLiteral("%1 was not found (%2): install the %3 package or set %4")
        .arg(what, configured, QLatin1String(package), QLatin1String(variable));
}

// A path written into xl2tpd's configuration, which has no quoting: one line, no comment.
bool isPlainConfigPath(const QString& path) {
    for (const QChar c : path)
        if (c.unicode() < 0x20 || c == u';' || c == u'#' || c == u'=' || c == u'[')
            return false;
    return !path.isEmpty() && path.trimmed() == path;
}

} // namespace

struct PppdDialer::Dial {
    RasHandle handle = 0;
    QString entryName;
    bool l2tp = false;
    QProcess* process = nullptr;
    // The process group of the dial's programs: pppd with its pty (pptp and its call manager),
    // or xl2tpd with its pppd. Whatever of it outlives the main program is ended with it.
    pid_t group = 0;
    QString runDir;
    int state = RasStateOpenPort;
    bool linkUp = false;
    bool hungUp = false;
    // The server refused our credentials. pppd's exit status does not always say so: when the
    // server hangs up before pppd ends, the status becomes that of a hang-up (16).
    bool authFailed = false;
    std::optional<int> pppdExit; // mode two: pppd's exit status as xl2tpd reported it
    QString interfaceName;
    QString localAddress;
    QString remoteAddress;
    QByteArray partialLine;
};

int FreeUdpPort(int preferred) {
    QUdpSocket probe;
    if (preferred > 0 &&
        probe.bind(QHostAddress::AnyIPv4, quint16(preferred), QAbstractSocket::DontShareAddress))
        return preferred;
    QUdpSocket any;
    if (!any.bind(QHostAddress::AnyIPv4, 0, QAbstractSocket::DontShareAddress))
        return preferred;
    return any.localPort();
}

PppdDialer::PppdDialer(PppdConfig config, QObject* parent)
    : QObject(parent), config_(std::move(config)) {}

PppdDialer::~PppdDialer() {
    hangUpAll(3000);
    // No event loop will run the grace timers any more.
    for (const pid_t group : endingGroups_)
        ::kill(-group, SIGKILL);
    for (auto& [handle, dial] : dials_) {
        if (dial->group > 0)
            ::kill(-dial->group, SIGKILL);
        if (dial->process) {
            dial->process->disconnect(this);
            delete dial->process;
            dial->process = nullptr;
        }
        if (!dial->runDir.isEmpty())
            QDir(dial->runDir).removeRecursively();
    }
}

QString PppdDialer::entryPath(const QString& entryName) const {
    return config_.peersDir + QLatin1Char('/') + entryName;
}

PppdDialer::Dial* PppdDialer::find(RasHandle handle) const {
    const auto it = dials_.find(handle);
    return it == dials_.end() ? nullptr : it->second.get();
}

bool PppdDialer::knows(RasHandle handle) const {
    return find(handle) != nullptr;
}

bool PppdDialer::isRunning(RasHandle handle) const {
    const Dial* dial = find(handle);
    return dial && dial->process;
}

int PppdDialer::state(RasHandle handle) const {
    const Dial* dial = find(handle);
    return dial ? dial->state : RasStateUnknown;
}

QString PppdDialer::entryName(RasHandle handle) const {
    const Dial* dial = find(handle);
    return dial ? dial->entryName : QString();
}

QString PppdDialer::interfaceName(RasHandle handle) const {
    const Dial* dial = find(handle);
    return dial ? dial->interfaceName : QString();
}

QString PppdDialer::localAddress(RasHandle handle) const {
    const Dial* dial = find(handle);
    return dial && dial->linkUp ? dial->localAddress : QString();
}

qint64 PppdDialer::processId(RasHandle handle) const {
    const Dial* dial = find(handle);
    return dial && dial->process ? dial->process->processId() : 0;
}

RasHandle PppdDialer::firstRunning() const {
    for (const auto& [handle, dial] : dials_)
        if (dial->process)
            return handle;
    return 0;
}

PppdDialer::Started PppdDialer::start(const QString& entryName) {
    Started started;
    if (!IsValidEntryName(entryName)) {
        started.error = RasErrorInvalidName;
        started.text = QStringLiteral("the entry name \"%1\" is not valid").arg(entryName);
        return started;
    }
    const QString path = entryPath(entryName);
    QFile file(path);
    std::optional<PeersEntry> entry;
    QByteArray options;
    if (file.open(QIODevice::ReadOnly)) {
        options = file.readAll();
        entry = ReadPeersEntry(options);
    }
    if (!entry) {
        started.error = RasErrorEntryNotFound;
        started.text = QStringLiteral("the entry %1 was not found").arg(path);
        return started;
    }
    const QString pppd = ResolveProgram(config_.pppd);
    if (pppd.isEmpty()) {
        started.error = RasErrorNoProgram;
        started.text = missingProgramText(QStringLiteral("pppd"), config_.pppd, "ppp", "KVT_PPPD");
        return started;
    }

    forgetOldDials();
    auto dial = std::make_unique<Dial>();
    dial->handle = nextHandle_++;
    dial->entryName = entryName;
    dial->l2tp = entry->l2tp;
    started = dial->l2tp ? startL2tp(*dial, options, entry->server) : startPptp(*dial, pppd, path);
    if (started.error != 0) {
        if (dial->process) {
            dial->process->disconnect(this);
            dial->process->deleteLater();
        }
        if (!dial->runDir.isEmpty())
            QDir(dial->runDir).removeRecursively();
        return started;
    }
    started.handle = dial->handle;
    dials_.emplace(dial->handle, std::move(dial));
    return started;
}

QProcess* PppdDialer::newProcess(Dial& dial) {
    auto* process = new QProcess(this);
    // pppd writes its messages to standard output and pptp its errors to standard error;
    // xl2tpd logs to standard error. One stream keeps their order.
    process->setProcessChannelMode(QProcess::MergedChannels);
    const RasHandle handle = dial.handle;
    connect(process, &QProcess::readyReadStandardOutput, this, [this, handle] {
        if (Dial* d = find(handle))
            readOutput(*d);
    });
    connect(process, &QProcess::finished, this,
            [this, handle](int exitCode, QProcess::ExitStatus status) {
                if (Dial* d = find(handle))
                    finish(*d, exitCode, status);
            });
    dial.process = process;
    return process;
}

PppdDialer::Started PppdDialer::startPptp(Dial& dial, const QString& pppd,
                                          const QString& entryPath) {
    Started started;
    if (ResolveProgram(config_.pptp).isEmpty()) {
        started.error = RasErrorNoProgram;
        started.text =
            missingProgramText(QStringLiteral("pptp"), config_.pptp, "pptp-linux", "KVT_PPTP");
        return started;
    }
    QProcess* process = newProcess(dial);
    // A group of its own, which pptp and its call manager join; without it they would share
    // the client's group and nothing could end them once pppd has gone.
    process->setChildProcessModifier([] { ::setpgid(0, 0); });
    process->start(pppd, {QStringLiteral("file"), entryPath, QStringLiteral("nodetach")});
    if (!process->waitForStarted()) {
        started.error = RasErrorPortNotAvailable;
        started.text = QStringLiteral("pppd could not be started: %1").arg(process->errorString());
        return started;
    }
    dial.group = pid_t(process->processId());
    return started;
}

PppdDialer::Started PppdDialer::startL2tp(Dial& dial, const QByteArray& options,
                                          const QString& server) {
    // xl2tpd starts pppd itself (from its own compiled-in path) once the tunnel is up.
    Started started;
    const QString xl2tpd = ResolveProgram(config_.xl2tpd);
    if (xl2tpd.isEmpty()) {
        started.error = RasErrorNoProgram;
        started.text =
            missingProgramText(QStringLiteral("xl2tpd"), config_.xl2tpd, "xl2tpd", "KVT_XL2TPD");
        return started;
    }
    const QString runDir = QStringLiteral("%1/dial-%2-%3")
                               .arg(config_.runDir)
                               .arg(QCoreApplication::applicationPid())
                               .arg(dial.handle);
    if (!isPlainConfigPath(runDir)) {
        started.error = RasErrorPortNotAvailable;
        started.text = QStringLiteral("the run folder %1 cannot be named in xl2tpd's "
                                      "configuration")
                           .arg(runDir);
        return started;
    }
    QDir(runDir).removeRecursively();
    QString error;
    dial.runDir = runDir;
    const QString optionsPath = runDir + QStringLiteral("/options");
    const QString configPath = runDir + QStringLiteral("/xl2tpd.conf");
    const QString secretsPath = runDir + QStringLiteral("/l2tp-secrets");
    // The options are copied: pppd reads them only once the tunnel is up, and the entry itself
    // is deleted as soon as the link is.
    const QByteArray configuration = "; xl2tpd of one kvt-client dial\n"
                                     "[global]\n"
                                     "port = " +
                                     QByteArray::number(FreeUdpPort(config_.l2tpPort)) +
                                     "\n"
                                     "access control = no\n"
                                     "[lac kvt]\n"
                                     "lns = " +
                                     server.toLatin1() +
                                     "\n"
                                     "pppoptfile = " +
                                     QFile::encodeName(optionsPath) +
                                     "\n"
                                     "autodial = yes\n"
                                     "redial = no\n"
                                     "length bit = yes\n"
                                     "require authentication = no\n";
    if (!MakePrivateDir(runDir, &error) || !WritePrivateFile(optionsPath, options, &error) ||
        !WritePrivateFile(configPath, configuration, &error) ||
        !WritePrivateFile(secretsPath, QByteArray(), &error)) {
        started.error = RasErrorPortNotAvailable;
        started.text = error;
        return started;
    }
    QProcess* process = newProcess(dial);
    process->start(xl2tpd,
                   {QStringLiteral("-D"), QStringLiteral("-c"), configPath, QStringLiteral("-s"),
                    secretsPath, QStringLiteral("-p"), runDir + QStringLiteral("/xl2tpd.pid"),
                    QStringLiteral("-C"), runDir + QStringLiteral("/l2tp-control")});
    if (!process->waitForStarted()) {
        started.error = RasErrorPortNotAvailable;
        started.text =
            QStringLiteral("xl2tpd could not be started: %1").arg(process->errorString());
        return started;
    }
    // xl2tpd leads a process group of its own, which the pppd it starts joins.
    dial.group = pid_t(process->processId());
    return started;
}

void PppdDialer::readOutput(Dial& dial) {
    if (!dial.process)
        return;
    dial.partialLine += dial.process->readAllStandardOutput();
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = dial.partialLine.indexOf('\n', start);
        if (end < 0)
            break;
        handleLine(dial, QString::fromUtf8(dial.partialLine.mid(start, end - start)));
        start = end + 1;
    }
    dial.partialLine.remove(0, start);
}

void PppdDialer::handleLine(Dial& dial, const QString& line) {
    const PppdLine parsed = ParsePppdLine(line);
    using Kind = PppdLine::Kind;
    switch (parsed.kind) {
    case Kind::InterfaceChosen:
        if (IsPlainInterfaceName(parsed.value))
            dial.interfaceName = parsed.value;
        if (!dial.linkUp)
            setState(dial, RasStateConnectDevice);
        break;
    case Kind::DeviceConnected:
        if (!dial.linkUp)
            setState(dial, RasStateAllDevicesConnected);
        break;
    case Kind::Authenticated:
        if (!dial.linkUp)
            setState(dial, RasStateAuthenticated);
        break;
    case Kind::AuthenticationFailed:
        dial.authFailed = true;
        break;
    case Kind::LocalAddress:
        dial.localAddress = parsed.value;
        break;
    case Kind::RemoteAddress:
        dial.remoteAddress = parsed.value;
        if (!dial.linkUp && !dial.hungUp && !dial.pppdExit) {
            dial.linkUp = true;
            setState(dial, RasStateConnected);
        }
        break;
    case Kind::LinkEnded:
        // Before the link was up the exit status tells why; afterwards it is simply down.
        if (dial.linkUp)
            setState(dial, RasStateDisconnected);
        break;
    case Kind::PppdExited:
        if (dial.l2tp && !dial.pppdExit) {
            dial.pppdExit = dial.authFailed ? 19 : parsed.code;
            setState(dial, StateAfterPppdExit(*dial.pppdExit, dial.linkUp, dial.hungUp));
            endL2tpDaemon(dial);
        }
        break;
    case Kind::TunnelFailed:
        if (dial.l2tp && !dial.pppdExit) {
            dial.pppdExit = 16; // as pppd's modem hang-up: the server could not be reached
            setState(dial, StateAfterPppdExit(16, dial.linkUp, dial.hungUp));
            endL2tpDaemon(dial);
        }
        break;
    case Kind::Other:
        break;
    }
}

void PppdDialer::endL2tpDaemon(Dial& dial) {
    // The daemon of this dial has nothing more to do once its pppd has gone.
    QProcess* process = dial.process;
    if (!process)
        return;
    process->terminate();
    QTimer::singleShot(3000, process, [process] {
        if (process->state() != QProcess::NotRunning)
            process->kill();
    });
}

void PppdDialer::finish(Dial& dial, int exitCode, QProcess::ExitStatus status) {
    if (!dial.process)
        return;
    readOutput(dial);
    if (!dial.partialLine.isEmpty()) {
        const QByteArray last = dial.partialLine;
        dial.partialLine.clear();
        handleLine(dial, QString::fromUtf8(last));
    }
    int pppdStatus = -1;
    if (dial.l2tp)
        pppdStatus = dial.pppdExit.value_or(-1);
    else if (status == QProcess::NormalExit)
        pppdStatus = dial.authFailed ? 19 : exitCode;
    QProcess* process = dial.process;
    dial.process = nullptr;
    process->disconnect(this);
    process->deleteLater();
    endGroup(dial);
    if (!dial.runDir.isEmpty()) {
        QDir(dial.runDir).removeRecursively();
        dial.runDir.clear();
    }
    setState(dial, StateAfterPppdExit(pppdStatus, dial.linkUp, dial.hungUp));
}

void PppdDialer::endGroup(Dial& dial) {
    // The main program has ended and been reaped; its group lives on only while one of its
    // members does (a pptp still copying packets, a pppd still running its scripts), and
    // until then its number cannot be given to another process.
    const pid_t group = dial.group;
    dial.group = 0;
    if (group <= 0 || ::kill(-group, SIGTERM) != 0)
        return;
    endingGroups_.insert(group);
    QTimer::singleShot(GroupGraceMs, this, [this, group] {
        if (endingGroups_.erase(group) != 0)
            ::kill(-group, SIGKILL);
    });
}

void PppdDialer::setState(Dial& dial, int state) {
    if (dial.state == state)
        return;
    dial.state = state;
    Q_EMIT stateChanged(dial.handle, state);
}

bool PppdDialer::hangUp(RasHandle handle, int timeoutMs) {
    Dial* dial = find(handle);
    if (!dial)
        return false;
    QProcess* process = dial->process;
    if (!process)
        return true;
    dial->hungUp = true;
    process->terminate();
    QElapsedTimer elapsed;
    elapsed.start();
    while (process->state() != QProcess::NotRunning && elapsed.elapsed() < timeoutMs)
        process->waitForFinished(50);
    if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(ReapAfterKillMs);
    }
    return true;
}

void PppdDialer::hangUpAll(int timeoutMs) {
    for (auto& [handle, dial] : dials_)
        if (dial->process) {
            dial->hungUp = true;
            dial->process->terminate();
        }
    for (auto& [handle, dial] : dials_)
        if (dial->process)
            hangUp(handle, timeoutMs);
}

void PppdDialer::forgetOldDials() {
    std::size_t finished = 0;
    for (const auto& [handle, dial] : dials_)
        if (!dial->process)
            ++finished;
    for (auto it = dials_.begin(); it != dials_.end() && finished > KeptFinishedDials;) {
        if (!it->second->process) {
            it = dials_.erase(it);
            --finished;
        } else {
            ++it;
        }
    }
}

} // namespace kvt
