#pragma once

#include "speedtest/icmp_echo.h"

#include <QString>

namespace kvt {

// Echo settings of the two tests.
constexpr int BatchPayloadSize = 56;
constexpr int BatchTimeoutMs = 4000;
constexpr int BatchTtl = 64;
constexpr int SinglePayloadSize = 32;
constexpr int SingleTimeoutMs = 1000;
constexpr int SingleEchoCount = 7;

// What a finished batch echo does to its row.
enum class BatchEffect {
    Delay,   // write the shown delay
    Failure, // write the failure text and count a lost measurement
    None,    // leave the row alone: the echo could not be made at all, or was cancelled
};
BatchEffect BatchEffectOf(const EchoResult& result);

// The delay the batch test shows for a round trip in whole milliseconds: nine tenths,
// rounded down (45 ms shows as 40, 9 ms as 8).
qint64 ShownDelayMs(qint64 roundTripMs);

// The time the single test reports for an echo, in milliseconds: the round trip of a reply;
// without a reply the time waited, at least 1000 ms.
qint64 ReportedTimeMs(const EchoResult& result);

// One line of the single test's list for the reported time t: "<1" under a millisecond,
// "=t" up to 999 ms, else "Request timed out.".
QString SingleReplyLine(const QString& lineName, qint64 reportedMs);

} // namespace kvt
