// The speed test beside fping, on the same targets: loopback addresses and hosts behind a
// TUN device in a private network namespace that answer after set delays. Prints, per target,
// the round trip each tool reports (ours before the 9/10 rule); the CPU time per echo of each;
// and, while the batch test measures 2,000 rows and re-sorts them every 2 s with 40 pool
// threads busy, the longest stall of the engine's event loop and the process's memory.
//
// Usage: bench_speedtest [--seconds N] [--echoes N]   (root; fping on PATH)
#include "app/main_window_engine.h"
#include "app/shared_flags.h"
#include "lines/line_list_model.h"
#include "private_network.h"
#include "speedtest/batch_speed_test.h"
#include "speedtest/linux/linux_icmp_echo.h"
#include "tun_responder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <sys/resource.h>

using namespace kvt;
using kvt::test::TunResponder;

namespace {

struct Target {
    QString address;
    int delayMs; // the responder's delay; -1 for loopback
};

const QList<Target> kTargets = {
    {QStringLiteral("127.0.0.1"), -1},   {QStringLiteral("127.0.0.2"), -1},
    {QStringLiteral("198.18.0.10"), 0},  {QStringLiteral("198.18.0.11"), 5},
    {QStringLiteral("198.18.0.12"), 20}, {QStringLiteral("198.18.0.13"), 50},
};

double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double median(QList<double> values) {
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

QString statusField(const char* name) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(name))
            return QString::fromLatin1(line.mid(qsizetype(qstrlen(name)))).simplified();
    return {};
}

// fping's -C output (on standard error): "target : 0.05 0.04 - 0.06".
QHash<QString, QList<double>> runFpingRoundTrips(const QStringList& targets, int count) {
    QProcess fping;
    fping.start(QStringLiteral("fping"),
                QStringList{QStringLiteral("-C"), QString::number(count), QStringLiteral("-q"),
                            QStringLiteral("-p"), QStringLiteral("200"), QStringLiteral("-t"),
                            QStringLiteral("150"), QStringLiteral("-b"), QStringLiteral("56")} +
                    targets);
    fping.waitForFinished(120000);
    QHash<QString, QList<double>> rtts;
    const QString output = QString::fromLocal8Bit(fping.readAllStandardError());
    for (const QString& line : output.split(QLatin1Char('\n'))) {
        const qsizetype colon = line.indexOf(QStringLiteral(" : "));
        if (colon < 0)
            continue;
        const QString target = line.left(colon).trimmed();
        for (const QString& value :
             line.mid(colon + 3).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            bool ok = false;
            const double ms = value.toDouble(&ok);
            if (ok)
                rtts[target].append(ms);
        }
    }
    return rtts;
}

double threadCpuSeconds() {
    return cpuSeconds(RUSAGE_THREAD);
}

// Counts the echoes the batch test sends and the CPU time the pool threads spend in them.
class CountingEcho final : public IcmpEcho {
public:
    explicit CountingEcho(std::shared_ptr<IcmpEcho> real) : real_(std::move(real)) {}
    EchoResult echo(const EchoRequest& request) override {
        ++count;
        const double before = threadCpuSeconds();
        EchoResult result = real_->echo(request);
        cpuNs += qint64((threadCpuSeconds() - before) * 1e9);
        return result;
    }
    std::unique_ptr<PendingEcho> startEcho(const EchoRequest& request,
                                           std::function<void(const EchoResult&)> done) override {
        return real_->startEcho(request, std::move(done));
    }
    void cancelAll() override { real_->cancelAll(); }
    std::atomic<int> count{0};
    std::atomic<qint64> cpuNs{0};

private:
    std::shared_ptr<IcmpEcho> real_;
};

