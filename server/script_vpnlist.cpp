// "vpnlistkvt802.php" (login) and "flushvpnlistkvt802.php" (refresh), with "_en" and "_tw":
// GET "?viewstr=<token>&&viewuser=<user>". The list goes only to a caller whose token is the
// one derived from that user's password; anyone else gets an empty answer, which the client
// treats as a failed download. The variants send the same document: area and line names are
// the service's data, not interface texts, and the client remembers the chosen area by name.

#include "digests.h"
#include "form_fields.h"
#include "scripts.h"
#include "server_list.h"

#include <httplib.h>

namespace kvt::server {

void answerServerList(const httplib::Request& request, httplib::Response& response,
                      const ServiceContext& context) {
    const ServerListQuery query = parseServerListQuery(rawQuery(request));
    std::string document;
    if (query.viewToken && query.userName && !query.userName->empty()) {
        const std::optional<Account> account = context.store->findAccount(*query.userName);
        if (account && viewToken(account->credentialDigest) == *query.viewToken)
            document = serverListDocument(context.store->catalogue());
    }
    sendText(response, std::move(document));
}

} // namespace kvt::server
