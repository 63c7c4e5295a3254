#include "kvt_server.h"

#include "catalogue.h"
#include "router.h"
#include "service_context.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <httplib.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace kvt::server {

namespace {

// Large enough for any form of the client and for an administrator's list of lines.
constexpr std::size_t MaxPayload = 1024 * 1024;

struct Listener {
    httplib::Server server;
    std::thread thread;
    std::atomic<bool> finished{false};
    int port = 0;
};

void openDatabaseFolder(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    const QDir folder = info.absoluteDir();
    if (folder.exists())
        return;
    if (!QDir().mkpath(folder.absolutePath()))
        throw StartError("cannot create the database folder " +
                         folder.absolutePath().toStdString());
    QFile::setPermissions(folder.absolutePath(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void loadLinesFile(ServiceStore& store, const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        throw StartError("cannot read the lines file " + path);
    const QByteArray text = file.readAll();
    const CatalogueText parsed = parseCatalogueText(std::string_view(text.data(), text.size()));
    if (!parsed.error.empty())
        throw StartError("lines file " + path + ": " + parsed.error);
    store.replaceCatalogue(parsed.areas);
}

} // namespace

struct KvtServer::Private {
    ServiceContext context;
    std::unique_ptr<ServiceStore> store;
    Listener main;
    Listener fallback;
    bool started = false;

    void bind(Listener& listener, int port) {
        const std::string& host = context.config.listenAddress;
        listener.server.set_payload_max_length(MaxPayload);
        // httplib also sets SO_REUSEPORT by default, which would let a second kvt-server
        // share the port silently instead of failing to start.
        listener.server.set_socket_options([](socket_t socket) {
            const int yes = 1;
            setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        });
        registerRoutes(listener.server, context);
        if (port == 0) {
            listener.port = listener.server.bind_to_any_port(host);
            if (listener.port < 0)
                listener.port = 0;
        } else if (listener.server.bind_to_port(host, port)) {
            listener.port = port;
        }
        if (listener.port == 0)
            throw StartError("cannot listen on " + host + ":" + std::to_string(port));
    }

    static void serve(Listener& listener) {
        listener.thread = std::thread([&listener] {
            listener.server.listen_after_bind();
            listener.finished = true;
        });
        // httplib's stop() only takes effect once the listener runs; wait for that so that
        // an early stop() cannot be lost.
        while (!listener.server.is_running() && !listener.finished)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    static void halt(Listener& listener) {
        if (!listener.thread.joinable())
            return;
        listener.server.stop();
        listener.thread.join();
    }
};

KvtServer::KvtServer(ServerConfig config) : d(std::make_unique<Private>()) {
    if (config.databasePath.empty())
        config.databasePath = defaultDatabasePath();
    if (std::string error = checkConfig(config); !error.empty())
        throw StartError(error);
    if (config.databasePath != ":memory:")
        openDatabaseFolder(config.databasePath);
    try {
        d->store = std::make_unique<ServiceStore>(config.databasePath);
    } catch (const SqliteError& error) {
        throw StartError(error.what());
    }
    if (config.linesFile)
        loadLinesFile(*d->store, *config.linesFile);
    d->context.config = std::move(config);
    d->context.store = d->store.get();
}

KvtServer::~KvtServer() {
    stop();
}

void KvtServer::start() {
    if (d->started)
        return;
    d->bind(d->main, d->context.config.mainPort);
    try {
        d->bind(d->fallback, d->context.config.fallbackPort);
    } catch (const StartError&) {
        // httplib closes a bound socket only through a running listener.
        Private::serve(d->main);
        Private::halt(d->main);
        d->main.port = 0;
        throw;
    }
    d->context.mainPort = d->main.port;
    d->context.fallbackPort = d->fallback.port;
    d->started = true;
    Private::serve(d->main);
    Private::serve(d->fallback);
}

void KvtServer::stop() {
    Private::halt(d->main);
    Private::halt(d->fallback);
}

int KvtServer::mainPort() const {
    return d->main.port;
}

int KvtServer::fallbackPort() const {
    return d->fallback.port;
}

const ServerConfig& KvtServer::config() const {
    return d->context.config;
}

ServiceStore& KvtServer::store() {
    return *d->store;
}

} // namespace kvt::server
