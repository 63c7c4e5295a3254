#include "app/linux/regedit_text.h"

#include <QHash>
#include <QStringDecoder>
#include <QStringView>

namespace kvt {

namespace {

const QString kHeader = QStringLiteral("REGEDIT4");

bool isControl(QChar c) {
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

QStringView trimmedLine(QStringView line) {
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && (line[begin] == u' ' || line[begin] == u'\t'))
        ++begin;
    while (end > begin && (line[end - 1] == u' ' || line[end - 1] == u'\t'))
        --end;
    return line.sliced(begin, end - begin);
}

// Reads a quoted text starting at line[pos] == '"'; pos ends after the closing quote.
std::optional<QString> parseQuoted(QStringView line, qsizetype& pos) {
    QString text;
    ++pos;
    while (pos < line.size()) {
        const QChar c = line[pos++];
        if (c == u'"')
            return text;
        if (c != u'\\') {
            text.append(c);
            continue;
        }
        if (pos >= line.size())
            return std::nullopt;
        const QChar escaped = line[pos++];
        switch (escaped.unicode()) {
        case u'\\':
        case u'"':
            text.append(escaped);
            break;
        case u'n':
            text.append(QLatin1Char('\n'));
            break;
        case u'r':
            text.append(QLatin1Char('\r'));
            break;
        case u't':
            text.append(QLatin1Char('\t'));
            break;
        case u'x': {
            if (pos + 2 > line.size())
                return std::nullopt;
            const int high = hexDigit(line[pos]);
            const int low = hexDigit(line[pos + 1]);
            if (high < 0 || low < 0)
                return std::nullopt;
            text.append(QChar(char16_t(high * 16 + low)));
            pos += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return std::nullopt; // no closing quote: the line was cut off
}

std::optional<RegistryValueEntry> parseValueLine(QStringView line) {
    RegistryValueEntry entry;
    qsizetype pos = 0;
    if (line[0] == u'@') {
        pos = 1;
    } else {
        std::optional<QString> name = parseQuoted(line, pos);
        if (!name || !RegistryHive::validValueName(*name))
            return std::nullopt;
        entry.name = *name;
    }
    if (pos >= line.size() || line[pos] != u'=')
        return std::nullopt;
    ++pos;
    if (pos < line.size() && line[pos] == u'"') {
        std::optional<QString> text = parseQuoted(line, pos);
        if (!text || pos != line.size())
            return std::nullopt;
        entry.text = *text;
        return entry;
    }
    const QStringView rest = line.sliced(pos);
    if (rest.size() != 6 + 8 || !rest.first(6).startsWith(u"dword:", Qt::CaseInsensitive))
        return std::nullopt;
    quint32 value = 0;
    for (QChar c : rest.sliced(6)) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + quint32(digit);
    }
    entry.isDword = true;
    entry.dword = value;
    return entry;
}

void appendQuoted(QString& out, const QString& text) {
    static const char hex[] = "0123456789ABCDEF";
    out.append(QLatin1Char('"'));
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            out.append(QLatin1String("\\\\"));
            break;
        case u'"':
            out.append(QLatin1String("\\\""));
            break;
        case u'\n':
            out.append(QLatin1String("\\n"));
            break;
        case u'\r':
            out.append(QLatin1String("\\r"));
            break;
        case u'\t':
            out.append(QLatin1String("\\t"));
            break;
        default:
            if (isControl(c)) {
                out.append(QLatin1String("\\x"));
                out.append(QLatin1Char(hex[c.unicode() >> 4]));
                out.append(QLatin1Char(hex[c.unicode() & 0xF]));
            } else {
                out.append(c);
            }
        }
    }
    out.append(QLatin1Char('"'));
}

} // namespace

std::optional<RegistryHive> parseRegeditText(QByteArrayView bytes) {
    if (bytes.size() > kMaxRegeditTextSize)
        return std::nullopt;
    QStringDecoder decoder(QStringConverter::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);

    RegistryHive hive;
    RegistryKeyEntry* section = nullptr;
    // Position of each value by case-folded name, per key: a later line of the same name
    // replaces the earlier value without a scan of the key's values.
    QHash<const RegistryKeyEntry*, QHash<QString, qsizetype>> valueIndex;
    bool headerSeen = false;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = text.size();
        QStringView line = QStringView(text).sliced(start, end - start);
        start = end + 1;
        if (line.endsWith(u'\r'))
            line.chop(1);
        line = trimmedLine(line);
        for (QChar c : line)
            if (isControl(c) && c != u'\t')
                return std::nullopt; // binary data, or a line break that is not ours
        if (!headerSeen) {
            if (line != kHeader)
                return std::nullopt;
            headerSeen = true;
            continue;
        }
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']') || line.size() < 2)
                return std::nullopt;
            const std::optional<QString> path =
                RegistryHive::normalizedPath(line.sliced(1, line.size() - 2).toString());
            if (!path)
                return std::nullopt;
            section = &hive.materialize(*path);
            continue;
        }
        if (!section || (line[0] != u'"' && line[0] != u'@'))
            return std::nullopt;
        const std::optional<RegistryValueEntry> entry = parseValueLine(line);
        if (!entry)
            return std::nullopt;
        QHash<QString, qsizetype>& positions = valueIndex[section];
        const QString folded = entry->name.toCaseFolded();
        const auto found = positions.constFind(folded);
        if (found == positions.constEnd()) {
            positions.insert(folded, section->values.size());
            section->values.append(*entry);
        } else {
            RegistryValueEntry& existing = section->values[found.value()];
            existing = RegistryValueEntry{existing.name, entry->isDword, entry->text, entry->dword};
        }
    }
    if (!headerSeen)
        return std::nullopt;
    return hive;
}

QByteArray regeditText(const RegistryHive& hive) {
    QString out = kHeader + QLatin1String("\n\n");
    for (const RegistryKeyEntry& key : hive.keys()) {
        out.append(QLatin1Char('['));
        out.append(key.path);
        out.append(QLatin1String("]\n"));
        for (const RegistryValueEntry& value : key.values) {
            if (value.name.isEmpty())
                out.append(QLatin1Char('@'));
            else
                appendQuoted(out, value.name);
            out.append(QLatin1Char('='));
            if (value.isDword)
                out.append(QStringLiteral("dword:%1").arg(value.dword, 8, 16, QLatin1Char('0')));
            else
                appendQuoted(out, value.text);
            out.append(QLatin1Char('\n'));
        }
        out.append(QLatin1Char('\n'));
    }
    return out.toUtf8();
}

} // namespace kvt
