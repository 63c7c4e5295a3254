// The backend's readers of untrusted text: form bodies, the server-list query and the
// administrator's list of lines. Beyond not failing, a list that is accepted must come back
// unchanged from its text form, and every entry of the document made from it must keep five
// non-empty fields, so that the client reads the fields in their places.
#include "catalogue.h"
#include "form_fields.h"
#include "server_list.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace kvt::server;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)FormFields::parse(text, true).value("UserID");
    (void)FormFields::parse(text, false).value("viewstr");
    (void)parseServerListQuery(text);

    const CatalogueText parsed = parseCatalogueText(text);
    if (!parsed.error.empty())
        return 0;
    const CatalogueText again = parseCatalogueText(formatCatalogueText(parsed.areas));
    if (!again.error.empty() || !(again.areas == parsed.areas))
        std::abort();
    const std::string document = serverListDocument(parsed.areas);
    std::size_t start = 0;
    while (start < document.size()) {
        const std::size_t end = document.find("\r\n", start);
        const std::string_view row(document.data() + start, end - start);
        start = end + 2;
        if (row.starts_with('['))
            continue;
        const std::size_t equals = row.find('=');
        if (equals == std::string_view::npos)
            std::abort();
        std::string_view value = row.substr(equals + 1);
        int fields = 0;
        while (true) {
            const std::size_t comma = value.find(',');
            if (value.substr(0, comma).empty())
                std::abort();
            ++fields;
            if (comma == std::string_view::npos)
                break;
            value.remove_prefix(comma + 1);
        }
        if (fields != 5)
            std::abort();
    }
    return 0;
}
