#include "app/pump_wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace kvt {

void PumpWait(int ms) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || ms <= 0 || QCoreApplication::closingDown())
        return;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(app, &QCoreApplication::aboutToQuit, &loop, &QEventLoop::quit);
    deadline.start(ms);
    loop.exec();
}

void PumpMessages() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

} // namespace kvt
