#include "vpn/predial_answer.h"

#include "app/text_decoding.h"
#include "backend/split.h"

namespace kvt {

PredialAccount DecodePredialAnswer(const QString& answer, const QString& loginUser,
                                   const QString& loginPassword) {
    PredialAccount account;
    if (answer == QLatin1String(OwnAccountToken)) {
        account.userName = loginUser;
        account.password = loginPassword;
        account.ownAccountDial = 1;
        return account;
    }
    const QStringList pool = Split(answer, QLatin1String(PoolAccountSeparator));
    if (!SplitPiece(pool, 1).isEmpty()) {
        account.userName = Base64ToText(Base64ToText(SplitPiece(pool, 0)));
        account.password = UnscrambleLong(SplitPiece(pool, 1));
        account.ownAccountDial = 0;
        return account;
    }
    const QStringList named = Split(answer, QLatin1String(NamedAccountSeparator));
    account.userName = Base64ToText(Base64ToText(SplitPiece(named, 1)));
    account.password = loginPassword;
    account.ownAccountDial = 1;
    return account;
}

} // namespace kvt
