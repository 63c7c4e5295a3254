#pragma once

#include "app/ui/control_texts.h"

#include <QMainWindow>

class QAction;
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

// The main window: top banner, area bar, line and mode box, search, line list, connect
// buttons, news pane and status panel, with the main menu, the line list's popup menu and the
// tray menu. Every control carries its design name as object name and has an accessor of the
// same name. The handlers only announce themselves (handlerCalled) until the engine is wired in.
class Tfrmmain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 791;
    static constexpr int ClientHeight = 513;

    explicit Tfrmmain(QWidget* parent = nullptr);
    ~Tfrmmain() override;

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
    void vt1Click();
    void vt1DblClick();
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

signals:
    // A handler ran: its name ("btn_connClick", "FormShow", ...) and its argument (the column
    // or area index), -1 when it has none.
    void handlerCalled(const QString& handler, int argument);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildMenus();
    void buildLineBox();
    void buildStatusPanel();
    void announce(const char* handler, int argument = -1);

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

    bool shownOnce_ = false;
};

} // namespace kvt::ui
