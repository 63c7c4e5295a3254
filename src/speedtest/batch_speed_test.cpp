#include "speedtest/batch_speed_test.h"

#include "app/main_window_engine.h"
#include "app/shared_flags.h"
#include "app/user_prompts.h"
#include "lines/line_list_model.h"
#include "speedtest/speed_test_rules.h"
#include "speedtest/speed_test_texts.h"

#include <QCoreApplication>
#include <QRunnable>

#include <chrono>

namespace kvt {

// One task of the pool: a single echo for one row. It holds what the echo needs itself and
// touches the test object only before the echo and, while the test runs, to hand the result
// over; so a task that outlives shutdown (stuck in a host-name lookup) touches nothing.
class BatchSpeedTest::PingTask final : public QRunnable {
public:
    PingTask(BatchSpeedTest& test, std::shared_ptr<IcmpEcho> echo, MythreadData data, int timeoutMs)
        : test_(test), echo_(std::move(echo)), data_(std::move(data)), timeoutMs_(timeoutMs) {}
    // A task dropped from the queue before it ran still leaves the queue count.
    ~PingTask() override {
        if (!started_)
            test_.taskLeftQueue();
    }
    void run() override {
        started_ = true;
        test_.taskLeftQueue();
        EchoRequest request;
        request.address = data_.ip;
        request.payloadSize = BatchPayloadSize;
        request.timeoutMs = timeoutMs_;
        request.ttl = BatchTtl;
        const EchoResult result = echo_->echo(request);
        // Paused, stopped or closing: the result is dropped.
        if (SpeedTestRunning.load() == 0)
            return;
        test_.handOver(data_.Pv, result);
    }

private:
    BatchSpeedTest& test_;
    const std::shared_ptr<IcmpEcho> echo_;
    const MythreadData data_;
    const int timeoutMs_;
    bool started_ = false;
};

BatchSpeedTest::BatchSpeedTest(MainWindowEngine& main, std::shared_ptr<IcmpEcho> echo,
                               QObject* parent)
    : QObject(parent), tp1(*new QThreadPool), main_(main), echo_(std::move(echo)),
      echoTimeoutMs_(BatchTimeoutMs) {
    tp1.setObjectName(QStringLiteral("tp1"));
    tp1.setMaxThreadCount(MaxPoolThreads);
    tp1.setExpiryTimeout(2000);
    // An echo needs little stack; 40 threads of the default 8 MiB would reserve 320 MiB.
    tp1.setStackSize(512 * 1024);
    connect(&main_.Timer1, &QTimer::timeout, this, &BatchSpeedTest::Timer1Timer);
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &BatchSpeedTest::shutdown);
}

BatchSpeedTest::~BatchSpeedTest() {
    shutdown();
    if (tp1.activeThreadCount() == 0)
        delete &tp1;
}

QString BatchSpeedTest::btn_speedCaption() const {
    return SpeedTestRunning.load() == 1 ? PauseSpeedCaption() : BatSpeedCaption();
}

bool BatchSpeedTest::feederRunning() const {
    std::lock_guard lock(mutex_);
    return feederActive_;
}

int BatchSpeedTest::feederRowWaits() const {
    std::lock_guard lock(mutex_);
    return rowWaits_;
}

void BatchSpeedTest::btn_speedClick() {
    if (main_.IPAddrTxtText().trimmed().isEmpty()) {
        Prompts().focus(QStringLiteral("IPAddrTxt"));
        return;
    }
    // The flag, not the caption text, tells whether the test runs: a language change rewrites
    // the caption.
    if (SpeedTestRunning.load() == 1)
        pause();
    else
        start();
}

void BatchSpeedTest::start() {
    if (shutDown_)
        return;
    main_.lineList().setSortColumn(LineListModel::DelayColumn, Qt::AscendingOrder);
    bool startFeeder = false;
    {
        std::lock_guard lock(mutex_);
        SpeedTestRunning.store(1);
        // A feeder that has not yet noticed the pause simply goes on.
        startFeeder = !feederActive_;
        if (startFeeder)
            feederActive_ = true;
    }
    if (startFeeder) {
        // A feeder that decided to end may still be leaving its thread.
        if (pingthread)
            pingthread->wait();
        pingthread.reset(QThread::create([this, order = currentOrder()] { feed(order); }));
        pingthread->setObjectName(QStringLiteral("pingthread"));
        pingthread->start();
        ++feedersStarted_;
    }
    main_.setControlText(QStringLiteral("btn_speed"), PauseSpeedCaption());
    main_.Timer1.start();
}

void BatchSpeedTest::pause() {
    endRun();
    main_.lineList().sortRows();
}

void BatchSpeedTest::stopBatchTest() {
    endRun();
}

void BatchSpeedTest::endRun() {
    {
        std::lock_guard lock(mutex_);
        SpeedTestRunning.store(0);
    }
    main_.setControlText(QStringLiteral("btn_speed"), BatSpeedCaption());
    // The feeder ends at its next row. Tasks still queued would only measure for nothing:
    // their results are dropped now that the flag is 0.
    tp1.clear();
    main_.Timer1.stop();
}

