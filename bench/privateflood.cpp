// Private messages into the shown main window: 5,000 PRIVMSG lines to us from five
// nicknames taking turns behind one address, timed from the first byte to the PONG that
// answers the PING sent after them. Each run has its own main window, program folder and
// connection; the figure is the median of the runs with their spread, and the machine's
// load beside it. A server thread speaks plain sockets on loopback.
//
// bench_privateflood [lines] [runs] [senders]
#include "benchsupport.h"
#include "client/client.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace bench;

// Seconds from the first private line to the PONG, in a fresh main window.
double oneRun(int lines, int senders)
{
    int port = 0;
    const int listener = listenOnLoopback(port);

    std::string flood;
    for (int i = 0; i < lines; ++i)
        flood += ":nick" + std::to_string(i % senders) + "!user@same.host PRIVMSG me :line " +
                 std::to_string(i) + " of the private flood\r\n";
    flood += "PING :flooddone\r\n";

    std::atomic<bool> finished{false};
    double seconds = -1;
    std::thread server([&] {
        const int fd = ::accept(listener, nullptr, nullptr);
        std::string seen;
        if (readUntil(fd, "USER ", seen)) {
            sendAll(fd, ":irc.bench 001 me :hi\r\n:irc.bench 376 me :end\r\nPING :ready\r\n");
            if (readUntil(fd, "PONG :ready", seen)) {
                const auto t0 = Steady::now();
                sendAll(fd, flood);
                if (readUntil(fd, "PONG :flooddone", seen))
                    seconds = std::chrono::duration<double>(Steady::now() - t0).count();
            }
        }
        finished = true;
        ::close(fd);
    });

    {
        QTemporaryDir home;
        MainWindow form(home.path() + u'/');
        form.resize(900, 600);
        form.show();
        form.client().session().ident().setPort(0);
        form.client().session().connectToKnownHost(QStringLiteral("127.0.0.1"), port,
                                                   QStringLiteral("bench"));
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (finished)
                loop.quit();
        });
        poll.start(2);
        loop.exec();
        form.client().session().disconnectFromServer();
    }
    server.join();
    ::close(listener);
    return seconds;
}
} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const int senders = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;

    const double loadBefore = loadAverage();
    std::vector<double> times;
    for (int r = 0; r < runs; ++r)
        times.push_back(oneRun(lines, senders));
    const double loadAfter = loadAverage();
    std::sort(times.begin(), times.end());

    std::printf("private flood: %d PRIVMSG lines from %d nickname(s) behind one address, "
                "main window shown\n",
                lines, senders);
    std::printf("  median %.3f s (%.0f lines/s), spread %.3f .. %.3f s over %d runs\n",
                times[times.size() / 2], lines / times[times.size() / 2], times.front(),
                times.back(), runs);
    std::printf("  runs:");
    for (double t : times)
        std::printf(" %.3f", t);
    std::printf("\nmachine load average (1 min): %.2f before, %.2f after\n", loadBefore, loadAfter);
    return 0;
}
