#include "vpn/linux/pppd_config.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace kvt {

namespace {

QString fromEnv(const char* name, const QString& fallback) {
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

QString stateBase() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return runtime + QStringLiteral("/kvt");
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty())
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/kvt");
}

} // namespace

PppdConfig PppdConfig::fromEnvironment() {
    PppdConfig config;
    const QString base = stateBase();
    config.peersDir = fromEnv("KVT_PEERS_DIR", base + QStringLiteral("/peers"));
    config.runDir = fromEnv("KVT_RUN_DIR", base + QStringLiteral("/run"));
    config.pppd = fromEnv("KVT_PPPD", config.pppd);
    config.pptp = fromEnv("KVT_PPTP", config.pptp);
    config.xl2tpd = fromEnv("KVT_XL2TPD", config.xl2tpd);
    config.sysfsNetRoot = fromEnv("KVT_SYSFS_NET", config.sysfsNetRoot);
    return config;
}

QString ResolveProgram(const QString& program) {
    if (program.isEmpty())
        return {};
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    QString found = QStandardPaths::findExecutable(program);
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(
            program, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return found;
}

} // namespace kvt
