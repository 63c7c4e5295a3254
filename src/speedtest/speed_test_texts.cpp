#include "speedtest/speed_test_texts.h"

#include "app/text_choice.h"

namespace kvt {

QString BatSpeedCaption() {
    return Tr("Bat Speed", "批量测速");
}

QString PauseSpeedCaption() {
    return Tr("Pause Speed", "暂停测速");
}

QString FailedDelayText() {
    return Tr("Unknown", "禁ping");
}

QString TestSpeedCaption() {
    return Tr("Test Speed", "速度测试");
}

QString RetryTestCaption() {
    return Tr("Retry Test", "重新测试");
}

QString LineValueMissingText() {
    return Tr("Error occurred, please close the program to run", "发生错误，请关闭程序再重新运行");
}

} // namespace kvt
