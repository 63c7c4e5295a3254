#pragma once

// The server-list document the client downloads at login and on refresh: an INI text with
// one "[area]" section per area in order and one entry per line,
//
//   line name=<scrambled address>,<online rate>,0,<mark number>,0
//
// Fields 3 and 5 are not read by the client; they hold "0" because the client drops empty
// fields before numbering them.

#include "catalogue.h"

#include <string>

namespace kvt::server {

std::string serverListDocument(const Catalogue& areas);

} // namespace kvt::server
