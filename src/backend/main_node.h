#pragma once

namespace kvt {

// Asks the main node (then, if it is silent, the fallback node) which backend host to use and
// what the current client version is, and fills BackendHost, AlternateHost, ClientAddress,
// DirectRouteAddress, LatestVersion, UpdateMode, UpdateUrl and IpChangeAllowed from the
// answer "client-direct|version-mode|host:port|(download address)|flag". A main node answer
// makes its host the backend and the fallback node the alternate; a fallback answer makes the
// fallback node the backend and its host the alternate. Returns false, changing nothing, when
// neither node answered.
bool QueryMainNode();

} // namespace kvt
