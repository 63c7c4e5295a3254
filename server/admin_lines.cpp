// "/admin/lines": how an administrator changes areas and lines while the service runs.
//
//   GET  /admin/lines               the areas and lines in the plain text form of catalogue.h
//   POST /admin/lines               each [area] of the body replaces that area's lines (a new
//                                   area goes last); an [area] without lines removes it
//   POST /admin/lines?replace=all   the body becomes the whole list of areas and lines
//
// Answers "ok", or "error: <reason>" with status 400 and nothing changed. Only callers on the
// loopback interface are served (403 otherwise), and only when the server was not started
// with --no-admin.

#include "catalogue.h"
#include "form_fields.h"
#include "scripts.h"

#include <httplib.h>

#include <stdexcept>

namespace kvt::server {

namespace {
bool isLoopback(std::string_view address) {
    return address.starts_with("127.") || address == "::1" || address.starts_with("::ffff:127.");
}
} // namespace

void answerAdminLines(const httplib::Request& request, httplib::Response& response,
                      const ServiceContext& context) {
    if (!context.config.adminEnabled || !isLoopback(request.remote_addr)) {
        response.status = 403;
        sendText(response, "forbidden");
        return;
    }
    if (request.method == "GET" || request.method == "HEAD") {
        sendText(response, formatCatalogueText(context.store->catalogue()));
        return;
    }
    const CatalogueText parsed = parseCatalogueText(request.body);
    if (!parsed.error.empty()) {
        response.status = 400;
        sendText(response, "error: " + parsed.error);
        return;
    }
    const bool replaceAll =
        FormFields::parse(rawQuery(request), false).value("replace") == std::string("all");
    try {
        if (replaceAll)
            context.store->replaceCatalogue(parsed.areas);
        else
            context.store->replaceAreas(parsed.areas);
    } catch (const std::invalid_argument& error) {
        response.status = 400;
        sendText(response, std::string("error: ") + error.what());
        return;
    }
    sendText(response, "ok");
}

} // namespace kvt::server