void roundTrips(int count) {
    std::printf("\n## Round trip per target, %d echoes each, 56-byte payload (median ms)\n\n",
                count);
    QStringList targets;
    for (const Target& t : kTargets)
        targets << t.address;
    QHash<QString, QList<double>> ours[2];
    const IcmpSocketKind kinds[2] = {IcmpSocketKind::Raw, IcmpSocketKind::Datagram};
    for (int k = 0; k < 2; ++k) {
        LinuxIcmpEcho echo(kinds[k]);
        for (int i = 0; i < count; ++i) {
            for (const Target& t : kTargets) {
                EchoRequest request;
                request.address = t.address;
                const EchoResult r = echo.echo(request);
                if (r.outcome == EchoResult::Outcome::Reply)
                    ours[k][t.address].append(double(r.roundTripUs) / 1000.0);
            }
        }
    }
    const QHash<QString, QList<double>> fping = runFpingRoundTrips(targets, count);
    std::printf("| target | responder delay | ours, raw socket | ours, datagram socket | fping "
                "| largest difference |\n|---|---:|---:|---:|---:|---:|\n");
    for (const Target& t : kTargets) {
        const double raw = median(ours[0].value(t.address));
        const double dgram = median(ours[1].value(t.address));
        const double theirs = median(fping.value(t.address));
        const double diff = std::max(std::abs(raw - theirs), std::abs(dgram - theirs));
        std::printf("| %s | %s | %.3f | %.3f | %.3f | %.3f %s |\n", qPrintable(t.address),
                    t.delayMs < 0 ? "loopback" : qPrintable(QStringLiteral("%1 ms").arg(t.delayMs)),
                    raw, dgram, theirs, diff, diff <= 0.5 ? "(goal met)" : "(GOAL MISSED)");
    }
}

void cpuPerEcho(int count) {
    std::printf("\n## CPU time per echo, %d echoes to 127.0.0.1, one after another\n\n", count);
    std::printf("| tool | CPU µs per echo |\n|---|---:|\n");
    double oursRaw = 0;
    for (IcmpSocketKind kind : {IcmpSocketKind::Raw, IcmpSocketKind::Datagram}) {
        LinuxIcmpEcho echo(kind);
        EchoRequest request;
        request.address = QStringLiteral("127.0.0.1");
        const double before = cpuSeconds(RUSAGE_SELF);
        int replies = 0;
        for (int i = 0; i < count; ++i)
            replies += echo.echo(request).replies;
        const double perEcho = (cpuSeconds(RUSAGE_SELF) - before) / count * 1e6;
        if (kind == IcmpSocketKind::Raw)
            oursRaw = perEcho;
        std::printf("| ours, %s socket (%d replies) | %.1f |\n",
                    kind == IcmpSocketKind::Raw ? "raw" : "datagram", replies, perEcho);
    }
    const double before = cpuSeconds(RUSAGE_CHILDREN);
    QProcess fping;
    fping.start(QStringLiteral("fping"),
                {QStringLiteral("-c"), QString::number(count), QStringLiteral("-p"),
                 QStringLiteral("1"), QStringLiteral("-q"), QStringLiteral("127.0.0.1")});
    fping.waitForFinished(300000);
    const double fpingPerEcho = (cpuSeconds(RUSAGE_CHILDREN) - before) / count * 1e6;
    std::printf("| fping (raw socket, process start included) | %.1f |\n", fpingPerEcho);
    std::printf("\nours (raw) / fping: %.2fx %s\n", oursRaw / fpingPerEcho,
                oursRaw <= 2 * fpingPerEcho ? "(goal met: at most 2x)" : "(GOAL MISSED: over 2x)");
}

struct BatchRun {
    int echoes = 0;
    int results = 0;
    int mostThreads = 0;
    double oneSortMs = 0;
    double stallMs = -1;
    int stallsOver20 = 0;
    double p99GapMs = -1;
    double longestSortMs = 0; // the Timer1 handler
    double poolCpuUs = 0;     // per echo
    double engineCpuUs = 0;   // per echo
    double processCpuUs = 0;
    QString rssBefore, rssBusy, threadsBusy;
};

