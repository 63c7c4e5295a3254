// Start-up of kvt-client: the time from starting the process until the login window has been
// painted, and the resident memory at that moment. Each run starts the client with
// KVT_STARTUP_PROBE set, which makes it print "login-window-shown ms=<since main>
// rss_kib=<VmRSS>" at the login window's first paint and then cancel the login (the program
// ends through its close sequence). Settings roots and caches point at a temporary folder.
// Runs under QT_QPA_PLATFORM=offscreen and, when a display is set or Xvfb is installed, under
// xcb; prints the medians.
//
//   bench_startup [--runs N] [--client PATH] [--platform offscreen|xcb|all]

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

struct Run {
    double wallMs = 0;   // process start to the probe's line, measured here
    double insideMs = 0; // main() to the first paint, measured by the client
    long rssKiB = 0;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

std::optional<Run> runOnce(const QString& client, const QProcessEnvironment& env, QString* error) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer clock;
    clock.start();
    process.start(client, {});
    if (!process.waitForStarted(30000)) {
        *error = QStringLiteral("cannot start %1").arg(client);
        return std::nullopt;
    }
    QByteArray output;
    std::optional<Run> run;
    static const QRegularExpression line(
        QStringLiteral("login-window-shown ms=([0-9.]+) rss_kib=(-?[0-9]+)"));
    while (!run && clock.elapsed() < 60000) {
        if (!process.waitForReadyRead(1000) && process.state() == QProcess::NotRunning)
            break;
        output += process.readAllStandardOutput();
        const QRegularExpressionMatch m = line.match(QString::fromUtf8(output));
        if (m.hasMatch())
            run = Run{double(clock.nsecsElapsed()) / 1e6, m.captured(1).toDouble(),
                      m.captured(2).toLong()};
    }
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        *error = QStringLiteral("the client did not end after the probe");
        return std::nullopt;
    }
    if (!run) {
        *error = QStringLiteral("no probe line; stderr: ") +
                 QString::fromUtf8(process.readAllStandardError()).left(400);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *error = QStringLiteral("the client ended with %1").arg(process.exitCode());
        return std::nullopt;
    }
    return run;
}

// Starts Xvfb on a display of its own choosing; returns ":N", or empty.
QString startXvfb(QProcess& xvfb) {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (program.isEmpty())
        return {};
    xvfb.start(program,
               {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                QStringLiteral("tcp")});
    if (!xvfb.waitForStarted(10000))
        return {};
    QByteArray number;
    QElapsedTimer clock;
    clock.start();
    while (!number.contains('\n') && clock.elapsed() < 20000)
        if (xvfb.waitForReadyRead(1000))
            number += xvfb.readAllStandardOutput();
    number = number.trimmed();
    return number.isEmpty() ? QString() : QStringLiteral(":") + QString::fromLatin1(number);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("runs"), QStringLiteral("Runs per platform (default 15)."),
                      QStringLiteral("n"), QStringLiteral("15")});
    parser.addOption({QStringLiteral("client"), QStringLiteral("The kvt-client program."),
                      QStringLiteral("path"),
                      QCoreApplication::applicationDirPath() + QStringLiteral("/../kvt-client")});
    parser.addOption({QStringLiteral("platform"), QStringLiteral("offscreen, xcb or all."),
                      QStringLiteral("name"), QStringLiteral("all")});
    parser.process(app);
    const int runs = std::max(1, parser.value(QStringLiteral("runs")).toInt());
    const QString client = QFileInfo(parser.value(QStringLiteral("client"))).absoluteFilePath();
    const QString platformChoice = parser.value(QStringLiteral("platform"));
    QTextStream out(stdout);

    QTemporaryDir dir;
    QProcessEnvironment base = QProcessEnvironment::systemEnvironment();
    base.insert(QStringLiteral("KVT_STARTUP_PROBE"), QStringLiteral("1"));
    base.insert(QStringLiteral("KVT_HKCU_DIR"), dir.filePath(QStringLiteral("hkcu")));
    base.insert(QStringLiteral("KVT_HKLM_DIR"), dir.filePath(QStringLiteral("hklm")));
    base.insert(QStringLiteral("XDG_CACHE_HOME"), dir.filePath(QStringLiteral("cache")));
    base.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());

    QProcess xvfb;
    QStringList platforms;
    if (platformChoice != QLatin1String("xcb"))
        platforms << QStringLiteral("offscreen");
    QString display;
    if (platformChoice != QLatin1String("offscreen")) {
        display = qEnvironmentVariable("DISPLAY");
        if (display.isEmpty())
            display = startXvfb(xvfb);
        if (!display.isEmpty())
            platforms << QStringLiteral("xcb");
        else
            out << "xcb: skipped (no DISPLAY and no Xvfb)\n";
    }

    out << "client: " << client << "\nruns per platform: " << runs
        << " (after one warm-up run)\n\n";
    out << "platform   start -> painted, ms           in main(), ms   VmRSS, MiB\n"
        << "           median /     min /     max          median       median\n";
    int failures = 0;
    for (const QString& platform : std::as_const(platforms)) {
        QProcessEnvironment env = base;
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        if (platform == QLatin1String("xcb"))
            env.insert(QStringLiteral("DISPLAY"), display);
        std::vector<double> wall, inside, rss;
        QString error;
        for (int i = 0; i <= runs; ++i) {
            const std::optional<Run> run = runOnce(client, env, &error);
            if (!run) {
                out << platform << ": run failed: " << error << '\n';
                ++failures;
                break;
            }
            if (i == 0)
                continue; // warm-up: loads the program and fonts into the page cache
            wall.push_back(run->wallMs);
            inside.push_back(run->insideMs);
            rss.push_back(double(run->rssKiB) / 1024.0);
        }
        if (wall.empty())
            continue;
        auto ms = [](double v) {
            return QString::number(v, 'f', 1);
        };
        out << QStringLiteral("%1 %2 / %3 / %4   %5   %6\n")
                   .arg(platform, -10)
                   .arg(ms(median(wall)), 7)
                   .arg(ms(*std::min_element(wall.begin(), wall.end())), 7)
                   .arg(ms(*std::max_element(wall.begin(), wall.end())), 7)
                   .arg(ms(median(inside)), 12)
                   .arg(ms(median(rss)), 9);
    }
    out << "\ngoal: under 300 ms and under 60 MiB\n";
    if (xvfb.state() != QProcess::NotRunning) {
        xvfb.terminate();
        xvfb.waitForFinished(5000);
    }
    return failures == 0 ? 0 : 1;
}
