#include "backend/failover.h"

#include "backend/http_exchange.h"
#include "backend/script_url.h"
#include "backend/session_state.h"

namespace kvt {

QString PostWithFailover(const QString& scriptBase, const QStringList& fields, int readTimeoutMs) {
    try {
        return PostForm(ScriptUrl(Session().BackendHost, scriptBase), fields, readTimeoutMs);
    } catch (const RequestFailed&) {
    }
    const QString alternate = Session().AlternateHost;
    if (alternate.isEmpty())
        return {};
    try {
        const QString answer = PostForm(ScriptUrl(alternate, scriptBase), fields, readTimeoutMs);
        Session().BackendHost = alternate;
        return answer;
    } catch (const RequestFailed&) {
        return {};
    }
}

} // namespace kvt
