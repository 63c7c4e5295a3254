#include "demo_data.h"

namespace kvt::server {

namespace {
LineEntry line(const char* name, const char* address, const char* rate, const char* mark) {
    return {name, address, rate, mark};
}
} // namespace

DemoData demoData(QDate today) {
    DemoData data;
    data.accounts = {
        {"demo", "demo123", today.addYears(1), AccountState::Normal, 2, std::nullopt},
        {"expired", "expired123", today.addMonths(-1), AccountState::Normal, 1, std::nullopt},
        {"useup", "useup123", today.addDays(7), AccountState::UseUp, 1, std::nullopt},
    };
    data.catalogue = {
        {"广东电信",
         {line("广州电信01", "127.0.0.11", "45%", "1"),
          line("深圳电信02", "127.0.0.12", "12%", "1"),
          line("东莞电信03", "127.0.0.13", "78%", "5"),
          line("佛山电信04", "127.0.0.14", "30%", "2"),
          line("汕头电信05", "127.0.0.15", "5%", "1")}},
        {"浙江联通",
         {line("杭州联通01", "127.0.0.21", "60%", "1"),
          line("宁波联通02", "127.0.0.22", "25%", "1"),
          line("温州联通03", "127.0.0.23", "90%", "9"),
          line("金华联通04", "127.0.0.24", "17%", "1")}},
        {"US West",
         {line("Los Angeles 1", "127.0.0.31", "33%", "1"),
          line("San Jose 2", "127.0.0.32", "51%", "1"),
          line("Seattle 3", "127.0.0.33", "8%", "0")}},
        {"日本 Japan",
         {line("Tokyo 01", "127.0.0.41", "20%", "1"), line("Tokyo 02", "127.0.0.42", "66%", "1"),
          line("大阪 Osaka 03", "127.0.0.43", "41%", "2"),
          line("Nagoya 04", "127.0.0.44", "3%", "1")}},
    };
    data.cards = {
        {"KVT000000000000001", "cardpass0001", 30, today.addYears(1)},
        {"KVT000000000000002", "cardpass0002", 30, today.addDays(-1)},
    };
    data.marks = {
        {"0", MarkKind::Own, ""},
        {"2", MarkKind::Pool, ""},
        {"9", MarkKind::Named, "kvtrealm9\\"},
    };
    data.poolAccounts = {
        {"2", std::nullopt, "pool201", "poolpw201"},
        {"2", std::nullopt, "pool202", "poolpw202"},
    };
    return data;
}

} // namespace kvt::server
