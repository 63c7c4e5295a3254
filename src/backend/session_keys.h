#pragma once

#include "backend/session_state.h"

#include <QString>

#include <string_view>

namespace kvt {

// A deployment word (backend/deployment.h) as text; the words are plain ASCII.
QString DeploymentText(std::string_view word);

// The credential digests login keeps: md5(md5(user) + W4) and md5(md5(password) + W5).
void SetCredentialDigests(SessionState& session, const QString& user, const QString& password);

// The key chain the main window derives once it shows: SessionKey1 from both digests and K1,
// SessionKey2 from SessionKey1 and K2.
void DeriveSessionKeys(SessionState& session);

} // namespace kvt
