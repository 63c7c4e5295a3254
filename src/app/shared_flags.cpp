#include "app/shared_flags.h"

namespace kvt {

int VpnConnected = 0;
std::atomic<int> SpeedTestRunning{0};
int RoutesAdded = 0;

} // namespace kvt
