#include "app/ui/main_window.h"

#include "app/login_texts.h"
#include "app/main_window_engine.h"
#include "app/main_window_texts.h"
#include "app/ui/named_widget.h"
#include "app/ui/page_view.h"
#include "app/ui/qt_prompts.h"
#include "app/ui/window_geometry.h"
#include "backend/login_engine.h"
#include "backend/session_state.h"
#include "backend/ui/login_window.h"
#include "lines/line_list_model.h"
#include "lines/ui/area_bar.h"
#include "lines/ui/line_list_view.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QUrl>

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
    connect(linenametxt_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (engine_)
            engine_->linenametxt = text;
    });
    // The chooser's selection is engine state: the user's choice goes there at once.
    connect(IPAddrTxt_, &QComboBox::activated, this, [this](int index) {
        if (engine_)
            engine_->IPAddrTxtIndex = index;
    });
    connect(vt1_, &QTreeView::clicked, this, &Tfrmmain::vt1Click);
    connect(vt1_, &QTreeView::doubleClicked, this, &Tfrmmain::vt1DblClick);
    connect(vt1_, &LineListView::currentMovedByKey, this, [this](const QModelIndex& current) {
        if (engine_)
            engine_->lineList().setFocusedRow(current.row());
    });
    connect(vt1_->header(), &QHeaderView::sectionClicked, this, &Tfrmmain::vt1HeaderClick);
    connect(vt1_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { linemenu_->popup(vt1_->viewport()->mapToGlobal(pos)); });
    connect(sb_, &AreaBar::areaClicked, this, &Tfrmmain::SelectArea);
}

Tfrmmain::~Tfrmmain() = default;

void Tfrmmain::setEngine(MainWindowEngine* engine) {
    if (engine_)
        disconnect(engine_, nullptr, this, nullptr);
    engine_ = engine;
    if (!engine) {
        vt1_->setLineModel(nullptr);
        return;
    }
    connect(engine, &MainWindowEngine::textsChanged, this, &Tfrmmain::engineTextsChanged);
    connect(engine, &MainWindowEngine::statusPanelChanged, this,
            &Tfrmmain::engineStatusPanelChanged);
    connect(engine, &MainWindowEngine::choosersChanged, this, &Tfrmmain::engineChoosersChanged);
    connect(engine, &MainWindowEngine::areaBarChanged, this, &Tfrmmain::engineAreaBarChanged);
    connect(engine, &MainWindowEngine::pagesRequested, this, &Tfrmmain::enginePagesRequested);
    connect(engine, &MainWindowEngine::minimizeRequested, this, &QWidget::showMinimized);
    connect(engine, &MainWindowEngine::controlEnabledChanged, this,
            &Tfrmmain::engineControlEnabledChanged);
    connect(engine, &MainWindowEngine::controlTextChanged, this,
            [this](const QString& control, const QString& text) { setControlText(control, text); });

    LineListModel& lines = engine->lineList();
    vt1_->setLineModel(&lines);
    vt1_->header()->setSortIndicator(lines.sortColumn(), lines.sortDirection());
    // The batch speed test switches the list to delay, ascending: the glyph follows.
    connect(&lines, &LineListModel::sortChanged, this, [this](int column, Qt::SortOrder order) {
        vt1_->header()->setSortIndicator(column, order);
    });

    engineStatusPanelChanged();
    engineChoosersChanged();
    engineAreaBarChanged();
    applyAllControlStates();
}

void Tfrmmain::FormCreate() {
    setWindowTitle(ApplicationTitle());
    {
        LoginEngine loginEngine(engine_);
        Tfrmlogin login;
        frmlogin_ = &login;
        login.setPrompts(prompts_);
        login.setEngine(&loginEngine);
        if (prompts_)
            prompts_->setWindow(&login);
        login.FormCreate();
        emit loginWindowOpened(&login);
        login.exec();
        frmlogin_ = nullptr;
        if (prompts_)
            prompts_->setWindow(this);
    }
    if (Session().LoginSucceeded == 0)
        close();
}

