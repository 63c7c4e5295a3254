// kvt-server: the reference service backend. Runs until SIGTERM or SIGINT.

#include "command_line.h"
#include "kvt_server.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <pthread.h>

namespace {

bool writePortFile(const std::string& path, int mainPort, int fallbackPort) {
    // Written whole and renamed into place, so a reader never sees half of it.
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray text = "main=" + QByteArray::number(mainPort) +
                            "\nfallback=" + QByteArray::number(fallbackPort) + "\n";
    return file.write(text) == text.size() && file.commit();
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const kvt::server::CommandLine commandLine = kvt::server::parseCommandLine(arguments);
    if (commandLine.helpRequested) {
        std::fputs(commandLine.helpText.c_str(), stdout);
        return 0;
    }
    if (!commandLine.error.empty()) {
        std::fprintf(stderr, "kvt-server: %s\n", commandLine.error.c_str());
        return 2;
    }

    // Block the stop signals in every thread (the listener threads inherit the mask) and
    // wait for them here, so that shutdown runs in ordinary code, not in a signal handler.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    try {
        kvt::server::KvtServer server(commandLine.config);
        server.start();
        // The port file first: whoever waits for the line below may read it at once.
        if (!commandLine.portFile.empty() &&
            !writePortFile(commandLine.portFile, server.mainPort(), server.fallbackPort())) {
            std::fprintf(stderr, "kvt-server: cannot write %s\n", commandLine.portFile.c_str());
            return 1;
        }
        const std::string& host = server.config().listenAddress;
        std::printf("listening on main=%s:%d fallback=%s:%d database=%s\n", host.c_str(),
                    server.mainPort(), host.c_str(), server.fallbackPort(),
                    server.config().databasePath.c_str());
        std::fflush(stdout);
        int signalNumber = 0;
        sigwait(&stopSignals, &signalNumber);
        server.stop();
        std::printf("stopped\n");
        std::fflush(stdout);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kvt-server: %s\n", error.what());
        return 1;
    }
    return 0;
}
