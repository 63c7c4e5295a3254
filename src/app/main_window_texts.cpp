#include "app/main_window_texts.h"

#include "app/ui_language.h"

#include <iterator>

namespace kvt {

namespace {

struct MainRow {
    QString MainWindowTexts::*member;
    const char* control;
    const char* english;
    const char* simplified;
    const char* design; // nullptr: the design-time text is the simplified one
};

// In the order the language change sets them.
const MainRow kMainRows[] = {
    {&MainWindowTexts::caption, "caption", "KVT Network Client v8.0.2", "Varnok动态加速器 v8.0.2",
     nullptr},
    {&MainWindowTexts::sLabel3, "sLabel3", "Line:", "线路:", "线路："},
    {&MainWindowTexts::sLabel4, "sLabel4", "Protocol:", "模式:", "模式："},
    {&MainWindowTexts::sCheckBox1, "sCheckBox1", "128bit Encryption", "增强加密", nullptr},
    {&MainWindowTexts::btn_speed, "btn_speed", "Bat Speed", "批量测速", nullptr},
    {&MainWindowTexts::cesu, "cesu", "Speed test", "单个测速", nullptr},
    {&MainWindowTexts::statuslabel, "statuslabel", "Disconnected", "未连接", nullptr},
    {&MainWindowTexts::protocollabel, "protocollabel", "Protocol: Mode one", "模式: 模式一",
     "协议：PPTP"},
    {&MainWindowTexts::vt1_column1, "vt1_column1", "Line name", "线路名称", nullptr},
    {&MainWindowTexts::vt1_column2, "vt1_column2", "Delay(ms)", "延时(ms)", nullptr},
    {&MainWindowTexts::vt1_column3, "vt1_column3", "Online rate", "在线率", nullptr},
    {&MainWindowTexts::N2, "N2", "User Management", "用户管理", "帐户管理"},
    {&MainWindowTexts::N11, "N11", "Register", "用户注册", "帐户注册"},
    {&MainWindowTexts::N3, "N3", "Top Up", "用户充值", "帐户充值"},
    {&MainWindowTexts::N4, "N4", "Update Password", "修改密码", nullptr},
    {&MainWindowTexts::O1, "O1", "Refresh line", "刷新线路", nullptr},
    {&MainWindowTexts::N14, "N14", "Refresh line", "刷新线路", nullptr},
    {&MainWindowTexts::N15, "N15", "Advanced settings", "高级设置", nullptr},
    {&MainWindowTexts::N16, "N16", "Advanced settings", "高级设置", nullptr},
    {&MainWindowTexts::N17, "N17", "Speed test", "单个测速", nullptr},
    {&MainWindowTexts::N18, "N18", "Connect", "启动连接", "启用连接"},
    {&MainWindowTexts::N19, "N19", "copy line name", "复制线路名称", nullptr},
    {&MainWindowTexts::N9, "N9", "Show Main Window", "显示主界面", nullptr},
    {&MainWindowTexts::N7, "N7", "Exit", "退出", nullptr},
    {&MainWindowTexts::N8, "N8", "About", "关于", nullptr},
    {&MainWindowTexts::btn_conn, "btn_conn", "Connect", "启动连接", nullptr},
    {&MainWindowTexts::btn_disconn, "btn_disconn", "Disconnect", "断开连接", nullptr},
    {&MainWindowTexts::linenamesearch, "linenamesearch", "Search", "搜索", nullptr},
};
static_assert(sizeof(MainWindowTexts) == std::size(kMainRows) * sizeof(QString),
              "every member of MainWindowTexts needs a row");

} // namespace

MainWindowTexts MainTexts(int language) {
    MainWindowTexts texts;
    for (const MainRow& row : kMainRows)
        texts.*row.member = TextFor(language, row.english, row.simplified);
    return texts;
}

MainWindowTexts MainTexts() {
    return MainTexts(UiLanguage);
}

MainWindowTexts MainDesignTexts() {
    MainWindowTexts texts;
    for (const MainRow& row : kMainRows)
        texts.*row.member = QString::fromUtf8(row.design ? row.design : row.simplified);
    return texts;
}

QList<NamedText> Entries(const MainWindowTexts& texts) {
    QList<NamedText> entries;
    for (const MainRow& row : kMainRows)
        entries.append({row.control, texts.*row.member});
    return entries;
}

QString AreaBarHint() {
    return QStringLiteral("选择你需要连接的国家或地区");
}

QString LineLabelText(const QString& lineName) {
    return Tr("Line:", "当前节点：") + lineName;
}

QString UserLabelText(const QString& user, const QString& loginAnswer) {
    return Tr("UserName：", "用户名：") + user + QStringLiteral("  ") + loginAnswer;
}

QString LocalIpLabelText(const QString& clientAddress) {
    return Tr("Local IP：", "本地IP为：") + clientAddress;
}

QString CloseQuestionText() {
    return Tr("Network is connected, are you sure you want to close it?",
              "VPN正在连接,关闭将断开VPN连接,您确定要关闭吗");
}

} // namespace kvt
