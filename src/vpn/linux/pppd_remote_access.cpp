#include "vpn/linux/pppd_remote_access.h"

#include "vpn/linux/peers_file.h"
#include "vpn/linux/private_file.h"

#include <QFile>

namespace kvt {

namespace {

constexpr int HangUpOnDestroyMs = 3000;

QByteArray readEntry(const QString& path, bool* ok) {
    QFile file(path);
    *ok = file.open(QIODevice::ReadOnly);
    return *ok ? file.readAll() : QByteArray();
}

} // namespace

// --- entry editor ---

int PppdEntryEditor::write(const QString& entryName) {
    StatusStr.clear();
    if (!IsValidEntryName(entryName)) {
        StatusStr = RasStateText(RasErrorInvalidName);
        return RasErrorInvalidName;
    }
    // The pty line names pptp by the path found now; a missing pptp is reported when the
    // dial starts.
    const QString pptp = ResolveProgram(dialer_.config().pptp);
    const ComposedPeersFile composed =
        ComposePeersFile(*this, pptp.isEmpty() ? dialer_.config().pptp : pptp);
    if (composed.error != 0) {
        StatusStr = RasStateText(composed.error) + QStringLiteral(": ") + composed.reason;
        return composed.error;
    }
    const QString path = dialer_.entryPath(entryName);
    if (written.contains(entryName)) {
        // Storing the credentials again after the whole entry: nothing changed.
        QFile current(path);
        if (current.open(QIODevice::ReadOnly) && current.readAll() == composed.text)
            return 0;
    }
    QString error;
    if (!MakePrivateDir(dialer_.config().peersDir, &error) ||
        !WritePrivateFile(path, composed.text, &error)) {
        StatusStr = RasStateText(RasErrorCannotWriteEntry) + QStringLiteral(": ") + error;
        return RasErrorCannotWriteEntry;
    }
    written.insert(entryName);
    return 0;
}

int PppdEntryEditor::PutAllEntryProps(const QString& entryName) {
    return write(entryName);
}

int PppdEntryEditor::PutDialProps(const QString& entryName) {
    if (IsValidEntryName(entryName) && !QFile::exists(dialer_.entryPath(entryName))) {
        StatusStr = RasStateText(RasErrorEntryNotFound);
        return RasErrorEntryNotFound;
    }
    return write(entryName);
}

// --- connection ---

PppdConnection::PppdConnection(PppdDialer& dialer, PppdEntryEditor& editor)
    : dialer_(dialer), editor_(editor) {
    connect(&dialer_, &PppdDialer::stateChanged, this, &PppdConnection::onStateChanged);
}

void PppdConnection::onStateChanged(quint32 handle, int state) {
    if (handle != current_ || silenced_.contains(handle))
        return;
    ConnectState = quint16(state);
    StatusStr = RasStateText(state);
}

int PppdConnection::GetDialParams() {
    if (!IsValidEntryName(EntryName))
        return RasErrorInvalidName;
    bool ok = false;
    const QByteArray text = readEntry(dialer_.entryPath(EntryName), &ok);
    if (!ok || !ReadPeersEntry(text) || !text.contains("\nuser ")) {
        StatusStr = RasStateText(RasErrorEntryNotFound);
        return RasErrorEntryNotFound;
    }
    return 0;
}

int PppdConnection::AutoConnectEx(RasHandle& handle) {
    const PppdDialer::Started started = dialer_.start(EntryName);
    if (started.error != 0) {
        StatusStr = started.text;
        return started.error;
    }
    handle = started.handle;
    current_ = started.handle;
    ConnectState = quint16(dialer_.state(current_));
    StatusStr = RasStateText(ConnectState);
    return 0;
}

int PppdConnection::CurrentStatusEx(RasHandle handle) {
    if (handle == 0 || !dialer_.knows(handle)) {
        ConnectState = RasStateUnknown;
        StatusStr = RasStateText(RasErrorInvalidHandle);
        return RasErrorInvalidHandle;
    }
    ConnectState = quint16(dialer_.state(handle));
    StatusStr = RasStateText(ConnectState);
    return 0;
}

int PppdConnection::DisconnectEx(RasHandle handle, bool reportState, int timeoutMs) {
    if (handle == 0 || !dialer_.knows(handle))
        return RasErrorInvalidHandle;
    if (!reportState)
        silenced_.insert(handle);
    dialer_.hangUp(handle, timeoutMs);
    return 0;
}

int PppdConnection::ValidateName(const QString& name) {
    if (!IsValidEntryName(name))
        return RasErrorInvalidName;
    return QFile::exists(dialer_.entryPath(name)) ? RasErrorAlreadyExists : 0;
}

int PppdConnection::GetConnection() {
    const RasHandle running = dialer_.firstRunning();
    CurRasConn = running;
    CurConnName = running ? dialer_.entryName(running) : QString();
    return 0;
}

int PppdConnection::DeletePhonebook() {
    if (!IsValidEntryName(EntryName))
        return RasErrorInvalidName;
    QFile file(dialer_.entryPath(EntryName));
    if (!file.exists())
        return RasErrorEntryNotFound;
    if (!file.remove())
        return RasErrorCannotWriteEntry;
    editor_.written.remove(EntryName);
    EntryName.clear();
    return 0;
}

int PppdConnection::GetProtocolEx(RasHandle handle) {
    ClientIP.clear();
    if (handle == 0 || !dialer_.knows(handle))
        return RasErrorInvalidHandle;
    const QString local = dialer_.localAddress(handle);
    if (local.isEmpty() || !dialer_.isRunning(handle))
        return RasErrorPortNotConnected;
    ClientIP = local;
    return 0;
}

int PppdConnection::GetEntryProperties() {
    PhoneCanonical.clear();
    if (!IsValidEntryName(EntryName))
        return RasErrorInvalidName;
    bool ok = false;
    const std::optional<PeersEntry> entry =
        ReadPeersEntry(readEntry(dialer_.entryPath(EntryName), &ok));
    if (!ok || !entry)
        return RasErrorEntryNotFound;
    PhoneCanonical = entry->server;
    return 0;
}

// --- traffic meter ---

bool SysfsTrafficMeter::read(RasHandle handle, Counts& counts) const {
    const QString name = dialer_.interfaceName(handle);
    if (name.isEmpty())
        return false;
    const QString base =
        dialer_.config().sysfsNetRoot + QLatin1Char('/') + name + QStringLiteral("/statistics/");
    const auto number = [&](const char* file, quint64& value) {
        QFile f(base + QLatin1String(file));
        if (!f.open(QIODevice::ReadOnly))
            return false;
        bool ok = false;
        value = f.readAll().trimmed().toULongLong(&ok);
        return ok;
    };
    return number("tx_bytes", counts.sent) && number("rx_bytes", counts.received);
}

void SysfsTrafficMeter::GetPerfStats() {
    const RasHandle handle = PerfRasConn[1];
    Counts now;
    if (handle == 0 || !read(handle, now)) {
        PerfXmitCur[0] = 0;
        PerfRecvCur[0] = 0;
        return;
    }
    const Counts base = baseline_.value(handle);
    // The meter's counters are 32 bits wide and wrap as the service's do.
    PerfXmitCur[0] = quint32(now.sent - base.sent);
    PerfRecvCur[0] = quint32(now.received - base.received);
}

void SysfsTrafficMeter::ResetPerfStats() {
    PerfXmitCur[0] = 0;
    PerfRecvCur[0] = 0;
    const RasHandle handle = PerfRasConn[1];
    Counts now;
    if (handle != 0 && read(handle, now))
        baseline_.insert(handle, now);
}

// --- the service ---

PppdRemoteAccess::PppdRemoteAccess(PppdConfig config)
    : dialer_(std::move(config)), editor_(dialer_), connection_(dialer_, editor_), meter_(dialer_) {
}

PppdRemoteAccess::~PppdRemoteAccess() {
    destroy();
}

void PppdRemoteAccess::destroy() {
    dialer_.hangUpAll(HangUpOnDestroyMs);
    // Entries still on disk hold dial passwords.
    for (const QString& name : std::as_const(editor_.written))
        QFile::remove(dialer_.entryPath(name));
    editor_.written.clear();
}

std::unique_ptr<RemoteAccess> CreateRemoteAccess() {
    return std::make_unique<PppdRemoteAccess>(PppdConfig::fromEnvironment());
}

} // namespace kvt
