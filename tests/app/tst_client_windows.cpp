// The client's windows wired to their engines, offscreen, against the reference backend in the
// test's own process: the start-up with the login window shown modally, logins that succeed
// and fail, the language switch on both windows, the choices remembered across two starts,
// the close sequence, the update prompt, and the main window's bindings (area bar, line list,
// chooser, search, clipboard, header, control states).

#include "app/login_texts.h"
#include "app/main_window_engine.h"
#include "app/main_window_texts.h"
#include "app/page_loader.h"
#include "app/remembered_choices.h"
#include "app/shared_flags.h"
#include "app/ui/client_startup.h"
#include "app/ui/main_window.h"
#include "app/ui/page_view.h"
#include "app/ui/qt_prompts.h"
#include "app/ui_language.h"
#include "app/update_prompt_texts.h"
#include "backend/endpoints.h"
#include "backend/session_state.h"
#include "backend/ui/login_window.h"
#include "backend/ui/notice_board.h"
#include "backend/ui/update_prompt.h"
#include "lines/line_catalogue.h"
#include "lines/line_list_model.h"
#include "lines/ui/area_bar.h"
#include "lines/ui/line_list_view.h"
#include "recording_prompts.h"
#include "reference_server.h"
#include "speedtest/batch_speed_test.h"
#include "speedtest/ui/speed_test_window.h"
#include "temp_settings.h"
#include "test_paths.h"
#include "vpn/vpn_engine.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace kvt;
using namespace kvt::test;
using namespace kvt::ui;

namespace {

const QString kSimplifiedTitle = QStringLiteral("Varnok动态加速器 v8.0.2");
const QString kEnglishTitle = QStringLiteral("KVT Network Client v8.0.2");

// Answers the message boxes and dialogs that open inside modal loops: it looks at the visible
// top-level windows every few milliseconds (timers run in nested loops too), records each
// message box and presses the preset answer, and hands other dialogs to `onDialog`.
class ModalDriver : public QObject {
public:
    struct Box {
        QString title;
        QString text;
        bool question = false;
    };

    ModalDriver() {
        timer_.setInterval(10);
        connect(&timer_, &QTimer::timeout, this, &ModalDriver::poll);
        timer_.start();
    }

    QList<Box> boxes;
    bool answerYes = false;
    std::function<bool(QWidget*)> onDialog; // true when it handled (and closed) the window

private:
    void poll() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible())
                continue;
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                const bool question = box->button(QMessageBox::Yes) != nullptr;
                boxes.append({box->windowTitle(), box->text(), question});
                QAbstractButton* answer =
                    question ? box->button(answerYes ? QMessageBox::Yes : QMessageBox::No)
                             : box->button(QMessageBox::Ok);
                answer->click();
                return;
            }
            if (onDialog && onDialog(w))
                return;
        }
    }

    QTimer timer_;
};

QStringList comboItems(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items.append(combo->itemText(i));
    return items;
}

QStringList columnTexts(const QAbstractItemModel* model, int column) {
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts.append(model->index(row, column).data().toString());
    return texts;
}

void typeInto(QLineEdit* box, const QString& text) {
    box->clear();
    QTest::keyClicks(box, text);
}

// Chooses a language list entry with the keyboard, as a user does; each step is a change.
void chooseLanguage(Tfrmlogin* login, int listIndex) {
    QComboBox* lang = login->lang();
    while (lang->currentIndex() < listIndex)
        QTest::keyClick(lang, Qt::Key_Down);
    while (lang->currentIndex() > listIndex)
        QTest::keyClick(lang, Qt::Key_Up);
}

void clickRow(LineListView* view, int row) {
    const QRect rect = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
}

void clickHeader(LineListView* view, int column) {
    QHeaderView* header = view->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 20, header->height() / 2));
}

// The line list's text for the window's table entry of a column ("vt1_column2" -> 1).
int columnOfEntry(const QString& name) {
    return name.mid(QStringLiteral("vt1_column").size()).toInt() - 1;
}

} // namespace

class TestClientWindows : public QObject {
    Q_OBJECT

    std::unique_ptr<InProcessServer> backend;
    std::unique_ptr<TempSettings> settings;
    std::unique_ptr<ModalDriver> driver;
    std::unique_ptr<ClientStartup> startup;
    QList<int> exits;

    // The backend in this process; every endpoint of the client points at it.
    void useBackend(const server::ServerConfig& config = {}) {
        if (backend) {
            PageLoader::shared().network()->clearConnectionCache();
            backend.reset();
        }
        backend = std::make_unique<InProcessServer>(config);
        endpoints() = Endpoints::defaults();
        endpoints().mainNode = backend->mainHost();
        endpoints().fallbackNode = backend->fallbackHost();
        endpoints().bannerHost = backend->mainHost();
        endpoints().noticeHost = backend->mainHost();
    }

