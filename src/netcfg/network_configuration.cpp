#include "netcfg/network_configuration.h"

namespace kvt {

void InactiveNetworkConfiguration::addrouterlist() {}

void InactiveNetworkConfiguration::delrouterlist() {}

} // namespace kvt
