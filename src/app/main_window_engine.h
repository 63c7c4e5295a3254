#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

namespace kvt {

class LineListModel;

// The state and behaviour of the main window `Tfrmmain` without its widgets: the timers, the
// status panel texts, the hidden area lists, the line chooser, the area bar, the show
// initialisation and the close sequence. The window shows what it holds and forwards its
// events here; the engine tells the window what changed through the signals.
class MainWindowEngine : public QObject {
    Q_OBJECT
public:
    explicit MainWindowEngine(QObject* parent = nullptr);
    ~MainWindowEngine() override;

    // Timers of the main window, all stopped at start; each subsystem connects its handler.
    QTimer mainshow;       // 1000 ms, show initialisation
    QTimer Timer1;         // 2000 ms, speed-test re-sort
    QTimer Timer2;         // 1000 ms, connection monitor
    QTimer rast12;         // 4000 ms, connection monitor
    QTimer dialupstatus;   // 1000 ms, connection monitor
    QTimer dialupcheck;    // 14000 ms, connection monitor
    QTimer autodialstatus; // 20000 ms, redial watchdog
    QTimer statuscheck;    // 218000 ms, status report
    QTimer autochangeline; // 30000 ms, line change
    QTimer onechangetime;  // 15000 ms, line change throttle
    QTimer datecheck;      // 900000 ms, expiry check
    QTimer vercheck;       // 15000 ms, update balloons
    QList<QTimer*> timers();

    // Status panel.
    QString statuslabel;
    QString linelabel;
    QString protocollabel;
    QString localiplabel;
    QString datalabel;
    QString userlabel;

    // Colour of the status line as 0xRRGGBB (black at start).
    quint32 statuslabelColor = 0x000000;

    // Enabled state of the window's controls by control name (a control not listed is
    // enabled). Subsystems that change it (connect, disconnect, speed test) call
    // setControlEnabled; the window applies controlEnabledChanged.
    void setControlEnabled(const QString& control, bool enabled);
    bool isControlEnabled(const QString& control) const;
    // A caption set at run time (for example the speed-test button's while the test runs);
    // the window applies controlTextChanged.
    void setControlText(const QString& control, const QString& text);

    // The hidden area lists (area names in document order) and the line chooser; an index of
    // -1 means no selection. The current area is AreaTxt2's selection, the current line the
    // chooser's text.
    QStringList AreaTxt;
    int AreaTxtIndex = -1;
    QStringList AreaTxt2;
    int AreaTxt2Index = -1;
    QStringList IPAddrTxt;
    int IPAddrTxtIndex = -1;
    QString linenametxt; // search text
    QString AreaTxt2Text() const;
    QString IPAddrTxtText() const;

    // The area bar `sb`: one item per area, in document order. `zz` is the item to click at
    // show time, `XZ` the item shown as selected; -1 for none.
    enum class AreaItemStyle { Normal, Bold, GreenBold };
    QStringList areaBarItems;
    QList<AreaItemStyle> areaBarStyles;
    int zz = -1;
    int XZ = -1;

    // The line list `vt1`: the rows of the current area.
    LineListModel& lineList();

    // "2" from the first show until the show initialisation has run, then "1".
    QString ShowInitPending;

    // The main window was shown by the event loop for the first time.
    void FormShow();
    // Tick of `mainshow`: the show initialisation, once.
    void mainshowTimer();

    // Rebuilds the area lists and the area bar from the current line catalogue and selects
    // the remembered area and line. Returns false when a stored index is not a number (or
    // the settings cannot be read); the area bar is then not rebuilt.
    bool RestoreChoices();
    // The same rebuild without the settings, keeping the given area index.
    void RebuildAreaBar(int areaIndex);

    // Click on the area bar item `item`.
    void SelectArea(int item);
    // Fills the line list and the chooser from the area selected in AreaTxt2.
    void AreaTxt2Change();
    // The same, keeping only lines whose name contains the search text.
    void AreaTxt2Change2();

    // Search (button `linenamesearch`, or Enter in `linenametxt`): rebuilds the area lists
    // keeping the area, lists only the lines whose name contains the search text and focuses
    // the first of them.
    void linenamesearchClick();
    // Click or double click on a row of `vt1`: the focused row's line becomes the selected
    // line.
    void vt1Click();
    // Menu "Refresh line": downloads the server list again and rebuilds the lists from it.
    void N14Click();

    // The area index the search keeps while it rebuilds the area lists.
    int KeptAreaIndex = -1;

    // The window is asked to close: true allows it. While a tunnel is up the user is asked
    // first; No keeps the window (minimised) and the connection.
    bool FormCloseQuery();
    // The close sequence; its last step ends the process.
    void FormClose();

    // Sets the language-dependent texts of the status panel and tells the window to re-read
    // MainTexts(); called when a language is applied.
    void applyLanguageTexts();

    // Steps that later subsystems provide; each does nothing until set.
    std::function<void()> applyRouteMode;      // show initialisation
    std::function<void()> readLocalDns;        // show initialisation
    std::function<void()> removeHotKey;        // close
    std::function<void()> delrouterlist;       // close, when routes were added
    std::function<void()> releaseDial;         // close
    std::function<void()> removeTray;          // close
    std::function<void()> destroyRemoteAccess; // close
    // Ends the process (close, last step). Defaults to leaving the event loop with the code.
    std::function<void(int)> exitProcess;
    // Folder of the program with a trailing separator; the close step deletes the route
    // batch files found there.
    QString AppDir;

Q_SIGNALS:
    void textsChanged();
    void statusPanelChanged();
    void choosersChanged();
    void areaBarChanged();
    void pagesRequested(const QString& web1Url, const QString& web2Url);
    void minimizeRequested();
    void controlEnabledChanged(const QString& control, bool enabled);
    void controlTextChanged(const QString& control, const QString& text);

private:
    void fillAreaLists();
    void rebuildAreaBarItems();
    void refuseWhileSpeedTestRuns();
    void fillFromArea(bool filtered);
    void restoreRememberedLine();
    void selectChooserItemByName(const QString& name);

    LineListModel* lineList_;
    QHash<QString, bool> enabled_;
};

} // namespace kvt
