#include "account_check.h"

#include "digests.h"

namespace kvt::server {

AccountCheck checkAccount(ServiceStore& store, const std::optional<std::string>& user,
                          const std::optional<std::string>& password, QDate today) {
    AccountCheck check;
    if (!user || !password || user->empty())
        return check;
    std::optional<Account> account = store.findAccount(*user);
    if (!account || credentialDigest(*user, *password) != account->credentialDigest)
        return check;
    check.account = account;
    if (account->state == AccountState::Disabled)
        check.verdict = AccountVerdict::Error;
    else if (account->state == AccountState::UseUp)
        check.verdict = AccountVerdict::UseUp;
    else if (!account->expiresOn.isValid() || account->expiresOn < today)
        check.verdict = AccountVerdict::Expire;
    else
        check.verdict = AccountVerdict::Valid;
    return check;
}

std::string_view verdictToken(AccountVerdict verdict) {
    switch (verdict) {
    case AccountVerdict::Error:
        return "error";
    case AccountVerdict::Expire:
        return "expire";
    case AccountVerdict::UseUp:
        return "useup";
    case AccountVerdict::Valid:
        break;
    }
    return "";
}

std::string successAnswer(const Account& account, AnswerLanguage language) {
    if (const auto& text = account.answerText) {
        // The client would take these for a failure of the check.
        if (!text->empty() && *text != "error" && *text != "expire" && *text != "useup")
            return *text;
    }
    const std::string date = account.expiresOn.toString(Qt::ISODate).toStdString();
    switch (language) {
    case AnswerLanguage::English:
        return "Expiry date: " + date;
    case AnswerLanguage::Traditional:
        return "到期時間：" + date;
    case AnswerLanguage::Simplified:
        break;
    }
    return "到期时间：" + date;
}

} // namespace kvt::server