void BatchSpeedTest::shutdown() {
    if (shutDown_)
        return;
    shutDown_ = true;
    // The main window may already be gone (this object may be its child): touch only what
    // this object owns.
    {
        std::lock_guard lock(mutex_);
        SpeedTestRunning.store(0);
        stopping_ = true;
    }
    wake_.notify_all();
    // The feeder first, so that nothing is queued any more; then what is queued goes, and
    // what runs is cancelled.
    if (pingthread)
        pingthread->wait();
    tp1.clear();
    echo_->cancelAll();
    // Cancelled echoes end at once; only a host-name lookup in progress can hold a thread, and
    // the program does not wait long for it.
    tp1.waitForDone(1000);
}

void BatchSpeedTest::Timer1Timer() {
    main_.lineList().sortRows();
}

QList<MythreadData> BatchSpeedTest::currentOrder() const {
    const LineListModel& list = main_.lineList();
    QList<MythreadData> order;
    order.reserve(list.rowCount());
    for (int row = 0; row < list.rowCount(); ++row)
        order.append(MythreadData{list.rowId(row), list.record(row).ip});
    return order;
}

// ---- feeder thread ----

bool BatchSpeedTest::keepFeeding(std::unique_lock<std::mutex>&) {
    if (stopping_ || SpeedTestRunning.load() == 0) {
        feederActive_ = false;
        return false;
    }
    return true;
}

void BatchSpeedTest::feed(QList<MythreadData> order) {
    for (;;) {
        if (order.isEmpty()) {
            // Nothing to measure: look again at the pace of the rows.
            std::unique_lock lock(mutex_);
            if (!keepFeeding(lock))
                return;
            wake_.wait_for(lock, std::chrono::milliseconds(feedIntervalMs_.load()),
                           [this] { return stopping_; });
            if (!keepFeeding(lock))
                return;
        }
        for (MythreadData& item : order) {
            {
                std::unique_lock lock(mutex_);
                if (!keepFeeding(lock))
                    return;
                ++rowWaits_;
                wake_.wait_for(lock, std::chrono::milliseconds(feedIntervalMs_.load()),
                               [this] { return stopping_; });
                // No more tasks waiting than there are threads: with many silent lines the
                // pool finishes fewer echoes per second than the feeder queues, and an
                // unbounded queue would only grow and hold ever older work.
                wake_.wait(lock, [this] {
                    return stopping_ || SpeedTestRunning.load() == 0 || queued_ < MaxPoolThreads;
                });
                if (!keepFeeding(lock))
                    return;
                ++queued_;
            }
            tp1.start(new PingTask(*this, echo_, std::move(item), echoTimeoutMs_.load()));
        }
        if (!nextPass(order))
            return;
    }
}

bool BatchSpeedTest::nextPass(QList<MythreadData>& order) {
    quint64 ticket = 0;
    {
        std::lock_guard lock(mutex_);
        ticket = ++orderTicket_;
    }
    QMetaObject::invokeMethod(
        this, [this, ticket] { answerOrderRequest(ticket); }, Qt::QueuedConnection);
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [&] { return stopping_ || answeredTicket_ == ticket; });
    if (stopping_) {
        feederActive_ = false;
        return false;
    }
    order = std::move(answeredOrder_);
    answeredOrder_.clear();
    return true;
}

// ---- pool threads ----

void BatchSpeedTest::taskLeftQueue() {
    {
        std::lock_guard lock(mutex_);
        --queued_;
    }
    wake_.notify_all();
}

void BatchSpeedTest::handOver(quint64 rowId, const EchoResult& result) {
    const BatchEffect effect = BatchEffectOf(result);
    if (effect == BatchEffect::None)
        return;
    QMetaObject::invokeMethod(
        this,
        [this, rowId, effect = int(effect), rtt = result.roundTripMs()] {
            applyResult(rowId, effect, rtt);
        },
        Qt::QueuedConnection);
}

// ---- user-interface thread ----

void BatchSpeedTest::answerOrderRequest(quint64 ticket) {
    main_.lineList().sortRows();
    QList<MythreadData> order = currentOrder();
    {
        std::lock_guard lock(mutex_);
        answeredOrder_ = std::move(order);
        answeredTicket_ = ticket;
    }
    wake_.notify_all();
    Q_EMIT passFinished();
}

void BatchSpeedTest::applyResult(quint64 rowId, int effect, qint64 roundTripMs) {
    // A result that arrives after the pause is dropped like one that finished after it.
    LineListModel& list = main_.lineList();
    const int row = SpeedTestRunning.load() == 1 ? list.rowOfId(rowId) : -1;
    if (row < 0) {
        ++resultsIgnored_;
        return;
    }
    if (BatchEffect(effect) == BatchEffect::Delay) {
        list.setDelay(row, QString::number(ShownDelayMs(roundTripMs)));
    } else {
        list.setDelay(row, FailedDelayText());
        list.addLostTime(row);
    }
    ++resultsApplied_;
    Q_EMIT resultApplied(rowId);
}

} // namespace kvt