void Tfrmmain::engineTextsChanged() {
    static const QString columnPrefix = QStringLiteral("vt1_column");
    for (const NamedText& entry : Entries(MainTexts())) {
        const QString name = QLatin1String(entry.control);
        // The status panel's texts are the engine's (statusPanelChanged follows).
        if (name == QLatin1String("statuslabel") || name == QLatin1String("protocollabel"))
            continue;
        if (name == QLatin1String("caption"))
            setWindowTitle(entry.text);
        else if (name.startsWith(columnPrefix))
            setControlText(QStringLiteral("vt1.%1").arg(name.mid(columnPrefix.size()).toInt() - 1),
                           entry.text);
        else
            setControlText(name, entry.text);
    }
}

void Tfrmmain::engineStatusPanelChanged() {
    if (!engine_)
        return;
    statuslabel_->setText(engine_->statuslabel);
    linelabel_->setText(engine_->linelabel);
    protocollabel_->setText(engine_->protocollabel);
    localiplabel_->setText(engine_->localiplabel);
    datalabel_->setText(engine_->datalabel);
    userlabel_->setText(engine_->userlabel);
    QPalette palette = statuslabel_->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgb(QRgb(engine_->statuslabelColor)));
    statuslabel_->setPalette(palette);
}

void Tfrmmain::engineChoosersChanged() {
    if (!engine_)
        return;
    QStringList items;
    for (int i = 0; i < IPAddrTxt_->count(); ++i)
        items.append(IPAddrTxt_->itemText(i));
    if (items != engine_->IPAddrTxt) {
        IPAddrTxt_->clear();
        IPAddrTxt_->addItems(engine_->IPAddrTxt);
    }
    const int index = engine_->IPAddrTxtIndex;
    IPAddrTxt_->setCurrentIndex(index >= 0 && index < IPAddrTxt_->count() ? index : -1);
    if (linenametxt_->text() != engine_->linenametxt)
        linenametxt_->setText(engine_->linenametxt);
}

void Tfrmmain::engineAreaBarChanged() {
    if (!engine_)
        return;
    if (sb_->areas() != engine_->areaBarItems)
        sb_->setAreas(engine_->areaBarItems);
    for (int item = 0; item < engine_->areaBarStyles.size(); ++item) {
        AreaBar::CaptionStyle style = AreaBar::CaptionStyle::Normal;
        switch (engine_->areaBarStyles.at(item)) {
        case MainWindowEngine::AreaItemStyle::Normal:
            break;
        case MainWindowEngine::AreaItemStyle::Bold:
            style = AreaBar::CaptionStyle::Bold;
            break;
        case MainWindowEngine::AreaItemStyle::GreenBold:
            style = AreaBar::CaptionStyle::Selected;
            break;
        }
        sb_->setCaptionStyle(item, style);
    }
}

void Tfrmmain::enginePagesRequested(const QString& web1Url, const QString& web2Url) {
    web1_->showUrl(QUrl(web1Url));
    web2_->showUrl(QUrl(web2Url));
}

void Tfrmmain::engineControlEnabledChanged(const QString& control, bool enabled) {
    if (control.isEmpty())
        return;
    if (QWidget* widget = findChild<QWidget*>(control))
        widget->setEnabled(enabled);
    else if (QAction* action = findChild<QAction*>(control))
        action->setEnabled(enabled);
}

void Tfrmmain::applyAllControlStates() {
    // A control the engine does not list is enabled; only explicit states are changed here.
    for (QWidget* widget : findChildren<QWidget*>()) {
        const QString name = widget->objectName();
        if (name.isEmpty())
            continue;
        const bool enabled = engine_->isControlEnabled(name);
        if (!enabled || widget->testAttribute(Qt::WA_Disabled))
            widget->setEnabled(enabled);
    }
    for (QAction* action : findChildren<QAction*>()) {
        const QString name = action->objectName();
        if (!name.isEmpty())
            action->setEnabled(engine_->isControlEnabled(name));
    }
}

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

