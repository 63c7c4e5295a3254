#include "vpn/traffic_text.h"

#include "app/text_choice.h"

namespace kvt {

quint64 KilobytesHalfEven(quint64 bytes) {
    quint64 whole = bytes / 1000;
    const quint64 rest = bytes % 1000;
    if (rest > 500 || (rest == 500 && whole % 2 == 1))
        ++whole;
    return whole;
}

QString OnlineTimeText(qint64 seconds) {
    if (seconds < 0)
        seconds = 0;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString TrafficText(quint32 sentBytes, quint32 receivedBytes, qint64 onlineSeconds) {
    const QString kb = QStringLiteral("KB");
    return Tr("Data:", "已加速:") + QString::number(KilobytesHalfEven(sentBytes)) + kb +
           QLatin1Char('/') + QString::number(KilobytesHalfEven(receivedBytes)) + kb +
           Tr("  Time:", "  在线时间:") + OnlineTimeText(onlineSeconds);
}

} // namespace kvt
