#include "app/text_decoding.h"

#include <array>
#include <cstdint>

namespace kvt {

namespace {

// Alphabet position of every Latin-1 code unit; -1 outside the alphabet. Code units above 255
// are outside it as well and never index the table.
constexpr std::array<std::int8_t, 256> makePositions() {
    std::array<std::int8_t, 256> positions{};
    for (auto& position : positions)
        position = -1;
    constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i)
        positions[static_cast<unsigned char>(alphabet[i])] = static_cast<std::int8_t>(i);
    return positions;
}

constexpr std::array<std::int8_t, 256> kPositions = makePositions();

// A position -1 is all ones in two's complement; working on its unsigned form keeps every
// shift defined, and the masks below keep each result within a byte.
inline unsigned position(QChar c) {
    const char16_t unit = c.unicode();
    return static_cast<unsigned>(unit < 256 ? int(kPositions[unit]) : -1);
}

inline char16_t first(unsigned a, unsigned b) {
    return char16_t(((a << 2) & 0xFC) | ((b >> 4) & 0x03));
}
inline char16_t second(unsigned b, unsigned c) {
    return char16_t(((b << 4) & 0xF0) | ((c >> 2) & 0x0F));
}
inline char16_t third(unsigned c, unsigned d) {
    return char16_t(((c << 6) & 0xC0) | (d & 0xFF));
}

} // namespace

QString Base64ToText(const QString& text) {
    qsizetype length = text.size();
    const QChar* in = text.constData();
    if (length > 0 && in[length - 1] == u'=')
        --length;
    if (length > 0 && in[length - 1] == u'=')
        --length;

    const qsizetype groups = length / 4;
    const qsizetype rest = length % 4;
    const qsizetype outLength = groups * 3 + (rest >= 2 ? rest - 1 : 0);
    QString result(outLength, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(result.data());

    for (qsizetype g = 0; g < groups; ++g, in += 4) {
        const unsigned a = position(in[0]), b = position(in[1]);
        const unsigned c = position(in[2]), d = position(in[3]);
        *out++ = first(a, b);
        *out++ = second(b, c);
        *out++ = third(c, d);
    }
    if (rest >= 2) {
        const unsigned a = position(in[0]), b = position(in[1]);
        *out++ = first(a, b);
        if (rest == 3)
            *out++ = second(b, position(in[2]));
    }
    return result;
}

QString BlockSwap(const QString& text, int n) {
    const qsizetype length = text.size();
    if (n <= 0 || length <= n)
        return text;
    const qsizetype secondLength = qMin<qsizetype>(n, length - n);
    QString result;
    result.reserve(length);
    result.append(text.constData() + n, secondLength);
    result.append(text.constData(), n);
    result.append(text.constData() + n + secondLength, length - n - secondLength);
    return result;
}

namespace {
QString pass(const QString& text, int n) {
    return Base64ToText(BlockSwap(text, n));
}
} // namespace

QString UnscrambleShort(const QString& text) {
    return pass(pass(pass(text, 5), 7), 4);
}

QString UnscrambleLong(const QString& text) {
    QString t = text;
    for (int i = 0; i < 4; ++i)
        t = Base64ToText(t);
    t = pass(t, 6);
    t = pass(t, 5);
    // A result shorter than the eight filler characters leaves an empty remainder.
    t = pass(t.size() > 8 ? t.mid(8) : QString(), 6);
    return pass(t, 3);
}

QString StripSpaces(const QString& text) {
    if (!text.contains(u' '))
        return text;
    QString result(text.size(), Qt::Uninitialized);
    QChar* out = result.data();
    for (const QChar c : text)
        if (c != u' ')
            *out++ = c;
    result.truncate(out - result.constData());
    return result;
}

} // namespace kvt
