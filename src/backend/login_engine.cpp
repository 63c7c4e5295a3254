#include "backend/login_engine.h"

#include "app/login_texts.h"
#include "app/main_window_engine.h"
#include "app/main_window_texts.h"
#include "app/pump_wait.h"
#include "app/remembered_choices.h"
#include "app/ui_language.h"
#include "app/user_prompts.h"
#include "backend/deployment.h"
#include "backend/failover.h"
#include "backend/http_exchange.h"
#include "backend/main_node.h"
#include "backend/md5_hex.h"
#include "backend/script_url.h"
#include "backend/session_keys.h"
#include "backend/session_state.h"
#include "lines/line_catalogue.h"

namespace kvt {

namespace {} // namespace

LoginEngine::LoginEngine(MainWindowEngine* mainWindow, QObject* parent)
    : QObject(parent), mainWindow_(mainWindow) {
    Label3 = LoginDesignTexts().Label3;
}

void LoginEngine::setLabel3(const QString& text, bool visible) {
    Label3 = text;
    Label3Visible = visible;
    Q_EMIT label3Changed();
}

void LoginEngine::FormCreate() {
    PumpMessages();
    // Every read stops at its first failure; what was read before it is applied.
    const LoginChoices choices = readLoginChoices();
    if (choices.savePassword)
        chkpass = *choices.savePassword;
    if (choices.savePassword.value_or(false)) {
        if (choices.userName)
            edt_user = *choices.userName;
        if (choices.password)
            edt_pass = *choices.password;
    }
    if (choices.complete) {
        if (choices.languageIndex) {
            const int index = *choices.languageIndex;
            lang = index >= 0 && index < LanguageListEntries().size() ? index : -1;
            Q_EMIT fieldsChanged();
            langChange();
            return;
        }
        lang = 0;
    }
    Q_EMIT fieldsChanged();
}

void LoginEngine::langChange() {
    if (!ApplyLanguageChoice(lang))
        return;
    Label3 = LoginTexts().Label3;
    Q_EMIT textsChanged();
    Q_EMIT label3Changed();
    if (mainWindow_)
        mainWindow_->applyLanguageTexts();
}

void LoginEngine::langDblClick() {
    lang = ListIndexAfterDoubleClick(lang);
    Q_EMIT fieldsChanged();
    langChange();
}

void LoginEngine::btn_loginClick() {
    // B. Input checks on the raw texts.
    if (edt_user.isEmpty()) {
        Prompts().message(LoginMessageTexts().userEmpty, UserPrompts::Icon::Warning);
        Prompts().focus(QStringLiteral("edt_user"));
        return;
    }
    if (edt_pass.isEmpty()) {
        Prompts().message(LoginMessageTexts().passwordEmpty, UserPrompts::Icon::Warning);
        Prompts().focus(QStringLiteral("edt_pass"));
        return;
    }

    // C. Digests, from the trimmed texts, whatever the attempt's outcome.
    SessionState& s = Session();
    const QString user = edt_user.trimmed();
    const QString password = edt_pass.trimmed();
    SetCredentialDigests(s, user, password);
    s.CredentialDigest = Md5Hex(user + password);
    s.ViewToken = Md5Hex(Md5Hex(s.CredentialDigest).mid(10, 22)).left(8);

    // D. Status.
    setLabel3(LoginMessageTexts().connecting, true);
    PumpMessages();

    // E. Host selection.
    if (!QueryMainNode()) {
        Prompts().message(LoginMessageTexts().networkPoor, UserPrompts::Icon::None);
        PumpMessages();
        setLabel3(Label3, false);
        return;
    }

    // F. Version check.
    if (s.LatestVersion == DeploymentText(deployment::ClientVersion)) {
        s.UpdateNoticeCount = 0;
        if (mainWindow_)
            mainWindow_->vercheck.start();
        if (s.UpdateMode == QStringLiteral("3")) {
            Q_EMIT closeRequested();
            Prompts().openUrl(s.UpdateUrl);
            return;
        }
        setLabel3(LoginMessageTexts().updateAvailable, true);
        if (showUpdatePrompt)
            showUpdatePrompt();
        if (s.UpdateChoice == QStringLiteral("2")) {
            Q_EMIT closeRequested();
            return;
        }
    }

    // G. User check.
    if (!attemptUserCheck())
        return;
}

bool LoginEngine::attemptUserCheck() {
    const QString answer = PostWithFailover(QStringLiteral("usercheckkvt802"),
                                            {QStringLiteral("UserID=") + edt_user.trimmed(),
                                             QStringLiteral("Upassword=") + edt_pass.trimmed()},
                                            DefaultReadTimeoutMs);

    const LoginMessages messages = LoginMessageTexts();
    QString failure;
    if (answer.isEmpty()) {
        Prompts().message(messages.networkPoor, UserPrompts::Icon::None);
        setLabel3(Label3, false);
        Prompts().focus(QStringLiteral("edt_user"));
        return false;
    }
    if (answer == QStringLiteral("error"))
        failure = messages.wrongPassword;
    else if (answer == QStringLiteral("expire"))
        failure = messages.accountExpired;
    else if (answer == QStringLiteral("useup"))
        failure = messages.freeTimeUsedUp;
    if (!failure.isEmpty()) {
        Prompts().message(failure, UserPrompts::Icon::None);
        setLabel3(failure, true);
        Prompts().focus(QStringLiteral("edt_user"));
        return false;
    }
    succeed(answer);
    return true;
}

void LoginEngine::succeed(const QString& answer) {
    SessionState& s = Session();
    // H.1
    s.LoginSucceeded = 1;
    const QString scripts =
        QStringLiteral("http://") + s.BackendHost + DeploymentText(deployment::ScriptPath);
    s.PasswordUrl = scripts + QStringLiteral("mypass_savekvt802.php");
    s.RegisterUrl = scripts + QStringLiteral("user_self_new_savekvt802.php");
    s.TopUpUrl = scripts + QStringLiteral("reckon_new_savekvt802.php");
    // H.2
    s.LoginUser = edt_user.trimmed();
    s.LoginPassword = edt_pass.trimmed();
    s.LoginAnswer = answer;
    // H.3
    if (mainWindow_) {
        mainWindow_->userlabel = UserLabelText(s.LoginUser, s.LoginAnswer);
        mainWindow_->statuslabel = Tr("Disconnected", "未连接");
        mainWindow_->localiplabel = LocalIpLabelText(s.ClientAddress);
        Q_EMIT mainWindow_->statusPanelChanged();
    }
    // H.4: a failure loses the remembered choices only.
    SavedLoginChoices saved;
    saved.savePassword = chkpass;
    saved.saveAutoDial = chkstatus;
    saved.languageIndex = lang;
    saved.userName = edt_user;
    saved.password = edt_pass;
    writeLoginChoices(saved);
    // H.5, H.6
    ReplaceLineCatalogue(FetchText(ServerListUrl(QStringLiteral("vpnlistkvt802"))));
    // H.7
    Q_EMIT closeRequested();
    Q_EMIT noticeBoardDestroyRequested();
}

} // namespace kvt
