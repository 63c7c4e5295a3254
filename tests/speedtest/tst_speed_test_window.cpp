#include "app/main_window_engine.h"
#include "app/shared_flags.h"
#include "app/ui_language.h"
#include "line_document.h"
#include "lines/line_catalogue.h"
#include "recording_prompts.h"
#include "speedtest/linux/linux_icmp_echo.h"
#include "speedtest/single_speed_test.h"
#include "speedtest/ui/speed_test_window.h"
#include "temp_settings.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace kvt;
using namespace kvt::test;

// The single-test window TForm1 offscreen, tested on loopback lines.
class TestSpeedTestWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<TempSettings> settings;
    std::unique_ptr<RecordingPrompts> prompts;
    std::unique_ptr<MainWindowEngine> engine;
    std::unique_ptr<SingleSpeedTest> single;
    std::unique_ptr<QWidget> mainWindow;
    ui::TForm1* form = nullptr;

    QStringList shownLines() const {
        QStringList lines;
        for (int i = 0; i < form->ListBox1()->count(); ++i)
            lines << form->ListBox1()->item(i)->text();
        return lines;
    }

private Q_SLOTS:
    void init() {
        UiLanguage = 0;
        ReplaceLineCatalogue(LineDocument(
            {{QStringLiteral("本地"), {{QStringLiteral("本机1"), QStringLiteral("127.0.0.1")}}}}));
        settings = std::make_unique<TempSettings>();
        prompts = std::make_unique<RecordingPrompts>();
        engine = std::make_unique<MainWindowEngine>();
        engine->RebuildAreaBar(0);
        engine->SelectArea(0);
        single = std::make_unique<SingleSpeedTest>(*engine);
        mainWindow = std::make_unique<QWidget>();
        mainWindow->setGeometry(120, 90, 800, 560);
        mainWindow->show();
        form = new ui::TForm1(*single, mainWindow.get());
    }
    void cleanup() {
        mainWindow.reset(); // owns the form
        single.reset();
        engine.reset();
        prompts.reset();
        settings.reset();
        UiLanguage = 0;
    }

    void layout() {
        QCOMPARE(form->objectName(), QStringLiteral("TForm1"));
        QCOMPARE(form->size(), QSize(254, 205));
        QCOMPARE(form->minimumSize(), form->maximumSize());
        QVERIFY(form->isWindow());
        QVERIFY(form->windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(form->ListBox1()->objectName(), QStringLiteral("ListBox1"));
        QCOMPARE(form->Button1()->objectName(), QStringLiteral("Button1"));
        QVERIFY(form->rect().contains(form->ListBox1()->geometry()));
        QVERIFY(form->rect().contains(form->Button1()->geometry()));
        QVERIFY(!form->ListBox1()->geometry().intersects(form->Button1()->geometry()));
        QVERIFY(!form->isVisible());
    }

    void textsPerLanguage_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("button");
        QTest::newRow("simplified")
            << 1 << QStringLiteral("速度测试") << QStringLiteral("重新测试");
        QTest::newRow("English") << 2 << QStringLiteral("Test Speed")
                                 << QStringLiteral("Retry Test");
        QTest::newRow("traditional")
            << 3 << QStringLiteral("速度測試") << QStringLiteral("重新測試");
    }
    void textsPerLanguage() {
        QFETCH(int, language);
        QFETCH(QString, caption);
        QFETCH(QString, button);
        UiLanguage = language;
        Q_EMIT single->showRequested();
        QCOMPARE(form->windowTitle(), caption);
        QCOMPARE(form->Button1()->text(), button);
    }

    // A test shows the window, not modal, at the main window's top + 20 and left + 300; the
    // list fills as the echoes come; cesu is disabled meanwhile; Retry starts over.
    void seriesInTheWindow() {
        if (const QString why = LinuxIcmpEcho::unavailableReason(IcmpSocketKind::Automatic);
            !why.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no ICMP socket can be opened: ") + why));
        QSignalSpy finished(single.get(), &SingleSpeedTest::seriesFinished);
        single->N17Click();
        QVERIFY(form->isVisible());
        QVERIFY(!form->isModal());
        QCOMPARE(form->frameGeometry().topLeft(),
                 mainWindow->frameGeometry().topLeft() + QPoint(300, 20));
        QVERIFY(!engine->isControlEnabled(QStringLiteral("cesu")));
        QVERIFY(finished.wait(20000));
        QVERIFY(engine->isControlEnabled(QStringLiteral("cesu")));
        QCOMPARE(shownLines().size(), 7);
        QCOMPARE(shownLines(), single->ListBox1());
        for (const QString& line : shownLines())
            QVERIFY2(line.startsWith(QStringLiteral("本机1:  time")), qPrintable(line));

        form->close(); // the window stays for the next test
        QTest::mouseClick(form->Button1(), Qt::LeftButton);
        QVERIFY(shownLines().size() < 7);
        QVERIFY(form->isVisible());
        QVERIFY(finished.wait(20000));
        QCOMPARE(shownLines().size(), 7);
    }

    void choosingNoLineOnlyFocusesTheChooser_data() {
        QTest::addColumn<QString>("line");
        QTest::newRow("prompt item") << QStringLiteral("请选择服务器");
        QTest::newRow("blank") << QStringLiteral(" ");
    }
    void choosingNoLineOnlyFocusesTheChooser() {
        QFETCH(QString, line);
        engine->IPAddrTxt = {line};
        engine->IPAddrTxtIndex = 0;
        single->cesuClick();
        QCOMPARE(prompts->focused, QStringList{QStringLiteral("IPAddrTxt")});
        QVERIFY(!form->isVisible());
        QVERIFY(engine->isControlEnabled(QStringLiteral("cesu")));
    }

    // A line missing from the catalogue: the plain message, then a series to an empty address
    // that ends at once with nothing listed.
    void lineWithoutValue() {
        UiLanguage = 2;
        engine->IPAddrTxt = {QStringLiteral("gone")};
        engine->IPAddrTxtIndex = 0;
        QSignalSpy finished(single.get(), &SingleSpeedTest::seriesFinished);
        single->cesuClick();
        QCOMPARE(prompts->messages.size(), 1);
        QCOMPARE(prompts->messages.at(0).text,
                 QStringLiteral("Error occurred, please close the program to run"));
        QCOMPARE(prompts->messages.at(0).icon, UserPrompts::Icon::None);
        QVERIFY(finished.wait(20000));
        QCOMPARE(shownLines(), QStringList());
        QVERIFY(engine->isControlEnabled(QStringLiteral("cesu")));
    }
};

QTEST_MAIN(TestSpeedTestWindow)
#include "tst_speed_test_window.moc"
