#include "backend/http_exchange.h"
#include "recording_http_server.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

using namespace kvt;
using kvt::test::CannedAnswer;
using kvt::test::RecordingHttpServer;

// A request waiting for a slow backend must not keep the application from quitting. This runs
// the application's own event loop, which ends for good, so it has an executable of its own.
class TestRequestQuitting : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void waitEndsWhenTheApplicationQuits() {
        RecordingHttpServer server;
        server.setDefaultAnswer(CannedAnswer::delayed(60000, "late"));
        QString outcome;
        QTimer::singleShot(0, QCoreApplication::instance(), [&] {
            QTimer::singleShot(200, QCoreApplication::instance(), &QCoreApplication::quit);
            try {
                outcome = QStringLiteral("answer: ") +
                          PostForm(server.url(QStringLiteral("/p.php")), {}, 120000);
            } catch (const RequestFailed& failure) {
                outcome = QString::fromUtf8(failure.what());
            }
        });
        QCoreApplication::exec();
        QVERIFY2(outcome.contains(QStringLiteral("quitting")), qPrintable(outcome));
        QCOMPARE(server.requestCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestRequestQuitting)
#include "tst_request_quitting.moc"
