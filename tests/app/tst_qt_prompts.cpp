// The engine's prompts shown with widgets, offscreen: the boxes' caption, icon, buttons and
// answer, balloons through the installed callback, focus by control name, web addresses.

#include "app/ui/qt_prompts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <functional>

using namespace kvt;
using namespace kvt::ui;

namespace {

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

// Waits for the next modal box, records it and presses `answer`.
void answerNextBox(SeenBox* seen, QMessageBox::StandardButton answer) {
    QTimer::singleShot(0, [seen, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            answerNextBox(seen, answer); // not open yet
            return;
        }
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->icon = box->icon();
        for (QAbstractButton* b : box->buttons())
            seen->buttons.append(QString::number(int(box->standardButton(b))));
        box->button(answer)->click();
    });
}

class BrowserRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

} // namespace

class TestQtPrompts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void messageBox_data() {
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("boxIcon");
        QTest::newRow("warning") << int(UserPrompts::Icon::Warning) << int(QMessageBox::Warning);
        QTest::newRow("information")
            << int(UserPrompts::Icon::Information) << int(QMessageBox::Information);
        QTest::newRow("question") << int(UserPrompts::Icon::Question) << int(QMessageBox::Question);
        QTest::newRow("plain") << int(UserPrompts::Icon::None) << int(QMessageBox::NoIcon);
    }

    void messageBox() {
        QFETCH(int, icon);
        QFETCH(int, boxIcon);
        QtPrompts prompts;
        prompts.setTitle(QStringLiteral("Varnok动态加速器 v8.0.2"));
        InstallPrompts(&prompts);
        SeenBox seen;
        answerNextBox(&seen, QMessageBox::Ok);
        Prompts().message(QStringLiteral("账号不能为空"), UserPrompts::Icon(icon));
        InstallPrompts(nullptr);
        QCOMPARE(seen.title, QStringLiteral("Varnok动态加速器 v8.0.2"));
        QCOMPARE(seen.text, QStringLiteral("账号不能为空"));
        QCOMPARE(int(seen.icon), boxIcon);
        QCOMPARE(seen.buttons, QStringList{QString::number(int(QMessageBox::Ok))});
    }

    void titleFollowsTheApplicationUntilSet() {
        QtPrompts prompts;
        QApplication::setApplicationDisplayName(QStringLiteral("KVT Network Client v8.0.2"));
        QCOMPARE(prompts.title(), QStringLiteral("KVT Network Client v8.0.2"));
        SeenBox seen;
        answerNextBox(&seen, QMessageBox::Ok);
        prompts.message(QStringLiteral("x"), UserPrompts::Icon::Information);
        QCOMPARE(seen.title, QStringLiteral("KVT Network Client v8.0.2"));
        prompts.setTitle(QStringLiteral("Varnok动态加速器 v8.0.2"));
        QCOMPARE(prompts.title(), QStringLiteral("Varnok动态加速器 v8.0.2"));
    }

    void question_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << int(QMessageBox::Yes) << true;
        QTest::newRow("no") << int(QMessageBox::No) << false;
    }

    void question() {
        QFETCH(int, answer);
        QFETCH(bool, yes);
        QtPrompts prompts;
        prompts.setTitle(QStringLiteral("T"));
        SeenBox seen;
        answerNextBox(&seen, QMessageBox::StandardButton(answer));
        QCOMPARE(prompts.question(QStringLiteral("VPN正在连接,关闭将断开VPN连接,您确定要关闭吗")),
                 yes);
        QCOMPARE(int(seen.icon), int(QMessageBox::Question));
        QCOMPARE(seen.buttons.size(), 2);
        QVERIFY(seen.buttons.contains(QString::number(int(QMessageBox::Yes))));
        QVERIFY(seen.buttons.contains(QString::number(int(QMessageBox::No))));
    }

    void balloonGoesToTheHandler() {
        QtPrompts prompts;
        prompts.balloon(QStringLiteral("dropped"), QStringLiteral("no tray yet"));
        QStringList shown;
        prompts.setBalloonHandler(
            [&shown](const QString& title, const QString& text) { shown << title << text; });
        prompts.balloon(QStringLiteral("更新提示"), QStringLiteral("已经有更新版本"));
        QCOMPARE(shown,
                 (QStringList{QStringLiteral("更新提示"), QStringLiteral("已经有更新版本")}));
    }

    void focusByControlName() {
        QWidget window;
        window.setObjectName(QStringLiteral("Tfrmlogin"));
        auto* user = new QLineEdit(&window);
        user->setObjectName(QStringLiteral("edt_user"));
        auto* pass = new QLineEdit(&window);
        pass->setObjectName(QStringLiteral("edt_pass"));
        pass->move(0, 30);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QtPrompts prompts;
        prompts.setWindow(&window);
        prompts.focus(QStringLiteral("edt_pass"));
        QTRY_COMPARE(QApplication::focusWidget(), pass);
        prompts.focus(QStringLiteral("edt_user"));
        QTRY_COMPARE(QApplication::focusWidget(), user);
        prompts.focus(QStringLiteral("no_such_control")); // ignored
        QCOMPARE(QApplication::focusWidget(), user);
    }

    void openUrl() {
        BrowserRecorder browser;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");
        QtPrompts prompts;
        prompts.openUrl(QStringLiteral("http://127.0.0.1:8006/download/kvt.exe"));
        // An empty download address opens nothing.
        prompts.openUrl(QString());
        prompts.openUrl(QStringLiteral("  "));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QCOMPARE(browser.opened,
                 QList<QUrl>{QUrl(QStringLiteral("http://127.0.0.1:8006/download/kvt.exe"))});
    }
};

QTEST_MAIN(TestQtPrompts)
#include "tst_qt_prompts.moc"
