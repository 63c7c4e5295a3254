#include "catalogue.h"

#include <QString>

#include <set>

namespace kvt::server {

namespace {

bool hasControl(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return true;
    }
    return false;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// The client trims names and values, so surrounding spaces would be lost on the way.
bool hasOuterSpace(std::string_view text) {
    return !text.empty() && (isSpace(text.front()) || isSpace(text.back()));
}

QString foldedName(std::string_view name) {
    return QString::fromUtf8(name.data(), qsizetype(name.size())).toCaseFolded();
}

std::string quoted(std::string_view text) {
    // Appended piece by piece: g++ 12 at -O3 warns falsely (-Wrestrict) on "x" + string&&.
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    out += text;
    out += '"';
    return out;
}

} // namespace

std::string checkAreaName(std::string_view name) {
    if (name.empty())
        return "empty area name";
    if (hasControl(name) || hasOuterSpace(name))
        return "area name " + quoted(name) + " has control characters or outer spaces";
    if (name.size() > 200)
        return "area name too long";
    return {};
}

std::string checkLine(const LineEntry& line) {
    const std::string which = "line " + quoted(line.name) + ": ";
    if (line.name.empty())
        return "empty line name";
    if (hasControl(line.name) || hasOuterSpace(line.name) || line.name.size() > 200)
        return which + "name has control characters, outer spaces or is too long";
    // "=" ends the name; ";" starts a comment line; "[" may start a section line.
    if (line.name.find('=') != std::string::npos || line.name.front() == ';' ||
        line.name.front() == '[')
        return which + "name contains \"=\" or starts with \";\" or \"[\"";
    // An empty field would be dropped and move the later fields up, so every field the client
    // reads must hold something, and none may hold the field separator.
    for (const std::string* field : {&line.address, &line.onlineRate, &line.markNum}) {
        if (field->empty() || field->find(',') != std::string::npos || hasControl(*field) ||
            hasOuterSpace(*field) || field->size() > 200)
            return which + "address, online rate and mark number must be non-empty, without "
                           "commas, control characters or outer spaces";
    }
    if (line.address.find_first_of(" \t") != std::string::npos)
        return which + "address contains spaces";
    for (const char c : line.markNum) {
        if (c < '0' || c > '9')
            return which + "mark number must be decimal digits";
    }
    if (line.markNum.size() > 6)
        return which + "mark number too long";
    return {};
}

std::string checkCatalogue(const Catalogue& areas) {
    std::set<QString> areaNames;
    for (const AreaEntry& area : areas) {
        if (std::string error = checkAreaName(area.name); !error.empty())
            return error;
        if (!areaNames.insert(foldedName(area.name)).second)
            return "area " + quoted(area.name) + " appears twice";
        std::set<QString> lineNames;
        for (const LineEntry& line : area.lines) {
            if (std::string error = checkLine(line); !error.empty())
                return error;
            if (!lineNames.insert(foldedName(line.name)).second)
                return "line " + quoted(line.name) + " appears twice in area " + quoted(area.name);
        }
    }
    return {};
}

CatalogueText parseCatalogueText(std::string_view text) {
    CatalogueText result;
    int lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view row = trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        if (row.empty() || row.front() == ';')
            continue;
        if (row.front() == '[' && row.back() == ']' && row.size() >= 2) {
            result.areas.push_back({std::string(trimmed(row.substr(1, row.size() - 2))), {}});
            continue;
        }
        if (result.areas.empty()) {
            result.error = where + "entry before the first [area]";
            return result;
        }
        const std::size_t equals = row.find('=');
        if (equals == std::string_view::npos) {
            result.error = where + "expected name=address,online rate,mark number";
            return result;
        }
        LineEntry line;
        line.name = std::string(trimmed(row.substr(0, equals)));
        std::string_view value = trimmed(row.substr(equals + 1));
        std::vector<std::string> fields;
        while (true) {
            const std::size_t comma = value.find(',');
            fields.emplace_back(trimmed(value.substr(0, comma)));
            if (comma == std::string_view::npos)
                break;
            value.remove_prefix(comma + 1);
        }
        if (fields.size() != 3) {
            result.error = where + "expected name=address,online rate,mark number";
            return result;
        }
        line.address = fields[0];
        line.onlineRate = fields[1];
        line.markNum = fields[2];
        if (std::string error = checkLine(line); !error.empty()) {
            result.error = where + error;
            return result;
        }
        result.areas.back().lines.push_back(std::move(line));
    }
    result.error = checkCatalogue(result.areas);
    return result;
}

std::string formatCatalogueText(const Catalogue& areas) {
    std::string text;
    for (const AreaEntry& area : areas) {
        text += "[" + area.name + "]\n";
        for (const LineEntry& line : area.lines)
            text +=
                line.name + "=" + line.address + "," + line.onlineRate + "," + line.markNum + "\n";
    }
    return text;
}

} // namespace kvt::server
