#pragma once

#include <atomic>

namespace kvt {

// Flags that several subsystems read. All are written on the user-interface thread only.

// 1 while the tunnel is up.
extern int VpnConnected;

// 1 while the batch speed test runs. The speed test's worker threads read it without a lock,
// so it is atomic; only the user-interface thread writes it.
extern std::atomic<int> SpeedTestRunning;

// 1 after the session's direct route was added.
extern int RoutesAdded;

} // namespace kvt
