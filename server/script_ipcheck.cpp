// "ipcheckkvt802.php": the pre-dial query. Fields "serverip", "username", "Upassword" (plain)
// and "checkcode". The caller proves its session with the checkcode, which it derives from the
// digests of its credentials; the answer names the account to dial the line at "serverip"
// with, by the dial scheme of that line's mark number:
//   own    the token "e7a2d91b0k6p3f4a95d0c81b2ef6a90d" (dial with the login's account);
//   pool   scrambled user name + separator one + scrambled password of a pool account;
//   named  the mark number + separator two + the scrambled name prefix + login user (dialled
//          with the login password). The client drops an empty first piece, so the name must
//          come second and something must come before it.
// Anything the backend refuses (unknown or invalid account, wrong checkcode, a server that is
// not in the list, a mark without scheme or pool account) answers "error", which carries
// neither the token nor a separator: the client reports that it could not query the line.

#include "account_check.h"
#include "backend/deployment.h"
#include "digests.h"
#include "form_fields.h"
#include "scrambler.h"
#include "scripts.h"

#include <httplib.h>

namespace kvt::server {

namespace {

constexpr std::string_view OwnAccountToken = "e7a2d91b0k6p3f4a95d0c81b2ef6a90d";
constexpr std::string_view PoolSeparator = "6d03b2e95f71c84a0e3d96b15c27e8a4";
constexpr std::string_view NamedSeparator = "6d03b2e95f71c84a0e3d96b15c27e8a3";
constexpr std::string_view Refused = "error";

std::string cat(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (const std::string_view part : parts)
        text.append(part);
    return text;
}

// The checkcode the client sends: derived from the digests it made at login, which follow
// from what the account keeps.
std::string expectedCheckcode(const Account& account) {
    const std::string userDigest = md5Hex(cat({md5Hex(account.userName), deployment::W4}));
    const std::string passwordDigest = md5Hex(cat({account.passwordMd5, deployment::W5}));
    const std::string sessionKey1 = md5Hex(cat({userDigest, passwordDigest, deployment::K1}));
    const std::string sessionKey2 = md5Hex(cat({sessionKey1, deployment::K2}));
    return md5Hex(cat({sessionKey1, deployment::CheckcodeWord, sessionKey2}));
}

std::string dialAnswer(ServiceStore& store, const Account& account, const std::string& server) {
    const std::optional<std::string> mark = store.markOfServer(server);
    if (!mark)
        return std::string(Refused);
    const std::optional<MarkScheme> scheme = store.findMarkScheme(*mark);
    if (!scheme)
        return std::string(Refused);
    switch (scheme->kind) {
    case MarkKind::Own:
        return std::string(OwnAccountToken);
    case MarkKind::Pool: {
        const std::optional<PoolAccount> pool = store.findPoolAccount(*mark, server);
        if (!pool || pool->dialUser.empty())
            return std::string(Refused);
        return cat(
            {scrambleUserName(pool->dialUser), PoolSeparator, scrambleLong(pool->dialPassword)});
    }
    case MarkKind::Named:
        return cat(
            {*mark, NamedSeparator, scrambleUserName(cat({scheme->namePrefix, account.userName}))});
    }
    return std::string(Refused);
}

} // namespace

void answerIpcheck(const httplib::Request& request, httplib::Response& response,
                   const ServiceContext& context) {
    const FormFields fields = FormFields::ofRequest(request);
    const std::optional<std::string> server = fields.value("serverip");
    const std::optional<std::string> checkcode = fields.value("checkcode");
    const AccountCheck check = checkAccount(*context.store, fields.value("username"),
                                            fields.value("Upassword"), QDate::currentDate());
    if (check.verdict != AccountVerdict::Valid || !server || server->empty() || !checkcode ||
        *checkcode != expectedCheckcode(*check.account)) {
        sendText(response, std::string(Refused));
        return;
    }
    sendText(response, dialAnswer(*context.store, *check.account, *server));
}

} // namespace kvt::server
