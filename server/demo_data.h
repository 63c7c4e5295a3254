#pragma once

// What a new database starts with, so that the client can log in and connect at once:
//
//   demo / demo123        valid for a year from the day of creation, 2 computers online
//   expired / expired123  expired a month before the day of creation
//   useup / useup123      a free-test account whose test time has run out
//
// four areas of loopback lines (127.0.0.x, so the speed test measures something real), two
// prepaid cards, and dial schemes for the mark numbers 0, 2 and 9.

#include "service_store.h"

#include <QDate>

#include <vector>

namespace kvt::server {

struct DemoData {
    std::vector<NewAccount> accounts;
    Catalogue catalogue;
    std::vector<PrepaidCard> cards;
    std::vector<MarkScheme> marks;
    std::vector<PoolAccount> poolAccounts;
};

DemoData demoData(QDate today);

} // namespace kvt::server
