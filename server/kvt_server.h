#pragma once

// The reference backend as one object: it opens the store and answers every script on the
// main and the fallback port, each served by its own listener thread. Used by kvt-server's
// main() and by tests that run the service inside their own process.

#include "server_config.h"
#include "service_store.h"

#include <memory>
#include <stdexcept>

namespace kvt::server {

class StartError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class KvtServer {
public:
    // Checks the configuration, creates the database folder and opens the store, then loads
    // the lines file when one is given. Throws StartError.
    explicit KvtServer(ServerConfig config);
    ~KvtServer(); // stops
    KvtServer(const KvtServer&) = delete;
    KvtServer& operator=(const KvtServer&) = delete;

    // Binds both ports and serves them; returns once both listeners accept connections.
    // Throws StartError when a port cannot be bound.
    void start();
    // Closes both listeners and waits for their threads. Safe to call more than once.
    void stop();

    // The ports actually bound (useful with port 0); 0 before start().
    int mainPort() const;
    int fallbackPort() const;

    const ServerConfig& config() const;
    ServiceStore& store();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace kvt::server
