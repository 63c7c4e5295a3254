#pragma once

#include <QString>
#include <QtGlobal>

namespace kvt {

// Bytes as whole kilobytes of 1000 bytes, a half rounded to the even neighbour: 1499 -> 1,
// 1500 -> 2, 2500 -> 2.
quint64 KilobytesHalfEven(quint64 bytes);

// Online time "hh:nn:ss": all whole hours (at least two digits, so 25 hours show as 25, not
// 01), minutes and seconds with two digits. A negative duration (the clock went back) shows
// as 00:00:00.
QString OnlineTimeText(qint64 seconds);

// The traffic line of the status panel in the current language:
// "Data:1KB/2KB  Time:01:02:05" / "已加速:1KB/2KB  在线时间:01:02:05".
QString TrafficText(quint32 sentBytes, quint32 receivedBytes, qint64 onlineSeconds);

} // namespace kvt
