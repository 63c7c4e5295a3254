#pragma once

// The backend side of the client's decoders: it produces the scrambled fields that the client
// turns back into text. Every function here is the exact inverse of its client counterpart
// on byte strings (a client character 0-255 is one byte here).

#include <string>
#include <string_view>

namespace kvt::server {

// Base64 of the bytes without padding: the client's decoder reads the short final group.
std::string encodeBase64(std::string_view bytes);

// The text whose swap of the first two blocks of n characters gives `swapped`.
std::string unswapBlocks(std::string_view swapped, std::size_t n);

// Server address of a line in the server list (inverse of the client's short unscrambler).
std::string scrambleShort(std::string_view address);

// Dial password of the pre-dial answer (inverse of the client's long unscrambler). The
// eight characters that the client drops are filled with `filler`'s first eight bytes.
std::string scrambleLong(std::string_view secret, std::string_view filler = "kvtpool8");

// Dial user name of the pre-dial answer: the client decodes Base64 twice.
std::string scrambleUserName(std::string_view name);

} // namespace kvt::server
