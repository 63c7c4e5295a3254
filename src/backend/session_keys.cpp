#include "backend/session_keys.h"

#include "backend/deployment.h"
#include "backend/md5_hex.h"

namespace kvt {

QString DeploymentText(std::string_view word) {
    return QString::fromLatin1(word.data(), qsizetype(word.size()));
}

void SetCredentialDigests(SessionState& session, const QString& user, const QString& password) {
    session.UserDigest = Md5Hex(Md5Hex(user) + DeploymentText(deployment::W4));
    session.PasswordDigest = Md5Hex(Md5Hex(password) + DeploymentText(deployment::W5));
}

void DeriveSessionKeys(SessionState& session) {
    session.SessionKey1 =
        Md5Hex(session.UserDigest + session.PasswordDigest + DeploymentText(deployment::K1));
    session.SessionKey2 = Md5Hex(session.SessionKey1 + DeploymentText(deployment::K2));
}

} // namespace kvt
