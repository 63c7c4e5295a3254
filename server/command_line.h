#pragma once

// kvt-server's command line.

#include "server_config.h"

#include <QStringList>

#include <string>

namespace kvt::server {

struct CommandLine {
    ServerConfig config;
    std::string portFile; // empty: none
    bool helpRequested = false;
    std::string helpText;
    std::string error; // empty when the arguments were understood
};

// arguments[0] is the program name.
CommandLine parseCommandLine(const QStringList& arguments);

} // namespace kvt::server
