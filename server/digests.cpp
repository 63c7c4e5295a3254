#include "digests.h"

#include <QByteArray>
#include <QCryptographicHash>

namespace kvt::server {

std::string md5Hex(std::string_view bytes) {
    const QByteArray digest = QCryptographicHash::hash(
        QByteArrayView(bytes.data(), qsizetype(bytes.size())), QCryptographicHash::Md5);
    return digest.toHex().toStdString(); // toHex writes lower case
}

std::string credentialDigest(std::string_view user, std::string_view password) {
    std::string joined(user);
    joined.append(password);
    return md5Hex(joined);
}

std::string passwordMd5(std::string_view password) {
    return md5Hex(password);
}

std::string viewToken(std::string_view credentialDigest) {
    const std::string outer = md5Hex(credentialDigest);
    return md5Hex(std::string_view(outer).substr(10, 22)).substr(0, 8);
}

} // namespace kvt::server
