#pragma once

#include <QString>

namespace kvt {

// Answer tokens of the pre-dial query ("ipcheckkvt802.php").
inline constexpr char OwnAccountToken[] = "e7a2d91b0k6p3f4a95d0c81b2ef6a90d";
inline constexpr char PoolAccountSeparator[] = "6d03b2e95f71c84a0e3d96b15c27e8a4";
inline constexpr char NamedAccountSeparator[] = "6d03b2e95f71c84a0e3d96b15c27e8a3";

// The dial account a (non-empty) pre-dial answer names.
struct PredialAccount {
    QString userName; // empty: the answer named no account
    QString password;
    int ownAccountDial = 1; // 0 when the backend supplied both name and password
};

// Reads an answer:
// - the own-account token: the login's name and password;
// - A + separator one + B with B not empty: name = A decoded twice by Base64, password = B
//   unscrambled (a pool account);
// - otherwise the answer cut at separator two: name = its second piece decoded twice by
//   Base64, with the login password.
// Pieces are cut by Split, which drops an empty first piece: an answer starting with
// separator one counts as one without it.
PredialAccount DecodePredialAnswer(const QString& answer, const QString& loginUser,
                                   const QString& loginPassword);

} // namespace kvt
