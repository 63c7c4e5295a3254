#pragma once

#include "vpn/linux/pppd_config.h"
#include "vpn/linux/pppd_dialer.h"
#include "vpn/remote_access.h"

#include <QHash>
#include <QObject>
#include <QSet>

namespace kvt {

// Entries are peers files in the configured folder.
class PppdEntryEditor final : public RasEntryEditor {
public:
    explicit PppdEntryEditor(PppdDialer& dialer) : dialer_(dialer) {}

    // Writes the peers file (0600). A value that cannot be written safely refuses the whole
    // entry with RasErrorValueRefused before anything is written.
    int PutAllEntryProps(const QString& entryName) override;
    // Rewrites the existing entry with the current user name and password.
    int PutDialProps(const QString& entryName) override;

    // Names of the entries written by this editor and not yet deleted.
    QSet<QString> written;

private:
    int write(const QString& entryName);
    PppdDialer& dialer_;
};

class PppdConnection final : public QObject, public RasConnection {
    Q_OBJECT
public:
    explicit PppdConnection(PppdDialer& dialer, PppdEntryEditor& editor);

    int GetDialParams() override;
    int AutoConnectEx(RasHandle& handle) override;
    int CurrentStatusEx(RasHandle handle) override;
    int DisconnectEx(RasHandle handle, bool reportState, int timeoutMs) override;
    int ValidateName(const QString& name) override;
    int GetConnection() override;
    int DeletePhonebook() override;
    int GetProtocolEx(RasHandle handle) override;
    int GetEntryProperties() override;

    // The dial whose notifications reach ConnectState.
    RasHandle currentDial() const { return current_; }

private:
    void onStateChanged(quint32 handle, int state);
    PppdDialer& dialer_;
    PppdEntryEditor& editor_;
    RasHandle current_ = 0;
    QSet<RasHandle> silenced_;
};

// Counts from /sys/class/net/<interface>/statistics (the root is configurable), relative to
// the counts at the last reset of the same dial.
class SysfsTrafficMeter final : public RasTrafficMeter {
public:
    explicit SysfsTrafficMeter(PppdDialer& dialer) : dialer_(dialer) {}
    void GetPerfStats() override;
    void ResetPerfStats() override;

private:
    struct Counts {
        quint64 sent = 0;
        quint64 received = 0;
    };
    bool read(RasHandle handle, Counts& counts) const;
    PppdDialer& dialer_;
    QHash<RasHandle, Counts> baseline_;
};

class PppdRemoteAccess final : public RemoteAccess {
public:
    explicit PppdRemoteAccess(PppdConfig config);
    ~PppdRemoteAccess() override;

    RasEntryEditor& entryEditor() override { return editor_; }
    RasConnection& connection() override { return connection_; }
    RasTrafficMeter& trafficMeter() override { return meter_; }
    void destroy() override;

    PppdDialer& dialer() { return dialer_; }

private:
    PppdDialer dialer_;
    PppdEntryEditor editor_;
    PppdConnection connection_;
    SysfsTrafficMeter meter_;
};

} // namespace kvt
