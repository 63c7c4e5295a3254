#include "speedtest/speed_test_rules.h"

namespace kvt {

BatchEffect BatchEffectOf(const EchoResult& result) {
    switch (result.outcome) {
    case EchoResult::Outcome::Reply:
        return result.replies == 1 ? BatchEffect::Delay : BatchEffect::Failure;
    case EchoResult::Outcome::TimedOut:
    case EchoResult::Outcome::Unreachable:
    case EchoResult::Outcome::BadAddress:
        return BatchEffect::Failure;
    case EchoResult::Outcome::SocketError:
    case EchoResult::Outcome::Cancelled:
        return BatchEffect::None;
    }
    return BatchEffect::None;
}

qint64 ShownDelayMs(qint64 roundTripMs) {
    return roundTripMs * 9 / 10;
}

qint64 ReportedTimeMs(const EchoResult& result) {
    if (result.outcome == EchoResult::Outcome::Reply)
        return result.roundTripMs();
    return qMax<qint64>(result.roundTripMs(), SingleTimeoutMs);
}

QString SingleReplyLine(const QString& lineName, qint64 reportedMs) {
    if (reportedMs <= 0)
        return lineName + QStringLiteral(":  time") + QStringLiteral("<1") + QStringLiteral(" ms");
    if (reportedMs <= 999)
        return QStringLiteral("%1:  time%2%3 ms")
            .arg(lineName, QStringLiteral("="), QString::number(reportedMs));
    return QStringLiteral("Request timed out.");
}

} // namespace kvt
