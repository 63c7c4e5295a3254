#pragma once

#include "speedtest/icmp_echo.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace kvt {

class MainWindowEngine;

// The single speed test behind `cesu`, the line popup's "Speed test" item `N17` and `Button1`
// of the window `TForm1`: seven echoes of 32 bytes to the selected line, one after another,
// each listed in `ListBox1` as it comes. The echoes are awaited in the event loop, so the
// main window stays responsive during the series.
class SingleSpeedTest : public QObject {
    Q_OBJECT
public:
    explicit SingleSpeedTest(MainWindowEngine& main,
                             std::shared_ptr<IcmpEcho> echo = MakeSystemIcmpEcho(),
                             QObject* parent = nullptr);
    ~SingleSpeedTest() override;

    // Click on `cesu` and the popup item `N17`: tests the selected line. A series still
    // running is abandoned for the new one.
    void cesuClick();
    void N17Click() { cesuClick(); }
    // `Button1` of TForm1: empties the list, then tests the selected line again.
    void Button1Click();

    // The lines of `ListBox1`.
    const QStringList& ListBox1() const { return ListBox1_; }
    // True from the first echo of a series until its last.
    bool seriesRunning() const { return static_cast<bool>(pending_); }
    // The address the last series measured (decoded from the line's value).
    const QString& target() const { return target_; }

    // Window texts in the current language.
    static QString caption();
    static QString button1Caption();

    // For tests only: the receive timeout of each echo (1000 ms).
    void setEchoTimeoutMs(int ms) { echoTimeoutMs_ = ms; }

Q_SIGNALS:
    // TForm1 is to be placed at the main window's top + 20 and left + 300 and shown, not
    // modal.
    void showRequested();
    void listChanged();
    // The series ended (after seven echoes, or early on a failure).
    void seriesFinished();

private:
    void sendNext();
    void onEcho(const EchoResult& result);
    void ICMPReply(const EchoResult& result);
    void finishSeries();

    MainWindowEngine& main_;
    const std::shared_ptr<IcmpEcho> echo_;
    std::unique_ptr<PendingEcho> pending_;
    QStringList ListBox1_;
    QString target_;
    QString lineText_;
    int sent_ = 0;
    int echoTimeoutMs_;
};

} // namespace kvt
