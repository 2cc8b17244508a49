// A client's history store under a flood, for the test that kills it: adds lines stamped
// with the wall clock as fast as a busy channel sends them, says "flooding" once the
// first batch is on disk, and runs until it is killed.
#include "history/historystore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    HistoryStore store(QString::fromLocal8Bit(argv[1]));
    qint64 n = 0;
    const auto flood = [&] {
        for (int i = 0; i < 100; ++i) {
            const qint64 now = QDateTime::currentMSecsSinceEpoch();
            store.add({QStringLiteral("net"), QStringLiteral("#flood"), now, 1,
                       QStringLiteral("nick%1").arg(n % 50),
                       QStringLiteral("line %1 of a flood that goes on").arg(n), QString()});
            ++n;
        }
    };
    flood();
    store.sync();
    std::printf("flooding\n");
    std::fflush(stdout);
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, flood);
    timer.start(10);
    return app.exec();
}
