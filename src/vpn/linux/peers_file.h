#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace kvt {

class RasEntryEditor;

// The text of an entry's peers file, the pppd options file that one dial reads. Values the
// backend supplies (server address, dial user name and password) end up here, so each is
// either written as exactly one pppd word or refused before anything is written.

// pppd's options-file word for a value: the UTF-8 bytes in double quotes, with backslash and
// double quote escaped, so white space, "#", quotes and a leading "-" stay inside one word.
// None for a value holding a control character (a line break could start another option) or
// longer than the 255 bytes pppd keeps of a name or secret.
std::optional<QByteArray> PppdQuotedWord(const QString& value);

// A host name or dotted IPv4 address: letters, digits, ".", "-" and ":" only, starting with a
// letter or digit, at most 253 characters. The address is a word of pppd's pty command, which
// pppd runs through /bin/sh, so anything else is refused rather than quoted.
bool IsPlainServerAddress(const QString& address);

// An entry name usable as a file name: letters, digits, ".", "_" and "-", starting with a
// letter or digit, at most 64 characters.
bool IsValidEntryName(const QString& name);

// The text in single quotes for /bin/sh (a quote inside becomes '\'').
QString ShellQuoted(const QString& text);

// What a dial needs to know of its entry besides the options: written as comments at the top.
struct PeersEntry {
    bool l2tp = false; // mode two
    QString server;
};

struct ComposedPeersFile {
    QByteArray text; // empty when refused
    int error = 0;   // 0, or the error number of the refusal
    QString reason;  // why it was refused
};

// The peers file of an entry: mode two for VpnStrategy 3 (the options xl2tpd gives pppd),
// else mode one, whose pty runs `exec pptpProgram <server> --nolaunchpppd`. Credentials go in as
// pppd's `user` and `password` options; the file must therefore be readable by its owner only.
ComposedPeersFile ComposePeersFile(const RasEntryEditor& entry, const QString& pptpProgram);

// The mode and server written at the top of a peers file; none when the header is missing.
std::optional<PeersEntry> ReadPeersEntry(const QByteArray& text);

} // namespace kvt
