#pragma once

// The account verdict shared by every script that receives a user name and a plain password.

#include "answer_language.h"
#include "service_store.h"

#include <QDate>

#include <optional>
#include <string>
#include <string_view>

namespace kvt::server {

enum class AccountVerdict {
    Error,  // missing fields, unknown user, wrong password, or a blocked account
    Expire, // the expiry date has passed
    UseUp,  // a free-test account whose test time has run out
    Valid,
};

struct AccountCheck {
    AccountVerdict verdict = AccountVerdict::Error;
    std::optional<Account> account; // set whenever the password was right
};

AccountCheck checkAccount(ServiceStore& store, const std::optional<std::string>& user,
                          const std::optional<std::string>& password, QDate today);

// "error", "expire", "useup"; empty for Valid.
std::string_view verdictToken(AccountVerdict verdict);

// The user check's success answer: the account's own text, or its expiry date in the
// language of the script. Never empty and never one of the failure tokens.
std::string successAnswer(const Account& account, AnswerLanguage language);

} // namespace kvt::server
