#include "app/ui/main_window.h"

#include "app/ui/named_widget.h"
#include "app/ui/page_view.h"
#include "app/ui/window_geometry.h"
#include "lines/ui/area_bar.h"
#include "lines/ui/line_list_view.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>

namespace kvt::ui {

namespace {

QAction* menuItem(QWidget* menu, const char* name, const QString& text) {
    auto* action = new QAction(text, menu);
    action->setObjectName(QLatin1String(name));
    menu->addAction(action);
    return action;
}

QMenu* submenu(QWidget* owner, const char* name, const QString& title) {
    auto* menu = new QMenu(title, owner);
    menu->setObjectName(QLatin1String(name));
    return menu;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    QPushButton* b = namedWidget<QPushButton>(parent, name, geometry);
    b->setText(text);
    b->setAutoDefault(false);
    return b;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    QLabel* l = namedWidget<QLabel>(parent, name, geometry);
    l->setText(text);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
}

} // namespace

Tfrmmain::Tfrmmain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("Tfrmmain"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Varnok动态加速器 v8.0.2"));

    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    client_->setFixedSize(ClientWidth, ClientHeight);
    setCentralWidget(client_);

    web1_ = new PageView(client_);
    web1_->setObjectName(QStringLiteral("web1"));
    web1_->setGeometry(0, 0, 790, 75);
    web1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    web1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A banner: its picture starts at the pane's corner.
    web1_->document()->setDocumentMargin(0);

    sb_ = new AreaBar(client_);
    sb_->setGeometry(2, 78, 102, 390);

    buildLineBox();

    linenametxt_ = namedWidget<QLineEdit>(client_, "linenametxt", QRect(107, 154, 302, 24));
    linenamesearch_ =
        button(client_, "linenamesearch", QStringLiteral("搜索"), QRect(413, 153, 74, 26));

    vt1_ = new LineListView(client_);
    vt1_->setGeometry(107, 182, 380, 286);

    web2_ = new PageView(client_);
    web2_->setObjectName(QStringLiteral("web2"));
    web2_->setGeometry(490, 78, 300, 316);
    web2_->setFrameShape(QFrame::StyledPanel);

    btn_conn_ = button(client_, "btn_conn", QStringLiteral("启动连接"), QRect(502, 408, 130, 45));
    btn_disconn_ =
        button(client_, "btn_disconn", QStringLiteral("断开连接"), QRect(648, 408, 130, 45));
    btn_disconn_->setEnabled(false);
    QFont big = btn_conn_->font();
    big.setBold(true);
    btn_conn_->setFont(big);
    btn_disconn_->setFont(big);

    buildStatusPanel();
    buildMenus();

    // Fixed size: the client area as designed plus the menu bar.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(btn_conn_, &QPushButton::clicked, this, &Tfrmmain::btn_connClick);
    connect(btn_disconn_, &QPushButton::clicked, this, &Tfrmmain::btn_disconnClick);
    connect(cesu_, &QPushButton::clicked, this, &Tfrmmain::cesuClick);
    connect(btn_speed_, &QPushButton::clicked, this, &Tfrmmain::btn_speedClick);
    connect(rb_pptp_, &QRadioButton::clicked, this, &Tfrmmain::rb_pptpClick);
    connect(rb_lp2p_, &QRadioButton::clicked, this, &Tfrmmain::rb_lp2pClick);
    connect(linenamesearch_, &QPushButton::clicked, this, &Tfrmmain::linenamesearchClick);
    connect(linenametxt_, &QLineEdit::returnPressed, this, &Tfrmmain::linenamesearchClick);
    connect(vt1_, &QTreeView::clicked, this, &Tfrmmain::vt1Click);
    connect(vt1_, &QTreeView::doubleClicked, this, &Tfrmmain::vt1DblClick);
    connect(vt1_->header(), &QHeaderView::sectionClicked, this, &Tfrmmain::vt1HeaderClick);
    connect(vt1_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { linemenu_->popup(vt1_->viewport()->mapToGlobal(pos)); });
    connect(sb_, &AreaBar::areaClicked, this, &Tfrmmain::SelectArea);
}

Tfrmmain::~Tfrmmain() = default;

void Tfrmmain::buildLineBox() {
    sGroupBox1_ = namedWidget<QGroupBox>(client_, "sGroupBox1", QRect(107, 76, 380, 74));

    // Row one: the line and the encryption box; row two: the mode and the speed tests. The
    // rows are laid out for the longer English captions too.
    sLabel3_ = label(sGroupBox1_, "sLabel3", QStringLiteral("线路："), QRect(6, 10, 54, 24));
    IPAddrTxt_ = namedWidget<QComboBox>(sGroupBox1_, "IPAddrTxt", QRect(60, 10, 172, 24));
    IPAddrTxt_->setMaxVisibleItems(20);
    sLabel3_->setBuddy(IPAddrTxt_);
    sCheckBox1_ = namedWidget<QCheckBox>(sGroupBox1_, "sCheckBox1", QRect(238, 10, 136, 24));
    sCheckBox1_->setText(QStringLiteral("增强加密"));
    sCheckBox1_->setToolTip(QStringLiteral("采用128位强加密；用于增强web访问的稳定性和安全性"));
    sCheckBox1_->setChecked(true);

    sLabel4_ = label(sGroupBox1_, "sLabel4", QStringLiteral("模式："), QRect(6, 42, 54, 24));
    const QString modeHint =
        QStringLiteral("模式一连接：最常用的连接方式，连接速度快而稳定，适合大部分网络\n"
                       "模式二连接：适合少数网吧网/教育网/铁通网/公司局域网等多样化网络");
    rb_pptp_ = namedWidget<QRadioButton>(sGroupBox1_, "rb_pptp", QRect(60, 42, 62, 24));
    rb_pptp_->setText(QStringLiteral("模式一"));
    rb_pptp_->setToolTip(modeHint);
    rb_pptp_->setChecked(true);
    rb_lp2p_ = namedWidget<QRadioButton>(sGroupBox1_, "rb_lp2p", QRect(122, 42, 62, 24));
    rb_lp2p_->setText(QStringLiteral("模式二"));
    rb_lp2p_->setToolTip(modeHint);
    cesu_ = button(sGroupBox1_, "cesu", QStringLiteral("单个测速"), QRect(188, 41, 90, 26));
    btn_speed_ =
        button(sGroupBox1_, "btn_speed", QStringLiteral("批量测速"), QRect(282, 41, 90, 26));
}

void Tfrmmain::buildStatusPanel() {
    sPanel1_ = namedWidget<QFrame>(client_, "sPanel1", QRect(0, 471, ClientWidth, 42));
    sPanel1_->setFrameShape(QFrame::StyledPanel);
    sPanel1_->setFrameShadow(QFrame::Sunken);

    statuslabel_ = label(sPanel1_, "statuslabel", QStringLiteral("未连接"), QRect(8, 2, 150, 19));
    linelabel_ = label(sPanel1_, "linelabel", QString(), QRect(162, 2, 240, 19));
    protocollabel_ =
        label(sPanel1_, "protocollabel", QStringLiteral("协议：PPTP"), QRect(410, 2, 150, 19));
    localiplabel_ = label(sPanel1_, "localiplabel", QString(), QRect(566, 2, 219, 19));
    datalabel_ = label(sPanel1_, "datalabel", QString(), QRect(8, 21, 394, 19));
    userlabel_ = label(sPanel1_, "userlabel", QString(), QRect(410, 21, 375, 19));
}

void Tfrmmain::buildMenus() {
    QMenuBar* mm1 = menuBar();
    mm1->setObjectName(QStringLiteral("mm1"));

    N2_ = submenu(this, "N2", QStringLiteral("帐户管理"));
    N11_ = menuItem(N2_, "N11", QStringLiteral("帐户注册"));
    N3_ = menuItem(N2_, "N3", QStringLiteral("帐户充值"));
    N4_ = menuItem(N2_, "N4", QStringLiteral("修改密码"));
    mm1->addMenu(N2_);

    O1_ = submenu(this, "O1", QStringLiteral("刷新线路"));
    N14_ = menuItem(O1_, "N14", QStringLiteral("刷新线路"));
    mm1->addMenu(O1_);

    N15_ = menuItem(mm1, "N15", QStringLiteral("高级设置"));

    onechangeline_ = new QAction(QStringLiteral("一键换IP"), this);
    onechangeline_->setObjectName(QStringLiteral("onechangeline"));
    onechangeline_->setVisible(false);
    addAction(onechangeline_);

    taskmenu1_ = submenu(this, "taskmenu1", QString());
    N9_ = menuItem(taskmenu1_, "N9", QStringLiteral("显示主界面"));
    N16_ = menuItem(taskmenu1_, "N16", QStringLiteral("高级设置"));
    N8_ = menuItem(taskmenu1_, "N8", QStringLiteral("关于"));
    taskmenu1_->addSeparator();
    N7_ = menuItem(taskmenu1_, "N7", QStringLiteral("退出"));

    linemenu_ = submenu(this, "linemenu", QString());
    N17_ = menuItem(linemenu_, "N17", QStringLiteral("单个测速"));
    N18_ = menuItem(linemenu_, "N18", QStringLiteral("启用连接"));
    N19_ = menuItem(linemenu_, "N19", QStringLiteral("复制线路名称"));

    connect(N11_, &QAction::triggered, this, &Tfrmmain::N11Click);
    connect(N3_, &QAction::triggered, this, &Tfrmmain::N3Click);
    connect(N4_, &QAction::triggered, this, &Tfrmmain::N4Click);
    connect(N14_, &QAction::triggered, this, &Tfrmmain::N14Click);
    connect(N15_, &QAction::triggered, this, &Tfrmmain::N15Click);
    connect(onechangeline_, &QAction::triggered, this, &Tfrmmain::onechangelineClick);
    connect(N9_, &QAction::triggered, this, &Tfrmmain::N9Click);
    connect(N16_, &QAction::triggered, this, &Tfrmmain::N16Click);
    connect(N8_, &QAction::triggered, this, &Tfrmmain::N8Click);
    connect(N7_, &QAction::triggered, this, &Tfrmmain::N7Click);
    connect(N17_, &QAction::triggered, this, &Tfrmmain::N17Click);
    connect(N18_, &QAction::triggered, this, &Tfrmmain::N18Click);
    connect(N19_, &QAction::triggered, this, &Tfrmmain::N19Click);
}

bool Tfrmmain::setControlText(const QString& name, const QString& text) {
    static const QString columnPrefix = QStringLiteral("vt1.");
    if (name.startsWith(columnPrefix)) {
        bool isNumber = false;
        const int column = name.mid(columnPrefix.size()).toInt(&isNumber);
        return isNumber && vt1_->setColumnTitle(column, text);
    }
    return ui::setControlText(this, name, text);
}

QString Tfrmmain::controlText(const QString& name) const {
    static const QString columnPrefix = QStringLiteral("vt1.");
    if (name.startsWith(columnPrefix)) {
        bool isNumber = false;
        const int column = name.mid(columnPrefix.size()).toInt(&isNumber);
        return isNumber ? vt1_->columnTitle(column) : QString();
    }
    return ui::controlText(this, name);
}

int Tfrmmain::applyTexts(const ControlTexts& texts) {
    int applied = 0;
    for (const auto& [name, text] : texts)
        applied += setControlText(name, text) ? 1 : 0;
    return applied;
}

void Tfrmmain::announce(const char* handler, int argument) {
    emit handlerCalled(QLatin1String(handler), argument);
}

void Tfrmmain::btn_connClick() {
    announce("btn_connClick");
}
void Tfrmmain::btn_disconnClick() {
    announce("btn_disconnClick");
}
void Tfrmmain::cesuClick() {
    announce("cesuClick");
}
void Tfrmmain::btn_speedClick() {
    announce("btn_speedClick");
}
void Tfrmmain::rb_pptpClick() {
    announce("rb_pptpClick");
}
void Tfrmmain::rb_lp2pClick() {
    announce("rb_lp2pClick");
}
void Tfrmmain::linenamesearchClick() {
    announce("linenamesearchClick");
}
void Tfrmmain::vt1Click() {
    announce("vt1Click");
}
void Tfrmmain::vt1DblClick() {
    announce("vt1DblClick");
}
void Tfrmmain::vt1HeaderClick(int column) {
    announce("vt1HeaderClick", column);
}
void Tfrmmain::SelectArea(int index) {
    announce("SelectArea", index);
}
void Tfrmmain::N11Click() {
    announce("N11Click");
}
void Tfrmmain::N3Click() {
    announce("N3Click");
}
void Tfrmmain::N4Click() {
    announce("N4Click");
}
void Tfrmmain::N14Click() {
    announce("N14Click");
}
void Tfrmmain::N15Click() {
    announce("N15Click");
}
void Tfrmmain::N16Click() {
    announce("N16Click");
}
void Tfrmmain::N9Click() {
    announce("N9Click");
}
void Tfrmmain::N7Click() {
    announce("N7Click");
}
void Tfrmmain::N8Click() {
    announce("N8Click");
}
void Tfrmmain::N17Click() {
    announce("N17Click");
}
void Tfrmmain::N18Click() {
    announce("N18Click");
}
void Tfrmmain::N19Click() {
    announce("N19Click");
}
void Tfrmmain::onechangelineClick() {
    announce("onechangelineClick");
}

void Tfrmmain::showEvent(QShowEvent* event) {
    // Only the first show is the form's show: restoring from the tray shows the window again
    // without repeating the show initialisation.
    const bool first = !shownOnce_ && !event->spontaneous();
    if (first) {
        shownOnce_ = true;
        centerOnScreen(this);
    }
    QMainWindow::showEvent(event);
    if (first)
        announce("FormShow");
}

} // namespace kvt::ui
