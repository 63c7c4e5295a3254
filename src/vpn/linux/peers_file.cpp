#include "vpn/linux/peers_file.h"

#include "vpn/remote_access.h"

#include <QList>

namespace kvt {

namespace {

constexpr qsizetype MaxSecretBytes = 255;

bool isAsciiAlnum(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

const QByteArray ModeLine = "# mode: ";
const QByteArray ServerLine = "# server: ";

} // namespace

std::optional<QByteArray> PppdQuotedWord(const QString& value) {
    const QByteArray bytes = value.toUtf8();
    if (bytes.size() > MaxSecretBytes)
        return std::nullopt;
    QByteArray word = "\"";
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f)
            return std::nullopt;
        if (c == '\\' || c == '"')
            word += '\\';
        word += c;
    }
    word += '"';
    return word;
}

bool IsPlainServerAddress(const QString& address) {
    if (address.isEmpty() || address.size() > 253 || !isAsciiAlnum(address.front()))
        return false;
    for (const QChar c : address)
        if (!isAsciiAlnum(c) && c != u'.' && c != u'-' && c != u':')
            return false;
    return true;
}

bool IsValidEntryName(const QString& name) {
    if (name.isEmpty() || name.size() > 64 || !isAsciiAlnum(name.front()))
        return false;
    for (const QChar c : name)
        if (!isAsciiAlnum(c) && c != u'.' && c != u'_' && c != u'-')
            return false;
    return true;
}

QString ShellQuoted(const QString& text) {
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

ComposedPeersFile ComposePeersFile(const RasEntryEditor& entry, const QString& pptpProgram) {
    ComposedPeersFile result;
    const auto refuse = [&](const QString& reason) {
        result.text.clear();
        result.error = RasErrorValueRefused;
        result.reason = reason;
        return result;
    };
    const bool l2tp = entry.VpnStrategy == VpnStrategyL2tpOnly;
    if (!IsPlainServerAddress(entry.LocalPhoneNumber))
        return refuse(QStringLiteral("the server address is not a plain host name or address"));
    const std::optional<QByteArray> user = PppdQuotedWord(entry.UserName);
    if (!user)
        return refuse(
            QStringLiteral("the dial user name holds a control character or is too long"));
    const std::optional<QByteArray> password = PppdQuotedWord(entry.Password);
    if (!password)
        return refuse(QStringLiteral("the dial password holds a control character or is too long"));

    QByteArray& t = result.text;
    t += "# Dial entry of kvt-client: read by pppd when the dial starts, deleted once the link\n"
         "# is up. It holds the dial password, so only its owner may read it.\n";
    t += ModeLine + (l2tp ? "l2tp" : "pptp") + '\n';
    t += ServerLine + entry.LocalPhoneNumber.toLatin1() + '\n';

    if (!l2tp) {
        // pppd runs its pty command through sh and signals only its own child when it ends:
        // `exec` makes that child pptp itself, so pptp hears the hang-up.
        const QString command = QStringLiteral("exec ") + ShellQuoted(pptpProgram) +
                                QLatin1Char(' ') + entry.LocalPhoneNumber +
                                QStringLiteral(" --nolaunchpppd");
        const std::optional<QByteArray> pty = PppdQuotedWord(command);
        if (!pty)
            return refuse(QStringLiteral("the pptp program path cannot be written"));
        t += "pty " + *pty + '\n';
    } else {
        // Under xl2tpd, pppd's standard output is the L2TP pty: its messages go to the
        // standard error that it shares with xl2tpd.
        t += "logfd 2\n";
    }
    t += "user " + *user + '\n';
    t += "password " + *password + '\n';
    t += "noauth\n"; // the server does not authenticate itself to us
    t += "noipdefault\n";
    t += "usepeerdns\n";
    t += "lcp-echo-interval 10\nlcp-echo-failure 3\n";
    if (entry.RemoteDefaultGateway)
        t += "defaultroute\n";
    if (!entry.HeaderCompression)
        t += "novj\n";
    if (!entry.SoftwareCompression)
        t += "nobsdcomp\nnodeflate\n";

    // Authentication: with any protocol chosen, only the chosen ones are offered.
    const bool anyChosen =
        entry.RequirePAP || entry.RequireCHAP || entry.RequireMsCHAP || entry.RequireMsCHAP2;
    if (anyChosen) {
        if (!entry.RequirePAP)
            t += "refuse-pap\n";
        if (!entry.RequireCHAP)
            t += "refuse-chap\n";
        if (!entry.RequireMsCHAP)
            t += "refuse-mschap\n";
        if (!entry.RequireMsCHAP2)
            t += "refuse-mschap-v2\n";
        t += "refuse-eap\n";
    }
    if (entry.RequireDataEncryption && entry.EncryptionType == EncryptionType128Bit)
        t += "require-mppe-128\n";
    else if (entry.RequireDataEncryption && entry.EncryptionType != EncryptionTypeOptional)
        t += "require-mppe\n";
    return result;
}

std::optional<PeersEntry> ReadPeersEntry(const QByteArray& text) {
    PeersEntry entry;
    bool haveMode = false;
    bool haveServer = false;
    for (const QByteArray& line : text.split('\n')) {
        if (line.startsWith(ModeLine)) {
            const QByteArray mode = line.mid(ModeLine.size());
            if (mode != "pptp" && mode != "l2tp")
                return std::nullopt;
            entry.l2tp = mode == "l2tp";
            haveMode = true;
        } else if (line.startsWith(ServerLine)) {
            entry.server = QString::fromLatin1(line.mid(ServerLine.size()));
            haveServer = IsPlainServerAddress(entry.server);
        }
        if (haveMode && haveServer)
            return entry;
    }
    return std::nullopt;
}

} // namespace kvt
