#pragma once

// Reading the fields of a request: form bodies, query strings, and the server-list query whose
// last value (the user name) arrives unescaped and may itself contain "&".

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace httplib {
struct Request;
}

namespace kvt::server {

class FormFields {
public:
    // Parses "a=1&b=2" text. Empty pieces (as in "a=1&&b=2") are skipped; "%XX" is decoded,
    // and "+" becomes a space when plusIsSpace (form bodies), not in query strings, where the
    // client sends names unescaped and "+" is a character of the name.
    static FormFields parse(std::string_view text, bool plusIsSpace);

    // Fields of a form post or a GET: the form body (when the request has one) and then the
    // query string. The first occurrence of a name wins.
    static FormFields ofRequest(const httplib::Request& request);

    std::optional<std::string> value(std::string_view name) const;
    void append(const FormFields& other);

private:
    std::vector<std::pair<std::string, std::string>> fields_;
};

// The raw query string of a request (the target after the first "?"), undecoded.
std::string_view rawQuery(const httplib::Request& request);

std::string percentDecode(std::string_view text, bool plusIsSpace);

struct ServerListQuery {
    std::optional<std::string> viewToken; // "viewstr"
    std::optional<std::string> userName;  // "viewuser"
};

// "viewstr=<token>&&viewuser=<user>": the user name is everything after "viewuser=", so a name
// holding "&" or "=" arrives whole. Percent escapes in it are decoded.
ServerListQuery parseServerListQuery(std::string_view query);

} // namespace kvt::server
