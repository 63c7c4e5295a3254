#include "backend/script_url.h"

#include "app/ui_language.h"
#include "backend/deployment.h"
#include "backend/session_state.h"

#include <QUrl>

#include <array>

namespace kvt {

namespace {

constexpr std::array<const char*, 4> kScriptsWithLanguageVariants = {
    "usercheckkvt802", "vpnlistkvt802", "flushvpnlistkvt802", "datecheckkvt802"};

bool hasLanguageVariants(const QString& scriptBase) {
    for (const char* name : kScriptsWithLanguageVariants) {
        if (scriptBase == QLatin1String(name))
            return true;
    }
    return false;
}

QString languageSuffix() {
    switch (UiLanguage) {
    case 2:
        return QStringLiteral("_en");
    case 3:
        return QStringLiteral("_tw");
    default:
        return {};
    }
}

} // namespace

QString ScriptUrl(const QString& host, const QString& scriptBase) {
    QString script = scriptBase;
    if (hasLanguageVariants(scriptBase))
        script += languageSuffix();
    return QStringLiteral("http://") + host +
           QString::fromLatin1(deployment::ScriptPath.data(),
                               qsizetype(deployment::ScriptPath.size())) +
           script + QStringLiteral(".php");
}

QString QueryValue(const QString& value) {
    // QUrl's default unreserved set is exactly A-Z a-z 0-9 - . _ ~.
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

QString ServerListUrl(const QString& scriptBase) {
    const SessionState& session = Session();
    return ScriptUrl(session.BackendHost, scriptBase) + QStringLiteral("?viewstr=") +
           session.ViewToken + QStringLiteral("&&viewuser=") + QueryValue(session.LoginUser);
}

} // namespace kvt
