#pragma once

// Areas and their lines as the backend keeps them (plain server addresses), and the plain
// text form in which an administrator reads and replaces them:
//
//   [广东电信]
//   广州电信1=127.0.0.11,45%,1
//
// one section per area, one "name=address,online rate,mark number" entry per line, in order.

#include <string>
#include <string_view>
#include <vector>

namespace kvt::server {

struct LineEntry {
    std::string name;
    std::string address;
    std::string onlineRate;
    std::string markNum;

    bool operator==(const LineEntry&) const = default;
};

struct AreaEntry {
    std::string name;
    std::vector<LineEntry> lines;

    bool operator==(const AreaEntry&) const = default;
};

using Catalogue = std::vector<AreaEntry>;

// Each check returns an empty text when the value can be written into the server-list
// document without changing its meaning, else the reason it cannot.
std::string checkAreaName(std::string_view name);
std::string checkLine(const LineEntry& line);
// Checks every area and line, and that no two areas, and no two lines of one area, have
// names that the client would take for the same (it matches names without regard to case).
std::string checkCatalogue(const Catalogue& areas);

struct CatalogueText {
    Catalogue areas;
    std::string error; // empty when the text was read whole
};

// Reads the plain text form; stops at the first entry that is not valid.
CatalogueText parseCatalogueText(std::string_view text);
std::string formatCatalogueText(const Catalogue& areas);

} // namespace kvt::server
