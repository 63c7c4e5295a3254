#include "app/main_window_engine.h"

#include "app/main_window_texts.h"
#include "app/pump_wait.h"
#include "app/remembered_choices.h"
#include "app/shared_flags.h"
#include "app/text_choice.h"
#include "app/user_prompts.h"
#include "backend/deployment.h"
#include "backend/http_exchange.h"
#include "backend/script_url.h"
#include "backend/session_keys.h"
#include "backend/session_state.h"
#include "lines/line_catalogue.h"
#include "lines/line_list_model.h"

#include <QCoreApplication>
#include <QFile>

namespace kvt {

namespace {

void setUp(QTimer& timer, const char* name, int intervalMs) {
    timer.setObjectName(QString::fromLatin1(name));
    timer.setInterval(intervalMs);
}

// The selection a stored index gives a list: the index when it is inside the list, else none.
int selectionInside(int index, qsizetype size) {
    return index >= 0 && index < size ? index : -1;
}

void run(const std::function<void()>& step) {
    if (step)
        step();
}

} // namespace

MainWindowEngine::MainWindowEngine(QObject* parent)
    : QObject(parent), lineList_(new LineListModel(this)) {
    setUp(mainshow, "mainshow", 1000);
    setUp(Timer1, "Timer1", 2000);
    setUp(Timer2, "Timer2", 1000);
    setUp(rast12, "rast12", 4000);
    setUp(dialupstatus, "dialupstatus", 1000);
    setUp(dialupcheck, "dialupcheck", 14000);
    setUp(autodialstatus, "autodialstatus", 20000);
    setUp(statuscheck, "statuscheck", 218000);
    setUp(autochangeline, "autochangeline", 30000);
    setUp(onechangetime, "onechangetime", 15000);
    setUp(datecheck, "datecheck", 900000);
    setUp(vercheck, "vercheck", 15000);
    connect(&mainshow, &QTimer::timeout, this, &MainWindowEngine::mainshowTimer);

    const MainWindowTexts design = MainDesignTexts();
    statuslabel = design.statuslabel;
    protocollabel = design.protocollabel;
    lineList_->setHeaders({design.vt1_column1, design.vt1_column2, design.vt1_column3});
    enabled_.insert(QStringLiteral("btn_disconn"), false);
    exitProcess = [](int code) {
        QCoreApplication::exit(code);
    };
}

MainWindowEngine::~MainWindowEngine() = default;

QList<QTimer*> MainWindowEngine::timers() {
    return {&mainshow,       &Timer1,        &Timer2,         &rast12,
            &dialupstatus,   &dialupcheck,   &autodialstatus, &statuscheck,
            &autochangeline, &onechangetime, &datecheck,      &vercheck};
}

LineListModel& MainWindowEngine::lineList() {
    return *lineList_;
}

QString MainWindowEngine::AreaTxt2Text() const {
    return AreaTxt2Index >= 0 && AreaTxt2Index < AreaTxt2.size() ? AreaTxt2.at(AreaTxt2Index)
                                                                 : QString();
}

QString MainWindowEngine::IPAddrTxtText() const {
    return IPAddrTxtIndex >= 0 && IPAddrTxtIndex < IPAddrTxt.size() ? IPAddrTxt.at(IPAddrTxtIndex)
                                                                    : QString();
}

void MainWindowEngine::setControlEnabled(const QString& control, bool enabled) {
    enabled_.insert(control, enabled);
    Q_EMIT controlEnabledChanged(control, enabled);
}

bool MainWindowEngine::isControlEnabled(const QString& control) const {
    return enabled_.value(control, true);
}

void MainWindowEngine::setControlText(const QString& control, const QString& text) {
    Q_EMIT controlTextChanged(control, text);
}

void MainWindowEngine::applyLanguageTexts() {
    const MainWindowTexts texts = MainTexts();
    statuslabel = texts.statuslabel;
    protocollabel = texts.protocollabel;
    lineList_->setHeaders({texts.vt1_column1, texts.vt1_column2, texts.vt1_column3});
    Q_EMIT textsChanged();
    Q_EMIT statusPanelChanged();
}

void MainWindowEngine::FormShow() {
    ShowInitPending = QStringLiteral("2");
    mainshow.start();
}

void MainWindowEngine::mainshowTimer() {
    if (ShowInitPending == QStringLiteral("2")) {
        if (!RestoreChoices()) {
            AreaTxt2Index = AreaTxt2.isEmpty() ? -1 : 0;
            AreaTxt2Change();
        }
        if (zz >= 0 && zz < areaBarItems.size())
            SelectArea(zz);

        SessionState& s = Session();
        DeriveSessionKeys(s);

        run(applyRouteMode);
        linelabel = LineLabelText(IPAddrTxtText());
        Q_EMIT statusPanelChanged();
        Q_EMIT pagesRequested(QStringLiteral("http://%1%2maintop.htm")
                                  .arg(s.BackendHost, DeploymentText(deployment::PagePath)),
                              QStringLiteral("http://%1%2news.htm")
                                  .arg(s.BackendHost, DeploymentText(deployment::PagePath)));
        run(readLocalDns);
    }
    ShowInitPending = QStringLiteral("1");
    mainshow.stop();
}

void MainWindowEngine::fillAreaLists() {
    AreaTxt = CurrentLineCatalogue().areas();
    AreaTxt2 = AreaTxt;
    AreaTxtIndex = -1;
    AreaTxt2Index = -1;
}

void MainWindowEngine::rebuildAreaBarItems() {
    areaBarItems = AreaTxt2;
    areaBarStyles = QList<AreaItemStyle>(areaBarItems.size(), AreaItemStyle::Normal);
    zz = -1;
    XZ = -1;
    if (AreaTxt2Index >= 0) {
        const QString selected = AreaTxt2Text();
        for (int item = 0; item < areaBarItems.size(); ++item)
            if (areaBarItems.at(item) == selected)
                zz = XZ = item; // with duplicate names the last one wins
    }
    Q_EMIT areaBarChanged();
}

bool MainWindowEngine::RestoreChoices() {
    fillAreaLists();
    Q_EMIT choosersChanged();

    const LastChoiceTexts last = readLastChoice();
    if (!last.area)
        return false;
    const std::optional<int> area = lastChoiceIndex(*last.area);
    if (!area)
        return false;
    AreaTxtIndex = selectionInside(*area, AreaTxt.size());
    AreaTxt2Index = selectionInside(*area, AreaTxt2.size());
    IPAddrTxt = CurrentLineCatalogue().lineNames(AreaTxt2Text());
    IPAddrTxtIndex = -1;
    Q_EMIT choosersChanged();

    if (!last.line)
        return false;
    const std::optional<int> line = lastChoiceIndex(*last.line);
    if (!line)
        return false;
    IPAddrTxtIndex = selectionInside(*line, IPAddrTxt.size());
    Q_EMIT choosersChanged();

    rebuildAreaBarItems();
    return true;
}

void MainWindowEngine::RebuildAreaBar(int areaIndex) {
    fillAreaLists();
    AreaTxt2Index = selectionInside(areaIndex, AreaTxt2.size());
    IPAddrTxt = CurrentLineCatalogue().lineNames(AreaTxt2Text());
    IPAddrTxtIndex = -1;
    Q_EMIT choosersChanged();
    rebuildAreaBarItems();
}

void MainWindowEngine::refuseWhileSpeedTestRuns() {
    Prompts().message(Tr("please close bat speed", "请先关闭测速"), UserPrompts::Icon::Information);
}

void MainWindowEngine::SelectArea(int item) {
    if (SpeedTestRunning.load() == 1) {
        refuseWhileSpeedTestRuns();
        return;
    }
    if (item < 0 || item >= areaBarItems.size())
        return;
    if (XZ >= 0 && XZ < areaBarStyles.size())
        areaBarStyles[XZ] = AreaItemStyle::Normal;
    lineList_->clear();
    AreaTxt2Index = selectionInside(item, AreaTxt2.size());
    areaBarStyles[item] = AreaItemStyle::GreenBold;
    XZ = item;
    Q_EMIT areaBarChanged();

    if (CurrentLineCatalogue().lineNames(AreaTxt2Text()).isEmpty()) {
        // Nothing to connect to here: an empty chooser rather than the previous area's lines,
        // which Connect would otherwise look up in this area.
        IPAddrTxt.clear();
        IPAddrTxtIndex = -1;
        Q_EMIT choosersChanged();
        return;
    }
    AreaTxt2Change();
    restoreRememberedLine();
}

void MainWindowEngine::restoreRememberedLine() {
    const LastChoiceTexts last = readLastChoice();
    if (!last.area)
        return;
    const std::optional<int> storedArea = parseDecimalIndex(*last.area);
    if (!storedArea)
        return;
    if (*storedArea != AreaTxt2Index) {
        IPAddrTxtIndex = IPAddrTxt.isEmpty() ? -1 : 0;
        Q_EMIT choosersChanged();
        return;
    }
    if (!last.line)
        return;
    const std::optional<int> line = lastChoiceIndex(*last.line);
    if (!line)
        return;
    IPAddrTxtIndex = selectionInside(*line, IPAddrTxt.size());
    Q_EMIT choosersChanged();
}

void MainWindowEngine::fillFromArea(bool filtered) {
    if (SpeedTestRunning.load() == 1) {
        refuseWhileSpeedTestRuns();
        return;
    }
    if (XZ >= 0 && XZ < areaBarStyles.size()) {
        areaBarStyles[XZ] = AreaItemStyle::Bold;
        Q_EMIT areaBarChanged();
    }
    lineList_->clear();

    const LineCatalogue& catalogue = CurrentLineCatalogue();
    const QString area = AreaTxt2Text();
    QList<ps> rows = MakeAreaRows(catalogue, area);
    if (filtered && !linenametxt.isEmpty())
        rows.removeIf(
            [&](const ps& r) { return !r.name.contains(linenametxt, Qt::CaseSensitive); });
    lineList_->fill(std::move(rows));

    const QStringList names = catalogue.lineNames(area);
    if (!names.isEmpty()) {
        IPAddrTxt = names;
        IPAddrTxtIndex = 0;
        if (!filtered)
            linenametxt.clear();
    } else {
        IPAddrTxt.clear();
        IPAddrTxtIndex = -1;
    }
    Q_EMIT choosersChanged();
}

void MainWindowEngine::AreaTxt2Change() {
    fillFromArea(false);
}

void MainWindowEngine::AreaTxt2Change2() {
    fillFromArea(true);
}

void MainWindowEngine::selectChooserItemByName(const QString& name) {
    IPAddrTxtIndex = -1;
    for (int i = 0; i < IPAddrTxt.size(); ++i) {
        if (IPAddrTxt.at(i).compare(name, Qt::CaseInsensitive) == 0) {
            IPAddrTxtIndex = i;
            break;
        }
    }
}

void MainWindowEngine::linenamesearchClick() {
    KeptAreaIndex = AreaTxt2Index;
    RebuildAreaBar(KeptAreaIndex);
    AreaTxt2Change2();
    if (lineList_->rowCount() == 0)
        return;
    lineList_->setFocusedRow(0);
    selectChooserItemByName(lineList_->record(0).name);
    Q_EMIT choosersChanged();
}

void MainWindowEngine::vt1Click() {
    const int row = lineList_->focusedRow();
    if (row < 0) {
        IPAddrTxtIndex = IPAddrTxt.isEmpty() ? -1 : 0;
        Q_EMIT choosersChanged();
        return;
    }
    const QString name = lineList_->record(row).name;
    if (name.isEmpty())
        return;
    selectChooserItemByName(name);
    linelabel = LineLabelText(IPAddrTxtText());
    Q_EMIT choosersChanged();
    Q_EMIT statusPanelChanged();
}

void MainWindowEngine::N14Click() {
    const QString answer = FetchText(ServerListUrl(QStringLiteral("flushvpnlistkvt802")));
    PumpMessages();
    if (answer.isEmpty()) {
        Prompts().message(Tr("Unable to update the server list, please try again later",
                             "无法更新服务器列表，请稍后再试"),
                          UserPrompts::Icon::None);
        return;
    }
    ReplaceLineCatalogue(answer);
    RestoreChoices();
    AreaTxt2Change();
}

bool MainWindowEngine::FormCloseQuery() {
    if (VpnConnected == 0)
        return true;
    if (Prompts().question(CloseQuestionText()))
        return true;
    Q_EMIT minimizeRequested();
    return false;
}

void MainWindowEngine::FormClose() {
    if (Session().LoginSucceeded == 1)
        writeLastChoice(AreaTxt2Index, IPAddrTxtIndex);
    run(removeHotKey);
    SpeedTestRunning.store(0);
    if (RoutesAdded == 1)
        run(delrouterlist);
    run(releaseDial);
    run(removeTray);
    if (!AppDir.isEmpty()) {
        QFile::remove(AppDir + QStringLiteral("delroute.bat"));
        QFile::remove(AppDir + QStringLiteral("route.bat"));
    }
    run(destroyRemoteAccess);
    if (exitProcess)
        exitProcess(0);
}

} // namespace kvt
