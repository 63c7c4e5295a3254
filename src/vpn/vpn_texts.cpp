#include "vpn/vpn_texts.h"

#include "app/text_choice.h"

namespace kvt {

QString DialErrorText(int code) {
    QString reason;
    switch (code) {
    case 930:
        reason = Tr("cannot be authenticated", "服务器无法进行身份验证");
        break;
    case 691:
        reason = Tr("Username or password cannot be verified", "用户名和密码无法验证");
        break;
    case 619:
    case 800:
        reason =
            Tr("May your network to limit or the line fault", "可能您的网络有限制或此线路存在故障");
        break;
    case 756:
    case 633:
        reason = Tr("System fault, please open the client or restart the computer",
                    "系统故障，请重新打开客户端或重新启动电脑");
        break;
    default:
        reason = Tr("Unable to connect, please replace the line", "无法连接，请更换线路");
        break;
    }
    return Tr("Error:", "错误：") + QString::number(code) + QLatin1Char(' ') + reason;
}

QString EntryStoreFailedText() {
    return Tr("Unable to establish a connection, please try one or more of the following "
              "operation:\r\n\r\n"
              "1、Your computer is the first use of L2TP protocol to login, please reboot your "
              "computer.\r\n\r\n"
              "2、The window7 system, the need to close the client, then right click the client "
              "file select run as Administrator\r\n\r\n"
              "3、Open computer control panel -> open administrative tools -> Open Service -> "
              "Telephony and server is set to automatic and start\r\n\r\n"
              "4、To reopen the client software",
              "无法建立连接，请您尝试以下其中一种或多种操作:\r\n\r\n"
              "1、您的电脑是第一次使用L2TP协议登录，请您重新启动电脑即可\r\n\r\n"
              "2、window7系统，需关闭客户端，再以右键单击客户端文件选择以管理员身份运行\r\n\r\n"
              "3、打开电脑控制面板-->打开管理工具--->打开服务--->把Telephony及server设为自动并"
              "启动\r\n\r\n"
              "4、关闭客户端后重新打开");
}

QString PptpDeviceName() {
    return Tr("WAN Miniport (PPTP)", "WAN 微型端口 (PPTP)");
}

QString L2tpDeviceName() {
    return Tr("WAN Miniport (L2TP)", "WAN 微型端口 (L2TP)");
}

} // namespace kvt