// Runs the batch test on 2,000 rows for `seconds`. With `probeStalls`, a 5 ms timer on the
// engine's thread records the longest gap between its ticks; its own wake-ups cost CPU on
// that thread, so the CPU figures come from a run without it.
BatchRun batchUnderLoad(int seconds, bool probeStalls) {
    BatchRun run;
    MainWindowEngine engine;
    // Brackets around the test's own Timer1 handler: slots run in the order they were
    // connected.
    QElapsedTimer sortClock;
    QObject::connect(&engine.Timer1, &QTimer::timeout, [&] { sortClock.start(); });
    auto echo = std::make_shared<CountingEcho>(std::make_shared<LinuxIcmpEcho>());
    BatchSpeedTest batch(engine, echo);
    QObject::connect(&engine.Timer1, &QTimer::timeout, [&] {
        run.longestSortMs = std::max(run.longestSortMs, double(sortClock.nsecsElapsed()) / 1e6);
    });
    // Half the rows never answer: ten echoes a second each wait 4 s, which keeps the 40
    // pool threads busy. The others are loopback addresses and responders after 0-20 ms.
    QList<ps> rows;
    for (int i = 0; i < 2000; ++i) {
        ps record;
        record.name = QStringLiteral("line%1").arg(i, 4, 10, QLatin1Char('0'));
        record.delay = QStringLiteral("NA");
        if (i % 2 == 0)
            record.ip = QStringLiteral("198.18.0.%1").arg(100 + i / 2 % 100); // silent
        else if (i % 4 == 1)
            record.ip = QStringLiteral("198.18.0.%1").arg(10 + i / 4 % 3);
        else
            record.ip = QStringLiteral("127.0.%1.%2").arg(i / 250).arg(i % 250 + 1);
        rows << record;
    }
    engine.lineList().fill(rows);
    engine.IPAddrTxt = {QStringLiteral("line0000")};
    engine.IPAddrTxtIndex = 0;

    QElapsedTimer sortTimer;
    sortTimer.start();
    engine.lineList().sortRows();
    run.oneSortMs = double(sortTimer.nsecsElapsed()) / 1e6;
    run.rssBefore = statusField("VmRSS:");

    QElapsedTimer clock;
    qint64 last = 0, longestGapUs = 0;
    QList<qint64> gaps;
    gaps.reserve(seconds * 250);
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed() / 1000;
        if (last) {
            longestGapUs = std::max(longestGapUs, now - last);
            gaps.append(now - last);
        }
        last = now;
    });
    QTimer sampler;
    sampler.setInterval(250);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const int active = batch.tp1.activeThreadCount();
        if (active >= run.mostThreads) {
            run.mostThreads = active;
            run.rssBusy = statusField("VmRSS:");
            run.threadsBusy = statusField("Threads:");
        }
    });

    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    const double engineCpuBefore = threadCpuSeconds();
    clock.start();
    if (probeStalls)
        probe.start();
    sampler.start();
    batch.btn_speedClick();
    QTimer::singleShot(seconds * 1000, [&] {
        batch.btn_speedClick();
        QCoreApplication::quit();
    });
    QCoreApplication::exec();
    probe.stop();
    sampler.stop();
    run.echoes = echo->count.load();
    run.results = batch.resultsApplied();
    if (probeStalls && !gaps.isEmpty()) {
        run.stallMs = double(longestGapUs) / 1000.0 - 5.0;
        std::sort(gaps.begin(), gaps.end());
        run.p99GapMs = double(gaps.at(gaps.size() * 99 / 100)) / 1000.0 - 5.0;
        run.stallsOver20 = int(std::count_if(gaps.begin(), gaps.end(),
                                             [](qint64 gap) { return gap - 5000 >= 20000; }));
    }
    if (run.echoes) {
        run.processCpuUs = (cpuSeconds(RUSAGE_SELF) - cpuBefore) / run.echoes * 1e6;
        run.engineCpuUs = (threadCpuSeconds() - engineCpuBefore) / run.echoes * 1e6;
        run.poolCpuUs = double(echo->cpuNs.load()) / run.echoes / 1000.0;
    }
    return run;
}

// The same probe on an event loop with nothing else to do: how late a 5 ms tick comes on this
// machine anyway (other processes, the hypervisor).
struct Lateness {
    double longestMs = 0, p99Ms = 0;
    int over20 = 0;
};
Lateness idleLateness(int seconds) {
    QElapsedTimer clock;
    qint64 last = 0;
    QList<qint64> gaps;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed() / 1000;
        if (last)
            gaps.append(now - last);
        last = now;
    });
    clock.start();
    probe.start();
    QTimer::singleShot(seconds * 1000, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    Lateness lateness;
    if (gaps.isEmpty())
        return lateness;
    std::sort(gaps.begin(), gaps.end());
    lateness.longestMs = double(gaps.last()) / 1000.0 - 5.0;
    lateness.p99Ms = double(gaps.at(gaps.size() * 99 / 100)) / 1000.0 - 5.0;
    lateness.over20 = int(
        std::count_if(gaps.begin(), gaps.end(), [](qint64 gap) { return gap - 5000 >= 20000; }));
    return lateness;
}

