#pragma once

#include <QString>

#include <array>
#include <memory>

namespace kvt {

// The remote-access service as the connection subsystem uses it: a phonebook entry editor, a
// connection that dials an entry asynchronously and reports its state, and a traffic meter.
// Every operation runs on the user-interface thread; results are 0 or a remote-access error
// number, and the state codes are those of the service.

// Handle of a dial; 0 means none.
using RasHandle = quint32;

// Connection states. 0-23 and 4096-4100 are dial progress, 602-1000 error numbers.
inline constexpr int RasStateConnected = 8192;
inline constexpr int RasStateDisconnected = 8193;
inline constexpr int RasStateUnknown = 601; // no handle, or the state could not be read

// Dial progress states this implementation reports.
inline constexpr int RasStateOpenPort = 0;
inline constexpr int RasStateConnectDevice = 2;
inline constexpr int RasStateAllDevicesConnected = 4;
inline constexpr int RasStateAuthenticated = 14;

// Error numbers this implementation reports besides those of a failed dial.
inline constexpr int RasErrorInvalidHandle = 6;
inline constexpr int RasErrorInvalidName = 123;
inline constexpr int RasErrorAlreadyExists = 183;
inline constexpr int RasErrorValueRefused = 604;     // a value could not be written safely
inline constexpr int RasErrorNoProgram = 608;        // a program the dial needs is missing
inline constexpr int RasErrorEntryNotFound = 623;    // no entry of that name
inline constexpr int RasErrorCannotWriteEntry = 624; // the entry could not be stored
inline constexpr int RasErrorPortNotConnected = 606; // the dial is not up
inline constexpr int RasErrorPortNotAvailable = 633; // the dialler could not run

// Property values of an entry.
inline constexpr int VpnStrategyPptpOnly = 1;
inline constexpr int VpnStrategyL2tpOnly = 3;
inline constexpr int EncryptionType128Bit = 2;
inline constexpr int EncryptionTypeOptional = 3;
inline constexpr int PTypeVpn = 2;

// The service's text of a state code or error number ("Connected/Online" for 8192).
QString RasStateText(int state);

// Builds phonebook entries. The properties are set one by one and stored under a name.
class RasEntryEditor {
public:
    virtual ~RasEntryEditor() = default;

    // Resets every property to a new entry's: TCP/IP on, header compression on, remote
    // default gateway on, everything else off or empty.
    void PPPDefault();

    int PBLocation = 1; // phonebook: 1 = all users
    QString DeviceName;
    int VpnStrategy = 0;
    QString DeviceType;
    QString LocalPhoneNumber; // server address
    bool PreviewUserPw = false;
    bool PreviewPhoneNumber = false;
    bool RequireDataEncryption = false;
    int EncryptionType = 0;
    bool PromoteAlternates = false;
    bool IpProtocol = true;
    bool HeaderCompression = true;
    bool RemoteDefaultGateway = true;
    bool SoftwareCompression = false;
    bool RequirePAP = false;
    bool RequireCHAP = false;
    bool RequireMsCHAP = false;
    bool RequireMsCHAP2 = false;
    bool RequireEncryptedPassword = false;
    bool Custom = false;
    int PType = 0;
    QString UserName;
    QString Password;

    // Text of the last failed Put, empty after a success.
    QString StatusStr;

    // Creates or replaces the entry with every property. 0 or an error number.
    virtual int PutAllEntryProps(const QString& entryName) = 0;
    // Stores the entry's user name and password. 0 or an error number.
    virtual int PutDialProps(const QString& entryName) = 0;
};

// Dials entries and reports their state.
class RasConnection {
public:
    virtual ~RasConnection() = default;

    QString EntryName;
    int PBLocation = 1;
    // State of the latest dial started here, updated by the service's notifications between
    // events and by CurrentStatusEx; an error replaces it with the error number.
    quint16 ConnectState = RasStateUnknown;
    // The service's text of the latest state or failure.
    QString StatusStr;
    // Filled by GetConnection: name and handle of the first active connection.
    QString CurConnName;
    RasHandle CurRasConn = 0;
    // Filled by GetProtocolEx: the tunnel's local address.
    QString ClientIP;
    // Filled by GetEntryProperties: the entry's server address.
    QString PhoneCanonical;

    // Text of ConnectState.
    QString GetMessText() const { return RasStateText(ConnectState); }

    // Loads the credentials stored with EntryName; 0 = ok.
    virtual int GetDialParams() = 0;
    // Starts an asynchronous dial of EntryName; 0 = started and `handle` set.
    virtual int AutoConnectEx(RasHandle& handle) = 0;
    // Re-reads the state of `handle` into ConnectState.
    virtual int CurrentStatusEx(RasHandle handle) = 0;
    // Hangs up `handle` and waits until it is down or `timeoutMs` have passed (the dial is
    // then ended by force). With `reportState` the final state reaches ConnectState.
    virtual int DisconnectEx(RasHandle handle, bool reportState, int timeoutMs) = 0;
    // 0 when no entry of that name exists and the name is acceptable.
    virtual int ValidateName(const QString& name) = 0;
    // Name and handle of the first active connection into CurConnName and CurRasConn (empty
    // and 0 when there is none).
    virtual int GetConnection() = 0;
    // Deletes the entry EntryName; on success EntryName is cleared.
    virtual int DeletePhonebook() = 0;
    virtual int GetProtocolEx(RasHandle handle) = 0;
    virtual int GetEntryProperties() = 0;
};

// Bytes sent and received on a connection since the last reset.
class RasTrafficMeter {
public:
    virtual ~RasTrafficMeter() = default;

    // Entry 1 takes the handle of the connection to measure.
    std::array<RasHandle, 2> PerfRasConn{};
    // Entry 0: bytes sent and received (unsigned 32-bit, wrapping).
    std::array<quint32, 1> PerfXmitCur{};
    std::array<quint32, 1> PerfRecvCur{};

    virtual void GetPerfStats() = 0;
    virtual void ResetPerfStats() = 0;
};

// The three components of one remote-access service, owned together.
class RemoteAccess {
public:
    virtual ~RemoteAccess() = default;
    virtual RasEntryEditor& entryEditor() = 0;
    virtual RasConnection& connection() = 0;
    virtual RasTrafficMeter& trafficMeter() = 0;
    // Ends every dial still running and removes what the dials left on disk; the components
    // stay usable.
    virtual void destroy() = 0;
};

// The platform's remote-access service, configured from the environment.
std::unique_ptr<RemoteAccess> CreateRemoteAccess();

} // namespace kvt
