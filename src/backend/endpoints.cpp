#include "backend/endpoints.h"

#include "backend/deployment.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace kvt {

namespace {

QString loopback(int port) {
    return QStringLiteral("%1:%2")
        .arg(QString::fromLatin1(deployment::DefaultLoopbackHost.data(),
                                 qsizetype(deployment::DefaultLoopbackHost.size())))
        .arg(port);
}

struct Key {
    const char* name;
    QString Endpoints::*field;
};

const Key kKeys[] = {
    {"main_node", &Endpoints::mainNode},       {"fallback_node", &Endpoints::fallbackNode},
    {"account_host", &Endpoints::accountHost}, {"banner_host", &Endpoints::bannerHost},
    {"notice_host", &Endpoints::noticeHost},   {"code_page", &Endpoints::codePage},
};

QString optionName(const char* key) {
    return QString::fromLatin1(key).replace(QLatin1Char('_'), QLatin1Char('-'));
}

} // namespace

Endpoints Endpoints::defaults() {
    Endpoints e;
    e.mainNode = loopback(deployment::MainNodePort);
    e.fallbackNode = loopback(deployment::FallbackNodePort);
    e.accountHost = loopback(deployment::AccountHostPort);
    e.bannerHost = loopback(deployment::BannerHostPort);
    e.noticeHost = loopback(deployment::NoticeHostPort);
    return e;
}

Endpoints& endpoints() {
    static Endpoints current = Endpoints::defaults();
    return current;
}

QString FallbackHost() {
    return endpoints().fallbackNode;
}

bool loadEndpointsFile(const QString& path, Endpoints& into, QString* error) {
    QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        if (error)
            *error = QStringLiteral("cannot read endpoints file %1").arg(path);
        return false;
    }
    QSettings file(path, QSettings::IniFormat);
    if (file.status() != QSettings::NoError) {
        if (error)
            *error = QStringLiteral("endpoints file %1 is not an INI file").arg(path);
        return false;
    }
    file.beginGroup(QStringLiteral("endpoints"));
    for (const Key& key : kKeys) {
        const QString name = QString::fromLatin1(key.name);
        if (file.contains(name))
            into.*key.field = file.value(name).toString().trimmed();
    }
    return true;
}

void addEndpointOptions(QCommandLineParser& parser) {
    parser.addOption({QStringLiteral("config"), QStringLiteral("Endpoints file (INI)."),
                      QStringLiteral("file")});
    for (const Key& key : kKeys)
        parser.addOption({optionName(key.name),
                          QStringLiteral("Overrides %1 of the endpoints file.")
                              .arg(QString::fromLatin1(key.name)),
                          QStringLiteral("value")});
}

bool applyEndpointOptions(const QCommandLineParser& parser, Endpoints& into, QString* error) {
    QString file = parser.value(QStringLiteral("config"));
    if (file.isEmpty())
        file = qEnvironmentVariable("KVT_CONFIG");
    if (file.isEmpty()) {
        const QString standard =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            QStringLiteral("/kvt-client/endpoints.conf");
        if (QFileInfo::exists(standard))
            file = standard;
    }
    if (!file.isEmpty() && !loadEndpointsFile(file, into, error))
        return false;
    for (const Key& key : kKeys) {
        const QString option = optionName(key.name);
        if (parser.isSet(option))
            into.*key.field = parser.value(option).trimmed();
    }
    return true;
}

} // namespace kvt
