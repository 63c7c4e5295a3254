#pragma once

// What every script handler is given: the configuration, the store and the ports actually
// listened on. Set up before the listeners start and read-only afterwards (the store locks
// itself).

#include "server_config.h"
#include "service_store.h"

namespace kvt::server {

struct ServiceContext {
    ServerConfig config;
    ServiceStore* store = nullptr;
    int mainPort = 0;
    int fallbackPort = 0;
};

} // namespace kvt::server
