// The connect procedure: from the selected line to a running dial, which the connection
// monitor then watches.

#include "app/main_window_engine.h"
#include "app/pump_wait.h"
#include "app/shared_flags.h"
#include "app/text_choice.h"
#include "app/text_decoding.h"
#include "app/ui_language.h"
#include "app/user_prompts.h"
#include "backend/deployment.h"
#include "backend/http_exchange.h"
#include "backend/md5_hex.h"
#include "backend/script_url.h"
#include "backend/session_keys.h"
#include "backend/session_state.h"
#include "backend/split.h"
#include "lines/line_catalogue.h"
#include "lines/line_list_model.h"
#include "netcfg/network_configuration.h"
#include "vpn/dial_names.h"
#include "vpn/predial_answer.h"
#include "vpn/vpn_engine.h"
#include "vpn/vpn_texts.h"

namespace kvt {

namespace {

bool isRealmMark(const QString& mark) {
    return mark == u"3" || mark == u"4" || mark == u"5" || mark == u"6" || mark == u"7";
}

} // namespace

void VpnEngine::btn_connClick() {
    connectProcedure(true);
}

void VpnEngine::btn_conn2Click() {
    connectProcedure(false);
}

void VpnEngine::connectProcedure(bool userConnect) {
    RasEntryEditor& editor = ras_.entryEditor();
    RasConnection& connection = ras_.connection();

    // 1. The line change continues after the row the user connected.
    LineListModel& list = mw_.lineList();
    const int focused = list.focusedRow();
    list.RotationCursor = focused >= 0 ? list.rowId(focused) : 0;

    // 2. Nothing selected: point the user at the line chooser.
    const QString lineName = mw_.IPAddrTxtText();
    if (lineName.trimmed().isEmpty()) {
        Prompts().focus(QStringLiteral("IPAddrTxt"));
        return;
    }

    // 3.
    ConnectingControls();
    VpnConnected = 0;
    ReleaseDial();

    // 4. A line without a value cannot be dialled; the window returns to idle so the user can
    // pick another line.
    const QString value = CurrentLineCatalogue().value(mw_.AreaTxt2Text(), lineName);
    if (value.isEmpty()) {
        Prompts().message(
            Tr("Error occurred, please close the program to run", "发生错误，请关闭程序再重新运行"),
            UserPrompts::Icon::Warning);
        btn_disconnClick();
        return;
    }

    // 5.
    const QStringList fields = Split(value, QStringLiteral(","));
    const QString server = UnscrambleShort(SplitPiece(fields, 0));
    LineMarkNum = SplitPiece(fields, 3);

    // 6.
    StatusBar1Panel0 = Tr("Connecting....", "正在建立连接");
    mw_.statuslabel = Tr("Connecting...", "正在建立连接");
    mw_.linelabel = Tr("Line:", "连接线路：") + lineName;
    panelChanged();

    // 7.
    editor.PPPDefault();
    editor.PBLocation = 1;

    // 8. Mode two needs no preparation of the system here: its dial runs an xl2tpd of its
    // own, which speaks L2TP without IPsec.

    // 9.
    if (rb_pptp) {
        editor.DeviceName = PptpDeviceName();
        editor.VpnStrategy = VpnStrategyPptpOnly;
    } else {
        editor.DeviceName = L2tpDeviceName();
        editor.VpnStrategy = VpnStrategyL2tpOnly;
    }

    // 10.
    const SessionState& session = Session();
    LineQueryCheckcode = Md5Hex(session.SessionKey1 + DeploymentText(deployment::CheckcodeWord) +
                                session.SessionKey2);

    // 11.
    editor.DeviceType = QStringLiteral("vpn");
    editor.PreviewUserPw = true;
    editor.PreviewPhoneNumber = true;
    editor.LocalPhoneNumber = server;
    DialServerAddress = server;

    // 12.
    if (!chooseAccount())
        return;

    // 13.
    DialUniqueId.clear();
    DialEntryName = DialEntryNameAt(now());
    DialUniqueId = DialUniqueIdAt(now(), RandomDigits(8));

    // 14.
    if (sCheckBox1 && editor.DeviceName == PptpDeviceName()) {
        editor.RequireDataEncryption = true;
        editor.PromoteAlternates = false;
        editor.HeaderCompression = true;
        editor.RequireEncryptedPassword = true;
        editor.RequireMsCHAP2 = true;
        editor.EncryptionType = EncryptionType128Bit;
    } else {
        editor.RequireDataEncryption = true;
        editor.EncryptionType = EncryptionTypeOptional;
        editor.PromoteAlternates = false;
        editor.HeaderCompression = true;
        editor.RequirePAP = true;
        editor.RequireEncryptedPassword = true;
        editor.RequireCHAP = true;
        editor.RequireMsCHAP = true;
        editor.RequireMsCHAP2 = true;
    }
    editor.SoftwareCompression = true;
    editor.Custom = true;
    editor.PType = PTypeVpn;

    // 15.
    if (RoutesAdded == 0) {
        if (routetypeItemIndex == 0 || !routetypeText.isEmpty()) {
            try {
                network_.addrouterlist();
            } catch (...) {
            }
        }
        RoutesAdded = 1;
    }

    // 16, 17. A value the backend sent that cannot be written safely is a dial that cannot
    // start, not a broken system: it is reported like one.
    for (const bool credentialsOnly : {false, true}) {
        const int r = credentialsOnly ? editor.PutDialProps(DialEntryName)
                                      : editor.PutAllEntryProps(DialEntryName);
        if (r == RasErrorValueRefused) {
            dialStartFailed(r, editor.StatusStr);
            return;
        }
        if (r != 0) {
            Prompts().message(EntryStoreFailedText(), UserPrompts::Icon::Warning);
            btn_disconnClick();
            return;
        }
    }

    // 18.
    connection.EntryName = DialEntryName;
    connection.PBLocation = 1;
    DialHandle = 0;
    int r = connection.GetDialParams();
    if (r == 0)
        r = connection.AutoConnectEx(DialHandle);

    // 19.
    if (r != 0) {
        dialStartFailed(r, connection.StatusStr);
        return;
    }

    // 20. From here on the monitor decides.
    mw_.dialupstatus.start(1000);
    mw_.Timer2.start(1000);
    mw_.setControlEnabled(QStringLiteral("btn_conn"), false);
    mw_.rast12.start(4000);
    mw_.dialupcheck.start(14000);
    mw_.datalabel.clear();
    ConnectStartTime = now();
    panelChanged();
    if (userConnect && AutoChangeEnabled == u"2" && !AutoChangeSeconds.isEmpty()) {
        const std::optional<int> seconds = settingSeconds(AutoChangeSeconds);
        if (seconds && *seconds >= 30) {
            mw_.autochangeline.setInterval((*seconds + 10) * 1000);
            mw_.autochangeline.start();
        }
    }
}

bool VpnEngine::chooseAccount() {
    RasEntryEditor& editor = ras_.entryEditor();
    const SessionState& session = Session();
    if (LineMarkNum == u"1") {
        editor.UserName = session.LoginUser;
        editor.Password = session.LoginPassword;
        OwnAccountDial = 1;
        return true;
    }
    if (isRealmMark(LineMarkNum)) {
        editor.UserName =
            QStringLiteral("quorvane0") + LineMarkNum + QLatin1Char('\\') + session.LoginUser;
        editor.Password = session.LoginPassword;
        OwnAccountDial = 1;
        return true;
    }
    return predialQuery();
}

bool VpnEngine::predialQuery() {
    RasEntryEditor& editor = ras_.entryEditor();
    const SessionState& session = Session();
    QString answer;
    try {
        answer = PostForm(ScriptUrl(session.BackendHost, QStringLiteral("ipcheckkvt802")),
                          {QStringLiteral("serverip=") + DialServerAddress,
                           QStringLiteral("username=") + session.LoginUser,
                           QStringLiteral("Upassword=") + session.LoginPassword,
                           QStringLiteral("checkcode=") + LineQueryCheckcode},
                          PreDialReadTimeoutMs);
    } catch (...) {
        answer.clear();
    }
    PumpMessages();

    if (answer.isEmpty()) {
        btn_disconnClick();
        setStatus(Tr("network quality is poor, please try connecting again or try again later",
                     "服务器繁忙或此时网络质量差，请更换线路或稍后再试"));
        return false;
    }
    const PredialAccount account =
        DecodePredialAnswer(answer, session.LoginUser, session.LoginPassword);
    editor.UserName = account.userName;
    editor.Password = account.password;
    OwnAccountDial = account.ownAccountDial;
    if (editor.UserName.isEmpty()) {
        Prompts().message(Tr("Unable to query the server line information, please try "
                             "connecting again or try again later.",
                             "无法向服务器查询线路信息，请重新尝试连接或稍后再试."),
                          UserPrompts::Icon::Warning);
        btn_disconnClick();
        return false;
    }
    return true;
}

void VpnEngine::dialStartFailed(int error, const QString& serviceText) {
    setStatus(Tr("Error cole:", "错误代码") + QString::number(error) + QLatin1Char('-') +
              serviceText);
    IdleControls();
    ReleaseDial();
}

void VpnEngine::ReleaseDial() {
    RasConnection& connection = ras_.connection();
    if (DialHandle != 0) {
        try {
            connection.DisconnectEx(DialHandle, true, 3000);
        } catch (...) {
        }
        DialHandle = 0;
    }
    if (connection.ValidateName(DialEntryName) != 0) {
        try {
            connection.GetConnection();
            if (connection.CurConnName == DialEntryName)
                connection.DisconnectEx(connection.CurRasConn, false, 3000);
        } catch (...) {
        }
        try {
            connection.EntryName = DialEntryName;
            connection.DeletePhonebook();
            connection.DeletePhonebook();
        } catch (...) {
        }
    }
}

} // namespace kvt
