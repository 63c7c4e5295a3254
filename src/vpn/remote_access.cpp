#include "vpn/remote_access.h"

namespace kvt {

void RasEntryEditor::PPPDefault() {
    DeviceName.clear();
    VpnStrategy = 0;
    DeviceType.clear();
    LocalPhoneNumber.clear();
    PreviewUserPw = false;
    PreviewPhoneNumber = false;
    RequireDataEncryption = false;
    EncryptionType = 0;
    PromoteAlternates = false;
    IpProtocol = true;
    HeaderCompression = true;
    RemoteDefaultGateway = true;
    SoftwareCompression = false;
    RequirePAP = false;
    RequireCHAP = false;
    RequireMsCHAP = false;
    RequireMsCHAP2 = false;
    RequireEncryptedPassword = false;
    Custom = false;
    PType = 0;
    UserName.clear();
    Password.clear();
    StatusStr.clear();
}

QString RasStateText(int state) {
    switch (state) {
    case RasStateConnected:
        return QStringLiteral("Connected/Online");
    case RasStateDisconnected:
        return QStringLiteral("Disconnected");
    case RasStateOpenPort:
        return QStringLiteral("Opening the port");
    case RasStateConnectDevice:
        return QStringLiteral("Connecting the device");
    case RasStateAllDevicesConnected:
        return QStringLiteral("Device connected");
    case RasStateAuthenticated:
        return QStringLiteral("Authenticated");
    case RasStateUnknown:
        return QStringLiteral("The connection state is not known");
    case RasErrorInvalidHandle:
        return QStringLiteral("The handle is not valid");
    case RasErrorInvalidName:
        return QStringLiteral("The entry name is not valid");
    case RasErrorAlreadyExists:
        return QStringLiteral("An entry of that name exists");
    case RasErrorValueRefused:
        return QStringLiteral("A value of the entry cannot be written safely");
    case RasErrorPortNotConnected:
        return QStringLiteral("The connection is not up");
    case RasErrorNoProgram:
        return QStringLiteral("A program the dial needs is not installed");
    case RasErrorEntryNotFound:
        return QStringLiteral("The entry was not found");
    case RasErrorCannotWriteEntry:
        return QStringLiteral("The entry cannot be written");
    case 619:
        return QStringLiteral("The link negotiation failed or the server stopped answering");
    case RasErrorPortNotAvailable:
        return QStringLiteral("The dialler could not run");
    case 691:
        return QStringLiteral("Access was denied: the user name or password is not valid");
    case 720:
        return QStringLiteral("The link is looped back");
    case 800:
        return QStringLiteral("The VPN server could not be reached");
    case 930:
        return QStringLiteral("The server did not authenticate itself");
    default:
        break;
    }
    if ((state > 0 && state < 24) || (state >= 4096 && state <= 4100))
        return QStringLiteral("Dialling (step %1)").arg(state);
    return QStringLiteral("Remote-access error %1").arg(state);
}

} // namespace kvt
