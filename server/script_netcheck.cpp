// "netcheckkvt802.php": tells the client its own address, the address to route outside the
// tunnel, the current version and where to send every later request:
//
//   clientaddr-directroute|version-updatemode|backendhost|(updateurl)|flag

#include "scripts.h"

#include <httplib.h>

namespace kvt::server {

namespace {

// "::ffff:1.2.3.4" is how an IPv4 caller appears on a dual-stack socket.
std::string plainAddress(std::string address) {
    constexpr std::string_view mapped = "::ffff:";
    if (address.starts_with(mapped) && address.find('.') != std::string::npos)
        address.erase(0, mapped.size());
    return address;
}

std::string hostForUrl(const std::string& address) {
    return address.find(':') != std::string::npos ? "[" + address + "]" : address;
}

// The host part of the Host header when it is a plain host name or address, else empty. The
// caller's own text goes back only to the caller, but it must not break the answer apart.
std::string requestedHost(const httplib::Request& request) {
    std::string host = request.get_header_value("Host");
    if (host.empty() || host.size() > 255)
        return {};
    for (const char c : host) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_' ||
                             c == ':' || c == '[' || c == ']';
        if (!allowed)
            return {};
    }
    if (host.front() == '[') {
        const std::size_t close = host.find(']');
        return close == std::string::npos ? std::string() : host.substr(0, close + 1);
    }
    const std::size_t colon = host.find(':');
    if (colon != std::string::npos && host.find(':', colon + 1) != std::string::npos)
        return {}; // an unbracketed IPv6 address is not a valid Host header
    return host.substr(0, colon);
}

} // namespace

void answerNetcheck(const httplib::Request& request, httplib::Response& response,
                    const ServiceContext& context) {
    const ServerConfig& config = context.config;
    const std::string localAddress = plainAddress(request.local_addr);
    std::string backendHost;
    if (config.backendHost) {
        backendHost = *config.backendHost;
    } else {
        std::string host = requestedHost(request);
        if (host.empty())
            host = hostForUrl(localAddress);
        backendHost = host + ":" + std::to_string(context.mainPort);
    }
    const std::string directRoute = config.directRoute.value_or(localAddress);
    const std::string updateUrl =
        config.updateUrl.value_or("http://" + backendHost + "/kvtclient/news.htm");
    sendText(response, plainAddress(request.remote_addr) + "-" + directRoute + "|" +
                           config.version + "-" + config.updateMode + "|" + backendHost + "|(" +
                           updateUrl + ")|" + config.changeFlag);
}

} // namespace kvt::server
