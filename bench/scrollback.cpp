// Scrollback memory: a flood of channel lines into a shown channel window with no history
// limit, through the real client and a plain-socket server on loopback. Prints the bytes
// each kept line costs (resident size after the flood less before it, per line), how far
// the resident size peaked above where it ended, and lines per second. The window first
// gets WarmUpLines lines and paints them, so that what is set up once (fonts, glyph caches,
// the backing store) is not counted per line. Every repetition
// runs in a fresh process (the binary runs itself with --one), so one run's heap never
// flatters the next.
#include "benchsupport.h"
#include "chat/windowregistry.h"
#include "client/client.h"
#include "core/prompts.h"
#include "ui/chat/chatview.h"

#include <QApplication>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace bench;

constexpr int WarmUpLines = 2000;

// Line i of the flood: 106 bytes and CR LF, as bench/inbound.cpp sends them.
std::string floodLine(int i)
{
    static const char* words[] = {"hello", "there",   "what",    "about",
                                  "the",   "release", "tonight", "https://example.org/x",
                                  "yes",   "no",      "maybe",   "later"};
    std::string line = ":nick" + std::to_string(i % 97) + "!user@host" + std::to_string(i % 97) +
                       ".example.org PRIVMSG #flood :\x03" + std::to_string(2 + i % 12) +
                       "colour\x03 ";
    for (int w = 0; line.size() < 106; ++w)
        line += std::string(words[(i + w) % 12]) + " ";
    line.resize(106);
    return line + "\r\n";
}

// One repetition: prints "RESULT bytesPerLine peakAboveFinalMiB linesPerSecond".
int runOnce(int argc, char* argv[], int count)
{
    QApplication app(argc, argv);
    int port = 0;
    const int listener = listenOnLoopback(port);

    std::atomic<int> stage{0}; // 1: measured before, flood may start; 2: PONG seen
    std::atomic<bool> warmed{false};
    double floodSeconds = 0;
    std::thread server([&] {
        const int fd =
            welcome(listener, ":me!u@h JOIN #flood\r\n:irc.bench 353 me = #flood :me @op\r\n");
        std::string seen;
        std::string warmUp;
        for (int i = 0; i < WarmUpLines; ++i)
            warmUp += floodLine(count + i);
        sendAll(fd, warmUp + "PING :warmdone\r\n");
        readUntil(fd, "PONG :warmdone", seen);
        warmed = true;
        while (stage.load() != 1)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const auto t0 = Steady::now();
        std::string chunk;
        for (int i = 0; i < count; ++i) {
            chunk += floodLine(i);
            if (chunk.size() >= 64 * 1024) {
                sendAll(fd, chunk);
                chunk.clear();
            }
        }
        sendAll(fd, chunk + "PING :flooddone\r\n");
        readUntil(fd, "PONG :flooddone", seen);
        floodSeconds = std::chrono::duration<double>(Steady::now() - t0).count();
        stage = 2;
        while (stage.load() != 3)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ::close(fd);
    });

    NoPrompts prompts;
    Client client(QStringLiteral("/tmp/quorl-bench-scrollback/"), prompts);
    client.options().display.historyLimit = 0;
    client.settingsChanges().announce(OptionGroup::Display);
    client.session().ident().setPort(0);
    client.session().connectToKnownHost(QStringLiteral("127.0.0.1"), port, QStringLiteral("bench"));

    ChatView* view = nullptr;
    qint64 before = 0;
    int settleTicks = 0;
    QTimer poll;
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (stage == 0 && !view) {
            ChatWindow* w = client.windows().findChannelWindow(QStringLiteral("#flood"));
            if (!w)
                return;
            w->shown = true;
            view = new ChatView(w->document.get());
            view->resize(900, 600);
            view->show();
        } else if (stage == 0 && warmed && ++settleTicks == 50) {
            before = statusBytes("VmRSS:");
            resetPeak();
            stage = 1;
        } else if (stage == 2 && ++settleTicks == 100) {
            app.quit(); // the view has caught up with the last lines
        }
    });
    poll.start();
    app.exec();
    const qint64 after = statusBytes("VmRSS:");
    const qint64 peak = statusBytes("VmHWM:");
    stage = 3;
    server.join();
    ::close(listener);
    std::printf("RESULT %.1f %.2f %.0f\n", double(after - before) / count,
                double(peak - after) / (1024 * 1024), count / floodSeconds);
    delete view;
    return 0;
}

struct Spread
{
    double median, low, high;
};

Spread spreadOf(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    const double median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    return {median, v.front(), v.back()};
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    if (argc > 2 && std::string(argv[1]) == "--one")
        return runOnce(argc, argv, std::max(1, std::atoi(argv[2])));

    // "bench_scrollback [repetitions [lines...]]"
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::vector<int> counts;
    for (int i = 2; i < argc; ++i)
        counts.push_back(std::max(1, std::atoi(argv[i])));
    if (counts.empty())
        counts = {200000, 1000000};

    std::printf("scrollback: PRIVMSG lines of 108 bytes into a shown channel window, no "
                "history limit, after %d lines to warm up; %d repetitions, each in a fresh "
                "process\n",
                WarmUpLines, repetitions);
    for (const int count : counts) {
        std::vector<double> perLine, peak, rate, load;
        for (int r = 0; r < repetitions; ++r) {
            load.push_back(loadAverage());
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QString::fromLocal8Bit(argv[0]),
                        {QStringLiteral("--one"), QString::number(count)});
            child.waitForFinished(-1);
            const QList<QByteArray> out = child.readAllStandardOutput().split('\n');
            const auto it = std::find_if(out.begin(), out.end(), [](const QByteArray& l) {
                return l.startsWith("RESULT ");
            });
            if (it == out.end()) {
                std::printf("  repetition %d of %d lines failed\n", r + 1, count);
                return 1;
            }
            const QList<QByteArray> f = it->split(' ');
            perLine.push_back(f.value(1).toDouble());
            peak.push_back(f.value(2).toDouble());
            rate.push_back(f.value(3).toDouble());
        }
        const Spread b = spreadOf(perLine), p = spreadOf(peak), l = spreadOf(rate),
                     a = spreadOf(load);
        std::printf("%d lines:\n", count);
        std::printf("  bytes per kept line:     median %.1f  (min %.1f, max %.1f)\n", b.median,
                    b.low, b.high);
        std::printf("  peak above final RSS:    median %.2f MiB  (min %.2f, max %.2f)\n", p.median,
                    p.low, p.high);
        std::printf("  lines per second:        median %.0f  (min %.0f, max %.0f)\n", l.median,
                    l.low, l.high);
        std::printf("  machine load average (1 min) at the starts: median %.2f (min %.2f, "
                    "max %.2f)\n",
                    a.median, a.low, a.high);
    }
    return 0;
}
