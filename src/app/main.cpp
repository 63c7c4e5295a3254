#include "app/ui/client_startup.h"
#include "app/ui/main_window.h"
#include "backend/endpoints.h"
#include "backend/ui/login_window.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTextStream>
#include <QTimer>

namespace {

// Resident memory of this process in KiB, from /proc/self/status; -1 when unknown.
long residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    // Read whole: files under /proc report no size, so atEnd() cannot be trusted.
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray& line : lines)
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// With KVT_STARTUP_PROBE set, the first paint of the login window prints how long the start
// took and the resident memory at that moment, then cancels the login, so the program ends
// through its normal close sequence (bench/bench_startup measures this).
class StartupProbe : public QObject {
public:
    explicit StartupProbe(const QElapsedTimer& sinceMain) : sinceMain_(sinceMain) {}

    void watch(QObject* loginWindow) { loginWindow->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !reported_) {
            reported_ = true;
            QTextStream(stdout) << "login-window-shown ms=" << sinceMain_.nsecsElapsed() / 1e6
                                << " rss_kib=" << residentKiB() << Qt::endl;
            auto* dialog = static_cast<kvt::ui::Tfrmlogin*>(watched);
            QTimer::singleShot(0, dialog, [dialog] { dialog->reject(); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer& sinceMain_;
    bool reported_ = false;
};

} // namespace

int main(int argc, char* argv[]) {
    QElapsedTimer sinceMain;
    sinceMain.start();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kvt-client"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Varnok VPN client"));
    parser.addHelpOption();
    kvt::addEndpointOptions(parser);
    parser.process(app);

    QString error;
    if (!kvt::applyEndpointOptions(parser, kvt::endpoints(), &error)) {
        QTextStream(stderr) << error << '\n';
        return 2;
    }

    kvt::ui::ClientStartup startup;
    StartupProbe probe(sinceMain);
    if (qEnvironmentVariableIsSet("KVT_STARTUP_PROBE"))
        QObject::connect(&startup, &kvt::ui::ClientStartup::loginWindowOpened, &probe,
                         [&probe](kvt::ui::Tfrmlogin* login) { probe.watch(login); });

    if (!startup.start())
        return startup.exitCode();
    startup.mainWindow()->show();
    const int code = QApplication::exec();
    return startup.ended() ? startup.exitCode() : code;
}
