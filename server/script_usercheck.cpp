// "usercheckkvt802.php" (and "_en", "_tw"): the account check of login. Fields "UserID" and
// "Upassword" (plain). Answers "error", "expire", "useup", or the account's text on success.

#include "account_check.h"
#include "form_fields.h"
#include "scripts.h"

#include <httplib.h>

namespace kvt::server {

void answerUsercheck(const httplib::Request& request, httplib::Response& response,
                     const ServiceContext& context, AnswerLanguage language) {
    const FormFields fields = FormFields::ofRequest(request);
    const AccountCheck check = checkAccount(*context.store, fields.value("UserID"),
                                            fields.value("Upassword"), QDate::currentDate());
    if (check.verdict != AccountVerdict::Valid) {
        sendText(response, std::string(verdictToken(check.verdict)));
        return;
    }
    sendText(response, successAnswer(*check.account, language));
}

} // namespace kvt::server
