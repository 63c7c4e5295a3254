#pragma once

#include "speedtest/icmp_echo.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QThread>
#include <QThreadPool>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace kvt {

class MainWindowEngine;

// One queued measurement: the row to measure, by its stable id in the line list, and the
// row's address as the pass that queued it read it on the user-interface thread. Pool threads
// never read the list itself: the user-interface thread may be sorting it.
struct MythreadData {
    quint64 Pv = 0;
    QString ip;
};

// The batch speed test behind `btn_speed`: measures every row of the line list by ICMP echo,
// pass after pass, on a pool of worker threads, and keeps the list sorted by delay while it
// runs.
//
// Threads: the feeder `pingthread` walks the rows of each pass (one every 50 ms) and queues
// one task per row in the pool `tp1` (up to 40 threads); each task sends one echo and hands
// its result to this object's thread (the user-interface thread) by a queued call. Only that
// thread writes `delay` and `losttimes`, sorts the list and writes SpeedTestRunning; the other
// threads only read the flag. A result whose row a later refill of the list removed finds no
// row by its id and has no effect.
class BatchSpeedTest : public QObject {
    Q_OBJECT
public:
    explicit BatchSpeedTest(MainWindowEngine& main,
                            std::shared_ptr<IcmpEcho> echo = MakeSystemIcmpEcho(),
                            QObject* parent = nullptr);
    // Ends the test, cancels the echoes in flight and waits for every thread.
    ~BatchSpeedTest() override;

    // Click on `btn_speed`: with no line selected only focuses the line chooser; else pauses a
    // running test (sorting the list) or starts one.
    void btn_speedClick();
    // The stop from outside (a connection was announced; the main window closes): the test
    // ends without sorting and the caption returns to idle.
    void stopBatchTest();
    // Tick of the main window's `Timer1` while the test runs: sorts the list.
    void Timer1Timer();

    // The caption `btn_speed` shows now (also after a language change).
    QString btn_speedCaption() const;

    // The pool: at most 40 threads; a thread idle for 2000 ms ends. It lives on the heap: at
    // shutdown a thread still inside a host-name lookup (which cannot be cancelled) is left
    // to finish on its own rather than holding up the end of the program.
    QThreadPool& tp1;
    static constexpr int MaxPoolThreads = 40;

    // Whether a feeder is running (it ends at its next row once the test is paused), and how
    // many feeders were started so far.
    bool feederRunning() const;
    int feedersStarted() const { return feedersStarted_; }
    // How many times a feeder has gone to sleep before queueing a row; lets a test know that
    // the feeder has checked the flag and is now waiting.
    int feederRowWaits() const;
    // Results written into rows so far, and results handed over that found nothing to write:
    // the test was paused before they arrived, or a refill of the list removed their row.
    int resultsApplied() const { return resultsApplied_; }
    int resultsIgnored() const { return resultsIgnored_; }

    // For tests only: the echo timeout (4000 ms) and the feeder's pace (50 ms).
    void setEchoTimeoutMs(int ms) { echoTimeoutMs_ = ms; }
    void setFeedIntervalMs(int ms) { feedIntervalMs_ = ms; }

    // Ends the test and every thread for good (the program is closing): SpeedTestRunning
    // becomes 0, the feeder is woken, queued tasks are dropped and the echoes in flight are
    // cancelled. Touches nothing of the main window. Called by the destructor and when the
    // application is about to quit.
    void shutdown();

Q_SIGNALS:
    // A result was written into the row with this id.
    void resultApplied(quint64 rowId);
    // A pass over the list ended and the list was sorted.
    void passFinished();

private:
    class PingTask;

    void start();
    void pause();
    void endRun();
    QList<MythreadData> currentOrder() const;

    // Feeder thread.
    void feed(QList<MythreadData> order);
    bool keepFeeding(std::unique_lock<std::mutex>& lock);
    bool nextPass(QList<MythreadData>& order);
    // Pool threads.
    void handOver(quint64 rowId, const EchoResult& result);
    void taskLeftQueue();
    // User-interface thread.
    void answerOrderRequest(quint64 ticket);
    void applyResult(quint64 rowId, int effect, qint64 roundTripMs);

    MainWindowEngine& main_;
    const std::shared_ptr<IcmpEcho> echo_;
    std::unique_ptr<QThread> pingthread;

    // Guards the feeder's state below; the feeder waits on `wake_`.
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool feederActive_ = false; // a feeder runs and has not decided to end
    bool stopping_ = false;     // shutdown: everything ends
    int queued_ = 0;            // tasks in tp1's queue not yet started
    int rowWaits_ = 0;          // see feederRowWaits()
    quint64 orderTicket_ = 0;   // the feeder's last request for the next pass's order
    quint64 answeredTicket_ = 0;
    QList<MythreadData> answeredOrder_;

    std::atomic<int> echoTimeoutMs_;
    std::atomic<int> feedIntervalMs_{50};
    int feedersStarted_ = 0;
    int resultsApplied_ = 0;
    int resultsIgnored_ = 0;
    bool shutDown_ = false;
};

} // namespace kvt