    void resetProcessState() {
        Session() = {};
        UiLanguage = 0;
        VpnConnected = 0;
        ReplaceLineCatalogue(QString());
    }

    // One program start with the backend in this process: `atLogin` acts on the login window
    // once its modal loop runs. Returns what start() returned.
    bool startClient(const std::function<void(Tfrmlogin*)>& atLogin,
                     UserPrompts* prompts = nullptr) {
        startup.reset();
        resetProcessState();
        exits.clear();
        startup = std::make_unique<ClientStartup>(prompts);
        startup->endProcess = [this](int code) {
            exits.append(code);
        };
        connect(startup.get(), &ClientStartup::loginWindowOpened, this, [atLogin](Tfrmlogin* l) {
            QTimer::singleShot(0, l, [l, atLogin] {
                atLogin(l);
                // A failed check must not leave the test waiting on the modal loop.
                if (l->isVisible() && QTest::currentTestFailed())
                    l->reject();
            });
        });
        return startup->start();
    }

    static void login(Tfrmlogin* l, const QString& user, const QString& password) {
        typeInto(l->edt_user(), user);
        typeInto(l->edt_pass(), password);
        QTest::mouseClick(l->btn_login(), Qt::LeftButton);
    }

    // Shows the main window and runs its show initialisation at once (the mainshow tick).
    void showMainWindow() {
        Tfrmmain* main = startup->mainWindow();
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main));
        QVERIFY(startup->engine().mainshow.isActive());
        startup->engine().mainshowTimer();
        QVERIFY(!startup->engine().mainshow.isActive());
    }

    QStringList demoAreas() {
        QStringList areas;
        const server::Catalogue catalogue = backend->store().catalogue();
        for (const server::AreaEntry& area : catalogue)
            areas.append(QString::fromStdString(area.name));
        return areas;
    }
    QStringList demoLines(int area) {
        QStringList lines;
        const server::Catalogue catalogue = backend->store().catalogue();
        for (const server::LineEntry& line : catalogue.at(area).lines)
            lines.append(QString::fromStdString(line.name));
        return lines;
    }

