#include "scrambler.h"

#include <QByteArray>

namespace kvt::server {

std::string encodeBase64(std::string_view bytes) {
    const QByteArray encoded =
        QByteArray(bytes.data(), qsizetype(bytes.size()))
            .toBase64(QByteArray::Base64Encoding | QByteArray::OmitTrailingEquals);
    return encoded.toStdString();
}

std::string unswapBlocks(std::string_view swapped, std::size_t n) {
    const std::size_t length = swapped.size();
    if (length <= n)
        return std::string(swapped);
    if (length >= 2 * n) {
        // Swapping two whole blocks undoes itself.
        std::string original(swapped.substr(n, n));
        original.append(swapped.substr(0, n));
        original.append(swapped.substr(2 * n));
        return original;
    }
    // The second block was short: the client's swap moved the first n characters to the end.
    std::string original(swapped.substr(length - n));
    original.append(swapped.substr(0, length - n));
    return original;
}

namespace {
std::string pass(std::string_view text, std::size_t n) {
    return unswapBlocks(encodeBase64(text), n);
}
} // namespace

std::string scrambleShort(std::string_view address) {
    // The client decodes with blocks of 5, 7 and 4; undo them in reverse order.
    return pass(pass(pass(address, 4), 7), 5);
}

std::string scrambleLong(std::string_view secret, std::string_view filler) {
    std::string text = pass(secret, 3);
    text = pass(text, 6);
    std::string padded(filler.substr(0, 8));
    padded.resize(8, 'k');
    text = padded + text;
    text = pass(text, 5);
    text = pass(text, 6);
    for (int i = 0; i < 4; ++i)
        text = encodeBase64(text);
    return text;
}

std::string scrambleUserName(std::string_view name) {
    return encodeBase64(encodeBase64(name));
}

} // namespace kvt::server
