#include "backend/main_node.h"

#include "backend/deployment.h"
#include "backend/endpoints.h"
#include "backend/http_exchange.h"
#include "backend/session_state.h"
#include "backend/split.h"

namespace kvt {

namespace {

QString netcheckUrl(const QString& node) {
    return QStringLiteral("http://") + node +
           QString::fromLatin1(deployment::ScriptPath.data(),
                               qsizetype(deployment::ScriptPath.size())) +
           QStringLiteral("netcheckkvt802.php");
}

// Fields are cut with Split, which drops empty pieces: an empty field moves every later one
// up by one place. The backend relies on this, so the answer is not parsed any other way.
void takeApart(const QString& answer, bool fromMainNode) {
    const QStringList fields = Split(answer, QStringLiteral("|"));
    const QStringList addresses = Split(SplitPiece(fields, 0), QStringLiteral("-"));
    const QStringList version = Split(SplitPiece(fields, 1), QStringLiteral("-"));
    const QString host = SplitPiece(fields, 2);
    const QString download =
        SplitPiece(Split(SplitPiece(Split(SplitPiece(fields, 3), QStringLiteral("(")), 0),
                         QStringLiteral(")")),
                   0);

    SessionState& session = Session();
    if (fromMainNode) {
        session.BackendHost = host;
        session.AlternateHost = FallbackHost();
    } else {
        session.BackendHost = FallbackHost();
        session.AlternateHost = host;
    }
    session.ClientAddress = SplitPiece(addresses, 0);
    session.DirectRouteAddress = SplitPiece(addresses, 1);
    session.LatestVersion = SplitPiece(version, 0);
    session.UpdateMode = SplitPiece(version, 1);
    session.UpdateUrl = download;
    session.IpChangeAllowed = SplitPiece(fields, 4);
}

} // namespace

bool QueryMainNode() {
    const QString main = FetchText(netcheckUrl(endpoints().mainNode));
    if (!main.isEmpty()) {
        takeApart(main, true);
        return true;
    }
    const QString fallback = FetchText(netcheckUrl(FallbackHost()));
    if (fallback.isEmpty())
        return false;
    takeApart(fallback, false);
    return true;
}

} // namespace kvt
