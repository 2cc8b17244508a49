// Inbound traffic figures: a flood of channel messages into a shown channel window, and
// the names of a 20,000-nick channel. A server thread speaks plain sockets on loopback;
// the client runs as it does for a user, in the Qt event loop. The runs are made twice:
// with the history store on (a new store each run), then with it off.
#include "benchsupport.h"
#include "chat/windowregistry.h"
#include "client/client.h"
#include "core/options.h"
#include "core/prompts.h"
#include "ui/chat/chatview.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTimer>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace bench;
std::string floodLines(int count)
{
    std::string all;
    all.reserve(size_t(count) * 110);
    const char* words[] = {"hello", "there",   "what",    "about",
                           "the",   "release", "tonight", "https://example.org/x",
                           "yes",   "no",      "maybe",   "later"};
    for (int i = 0; i < count; ++i) {
        std::string line = ":nick" + std::to_string(i % 97) + "!user@host" +
                           std::to_string(i % 97) + ".example.org PRIVMSG #flood :\x03" +
                           std::to_string(2 + i % 12) + "colour\x03 ";
        for (int w = 0; line.size() < 106; ++w)
            line += std::string(words[(i + w) % 12]) + " ";
        line.resize(106);
        all += line + "\r\n";
    }
    return all;
}

std::string namesLines(int nicks, int* lineCount)
{
    std::string all;
    int n = 0;
    *lineCount = 0;
    while (n < nicks) {
        std::string line = ":irc.bench 353 me = #big :";
        for (int k = 0; k < 33 && n < nicks; ++k, ++n)
            line += (n % 50 == 0   ? "@"
                     : n % 20 == 0 ? "+"
                                   : "") +
                    std::string("user") + std::to_string(n) + " ";
        all += line + "\r\n";
        ++*lineCount;
    }
    return all + ":irc.bench 366 me #big :End of NAMES list.\r\n";
}

} // namespace

int main(int argc, char* argv[])
{
    if (!std::getenv("QUORL_BENCH_ONE_RUN")) {
        std::printf("-- history store on\n");
        std::fflush(stdout);
        repeatInFreshProcesses(argc, argv);
        unsetenv("QUORL_BENCH_ONE_RUN");
        setenv("QUORL_BENCH_HISTORY", "off", 1);
        std::printf("-- history store off\n");
        std::fflush(stdout);
        repeatInFreshProcesses(argc, argv);
        return 0;
    }
    const bool historyOn = qgetenv("QUORL_BENCH_HISTORY") != "off";
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    // "bench_inbound N" floods N lines instead (for profiling runs).
    const int floodCount = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200000;
    const int nickCount = 20000;

    int port = 0;
    const int listener = listenOnLoopback(port);

    std::atomic<int> stage{0}; // 1: client ready for the flood; 3: ready for names
    std::atomic<bool> done{false};
    double floodSeconds = 0, namesSeconds = 0;
    int namesLineCount = 0;
    qsizetype namesEntries = -1;
    double sortMs = 0;
    // Made whole before the client waits for them: building 20 MB while the client watches
    // would count as a pause of the client's painting.
    const std::string flood = floodLines(floodCount) + "PING :flooddone\r\n";
    const std::string names = namesLines(nickCount, &namesLineCount) + "PING :namesdone\r\n";

    std::thread server([&] {
        const int fd =
            welcome(listener, ":me!u@h JOIN #flood\r\n:irc.bench 353 me = #flood :me @op\r\n"
                              ":me!u@h JOIN #big\r\n");
        std::string seen;
        while (stage.load() != 1)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        auto t0 = Steady::now();
        sendAll(fd, flood);
        readUntil(fd, "PONG :flooddone", seen);
        floodSeconds = std::chrono::duration<double>(Steady::now() - t0).count();
        stage = 2;
        while (stage.load() != 3)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        t0 = Steady::now();
        sendAll(fd, names);
        readUntil(fd, "PONG :namesdone", seen);
        namesSeconds = std::chrono::duration<double>(Steady::now() - t0).count();
        done = true;
        while (stage.load() != 4)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ::close(fd);
    });

    NoPrompts prompts;
    const QString folder = QStringLiteral("/tmp/quorl-bench/");
    QDir().mkpath(folder);
    for (const char* file : {"history.db", "history.db-wal", "history.db-shm"})
        QFile::remove(folder + QLatin1String(file));
    Client client(folder, prompts);
    client.options().history.enabled = historyOn;
    client.settingsChanges().announce(OptionGroup::History);
    client.session().ident().setPort(0);
    client.session().connectToKnownHost(QStringLiteral("127.0.0.1"), port, QStringLiteral("bench"));

    ChatView* view = nullptr;
    PaintCounter counter;
    QTimer poll;
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        WindowRegistry& windows = client.windows();
        if (stage == 0 && !view && windows.findChannelWindow(QStringLiteral("#flood")) &&
            windows.findChannelWindow(QStringLiteral("#big"))) {
            ChatWindow* w = windows.findChannelWindow(QStringLiteral("#flood"));
            w->shown = true;
            view = new ChatView(w->document.get());
            view->resize(900, 600);
            view->show();
            view->installEventFilter(&counter);
            counter.measuring = true;
            stage = 1;
        } else if (stage == 2) {
            counter.measuring = false;
            stage = 3;
        } else if (done && stage == 3) {
            // The list is sorted when it is first looked at: that belongs to the figure.
            ChatWindow* big = windows.findChannelWindow(QStringLiteral("#big"));
            const auto t0 = Steady::now();
            namesEntries = big ? big->nickList.entries().size() : -1;
            sortMs = std::chrono::duration<double, std::milli>(Steady::now() - t0).count();
            stage = 4;
            app.quit();
        }
    });
    poll.start();
    app.exec();
    server.join();
    ::close(listener);

    std::printf("inbound flood: %d PRIVMSG lines of 108 bytes into a shown channel window;\n"
                "names: %d nicks in %d lines of 353, then 366, into a hidden channel window\n",
                floodCount, nickCount, namesLineCount);
    if (namesEntries != nickCount) {
        std::fprintf(stderr, "bench_inbound: %lld nick-list entries, not %d\n",
                     static_cast<long long>(namesEntries), nickCount);
        return 1;
    }
    const std::string history = historyOn ? " (history on)" : " (history off)";
    figure("flood: lines handled per second" + history, floodCount / floodSeconds, "lines/s");
    figure("flood: window paints" + history, counter.paints, "paints");
    figure("flood: longest gap between paints" + history, counter.maxGapMs, "ms",
           historyOn ? 50 : -1);
    figure("names: first byte to PONG", namesSeconds * 1000, "ms");
    figure("names: sort on first look", sortMs, "ms");
    delete view;
    return 0;
}
