#pragma once

#include "app/main_window_engine.h"
#include "app/ui/control_texts.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>

class QAction;
class QCloseEvent;
class QModelIndex;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;

namespace kvt::ui {

class AreaBar;
class LineListView;
class PageView;
class QtPrompts;
class Tfrmlogin;

// The main window: top banner, area bar, line and mode box, search, line list, connect
// buttons, news pane and status panel, with the main menu, the line list's popup menu and the
// tray menu. Every control carries its design name as object name and has an accessor of the
// same name. The behaviour lives in a MainWindowEngine (setEngine): handlers forward to it and
// the window shows what the engine announces. Handlers whose behaviour belongs to later
// subsystems forward to `hooks`. Every handler also announces itself (handlerCalled).
class Tfrmmain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 791;
    static constexpr int ClientHeight = 513;

    explicit Tfrmmain(QWidget* parent = nullptr);
    ~Tfrmmain() override;

    // The engine behind the handlers (not owned; it must outlive the window). The window
    // shows the engine's line list model and its current state at once.
    void setEngine(MainWindowEngine* engine);
    MainWindowEngine* engine() const { return engine_; }
    // The prompts whose boxes and focus requests belong to the window in front (the login
    // window while it runs, then this one); may be null (a test's recording prompts).
    void setPrompts(QtPrompts* prompts) { prompts_ = prompts; }

    // Creation: caption := application title; the login window runs modally (its engine
    // talks to this window's engine) and is destroyed when it closes. Without a successful
    // login the window closes, whose close sequence ends the process.
    void FormCreate();
    // The login window while FormCreate runs it, else null.
    Tfrmlogin* frmlogin() const { return frmlogin_; }

    // Handlers whose behaviour belongs to other subsystems (connect and disconnect, speed
    // tests, mode choice, account dialogs, settings, tray menu, one-key line change). Each
    // handler runs its hook; a hook not set does nothing.
    struct Hooks {
        std::function<void()> btn_connClick;      // connect
        std::function<void()> btn_disconnClick;   // disconnect
        std::function<void()> cesuClick;          // single speed test
        std::function<void()> btn_speedClick;     // batch speed test
        std::function<void()> rb_pptpClick;       // mode one
        std::function<void()> rb_lp2pClick;       // mode two
        std::function<void()> N11Click;           // registration dialog
        std::function<void()> N3Click;            // top-up dialog
        std::function<void()> N4Click;            // password dialog
        std::function<void()> N15Click;           // advanced settings (main menu)
        std::function<void()> N16Click;           // advanced settings (tray menu)
        std::function<void()> N9Click;            // tray: show main window
        std::function<void()> N7Click;            // tray: exit
        std::function<void()> N8Click;            // tray: about
        std::function<void()> N17Click;           // line popup: single speed test
        std::function<void()> N18Click;           // line popup: connect
        std::function<void()> onechangelineClick; // one-key line change (hot key)
    };
    Hooks hooks;

    // The client area below the menu bar (791 x 513).
    QWidget* client() const { return client_; }

    PageView* web1() const { return web1_; }
    PageView* web2() const { return web2_; }
    AreaBar* sb() const { return sb_; }

    QGroupBox* sGroupBox1() const { return sGroupBox1_; }
    QLabel* sLabel3() const { return sLabel3_; }
    QLabel* sLabel4() const { return sLabel4_; }
    QComboBox* IPAddrTxt() const { return IPAddrTxt_; }
    QRadioButton* rb_pptp() const { return rb_pptp_; }
    QRadioButton* rb_lp2p() const { return rb_lp2p_; }
    QCheckBox* sCheckBox1() const { return sCheckBox1_; }
    QPushButton* cesu() const { return cesu_; }
    QPushButton* btn_speed() const { return btn_speed_; }

    QLineEdit* linenametxt() const { return linenametxt_; }
    QPushButton* linenamesearch() const { return linenamesearch_; }

    LineListView* vt1() const { return vt1_; }
    QMenu* linemenu() const { return linemenu_; }
    QAction* N17() const { return N17_; }
    QAction* N18() const { return N18_; }
    QAction* N19() const { return N19_; }

    QPushButton* btn_conn() const { return btn_conn_; }
    QPushButton* btn_disconn() const { return btn_disconn_; }

    QFrame* sPanel1() const { return sPanel1_; }
    QLabel* statuslabel() const { return statuslabel_; }
    QLabel* linelabel() const { return linelabel_; }
    QLabel* protocollabel() const { return protocollabel_; }
    QLabel* localiplabel() const { return localiplabel_; }
    QLabel* datalabel() const { return datalabel_; }
    QLabel* userlabel() const { return userlabel_; }

