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

// Base64 of the `length` characters that `at(i)` gives; one or two trailing "=" ignored.
template <typename At>
QString decode(qsizetype length, At at) {
    if (length > 0 && at(length - 1) == u'=')
        --length;
    if (length > 0 && at(length - 1) == u'=')
        --length;

    const qsizetype groups = length / 4;
    const qsizetype rest = length % 4;
    QString result(groups * 3 + (rest >= 2 ? rest - 1 : 0), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(result.data());
    qsizetype i = 0;
    for (qsizetype g = 0; g < groups; ++g, i += 4) {
        const unsigned a = position(at(i)), b = position(at(i + 1));
        const unsigned c = position(at(i + 2)), d = position(at(i + 3));
        *out++ = first(a, b);
        *out++ = second(b, c);
        *out++ = third(c, d);
    }
    if (rest >= 2) {
        const unsigned a = position(at(i)), b = position(at(i + 1));
        *out++ = first(a, b);
        if (rest == 3)
            *out++ = second(b, position(at(i + 2)));
    }
    return result;
}

// Length of the block that moves to the front: the second block, as long as the text allows.
qsizetype secondBlock(qsizetype length, int n) {
    return n <= 0 || length <= n ? 0 : qMin<qsizetype>(n, length - n);
}

// Base64ToText(BlockSwap(text, n)) without building the swapped text: position i of the
// swapped text is read from where it came from.
QString pass(QStringView text, int n) {
    const qsizetype moved = secondBlock(text.size(), n);
    if (moved == 0)
        return decode(text.size(), [text](qsizetype i) { return text[i]; });
    return decode(text.size(), [text, moved, n](qsizetype i) {
        if (i < moved)
            return text[i + n];
        if (i < moved + n)
            return text[i - moved];
        return text[i];
    });
}

} // namespace

QString Base64ToText(const QString& text) {
    const QChar* in = text.constData();
    return decode(text.size(), [in](qsizetype i) { return in[i]; });
}

QString BlockSwap(const QString& text, int n) {
    const qsizetype length = text.size();
    const qsizetype moved = secondBlock(length, n);
    if (moved == 0)
        return text;
    QString result;
    result.reserve(length);
    result.append(text.constData() + n, moved);
    result.append(text.constData(), n);
    result.append(text.constData() + n + moved, length - n - moved);
    return result;
}

QString UnscrambleShort(const QString& text) {
    return pass(pass(pass(text, 5), 7), 4);
}

QString UnscrambleLong(const QString& text) {
    QString t = text;
    for (int i = 0; i < 4; ++i)
        t = Base64ToText(t);
    t = pass(t, 6);
    t = pass(t, 5);
    // A result of the eight filler characters or fewer leaves an empty remainder.
    t = pass(QStringView(t).mid(qMin<qsizetype>(8, t.size())), 6);
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
