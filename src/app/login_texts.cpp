#include "app/login_texts.h"

#include "app/to_traditional.h"
#include "app/ui_language.h"

#include <iterator>

namespace kvt {

namespace {

constexpr const char* kTitleEnglish = "KVT Network Client v8.0.2";
constexpr const char* kTitleSimplified = "Varnok动态加速器 v8.0.2";

struct LoginRow {
    QString LoginWindowTexts::*member;
    const char* control;
    const char* english;
    const char* simplified;
    const char* design; // nullptr: the design-time text is the simplified one
};

// In the order the language change sets them.
const LoginRow kLoginRows[] = {
    {&LoginWindowTexts::caption, "caption", kTitleEnglish, kTitleSimplified, nullptr},
    {&LoginWindowTexts::sLabel1, "sLabel1", "UserName:", "用户名:", nullptr},
    {&LoginWindowTexts::sLabel2, "sLabel2", "Password:", "密  码:", nullptr},
    {&LoginWindowTexts::sLabel3, "sLabel3", "Language:", "语  言:", nullptr},
    {&LoginWindowTexts::chkpass, "chkpass", "save pass", "记住密码", nullptr},
    {&LoginWindowTexts::sButton1, "sButton1", "Register", "帐户注册", nullptr},
    {&LoginWindowTexts::sButton2, "sButton2", "Top Up", "帐户充值", nullptr},
    {&LoginWindowTexts::btn_login, "btn_login", "Login", "登  录", "登  陆"},
    {&LoginWindowTexts::btn_exit, "btn_exit", "Cancel", "关  闭", nullptr},
    {&LoginWindowTexts::Label3, "Label3", "Welcome to use KVT Network Client v8.0.2",
     "欢迎使用Varnok动态加速器 v8.0.2", ""},
    {&LoginWindowTexts::sGroupBox1, "sGroupBox1", "Login", "登录", "登陆"},
};
static_assert(sizeof(LoginWindowTexts) == std::size(kLoginRows) * sizeof(QString),
              "every member of LoginWindowTexts needs a row");

struct MessageRow {
    QString LoginMessages::*member;
    const char* name;
    const char* english;
    const char* simplified;
};

const MessageRow kMessageRows[] = {
    {&LoginMessages::userEmpty, "userEmpty", "The user name cannot be empty", "账号不能为空"},
    {&LoginMessages::passwordEmpty, "passwordEmpty", "Password cannot be empty", "密码必须输入"},
    {&LoginMessages::connecting, "connecting", "Connecting to server, please wait......",
     "请稍候，正在向主节点获取连接信息......"},
    {&LoginMessages::networkPoor, "networkPoor",
     "network quality is poor, please try connecting again or try again later",
     "服务器繁忙或此时网络质量差，请重新尝试连接或稍后再试"},
    {&LoginMessages::updateAvailable, "updateAvailable",
     "There have been updated version, the old version may not be available, we strongly "
     "recommend that you download the latest version",
     "已经新版本，旧版本可能无法使用，建议您下载最新版本"},
    {&LoginMessages::wrongPassword, "wrongPassword", "The user name or password is incorrect",
     "用户名或密码错误"},
    {&LoginMessages::accountExpired, "accountExpired",
     "This account has expired, please recharge in time to use",
     "此帐户已过期，请及时充值后才能使用此功能"},
    {&LoginMessages::freeTimeUsedUp, "freeTimeUsedUp",
     "This account free test time has run out, please register normal account",
     "此帐户免费测试时间已经用完，请注册正式帐户"},
};
static_assert(sizeof(LoginMessages) == std::size(kMessageRows) * sizeof(QString),
              "every member of LoginMessages needs a row");

} // namespace

QString ApplicationTitle(int language) {
    return TextFor(language, kTitleEnglish, kTitleSimplified);
}

QString ApplicationTitle() {
    return ApplicationTitle(UiLanguage);
}

LoginWindowTexts LoginTexts(int language) {
    LoginWindowTexts texts;
    for (const LoginRow& row : kLoginRows)
        texts.*row.member = TextFor(language, row.english, row.simplified);
    // The status line of the traditional window has always shown the bare title.
    if (language == 3)
        texts.Label3 = ToTraditional(QString::fromUtf8(kTitleSimplified));
    return texts;
}

LoginWindowTexts LoginTexts() {
    return LoginTexts(UiLanguage);
}

LoginWindowTexts LoginDesignTexts() {
    LoginWindowTexts texts;
    for (const LoginRow& row : kLoginRows)
        texts.*row.member = QString::fromUtf8(row.design ? row.design : row.simplified);
    return texts;
}

QList<NamedText> Entries(const LoginWindowTexts& texts) {
    QList<NamedText> entries;
    for (const LoginRow& row : kLoginRows)
        entries.append({row.control, texts.*row.member});
    return entries;
}

LoginMessages LoginMessageTexts(int language) {
    LoginMessages texts;
    for (const MessageRow& row : kMessageRows)
        texts.*row.member = TextFor(language, row.english, row.simplified);
    return texts;
}

LoginMessages LoginMessageTexts() {
    return LoginMessageTexts(UiLanguage);
}

QList<NamedText> Entries(const LoginMessages& texts) {
    QList<NamedText> entries;
    for (const MessageRow& row : kMessageRows)
        entries.append({row.name, texts.*row.member});
    return entries;
}

QString NoticeBoardCaption() {
    return QStringLiteral("公告栏");
}

} // namespace kvt