private Q_SLOTS:
    void init() {
        resetProcessState();
        useBackend();
        settings = std::make_unique<TempSettings>();
        driver = std::make_unique<ModalDriver>();
    }
    void cleanup() {
        startup.reset();
        driver.reset();
        // A notice board left by a login that did not succeed lives until the program ends.
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<TForm5*>(w))
                delete w;
        PageLoader::shared().network()->clearConnectionCache();
        backend.reset();
        settings.reset();
        endpoints() = Endpoints::defaults();
        resetProcessState();
    }

    void demoLoginEndsInTheMainWindow() {
        Tfrmlogin* seenLogin = nullptr;
        bool mainShownDuringLogin = true;
        const bool started = startClient([&](Tfrmlogin* l) {
            seenLogin = l;
            mainShownDuringLogin = startup->mainWindow()->isVisible();
            QVERIFY(l->isVisible());
            QVERIFY(l->isModal());
            QCOMPARE(l->windowTitle(), kSimplifiedTitle);
            QCOMPARE(l->wb1()->pageUrl().toString(),
                     QStringLiteral("http://%1/kvtclient/top.htm").arg(backend->mainHost()));
            login(l, QStringLiteral("demo"), QStringLiteral("demo123"));
        });
        QVERIFY(started);
        QVERIFY(seenLogin);
        QVERIFY(!mainShownDuringLogin);
        QVERIFY(driver->boxes.isEmpty());
        QVERIFY(exits.isEmpty());
        QCOMPARE(Session().LoginSucceeded, 1);
        // The login window is gone, the notice board with it; the second login window and
        // the update prompt exist hidden.
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY2(!qobject_cast<TForm5*>(w) && (!qobject_cast<Tfrmlogin*>(w) || !w->isVisible()),
                     qPrintable(w->objectName()));
        QVERIFY(startup->hiddenLoginWindow() && !startup->hiddenLoginWindow()->isVisible());
        QVERIFY(startup->hiddenUpdatePrompt() && !startup->hiddenUpdatePrompt()->isVisible());

        Tfrmmain* main = startup->mainWindow();
        QVERIFY(!main->isVisible());
        QCOMPARE(main->windowTitle(), kSimplifiedTitle);
        QVERIFY(main->userlabel()->text().startsWith(QStringLiteral("用户名：demo  ")));
        QCOMPARE(main->localiplabel()->text(), QStringLiteral("本地IP为：127.0.0.1"));
        QCOMPARE(main->statuslabel()->text(), QStringLiteral("未连接"));

        showMainWindow();
        // The area bar lists the demo areas; the first is selected and its lines listed,
        // sorted by delay (none measured yet, so in document order).
        const QStringList areas = demoAreas();
        QCOMPARE(areas.size(), 4);
        QCOMPARE(main->sb()->areas(), areas);
        QCOMPARE(main->sb()->captionStyle(0), AreaBar::CaptionStyle::Bold);
        QCOMPARE(main->sb()->captionStyle(1), AreaBar::CaptionStyle::Normal);
        const QAbstractItemModel* rows = main->vt1()->model();
        QCOMPARE(rows, &startup->engine().lineList());
        QCOMPARE(columnTexts(rows, 0), demoLines(0));
        QCOMPARE(columnTexts(rows, 1), QStringList(demoLines(0).size(), QStringLiteral("NA")));
        QCOMPARE(main->vt1()->header()->sortIndicatorSection(), 1);
        QCOMPARE(main->vt1()->header()->sortIndicatorOrder(), Qt::AscendingOrder);
        QCOMPARE(main->vt1()->columnTitle(0), QStringLiteral("线路名称"));
        QCOMPARE(comboItems(main->IPAddrTxt()), demoLines(0));
        QCOMPARE(main->IPAddrTxt()->currentIndex(), 0);
        QCOMPARE(main->linelabel()->text(), QStringLiteral("当前节点：") + demoLines(0).at(0));
        QCOMPARE(main->web1()->pageUrl().toString(),
                 QStringLiteral("http://%1/kvtclient/maintop.htm").arg(Session().BackendHost));
        QCOMPARE(main->web2()->pageUrl().toString(),
                 QStringLiteral("http://%1/kvtclient/news.htm").arg(Session().BackendHost));

        // Another area: green and bold while its lines fill the list and the chooser.
        QTest::mouseClick(main->sb()->button(2), Qt::LeftButton);
        QCOMPARE(startup->engine().AreaTxt2Index, 2);
        QCOMPARE(main->sb()->captionStyle(0), AreaBar::CaptionStyle::Normal);
        QCOMPARE(main->sb()->captionStyle(2), AreaBar::CaptionStyle::Bold);
        QCOMPARE(columnTexts(rows, 0), demoLines(2));
        QCOMPARE(comboItems(main->IPAddrTxt()), demoLines(2));

        // A row click makes that row the focused one and its line the selected line.
        clickRow(main->vt1(), 1);
        QCOMPARE(startup->engine().lineList().focusedRow(), 1);
        QCOMPARE(main->IPAddrTxt()->currentText(), demoLines(2).at(1));
        QCOMPARE(main->linelabel()->text(), QStringLiteral("当前节点：") + demoLines(2).at(1));

        // The user's choice in the chooser is the engine's selected line.
        main->IPAddrTxt()->setCurrentIndex(2);
        emit main->IPAddrTxt()->activated(2);
        QCOMPARE(startup->engine().IPAddrTxtText(), demoLines(2).at(2));

        // Search with Enter: only matching lines are listed and the first is focused.
        const QString wanted = demoLines(2).at(1);
        typeInto(main->linenametxt(), wanted);
        QTest::keyClick(main->linenametxt(), Qt::Key_Return);
        QCOMPARE(columnTexts(rows, 0), QStringList{wanted});
        QCOMPARE(startup->engine().lineList().focusedRow(), 0);
        QCOMPARE(main->IPAddrTxt()->currentText(), wanted);
        QCOMPARE(main->linenametxt()->text(), wanted);
        // An area click lists the whole area again and empties the search box.
        QTest::mouseClick(main->sb()->button(1), Qt::LeftButton);
        QCOMPARE(columnTexts(rows, 0), demoLines(1));
        QVERIFY(main->linenametxt()->text().isEmpty());

        // Closing saves the area and the line and ends the process with 0.
        main->IPAddrTxt()->setCurrentIndex(3);
        emit main->IPAddrTxt()->activated(3);
        QVERIFY(main->close());
        QCOMPARE(exits, QList<int>{0});
        QVERIFY(!main->isVisible());
        const LastChoiceTexts last = readLastChoice();
        QCOMPARE(last.area, std::optional<QString>(QStringLiteral("1")));
        QCOMPARE(last.line, std::optional<QString>(QStringLiteral("3")));
    }

    void failedLoginsShowTheirMessage_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        QTest::newRow("wrong password") << 0 << "demo"
                                        << "wrong"
                                        << "用户名或密码错误";
        QTest::newRow("expired") << 0 << "expired"
                                 << "expired123"
                                 << "此帐户已过期，请及时充值后才能使用此功能";
        QTest::newRow("used up") << 0 << "useup"
                                 << "useup123"
                                 << "此帐户免费测试时间已经用完，请注册正式帐户";
        QTest::newRow("wrong password, English") << 1 << "demo"
                                                 << "wrong"
                                                 << "The user name or password is incorrect";
        QTest::newRow("used up, English")
            << 1 << "useup"
            << "useup123"
            << "This account free test time has run out, please register normal account";
    }
    void failedLoginsShowTheirMessage() {
        QFETCH(int, language);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, message);
        bool stayedOpen = false;
        QString label3;
        bool label3Shown = false;
        const bool started = startClient([&](Tfrmlogin* l) {
            chooseLanguage(l, language);
            login(l, user, password);
            stayedOpen = l->isVisible();
            label3 = l->Label3()->text();
            label3Shown = l->Label3()->isVisibleTo(l);
            QCOMPARE(l->edt_user()->text(), user); // the typed values stay for a retry
            QTest::mouseClick(l->btn_exit(), Qt::LeftButton);
        });
        QVERIFY(stayedOpen);
        QCOMPARE(driver->boxes.size(), 1);
        QCOMPARE(driver->boxes[0].text, message);
        QCOMPARE(driver->boxes[0].title, language == 1 ? kEnglishTitle : kSimplifiedTitle);
        QCOMPARE(label3, message);
        QVERIFY(label3Shown);

        // Cancelling after the failure ends the program through the close sequence: the main
        // window never showed and nothing was saved for it.
        QVERIFY(!started);
        QCOMPARE(exits, QList<int>{0});
        QVERIFY(startup->ended());
        QCOMPARE(startup->exitCode(), 0);
        QVERIFY(!startup->mainWindow()->isVisible());
        QVERIFY(!startup->hiddenLoginWindow());
        QCOMPARE(readLastChoice().area, std::optional<QString>(QString()));
    }

    void languageSwitchSetsBothWindows_data() {
        QTest::addColumn<int>("listIndex");
        QTest::newRow("简体中文") << 0;
        QTest::newRow("English") << 1;
        QTest::newRow("繁体中文") << 2;
    }
    void languageSwitchSetsBothWindows() {
        QFETCH(int, listIndex);
        const int language = LanguageForListIndex(listIndex);
        startClient([&](Tfrmlogin* l) {
            // From another entry, so that every row is a change.
            chooseLanguage(l, listIndex == 1 ? 2 : 1);
            chooseLanguage(l, listIndex);
            QCOMPARE(UiLanguage, language);

            for (const NamedText& entry : Entries(LoginTexts(language))) {
                const QString name = QLatin1String(entry.control);
                const QString shown =
                    name == QLatin1String("caption") ? l->windowTitle() : l->controlText(name);
                QVERIFY2(shown == entry.text, qPrintable(name + QStringLiteral(": ") + shown));
            }
            Tfrmmain* main = startup->mainWindow();
            for (const NamedText& entry : Entries(MainTexts(language))) {
                const QString name = QLatin1String(entry.control);
                QString shown;
                if (name == QLatin1String("caption"))
                    shown = main->windowTitle();
                else if (name.startsWith(QLatin1String("vt1_column")))
                    shown = main->vt1()->columnTitle(columnOfEntry(name));
                else
                    shown = main->controlText(name);
                QVERIFY2(shown == entry.text, qPrintable(name + QStringLiteral(": ") + shown));
            }
            QCOMPARE(startup->qtPrompts().title(), ApplicationTitle(language));
            if (language == 3) {
                QCOMPARE(l->chkpass()->text(), QStringLiteral("記住密碼"));
                QCOMPARE(l->Label3()->text(), QStringLiteral("Varnok動態加速器 v8.0.2"));
            }

            // A double click switches "简体中文" to "English" and anything else back.
            QMouseEvent doubleClick(QEvent::MouseButtonDblClick, QPointF(10, 10),
                                    l->lang()->mapToGlobal(QPointF(10, 10)), Qt::LeftButton,
                                    Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(l->lang(), &doubleClick);
            const int after = listIndex == 0 ? 1 : 0;
            QCOMPARE(l->lang()->currentIndex(), after);
            QCOMPARE(UiLanguage, LanguageForListIndex(after));
            QCOMPARE(main->btn_conn()->text(), MainTexts(LanguageForListIndex(after)).btn_conn);
            QCOMPARE(l->btn_login()->text(), LoginTexts(LanguageForListIndex(after)).btn_login);
            QTest::mouseClick(l->btn_exit(), Qt::LeftButton);
        });
        QCOMPARE(exits, QList<int>{0});
    }

    void choicesRememberedAcrossTwoStarts() {
        // First start: English, remember the password, pick the third area's second line.
        QVERIFY(startClient([](Tfrmlogin* l) {
            QVERIFY(l->edt_user()->text().isEmpty());
            QVERIFY(!l->chkpass()->isChecked());
            QCOMPARE(l->btn_login()->text(), QStringLiteral("登  陆")); // design text
            chooseLanguage(l, 1);
            QTest::mouseClick(l->chkpass(), Qt::LeftButton);
            login(l, QStringLiteral("demo"), QStringLiteral("demo123"));
        }));
        showMainWindow();
        Tfrmmain* main = startup->mainWindow();
        QCOMPARE(main->btn_conn()->text(), QStringLiteral("Connect"));
        QTest::mouseClick(main->sb()->button(2), Qt::LeftButton);
        main->IPAddrTxt()->setCurrentIndex(1);
        emit main->IPAddrTxt()->activated(1);
        QVERIFY(main->close());
        QCOMPARE(exits, QList<int>{0});

        // Second start, same settings: boxes, remember box and English before the window
        // shows, on both windows; the main window comes back on that area and line.
        bool checkedBeforeShow = false;
        QVERIFY(startClient([&](Tfrmlogin* l) {
            QCOMPARE(l->edt_user()->text(), QStringLiteral("demo"));
            QCOMPARE(l->edt_pass()->text(), QStringLiteral("demo123"));
            QVERIFY(l->chkpass()->isChecked());
            QCOMPARE(l->lang()->currentIndex(), 1);
            QCOMPARE(l->btn_login()->text(), QStringLiteral("Login"));
            QCOMPARE(l->windowTitle(), kEnglishTitle);
            QCOMPARE(startup->mainWindow()->btn_conn()->text(), QStringLiteral("Connect"));
            checkedBeforeShow = true;
            QTest::mouseClick(l->btn_login(), Qt::LeftButton);
        }));
        QVERIFY(checkedBeforeShow);
        // The second, hidden login window applied the saved language once more.
        QCOMPARE(startup->hiddenLoginWindow()->lang()->currentIndex(), 1);
        QCOMPARE(startup->hiddenLoginWindow()->btn_login()->text(), QStringLiteral("Login"));
        showMainWindow();
        main = startup->mainWindow();
        QCOMPARE(startup->engine().AreaTxt2Index, 2);
        QCOMPARE(main->sb()->captionStyle(2), AreaBar::CaptionStyle::Bold);
        QCOMPARE(columnTexts(main->vt1()->model(), 0), demoLines(2));
        QCOMPARE(main->IPAddrTxt()->currentIndex(), 1);
        QCOMPARE(main->linelabel()->text(), QStringLiteral("Line:") + demoLines(2).at(1));
        QCOMPARE(main->vt1()->columnTitle(1), QStringLiteral("Delay(ms)"));
        QCOMPARE(main->statuslabel()->text(), QStringLiteral("Disconnected"));
        QCOMPARE(startup->qtPrompts().title(), kEnglishTitle);
    }

    void closeAsksWhileConnected() {
        QVERIFY(startClient(
            [](Tfrmlogin* l) { login(l, QStringLiteral("demo"), QStringLiteral("demo123")); }));
        showMainWindow();
        Tfrmmain* main = startup->mainWindow();
        VpnConnected = 1;

        // No: the window stays, minimised, and the process goes on.
        driver->answerYes = false;
        QVERIFY(!main->close());
        QCOMPARE(driver->boxes.size(), 1);
        QVERIFY(driver->boxes[0].question);
        QCOMPARE(driver->boxes[0].title, kSimplifiedTitle);
        QCOMPARE(driver->boxes[0].text,
                 QStringLiteral("VPN正在连接,关闭将断开VPN连接,您确定要关闭吗"));
        QTRY_VERIFY(main->isMinimized());
        QVERIFY(main->isVisible());
        QVERIFY(exits.isEmpty());

        // Yes: the close sequence runs and ends the process.
        driver->answerYes = true;
        QVERIFY(main->close());
        QCOMPARE(driver->boxes.size(), 2);
        QCOMPARE(exits, QList<int>{0});
        QVERIFY(readLastChoice().area.has_value());
        QCOMPARE(*readLastChoice().area, QStringLiteral("0"));
    }

    void updatePromptDuringLogin_data() {
        QTest::addColumn<bool>("download");
        QTest::addColumn<int>("listIndex");
        QTest::newRow("download") << true << 0;
        QTest::newRow("later, English") << false << 1;
        QTest::newRow("later, traditional") << false << 2;
    }
    void updatePromptDuringLogin() {
        QFETCH(bool, download);
        QFETCH(int, listIndex);
        // A backend that announces the version the client takes for an update.
        server::ServerConfig config;
        config.version = "8.1.2";
        config.updateUrl = "http://downloads.invalid/kvt-setup.exe";
        useBackend(config);

        const int language = LanguageForListIndex(listIndex);
        QStringList promptTexts;
        bool promptModal = false;
        driver->onDialog = [&](QWidget* w) {
            auto* prompt = qobject_cast<TForm6*>(w);
            if (!prompt)
                return false;
            promptTexts = {prompt->windowTitle(), prompt->sLabel1()->text(),
                           prompt->sButton1()->text(), prompt->sButton2()->text()};
            promptModal = prompt->isModal();
            QTest::mouseClick(download ? prompt->sButton1() : prompt->sButton2(), Qt::LeftButton);
            return true;
        };
        // The download opens the browser: recorded instead.
        RecordingPrompts recording;
        const bool started = startClient(
            [&](Tfrmlogin* l) {
                chooseLanguage(l, listIndex);
                login(l, QStringLiteral("demo"), QStringLiteral("demo123"));
            },
            &recording);

        QVERIFY(promptModal);
        const UpdatePromptWindowTexts texts = UpdatePromptTexts(language);
        QCOMPARE(promptTexts,
                 (QStringList{texts.caption, texts.sLabel1, texts.sButton1, texts.sButton2}));
        if (download) {
            // The login stops and the program ends without the main window.
            QVERIFY(!started);
            QCOMPARE(recording.openedUrls,
                     QStringList{QStringLiteral("http://downloads.invalid/kvt-setup.exe")});
            QCOMPARE(Session().UpdateChoice, QStringLiteral("2"));
            QCOMPARE(exits, QList<int>{0});
        } else {
            QVERIFY(started);
            QVERIFY(recording.openedUrls.isEmpty());
            QCOMPARE(Session().LoginSucceeded, 1);
            QVERIFY(startup->engine().vercheck.isActive());
        }
    }

    // --- Main window bindings without a login -------------------------------------------

    void lineListPaintsDelayBands() {
        LineListModel model;
        QList<ps> records;
        const QStringList delays = {"200", "201", "250", "251", "300", "301", "NA", "超时", "NA"};
        for (int i = 0; i < delays.size(); ++i) {
            ps r;
            r.name = QStringLiteral("line%1").arg(i);
            r.delay = delays.at(i);
            records.append(r);
        }
        model.fill(records); // sorted by delay: the measured rows first, in this order
        QCOMPARE(columnTexts(&model, 1), delays);
        model.setFocusedRow(8); // a focused row without a measured delay
        LineListView view;
        view.setLineModel(&model);
        view.resize(380, 286);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.selectionModel()->select(model.index(6, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const QImage image = view.viewport()->grab().toImage();

        // Right of the delay text, inside the cell.
        auto pixel = [&](int row) {
            const QRect cell = view.visualRect(model.index(row, 1));
            return QColor(image.pixel(cell.right() - 8, cell.center().y()));
        };
        const QList<QColor> bands = {QColor(170, 255, 155), QColor(200, 255, 150),
                                     QColor(200, 255, 150), QColor(225, 255, 140),
                                     QColor(225, 255, 140), QColor(240, 255, 140)};
        for (int row = 0; row < bands.size(); ++row)
            QVERIFY2(pixel(row) == bands.at(row),
                     qPrintable(QStringLiteral("row %1: %2").arg(row).arg(pixel(row).name())));
        QCOMPARE(pixel(7), QColor(164, 162, 165));
        QCOMPARE(pixel(8), QColor(100, 200, 255)); // focused
        // The fill reaches into the neighbouring cells but not past the row's last column.
        const QColor base = view.palette().color(QPalette::Base);
        const int rowMiddle = view.visualRect(model.index(0, 0)).center().y();
        QCOMPARE(QColor(image.pixel(view.header()->length() + 2, rowMiddle)), base);

        // The selected "NA" row: the selection colour blended over the base colour.
        const QColor selected = pixel(6);
        auto blend = [](int selection, int under) {
            return (selection * 200 + under * 55) / 255;
        };
        QVERIFY(qAbs(selected.red() - blend(55, base.red())) <= 2);
        QVERIFY(qAbs(selected.green() - blend(109, base.green())) <= 2);
        QVERIFY(qAbs(selected.blue() - blend(125, base.blue())) <= 2);

        // The focused row's name is drawn in blue; another row's is not.
        auto hasBlueText = [&](int row) {
            const QRect cell = view.visualRect(model.index(row, 0));
            for (int x = cell.left(); x < cell.left() + 60; ++x)
                for (int y = cell.top(); y < cell.bottom(); ++y)
                    if (QColor(image.pixel(x, y)) == QColor(0, 0, 255))
                        return true;
            return false;
        };
        QVERIFY(hasBlueText(8));
        QVERIFY(!hasBlueText(0));
        QCOMPARE(view.visualRect(model.index(0, 0)).height(), LineListView::RowHeight);
    }

    void headerClickFlipsTheSortIndicator() {
        MainWindowEngine engine;
        Tfrmmain main;
        main.setEngine(&engine);
        QList<ps> records;
        const QList<QPair<QString, QString>> lines = {{"b", "30"}, {"c", "10"}, {"a", "20"}};
        for (const auto& [name, delay] : lines) {
            ps r;
            r.name = name;
            r.delay = delay;
            records.append(r);
        }
        engine.lineList().fill(records);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QHeaderView* header = main.vt1()->header();
        QCOMPARE(columnTexts(main.vt1()->model(), 0), (QStringList{"c", "a", "b"}));

        struct Step {
            int column;
            Qt::SortOrder order;
            QStringList names;
        };
        const QList<Step> steps = {
            {0, Qt::DescendingOrder, {"c", "b", "a"}}, // another column flips too
            {0, Qt::AscendingOrder, {"a", "b", "c"}},
            {1, Qt::DescendingOrder, {"b", "a", "c"}},
        };
        for (const Step& step : steps) {
            clickHeader(main.vt1(), step.column);
            QCOMPARE(engine.lineList().sortColumn(), step.column);
            QCOMPARE(engine.lineList().sortDirection(), step.order);
            QCOMPARE(header->sortIndicatorSection(), step.column);
            QCOMPARE(header->sortIndicatorOrder(), step.order);
            QCOMPARE(columnTexts(main.vt1()->model(), 0), step.names);
        }
    }

    // Keys move the focused row with the current one; only a click chooses the line.
    void arrowKeysMoveTheFocusedRow() {
        MainWindowEngine engine;
        Tfrmmain main;
        main.setEngine(&engine);
        QList<ps> records;
        for (const char* name : {"a", "b", "c"}) {
            ps r;
            r.name = QString::fromLatin1(name);
            r.delay = QStringLiteral("10");
            records.append(r);
        }
        engine.lineList().fill(records);
        engine.IPAddrTxt = QStringList{"a", "b", "c"};
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        clickRow(main.vt1(), 0);
        const int clicked = engine.lineList().focusedRow();
        const QString chosen = engine.IPAddrTxt.value(engine.IPAddrTxtIndex);
        QVERIFY(!chosen.isEmpty());
        main.vt1()->setFocus();
        QTest::keyClick(main.vt1(), Qt::Key_Down);
        QCOMPARE(engine.lineList().focusedRow(), clicked + 1);
        QCOMPARE(main.vt1()->currentIndex().row(), clicked + 1);
        QVERIFY(
            main.vt1()->model()->index(clicked + 1, 0).data(LineListModel::FocusedRole).toBool());
        QCOMPARE(engine.IPAddrTxt.value(engine.IPAddrTxtIndex), chosen);
        QTest::keyClick(main.vt1(), Qt::Key_End);
        QCOMPARE(engine.lineList().focusedRow(), 2);
    }

    // Connect and Disconnect from the main window reach the connection engine; pppd and pptp
    // are the stand-ins of tests/fixtures, since this kernel has no PPP.
    void connectAndDisconnectFromTheWindow() {
        QTemporaryDir runDir;
        qputenv("KVT_PPPD", (fixturesDir() + QStringLiteral("/stand-in-pppd")).toLocal8Bit());
        qputenv("KVT_PPTP", (fixturesDir() + QStringLiteral("/stand-in-pptp")).toLocal8Bit());
        qputenv("KVT_PEERS_DIR", runDir.filePath(QStringLiteral("peers")).toLocal8Bit());
        qputenv("KVT_RUN_DIR", runDir.filePath(QStringLiteral("run")).toLocal8Bit());
        qunsetenv("KVT_STANDIN_SCENARIO");
        QVERIFY(startClient(
            [](Tfrmlogin* l) { login(l, QStringLiteral("demo"), QStringLiteral("demo123")); }));
        showMainWindow();
        Tfrmmain* main = startup->mainWindow();
        QVERIFY(startup->vpn());

        // The first demo area's first line has mark 1: the user's own account, no query.
        QTest::mouseClick(main->btn_conn(), Qt::LeftButton);
        QVERIFY(!main->btn_conn()->isEnabled());
        QVERIFY(!main->vt1()->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(VpnConnected, 1, 20000);
        QVERIFY(main->btn_disconn()->isEnabled());
        QCOMPARE(startup->vpn()->OwnAccountDial, 1);

        QTest::mouseClick(main->btn_disconn(), Qt::LeftButton);
        QCOMPARE(VpnConnected, 0);
        QVERIFY(main->btn_conn()->isEnabled());
        QVERIFY(!main->btn_disconn()->isEnabled());
        QVERIFY(main->vt1()->isEnabled());
        QCOMPARE(main->statuslabel()->text(), QStringLiteral("连接已经断开"));

        for (const char* name : {"KVT_PPPD", "KVT_PPTP", "KVT_PEERS_DIR", "KVT_RUN_DIR"})
            qunsetenv(name);
    }

    // The speed-test buttons reach their engines: the batch test starts and pauses, the single
    // test opens its window beside the main window.
    void speedTestButtonsReachTheirTests() {
        QVERIFY(startClient(
            [](Tfrmlogin* l) { login(l, QStringLiteral("demo"), QStringLiteral("demo123")); }));
        showMainWindow();
        Tfrmmain* main = startup->mainWindow();
        QVERIFY(startup->batchSpeedTest());
        QTest::mouseClick(main->btn_speed(), Qt::LeftButton);
        QCOMPARE(SpeedTestRunning.load(), 1);
        QTest::mouseClick(main->btn_speed(), Qt::LeftButton);
        QCOMPARE(SpeedTestRunning.load(), 0);

        QTest::mouseClick(main->cesu(), Qt::LeftButton);
        QVERIFY(startup->speedTestWindow()->isVisible());
    }

    void copyLineNameCopiesTheSelectedLine() {
        MainWindowEngine engine;
        Tfrmmain main;
        main.setEngine(&engine);
        engine.IPAddrTxt = {QStringLiteral("电信-上海01"), QStringLiteral("电信-广州02")};
        engine.IPAddrTxtIndex = 1;
        emit engine.choosersChanged();
        QCOMPARE(main.IPAddrTxt()->currentText(), QStringLiteral("电信-广州02"));
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->setText(QStringLiteral("before"));
        main.N19()->trigger();
        QCOMPARE(clipboard->text(), QStringLiteral("电信-广州02"));

        // Nothing selected: the clipboard gets an empty text.
        engine.IPAddrTxtIndex = -1;
        emit engine.choosersChanged();
        QCOMPARE(main.IPAddrTxt()->currentIndex(), -1);
        main.N19()->trigger();
        QCOMPARE(clipboard->text(), QString());
    }

    void controlStatesAndCaptionsFollowTheEngine() {
        MainWindowEngine engine;
        engine.setControlEnabled(QStringLiteral("btn_speed"), false);
        Tfrmmain main;
        main.setEngine(&engine);
        // States the engine holds before the window exists are applied at once.
        QVERIFY(!main.btn_disconn()->isEnabled());
        QVERIFY(!main.btn_speed()->isEnabled());
        QVERIFY(main.btn_conn()->isEnabled());

        engine.setControlEnabled(QStringLiteral("btn_conn"), false);
        engine.setControlEnabled(QStringLiteral("btn_disconn"), true);
        engine.setControlEnabled(QStringLiteral("vt1"), false);
        engine.setControlEnabled(QStringLiteral("N18"), false);
        QVERIFY(!main.btn_conn()->isEnabled());
        QVERIFY(main.btn_disconn()->isEnabled());
        QVERIFY(!main.vt1()->isEnabled());
        QVERIFY(!main.N18()->isEnabled());
        engine.setControlText(QStringLiteral("btn_speed"), QStringLiteral("停止测速"));
        QCOMPARE(main.btn_speed()->text(), QStringLiteral("停止测速"));

        engine.statuslabel = QStringLiteral("已连接");
        engine.statuslabelColor = 0x008000;
        emit engine.statusPanelChanged();
        QCOMPARE(main.statuslabel()->text(), QStringLiteral("已连接"));
        QCOMPARE(main.statuslabel()->palette().color(QPalette::WindowText), QColor(0, 128, 0));

        // Handlers other subsystems own run their hooks and nothing else.
        int connects = 0;
        main.hooks.btn_connClick = [&] {
            ++connects;
        };
        main.hooks.N18Click = [&] {
            ++connects;
        };
        main.btn_connClick();
        main.N18()->setEnabled(true);
        main.N18()->trigger();
        QCOMPARE(connects, 2);
    }
};

QTEST_MAIN(TestClientWindows)
#include "tst_client_windows.moc"
