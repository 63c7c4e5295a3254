#include "form_fields.h"

#include <QByteArray>
#include <httplib.h>

namespace kvt::server {

std::string percentDecode(std::string_view text, bool plusIsSpace) {
    QByteArray bytes(text.data(), qsizetype(text.size()));
    if (plusIsSpace)
        bytes.replace('+', ' ');
    // Malformed escapes ("%zz", a "%" at the end) are kept as they are.
    return QByteArray::fromPercentEncoding(bytes).toStdString();
}

FormFields FormFields::parse(std::string_view text, bool plusIsSpace) {
    FormFields result;
    while (!text.empty()) {
        const std::size_t amp = text.find('&');
        const std::string_view piece = text.substr(0, amp);
        text = amp == std::string_view::npos ? std::string_view() : text.substr(amp + 1);
        if (piece.empty())
            continue;
        const std::size_t equals = piece.find('=');
        const std::string_view name = piece.substr(0, equals);
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view() : piece.substr(equals + 1);
        result.fields_.emplace_back(percentDecode(name, plusIsSpace),
                                    percentDecode(value, plusIsSpace));
    }
    return result;
}

std::string_view rawQuery(const httplib::Request& request) {
    const std::string_view target = request.target;
    const std::size_t question = target.find('?');
    return question == std::string_view::npos ? std::string_view() : target.substr(question + 1);
}

FormFields FormFields::ofRequest(const httplib::Request& request) {
    FormFields fields;
    // The client always sends form-encoded bodies; the content type is not insisted upon.
    if (!request.body.empty() && !request.is_multipart_form_data())
        fields = parse(request.body, true);
    fields.append(parse(rawQuery(request), true));
    return fields;
}

std::optional<std::string> FormFields::value(std::string_view name) const {
    for (const auto& [fieldName, fieldValue] : fields_) {
        if (fieldName == name)
            return fieldValue;
    }
    return std::nullopt;
}

void FormFields::append(const FormFields& other) {
    fields_.insert(fields_.end(), other.fields_.begin(), other.fields_.end());
}

ServerListQuery parseServerListQuery(std::string_view query) {
    constexpr std::string_view userKey = "viewuser=";
    std::size_t at = 0;
    while ((at = query.find(userKey, at)) != std::string_view::npos) {
        if (at == 0 || query[at - 1] == '&')
            break;
        at += userKey.size();
    }
    ServerListQuery result;
    if (at == std::string_view::npos) {
        result.viewToken = FormFields::parse(query, false).value("viewstr");
        return result;
    }
    const FormFields before = FormFields::parse(query.substr(0, at), false);
    result.viewToken = before.value("viewstr");
    if (result.viewToken) {
        result.userName = percentDecode(query.substr(at + userKey.size()), false);
    } else {
        // Another order than the client's: read the query as ordinary fields.
        const FormFields all = FormFields::parse(query, false);
        result.viewToken = all.value("viewstr");
        result.userName = all.value("viewuser");
    }
    return result;
}

} // namespace kvt::server