void Tfrmmain::runHook(const char* handler, const std::function<void()>& hook) {
    announce(handler);
    if (hook)
        hook();
}

void Tfrmmain::btn_connClick() {
    runHook("btn_connClick", hooks.btn_connClick);
}
void Tfrmmain::btn_disconnClick() {
    runHook("btn_disconnClick", hooks.btn_disconnClick);
}
void Tfrmmain::cesuClick() {
    runHook("cesuClick", hooks.cesuClick);
}
void Tfrmmain::btn_speedClick() {
    runHook("btn_speedClick", hooks.btn_speedClick);
}
void Tfrmmain::rb_pptpClick() {
    runHook("rb_pptpClick", hooks.rb_pptpClick);
}
void Tfrmmain::rb_lp2pClick() {
    runHook("rb_lp2pClick", hooks.rb_lp2pClick);
}
void Tfrmmain::linenamesearchClick() {
    announce("linenamesearchClick");
    if (!engine_)
        return;
    engine_->linenametxt = linenametxt_->text();
    engine_->linenamesearchClick();
}
void Tfrmmain::rowClicked(const QModelIndex& index) {
    if (!engine_)
        return;
    if (index.isValid())
        engine_->lineList().setFocusedRow(index.row());
    engine_->vt1Click();
}
void Tfrmmain::vt1Click(const QModelIndex& index) {
    announce("vt1Click", index.row());
    rowClicked(index);
}
void Tfrmmain::vt1DblClick(const QModelIndex& index) {
    announce("vt1DblClick", index.row());
    rowClicked(index);
}
void Tfrmmain::vt1HeaderClick(int column) {
    announce("vt1HeaderClick", column);
    if (!engine_)
        return;
    LineListModel& lines = engine_->lineList();
    lines.headerClick(column);
    vt1_->header()->setSortIndicator(lines.sortColumn(), lines.sortDirection());
}
void Tfrmmain::SelectArea(int index) {
    announce("SelectArea", index);
    if (engine_)
        engine_->SelectArea(index);
}
void Tfrmmain::N11Click() {
    runHook("N11Click", hooks.N11Click);
}
void Tfrmmain::N3Click() {
    runHook("N3Click", hooks.N3Click);
}
void Tfrmmain::N4Click() {
    runHook("N4Click", hooks.N4Click);
}
void Tfrmmain::N14Click() {
    announce("N14Click");
    if (engine_)
        engine_->N14Click();
}
void Tfrmmain::N15Click() {
    runHook("N15Click", hooks.N15Click);
}
void Tfrmmain::N16Click() {
    runHook("N16Click", hooks.N16Click);
}
void Tfrmmain::N9Click() {
    runHook("N9Click", hooks.N9Click);
}
void Tfrmmain::N7Click() {
    runHook("N7Click", hooks.N7Click);
}
void Tfrmmain::N8Click() {
    runHook("N8Click", hooks.N8Click);
}
void Tfrmmain::N17Click() {
    runHook("N17Click", hooks.N17Click);
}
void Tfrmmain::N18Click() {
    runHook("N18Click", hooks.N18Click);
}
void Tfrmmain::N19Click() {
    announce("N19Click");
    // The selected line, not the row under the mouse; nothing selected copies an empty text.
    if (engine_)
        QGuiApplication::clipboard()->setText(engine_->IPAddrTxtText());
}
void Tfrmmain::onechangelineClick() {
    runHook("onechangelineClick", hooks.onechangelineClick);
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
    if (first) {
        announce("FormShow");
        if (engine_)
            engine_->FormShow();
    }
}

void Tfrmmain::closeEvent(QCloseEvent* event) {
    if (engine_) {
        if (!engine_->FormCloseQuery()) {
            event->ignore();
            return;
        }
        engine_->FormClose();
    }
    QMainWindow::closeEvent(event);
}

} // namespace kvt::ui
