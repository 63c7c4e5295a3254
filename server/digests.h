#pragma once

// The digests the client derives from the user name and password, computed the same way on
// the backend: lower-case hexadecimal MD5 of the UTF-8 bytes, concatenations hashed whole.

#include <string>
#include <string_view>

namespace kvt::server {

std::string md5Hex(std::string_view bytes);

// md5Hex(user + password): what the accounts table keeps instead of the password.
std::string credentialDigest(std::string_view user, std::string_view password);

// md5Hex(password): kept so that the password digest of the key chain can be derived
// without the plain password.
std::string passwordMd5(std::string_view password);

// First 8 characters of md5Hex(characters 11 to 32 of md5Hex(credentialDigest)): the token
// that the server-list scripts accept as proof of the password.
std::string viewToken(std::string_view credentialDigest);

} // namespace kvt::server
