// The windows offscreen: sizes, control names and kinds, the states they start in, the keys
// and clicks that reach the handlers, the menus, the area bar and the notice board's place.

#include "app/ui/main_window.h"
#include "app/ui/page_view.h"
#include "backend/ui/login_window.h"
#include "backend/ui/notice_board.h"
#include "backend/ui/update_prompt.h"
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
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace kvt::ui;

namespace {

QStringList handlerNames(const QSignalSpy& spy) {
    QStringList names;
    for (const QList<QVariant>& call : spy)
        names.append(call.at(0).toString());
    return names;
}

QStringList actionNames(const QWidget* menu) {
    QStringList names;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator())
            names.append(action->menu() ? action->menu()->objectName() : action->objectName());
    return names;
}

// The login window's pages stay unloaded: these tests are about the window, not the pages.
void offline(Tfrmlogin& login) {
    login.setBannerUrl(QUrl());
    login.setNoticeUrl(QUrl());
}

bool isFixedSize(const QWidget& window) {
    return window.minimumSize() == window.maximumSize() && window.minimumSize() == window.size();
}

} // namespace

class TestWindowsLayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loginWindowFrame() {
        Tfrmlogin login;
        offline(login);
        login.show();
        QCOMPARE(login.size(), QSize(349, 323));
        QVERIFY(isFixedSize(login));
        const Qt::WindowFlags flags = login.windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(login.windowTitle(), QStringLiteral("Varnok动态加速器 v8.0.2"));
        QCOMPARE(login.wb1()->size(), QSize(352, 80));
        QCOMPARE(login.wb1()->pos(), QPoint(0, 0));
    }

    void loginControls_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("caption");
        const auto row = [](const char* name, const char* kind, const QString& caption) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(kind)
                                << caption;
        };
        row("wb1", "kvt::ui::PageView", {});
        row("sGroupBox1", "QGroupBox", QStringLiteral("登陆"));
        row("sLabel1", "QLabel", QStringLiteral("用户名:"));
        row("sLabel2", "QLabel", QStringLiteral("密  码:"));
        row("sLabel3", "QLabel", QStringLiteral("语  言:"));
        row("edt_user", "QLineEdit", {});
        row("edt_pass", "QLineEdit", {});
        row("lang", "QComboBox", {});
        row("chkpass", "QCheckBox", QStringLiteral("记住密码"));
        row("chkstatus", "QCheckBox", {});
        row("sButton1", "QPushButton", QStringLiteral("帐户注册"));
        row("sButton2", "QPushButton", QStringLiteral("帐户充值"));
        row("btn_login", "QPushButton", QStringLiteral("登  陆"));
        row("btn_exit", "QPushButton", QStringLiteral("关  闭"));
        row("Label3", "QLabel", {});
    }

    void loginControls() {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QString, caption);
        Tfrmlogin login;
        QWidget* control = login.findChild<QWidget*>(name);
        QVERIFY2(control, qPrintable(name));
        QVERIFY2(control->inherits(kind.toLatin1()), control->metaObject()->className());
        QCOMPARE(login.controlText(name), caption);
    }

    void loginStartState() {
        Tfrmlogin login;
        QCOMPARE(login.edt_pass()->echoMode(), QLineEdit::Password);
        QVERIFY(login.chkstatus()->isHidden());
        QVERIFY(!login.chkpass()->isChecked());
        QVERIFY(login.btn_login()->isDefault());
        QVERIFY(!login.btn_exit()->isDefault());
        QCOMPARE(login.Label3()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QStringList entries;
        for (int i = 0; i < login.lang()->count(); ++i)
            entries.append(login.lang()->itemText(i));
        QCOMPARE(entries, (QStringList{QStringLiteral("简体中文"), QStringLiteral("English"),
                                       QStringLiteral("繁体中文")}));
        QCOMPARE(login.lang()->currentIndex(), 0);
        QCOMPARE(login.Timer1()->interval(), 1000);
        QVERIFY(login.Timer1()->isActive());
    }

    void loginKeysAndButtons() {
        Tfrmlogin login;
        offline(login);
        QSignalSpy handlers(&login, &Tfrmlogin::handlerCalled);
        login.show();
        handlers.clear(); // FormShow

        // Enter in either box is the default button.
        QTest::keyClick(login.edt_user(), Qt::Key_Return);
        QTest::keyClick(login.edt_pass(), Qt::Key_Enter);
        QTest::mouseClick(login.sButton1(), Qt::LeftButton);
        QTest::mouseClick(login.sButton2(), Qt::LeftButton);
        QCOMPARE(handlerNames(handlers),
                 (QStringList{QStringLiteral("btn_loginClick"), QStringLiteral("btn_loginClick"),
                              QStringLiteral("sButton1Click"), QStringLiteral("sButton2Click")}));
        QVERIFY(login.isVisible());

        // Esc is the cancel button: its handler runs and the window closes.
        handlers.clear();
        QTest::keyClick(login.edt_user(), Qt::Key_Escape);
        QCOMPARE(handlerNames(handlers), QStringList{QStringLiteral("btn_exitClick")});
        QVERIFY(!login.isVisible());
        QCOMPARE(login.result(), int(QDialog::Rejected));
    }

    void loginPasswordIsMaskedWithStars() {
        Tfrmlogin login;
        offline(login);
        login.edt_pass()->setText(QStringLiteral("secret"));
        login.show();
        QCOMPARE(login.edt_pass()->displayText(), QStringLiteral("******"));
    }

    void languageList_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("afterDoubleClick");
        QTest::newRow("simplified to English") << 0 << 1;
        QTest::newRow("English to simplified") << 1 << 0;
        QTest::newRow("traditional to simplified") << 2 << 0;
    }

    void languageList() {
        QFETCH(int, before);
        QFETCH(int, afterDoubleClick);
        Tfrmlogin login;
        QSignalSpy handlers(&login, &Tfrmlogin::handlerCalled);
        // Selecting from code is not a change by the user: nothing is applied.
        login.lang()->setCurrentIndex(before);
        QCOMPARE(handlers.count(), 0);
        login.langDblClick();
        QCOMPARE(login.lang()->currentIndex(), afterDoubleClick);
        QCOMPARE(handlerNames(handlers), QStringList{QStringLiteral("langChange")});
    }

    void noticeBoardBesideLoginAndFollowing() {
        Tfrmlogin login;
        offline(login);
        login.show();
        login.move(100, 120);
        QTRY_COMPARE(login.frameGeometry().topLeft(), QPoint(100, 120));

        // The hidden login window of the start sequence never opens a board.
        Tfrmlogin hidden;
        offline(hidden);
        hidden.Timer1Timer();
        QVERIFY(!hidden.noticeBoard());
        QVERIFY(hidden.Timer1()->isActive());

        login.Timer1Timer();
        QPointer<TForm5> board = login.noticeBoard();
        QVERIFY(board);
        QVERIFY(login.noticeShown());
        QVERIFY(!login.Timer1()->isActive());
        QVERIFY(board->isVisible());
        QCOMPARE(board->windowTitle(), QStringLiteral("公告栏"));
        QCOMPARE(board->size(), QSize(211, 323));
        QVERIFY(isFixedSize(*board));
        QCOMPARE(board->page()->geometry(), QRect(0, 0, 211, 323));
        QVERIFY(!board->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(!board->parent());
        QTRY_COMPARE(board->frameGeometry().topLeft(), QPoint(100 + 355, 120));

        login.move(300, 40);
        QTRY_COMPARE(board->frameGeometry().topLeft(), QPoint(300 + 355, 40));

        // A second tick does not open a second board.
        login.Timer1Timer();
        QCOMPARE(login.noticeBoard(), board.data());

        login.destroyNoticeBoard();
        QVERIFY(!board);
        QVERIFY(!login.noticeBoard());
    }

    void noticeBoardOpensOnFirstTickAndOutlivesLogin() {
        QPointer<TForm5> board;
        {
            Tfrmlogin login;
            offline(login);
            login.show();
            QTRY_VERIFY_WITH_TIMEOUT(login.noticeBoard(), 20000);
            board = login.noticeBoard();
        }
        // Only a successful login destroys it; any other end of the login window leaves it.
        QVERIFY(board);
        delete board.data();
    }

    void mainWindowFrame() {
        Tfrmmain main;
        main.show();
        QCOMPARE(main.client()->size(), QSize(791, 513));
        QCOMPARE(main.centralWidget(), main.client());
        QVERIFY(isFixedSize(main));
        QCOMPARE(main.size().height(), 513 + main.menuBar()->height());
        const Qt::WindowFlags flags = main.windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(main.windowTitle(), QStringLiteral("Varnok动态加速器 v8.0.2"));
    }

    void mainControls_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QSize>("size"); // empty: not fixed by design
        QTest::addColumn<QString>("caption");
        const auto row = [](const char* name, const char* kind, QSize size,
                            const QString& caption) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(kind) << size
                                << caption;
        };
        row("web1", "kvt::ui::PageView", QSize(790, 75), {});
        row("sb", "kvt::ui::AreaBar", QSize(102, 390), {});
        row("IPAddrTxt", "QComboBox", {}, {});
        row("sLabel3", "QLabel", {}, QStringLiteral("线路："));
        row("sLabel4", "QLabel", {}, QStringLiteral("模式："));
        row("rb_pptp", "QRadioButton", {}, QStringLiteral("模式一"));
        row("rb_lp2p", "QRadioButton", {}, QStringLiteral("模式二"));
        row("sCheckBox1", "QCheckBox", {}, QStringLiteral("增强加密"));
        row("cesu", "QPushButton", {}, QStringLiteral("单个测速"));
        row("btn_speed", "QPushButton", {}, QStringLiteral("批量测速"));
        row("linenametxt", "QLineEdit", {}, {});
        row("linenamesearch", "QPushButton", {}, QStringLiteral("搜索"));
        row("vt1", "QTreeView", QSize(380, 286), {});
        row("btn_conn", "QPushButton", QSize(130, 45), QStringLiteral("启动连接"));
        row("btn_disconn", "QPushButton", {}, QStringLiteral("断开连接"));
        row("web2", "kvt::ui::PageView", QSize(300, 316), {});
        row("statuslabel", "QLabel", {}, QStringLiteral("未连接"));
        row("linelabel", "QLabel", {}, {});
        row("protocollabel", "QLabel", {}, QStringLiteral("协议：PPTP"));
        row("localiplabel", "QLabel", {}, {});
        row("datalabel", "QLabel", {}, {});
        row("userlabel", "QLabel", {}, {});
    }

    void mainControls() {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QSize, size);
        QFETCH(QString, caption);
        Tfrmmain main;
        QWidget* control = main.findChild<QWidget*>(name);
        QVERIFY2(control, qPrintable(name));
        QVERIFY2(control->inherits(kind.toLatin1()), control->metaObject()->className());
        if (size.isValid())
            QCOMPARE(control->size(), size);
        QCOMPARE(main.controlText(name), caption);
        // Every control lies inside the client area.
        const QRect inClient(control->mapTo(main.client(), QPoint(0, 0)), control->size());
        QVERIFY2(main.client()->rect().contains(inClient), qPrintable(name));
    }

    void mainRegionsDoNotOverlap() {
        Tfrmmain main;
        const QList<QWidget*> regions = {
            main.web1(), main.sb(),   main.sGroupBox1(), main.linenametxt(), main.linenamesearch(),
            main.vt1(),  main.web2(), main.btn_conn(),   main.btn_disconn(), main.sPanel1()};
        for (qsizetype i = 0; i < regions.size(); ++i)
            for (qsizetype j = i + 1; j < regions.size(); ++j)
                QVERIFY2(!regions[i]->geometry().intersects(regions[j]->geometry()),
                         qPrintable(regions[i]->objectName() + QLatin1String(" / ") +
                                    regions[j]->objectName()));
        // The status panel is the bottom of the window.
        QCOMPARE(main.sPanel1()->geometry().bottom(), main.client()->rect().bottom());
        for (QLabel* label : {main.statuslabel(), main.linelabel(), main.protocollabel(),
                              main.localiplabel(), main.datalabel(), main.userlabel()})
            QCOMPARE(label->parentWidget(), main.sPanel1());
    }

    void mainStartState() {
        Tfrmmain main;
        QVERIFY(!main.btn_disconn()->isEnabled());
        QVERIFY(main.btn_conn()->isEnabled());
        QVERIFY(main.rb_pptp()->isChecked());
        QVERIFY(!main.rb_lp2p()->isChecked());
        QVERIFY(main.sCheckBox1()->isChecked());
        QCOMPARE(main.sb()->count(), 0);
        QCOMPARE(main.sb()->toolTip(), QStringLiteral("选择你需要连接的国家或地区"));
    }

    void lineListColumns() {
        Tfrmmain main;
        LineListView* vt1 = main.vt1();
        QHeaderView* header = vt1->header();
        QCOMPARE(header->count(), 3);
        const QStringList titles = {QStringLiteral("线路名称"), QStringLiteral("延时(ms)"),
                                    QStringLiteral("在线率")};
        const QList<int> widths = {200, 80, 75};
        for (int column = 0; column < 3; ++column) {
            QCOMPARE(vt1->columnTitle(column), titles.at(column));
            QCOMPARE(header->sectionSize(column), widths.at(column));
        }
        QCOMPARE(header->height(), 22);
        QCOMPARE(header->sortIndicatorSection(), 1);
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
        QVERIFY(header->sectionsMovable());
        QCOMPARE(vt1->selectionBehavior(), QAbstractItemView::SelectRows);

        // A model with rows: 20-pixel rows, the designed widths kept.
        QStandardItemModel lines(0, 3);
        lines.setHorizontalHeaderLabels(titles);
        lines.appendRow({new QStandardItem(QStringLiteral("电信-上海01")),
                         new QStandardItem(QStringLiteral("NA")), new QStandardItem(QString())});
        vt1->setLineModel(&lines);
        main.show();
        QCOMPARE(vt1->visualRect(lines.index(0, 0)).height(), 20);
        QCOMPARE(header->sectionSize(0), 200);
        QVERIFY(main.setControlText(QStringLiteral("vt1.2"), QStringLiteral("Online rate")));
        QCOMPARE(lines.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Online rate"));
        vt1->setLineModel(nullptr);
        QCOMPARE(vt1->columnTitle(0), titles.at(0));
    }

    void mainMenus() {
        Tfrmmain main;
        QCOMPARE(actionNames(main.menuBar()),
                 (QStringList{QStringLiteral("N2"), QStringLiteral("O1"), QStringLiteral("N15")}));
        QCOMPARE(actionNames(main.N2()),
                 (QStringList{QStringLiteral("N11"), QStringLiteral("N3"), QStringLiteral("N4")}));
        QCOMPARE(actionNames(main.O1()), QStringList{QStringLiteral("N14")});
        QCOMPARE(actionNames(main.taskmenu1()),
                 (QStringList{QStringLiteral("N9"), QStringLiteral("N16"), QStringLiteral("N8"),
                              QStringLiteral("N7")}));
        QCOMPARE(
            actionNames(main.linemenu()),
            (QStringList{QStringLiteral("N17"), QStringLiteral("N18"), QStringLiteral("N19")}));
        QVERIFY(!main.onechangeline()->isVisible());

        const QList<QPair<const char*, QString>> designTexts = {
            {"N2", QStringLiteral("帐户管理")},   {"N11", QStringLiteral("帐户注册")},
            {"N3", QStringLiteral("帐户充值")},   {"N4", QStringLiteral("修改密码")},
            {"O1", QStringLiteral("刷新线路")},   {"N14", QStringLiteral("刷新线路")},
            {"N15", QStringLiteral("高级设置")},  {"N16", QStringLiteral("高级设置")},
            {"N9", QStringLiteral("显示主界面")}, {"N7", QStringLiteral("退出")},
            {"N8", QStringLiteral("关于")},       {"N17", QStringLiteral("单个测速")},
            {"N18", QStringLiteral("启用连接")},  {"N19", QStringLiteral("复制线路名称")},
        };
        for (const auto& [name, text] : designTexts)
            QCOMPARE(main.controlText(QLatin1String(name)), text);

        // Every item reaches its handler.
        QSignalSpy handlers(&main, &Tfrmmain::handlerCalled);
        for (QAction* item :
             {main.N11(), main.N3(), main.N4(), main.N14(), main.N15(), main.N9(), main.N16(),
              main.N8(), main.N7(), main.N17(), main.N18(), main.N19(), main.onechangeline()})
            item->trigger();
        QCOMPARE(handlerNames(handlers),
                 (QStringList{QStringLiteral("N11Click"), QStringLiteral("N3Click"),
                              QStringLiteral("N4Click"), QStringLiteral("N14Click"),
                              QStringLiteral("N15Click"), QStringLiteral("N9Click"),
                              QStringLiteral("N16Click"), QStringLiteral("N8Click"),
                              QStringLiteral("N7Click"), QStringLiteral("N17Click"),
                              QStringLiteral("N18Click"), QStringLiteral("N19Click"),
                              QStringLiteral("onechangelineClick")}));
    }

    void mainButtonsReachHandlers() {
        Tfrmmain main;
        QSignalSpy handlers(&main, &Tfrmmain::handlerCalled);
        main.show();
        QCOMPARE(handlerNames(handlers), QStringList{QStringLiteral("FormShow")});
        handlers.clear();
        main.btn_disconn()->setEnabled(true);
        for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
                 main.btn_conn(), main.btn_disconn(), main.cesu(), main.btn_speed(), main.rb_lp2p(),
                 main.rb_pptp(), main.linenamesearch()})
            QTest::mouseClick(b, Qt::LeftButton);
        QTest::keyClick(main.linenametxt(), Qt::Key_Return);
        QTest::mouseClick(main.vt1()->header()->viewport(), Qt::LeftButton, {},
                          QPoint(main.vt1()->header()->sectionViewportPosition(2) + 10, 10));
        QCOMPARE(
            handlerNames(handlers),
            (QStringList{QStringLiteral("btn_connClick"), QStringLiteral("btn_disconnClick"),
                         QStringLiteral("cesuClick"), QStringLiteral("btn_speedClick"),
                         QStringLiteral("rb_lp2pClick"), QStringLiteral("rb_pptpClick"),
                         QStringLiteral("linenamesearchClick"),
                         QStringLiteral("linenamesearchClick"), QStringLiteral("vt1HeaderClick")}));
        QCOMPARE(handlers.last().at(1).toInt(), 2);

        // Restoring from the tray shows the window again without a second FormShow.
        handlers.clear();
        main.hide();
        main.show();
        QCOMPARE(handlers.count(), 0);
    }

    void areaBar() {
        Tfrmmain main;
        AreaBar* sb = main.sb();
        QSignalSpy handlers(&main, &Tfrmmain::handlerCalled);
        sb->setAreas({QStringLiteral("电信"), QStringLiteral("网通"), QStringLiteral("香港")});
        QCOMPARE(sb->count(), 3);
        QCOMPARE(sb->areas(), (QStringList{QStringLiteral("电信"), QStringLiteral("网通"),
                                           QStringLiteral("香港")}));
        main.show();
        QVERIFY(sb->button(2)->isVisible());
        QCOMPARE(sb->button(0)->width(), sb->button(2)->width());

        QTest::mouseClick(sb->button(1), Qt::LeftButton);
        QCOMPARE(handlerNames(handlers).last(), QStringLiteral("SelectArea"));
        QCOMPARE(handlers.last().at(1).toInt(), 1);

        sb->setCaptionStyle(1, AreaBar::CaptionStyle::Selected);
        sb->setCaptionStyle(0, AreaBar::CaptionStyle::Bold);
        const QColor windowText = sb->palette().color(QPalette::WindowText);
        QVERIFY(sb->button(1)->font().bold());
        QCOMPARE(sb->button(1)->palette().color(QPalette::ButtonText), QColor(0, 128, 0));
        QVERIFY(sb->button(0)->font().bold());
        QCOMPARE(sb->button(0)->palette().color(QPalette::ButtonText), windowText);
        QVERIFY(!sb->button(2)->font().bold());
        QCOMPARE(sb->captionStyle(1), AreaBar::CaptionStyle::Selected);
        sb->setCaptionStyle(1, AreaBar::CaptionStyle::Normal);
        QVERIFY(!sb->button(1)->font().bold());

        // More areas than fit scroll; a rebuild from inside a button's own click is safe.
        QStringList many;
        for (int i = 0; i < 40; ++i)
            many.append(QStringLiteral("区域%1").arg(i));
        connect(sb, &AreaBar::areaClicked, sb, [sb, many] { sb->setAreas(many); });
        sb->clickArea(0);
        QCOMPARE(sb->count(), 40);
        QTRY_VERIFY(sb->verticalScrollBar()->maximum() > 0);
        sb->clear();
        QCOMPARE(sb->count(), 0);
        QVERIFY(!sb->button(0));
    }

    void controlTexts_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("exists");
        QTest::newRow("login caption") << "login"
                                       << "Tfrmlogin" << true;
        QTest::newRow("login group") << "login"
                                     << "sGroupBox1" << true;
        QTest::newRow("login button") << "login"
                                      << "btn_login" << true;
        QTest::newRow("login check box") << "login"
                                         << "chkpass" << true;
        QTest::newRow("login status") << "login"
                                      << "Label3" << true;
        QTest::newRow("login missing") << "login"
                                       << "btn_conn" << false;
        QTest::newRow("main caption") << "main"
                                      << "Tfrmmain" << true;
        QTest::newRow("main submenu") << "main"
                                      << "N2" << true;
        QTest::newRow("main menu item") << "main"
                                        << "N18" << true;
        QTest::newRow("tray item") << "main"
                                   << "N7" << true;
        QTest::newRow("main radio") << "main"
                                    << "rb_lp2p" << true;
        QTest::newRow("main column") << "main"
                                     << "vt1.0" << true;
        QTest::newRow("main no column") << "main"
                                        << "vt1.3" << false;
        QTest::newRow("main not a caption") << "main"
                                            << "IPAddrTxt" << false;
        QTest::newRow("prompt caption") << "prompt"
                                        << "TForm6" << true;
        QTest::newRow("prompt label") << "prompt"
                                      << "sLabel1" << true;
    }

    void controlTexts() {
        QFETCH(QString, window);
        QFETCH(QString, name);
        QFETCH(bool, exists);
        Tfrmlogin login;
        Tfrmmain main;
        TForm6 prompt;
        const QString text = QStringLiteral("Text of ") + name;
        bool set = false;
        QString read;
        if (window == QLatin1String("login")) {
            set = login.applyTexts({{name, text}}) == 1;
            read = login.controlText(name);
        } else if (window == QLatin1String("main")) {
            set = main.applyTexts({{name, text}}) == 1;
            read = main.controlText(name);
        } else {
            set = prompt.applyTexts({{name, text}}) == 1;
            read = prompt.controlText(name);
        }
        QCOMPARE(set, exists);
        QCOMPARE(read, exists ? text : QString());
    }

    void updatePrompt_data() {
        QTest::addColumn<bool>("download");
        QTest::newRow("download") << true;
        QTest::newRow("later") << false;
    }

    void updatePrompt() {
        QFETCH(bool, download);
        TForm6 prompt;
        QCOMPARE(prompt.size(), QSize(379, 94));
        QVERIFY(isFixedSize(prompt));
        QCOMPARE(prompt.windowTitle(), QStringLiteral("软件更新"));
        QCOMPARE(prompt.sLabel1()->size(), QSize(363, 44));
        QVERIFY(prompt.sLabel1()->wordWrap());
        QCOMPARE(prompt.sLabel1()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(prompt.sButton1()->text(), QStringLiteral("立即下载"));
        QCOMPARE(prompt.sButton2()->text(), QStringLiteral("下次再说"));
        QVERIFY(!prompt.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));

        QSignalSpy handlers(&prompt, &TForm6::handlerCalled);
        QTimer::singleShot(0, &prompt, [&prompt, download] {
            QTest::mouseClick(download ? prompt.sButton1() : prompt.sButton2(), Qt::LeftButton);
        });
        const int result = prompt.exec();
        QCOMPARE(result, download ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(handlerNames(handlers), QStringList{download ? QStringLiteral("sButton1Click")
                                                              : QStringLiteral("sButton2Click")});
    }
};

QTEST_MAIN(TestWindowsLayout)
#include "tst_windows_layout.moc"
