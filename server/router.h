#pragma once

// Which path is answered by which script handler.

namespace httplib {
class Server;
}

namespace kvt::server {

struct ServiceContext;

// Installs every route, the 404 answer of unknown paths and the 500 answer of a handler that
// failed, on one listener. The context must outlive the server.
void registerRoutes(httplib::Server& server, const ServiceContext& context);

} // namespace kvt::server
