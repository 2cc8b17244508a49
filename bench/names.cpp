// The names of a 20,000-nick channel, from the first byte the server sends until the
// client is idle with the channel's nick list drawn: the reply handled, the list sorted,
// its rows taken by the view and painted. A server thread speaks plain sockets on
// loopback; the client runs as it does for a user, in the Qt event loop.
#include "benchsupport.h"
#include "chat/windowregistry.h"
#include "client/client.h"
#include "core/prompts.h"
#include "ui/chat/nicklistview.h"

#include <QApplication>
#include <QTimer>

#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {
using namespace bench;

constexpr int NickCount = 20000;
constexpr double TargetMs = 50;
// The client counts as idle once the list has not been painted for this long.
constexpr int QuietMs = 500;

std::string namesLines(int nicks)
{
    std::string all;
    int n = 0;
    while (n < nicks) {
        std::string line = ":irc.bench 353 me = #big :";
        for (int k = 0; k < 33 && n < nicks; ++k, ++n)
            line += (n % 50 == 0   ? "@"
                     : n % 20 == 0 ? "+"
                                   : "") +
                    std::string("user") + std::to_string((n * 7919) % nicks) + " ";
        all += line + "\r\n";
    }
    return all + ":irc.bench 366 me #big :End of NAMES list.\r\n";
}

// Processor time of the calling thread in ms: unlike the clock on the wall, it does not
// grow while the thread waits for a processor on a busy machine.
double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Notes the time of every paint of the list's rows and how many rows it held.
struct PaintClock : QObject
{
    NickListView* list = nullptr;
    Steady::time_point last;
    double lastCpuMs = 0;
    int paints = 0;
    int rowsAtLast = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) {
            last = Steady::now();
            lastCpuMs = threadCpuMs();
            rowsAtLast = list->count();
            ++paints;
        }
        return false;
    }
};
} // namespace

int main(int argc, char* argv[])
{
    if (repeatInFreshProcesses(argc, argv))
        return 0;
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);

    int port = 0;
    const int listener = listenOnLoopback(port);

    // Made whole before the clock starts: building it is not the client's time.
    const std::string names = namesLines(NickCount) + "PING :namesdone\r\n";
    std::atomic<bool> listShown{false};
    std::atomic<bool> ponged{false};
    std::atomic<bool> finished{false};
    Steady::time_point sentAt, pongAt;
    std::thread server([&] {
        const int fd = welcome(listener, ":me!u@h JOIN #big\r\n");
        std::string seen;
        while (!listShown.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        sentAt = Steady::now();
        sendAll(fd, names);
        readUntil(fd, "PONG :namesdone", seen);
        pongAt = Steady::now();
        ponged = true;
        while (!finished.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ::close(fd);
    });

    NoPrompts prompts;
    Client client(QStringLiteral("/tmp/quorl-bench-names/"), prompts);
    client.session().ident().setPort(0);
    client.session().connectToKnownHost(QStringLiteral("127.0.0.1"), port, QStringLiteral("bench"));

    std::unique_ptr<NickListView> list;
    PaintClock clock;
    double cpuAtStart = 0;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!list) {
            ChatWindow* big = client.windows().findChannelWindow(QStringLiteral("#big"));
            if (!big)
                return;
            list =
                std::make_unique<NickListView>(big->nickList, [] { return QStringLiteral("me"); });
            list->applyTheme(big->theme);
            list->resize(120, 700);
            list->show();
            clock.list = list.get();
            list->viewport()->installEventFilter(&clock);
            cpuAtStart = threadCpuMs();
            listShown = true;
            return;
        }
        if (ponged && clock.rowsAtLast == NickCount &&
            std::chrono::duration<double, std::milli>(Steady::now() - clock.last).count() >=
                QuietMs)
            app.quit();
    });
    poll.start();
    QTimer::singleShot(30000, &app, [&] { app.exit(1); });
    const int failed = app.exec();
    finished = true;
    server.join();
    ::close(listener);
    if (failed) {
        std::fprintf(stderr, "bench_names: the list never showed %d rows (%d)\n", NickCount,
                     clock.rowsAtLast);
        return 1;
    }

    const auto ms = [](Steady::duration d) {
        return std::chrono::duration<double, std::milli>(d).count();
    };
    std::printf("names: %d nicks in lines of 33 (353), then 366 and a PING, into a channel "
                "whose nick list is shown (120 x 700)\n",
                NickCount);
    figure("names: first byte sent to PONG", ms(pongAt - sentAt), "ms");
    figure("names: first byte sent to last paint of the full list", ms(clock.last - sentAt), "ms",
           TargetMs);
    figure("names: processor time of the client's thread until then", clock.lastCpuMs - cpuAtStart,
           "ms");
    figure("names: paints of the list", clock.paints, "paints");
    return 0;
}
