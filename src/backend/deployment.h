#pragma once

// Deployment constants shared by the client and the reference backend. These are the only
// place the fixed words and default endpoints are written down; both programs include this
// header, so a deployment changes them here once.

#include <string_view>

namespace kvt::deployment {

// Fixed words of the digests and the checkcode.
inline constexpr std::string_view K1 = "varnoka";        // key chain, first link (7 letters)
inline constexpr std::string_view K2 = "quelmod";        // key chain, second link (7 letters)
inline constexpr std::string_view W4 = "tavi";           // user digest (4 letters)
inline constexpr std::string_view W5 = "ronel";          // password digest (5 letters)
inline constexpr std::string_view CheckcodeWord = "316"; // pre-dial checkcode (3 digits)

// The client's own version as the backend's version check compares it.
inline constexpr std::string_view ClientVersion = "8.1.2";

// Default endpoints: the reference backend on loopback.
inline constexpr std::string_view DefaultLoopbackHost = "127.0.0.1";
inline constexpr int MainNodePort = 8006;
inline constexpr int FallbackNodePort = 8005;
inline constexpr int AccountHostPort = 8006;
inline constexpr int BannerHostPort = 8006;
inline constexpr int NoticeHostPort = 8006;

// Path of every backend script and of the service's pages.
inline constexpr std::string_view ScriptPath = "/sysadmin/useradmin/";
inline constexpr std::string_view PagePath = "/kvtclient/";

} // namespace kvt::deployment
