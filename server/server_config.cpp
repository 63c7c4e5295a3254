#include "server_config.h"

#include <QDir>
#include <QStandardPaths>

#include <string_view>

namespace kvt::server {

namespace {
bool hasControl(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return true;
    }
    return false;
}

// The client cuts the answer at "|" and fields 1 and 2 at "-", dropping empty pieces: a
// value holding a separator, or an empty one, would move the later values.
std::string checkValue(std::string_view name, std::string_view value, std::string_view forbidden,
                       bool mayBeEmpty = false) {
    if (value.empty() && !mayBeEmpty)
        return std::string(name) + " must not be empty";
    if (hasControl(value) || value.find_first_of(forbidden) != std::string_view::npos)
        return std::string(name) + " must not contain control characters or any of \"" +
               std::string(forbidden) + "\"";
    return {};
}
} // namespace

std::string checkConfig(const ServerConfig& config) {
    const auto port = [](int value) {
        return value >= 0 && value <= 65535;
    };
    if (!port(config.mainPort) || !port(config.fallbackPort))
        return "ports must be between 0 and 65535";
    if (config.mainPort != 0 && config.mainPort == config.fallbackPort)
        return "the main and fallback ports must differ";
    if (config.listenAddress.empty())
        return "the listen address must not be empty";
    std::string error;
    if (config.backendHost &&
        !(error = checkValue("backend host", *config.backendHost, "|")).empty())
        return error;
    if (config.directRoute &&
        !(error = checkValue("direct route", *config.directRoute, "|-")).empty())
        return error;
    if (!(error = checkValue("version", config.version, "|-")).empty())
        return error;
    if (!(error = checkValue("update mode", config.updateMode, "|-")).empty())
        return error;
    if (config.updateUrl &&
        !(error = checkValue("update url", *config.updateUrl, "|()", true)).empty())
        return error;
    if (!(error = checkValue("change flag", config.changeFlag, "|")).empty())
        return error;
    return {};
}

std::string defaultDatabasePath() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(base).filePath(QStringLiteral("kvt-server/kvt.db")).toStdString();
}

} // namespace kvt::server