    // Main menu mm1.
    QMenu* N2() const { return N2_; }
    QAction* N11() const { return N11_; }
    QAction* N3() const { return N3_; }
    QAction* N4() const { return N4_; }
    QMenu* O1() const { return O1_; }
    QAction* N14() const { return N14_; }
    QAction* N15() const { return N15_; }
    // Never visible; the hot key runs its click (the one-key line change).
    QAction* onechangeline() const { return onechangeline_; }

    // The tray icon's menu.
    QMenu* taskmenu1() const { return taskmenu1_; }
    QAction* N9() const { return N9_; }
    QAction* N16() const { return N16_; }
    QAction* N8() const { return N8_; }
    QAction* N7() const { return N7_; }

    // Texts by control name: "Tfrmmain" is the caption, "vt1.0" to "vt1.2" the line list's
    // column titles; labels, buttons, check boxes, radio buttons, group boxes, menus and menu
    // items by their names.
    bool setControlText(const QString& name, const QString& text);
    QString controlText(const QString& name) const;
    int applyTexts(const ControlTexts& texts);

public slots:
    void btn_connClick();
    void btn_disconnClick();
    void cesuClick();
    void btn_speedClick();
    void rb_pptpClick();
    void rb_lp2pClick();
    // The search button and the Enter key in linenametxt.
    void linenamesearchClick();
    // Click and double click on a row: the row becomes the focused row, then the engine's
    // row click runs.
    void vt1Click(const QModelIndex& index);
    void vt1DblClick(const QModelIndex& index);
    void vt1HeaderClick(int column);
    // A button of the area bar; index in the bar.
    void SelectArea(int index);
    void N11Click();
    void N3Click();
    void N4Click();
    void N14Click();
    void N15Click();
    void N16Click();
    void N9Click();
    void N7Click();
    void N8Click();
    void N17Click();
    void N18Click();
    void N19Click();
    void onechangelineClick();

    // What the engine announced.
    void engineTextsChanged();
    void engineStatusPanelChanged();
    void engineChoosersChanged();
    void engineAreaBarChanged();
    void enginePagesRequested(const QString& web1Url, const QString& web2Url);
    void engineControlEnabledChanged(const QString& control, bool enabled);

signals:
    // A handler ran: its name ("btn_connClick", "FormShow", ...) and its argument (the column
    // or area index), -1 when it has none.
    void handlerCalled(const QString& handler, int argument);
    // FormCreate made the login window and its engine read the remembered choices; the window
    // is shown modally right after.
    void loginWindowOpened(kvt::ui::Tfrmlogin* window);

protected:
    void showEvent(QShowEvent* event) override;
    // Asks the engine (FormCloseQuery; a refusal keeps the window), then runs the close
    // sequence (FormClose), whose last step ends the process.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildLineBox();
    void buildStatusPanel();
    void announce(const char* handler, int argument = -1);
    void runHook(const char* handler, const std::function<void()>& hook);
    void applyAllControlStates();
    void rowClicked(const QModelIndex& index);

    QWidget* client_;
    PageView* web1_;
    PageView* web2_;
    AreaBar* sb_;
    QGroupBox* sGroupBox1_;
    QLabel* sLabel3_;
    QLabel* sLabel4_;
    QComboBox* IPAddrTxt_;
    QRadioButton* rb_pptp_;
    QRadioButton* rb_lp2p_;
    QCheckBox* sCheckBox1_;
    QPushButton* cesu_;
    QPushButton* btn_speed_;
    QLineEdit* linenametxt_;
    QPushButton* linenamesearch_;
    LineListView* vt1_;
    QMenu* linemenu_;
    QAction* N17_;
    QAction* N18_;
    QAction* N19_;
    QPushButton* btn_conn_;
    QPushButton* btn_disconn_;
    QFrame* sPanel1_;
    QLabel* statuslabel_;
    QLabel* linelabel_;
    QLabel* protocollabel_;
    QLabel* localiplabel_;
    QLabel* datalabel_;
    QLabel* userlabel_;
    QMenu* N2_;
    QAction* N11_;
    QAction* N3_;
    QAction* N4_;
    QMenu* O1_;
    QAction* N14_;
    QAction* N15_;
    QAction* onechangeline_;
    QMenu* taskmenu1_;
    QAction* N9_;
    QAction* N16_;
    QAction* N8_;
    QAction* N7_;

    QPointer<MainWindowEngine> engine_;
    QtPrompts* prompts_ = nullptr;
    Tfrmlogin* frmlogin_ = nullptr;
    bool shownOnce_ = false;
};

} // namespace kvt::ui