void batchTables(int seconds) {
    std::printf("\n## Batch test: 2,000 rows, Timer1 re-sorting every 2 s, two runs of %d s\n\n",
                seconds);
    const BatchRun probed = batchUnderLoad(seconds, true);
    const BatchRun plain = batchUnderLoad(seconds, false);
    const Lateness idle = idleLateness(seconds);
    std::printf("| measure | run with the stall probe | run without it | idle event loop, same "
                "probe |\n|---|---:|---:|---:|\n");
    std::printf("| echoes sent | %d | %d |\n", probed.echoes, plain.echoes);
    std::printf("| results written into rows | %d | %d |\n", probed.results, plain.results);
    std::printf("| most pool threads busy at once | %d | %d |\n", probed.mostThreads,
                plain.mostThreads);
    std::printf("| one sort of 2,000 rows | %.2f ms | %.2f ms |\n", probed.oneSortMs,
                plain.oneSortMs);
    std::printf("| longest event-loop stall (late 5 ms tick) | %.2f ms %s | | %.2f ms |\n",
                probed.stallMs, probed.stallMs < 20 ? "(goal met: under 20 ms)" : "(GOAL MISSED)",
                idle.longestMs);
    std::printf("| 99th percentile of the lateness | %.2f ms | | %.2f ms |\n", probed.p99GapMs,
                idle.p99Ms);
    std::printf("| ticks late by 20 ms or more | %d | | %d |\n", probed.stallsOver20, idle.over20);
    std::printf("| longest Timer1 re-sort of the list | %.2f ms | %.2f ms |\n",
                probed.longestSortMs, plain.longestSortMs);
    std::printf("| CPU per echo on the pool threads | %.1f µs | %.1f µs |\n", probed.poolCpuUs,
                plain.poolCpuUs);
    std::printf("| CPU per echo on the engine's thread (hand-over, sorting) | %.1f µs (probe "
                "included) | %.1f µs |\n",
                probed.engineCpuUs, plain.engineCpuUs);
    std::printf("| CPU per echo, whole process (also the feeder and the TUN responder) | %.1f µs "
                "| %.1f µs |\n",
                probed.processCpuUs, plain.processCpuUs);
    std::printf("| resident memory before the test | %s | %s |\n", qPrintable(probed.rssBefore),
                qPrintable(plain.rssBefore));
    std::printf("| resident memory with the most threads busy | %s (%s threads) | %s (%s "
                "threads) |\n",
                qPrintable(probed.rssBusy), qPrintable(probed.threadsBusy),
                qPrintable(plain.rssBusy), qPrintable(plain.threadsBusy));
    std::printf("| peak resident memory of the process | %s | |\n",
                qPrintable(statusField("VmHWM:")));
}

} // namespace

int main(int argc, char** argv) {
    const std::string why = kvt::test::EnterPrivateNetwork();
    if (!why.empty()) {
        std::fprintf(stderr, "bench_speedtest: %s\n", why.c_str());
        return 2;
    }
    kvt::test::SetPingGroupRange("0 2147483647");
    QCoreApplication app(argc, argv);
    int seconds = 30, echoes = 2000;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QStringLiteral("--seconds"))
            seconds = args[i + 1].toInt();
        else if (args[i] == QStringLiteral("--echoes"))
            echoes = args[i + 1].toInt();
    }

    TunResponder responder;
    const std::string tunError = responder.open("kvtbench0", "198.18.0.1", 24);
    if (!tunError.empty()) {
        std::fprintf(stderr, "bench_speedtest: %s\n", tunError.c_str());
        return 2;
    }
    for (const Target& t : kTargets)
        if (t.delayMs >= 0)
            responder.setBehaviour(t.address.toStdString(), TunResponder::answerAfter(t.delayMs));
    for (int i = 100; i < 200; ++i)
        responder.setBehaviour("198.18.0." + std::to_string(i), TunResponder::silent());

    std::printf("# bench_speedtest\n");
    roundTrips(30);
    cpuPerEcho(echoes);
    batchTables(seconds);
    return 0;
}
