// Channel list figures: a LIST of 50,000 channels through the real handlers into the
// "Channel List" page, three times. A server thread speaks plain sockets on loopback; the
// client runs as it does for a user, in the Qt event loop. For each run: the time from the
// first row sent to the list shown (the list's end handled, the view painted, the loop
// idle), the window's paints while the rows arrive, and a re-filter (minimum 1 -> 10).
#include "benchsupport.h"
#include "client/client.h"
#include "core/prompts.h"
#include "ui/settings/channellistpage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QSpinBox>
#include <QTimer>
#include <QTreeView>

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
double msSince(Steady::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Steady::now() - t0).count();
}

std::string listLines(int count)
{
    const char* words[] = {"welcome",
                           "to",
                           "the",
                           "\x02home\x02",
                           "of",
                           "friendly",
                           "chat",
                           "news",
                           "\x03"
                           "4music",
                           "games",
                           "and",
                           "help"};
    std::string all = ":irc.bench 321 me Channel :Users  Name\r\n";
    for (int i = 0; i < count; ++i) {
        std::string line = ":irc.bench 322 me #channel" + std::to_string((i * 7919) % count) + " " +
                           std::to_string(1 + (i * 37) % 700) + " :";
        for (int w = 0; w < 3 + i % 6; ++w)
            line += std::string(words[(i + w) % 12]) + " ";
        all += line + "\r\n";
    }
    return all + ":irc.bench 323 me :End of /LIST\r\n";
}

void summary(const char* what, std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    std::printf("  %s: median %.1f ms, spread %.1f..%.1f ms (", what, v[v.size() / 2], v.front(),
                v.back());
    for (size_t i = 0; i < v.size(); ++i)
        std::printf("%s%.1f", i ? ", " : "", v[i]);
    std::printf(")\n");
}
} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int channels = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50000;
    const int runs = 3;

    int port = 0;
    const int listener = listenOnLoopback(port);

    const std::string list = listLines(channels);
    std::atomic<bool> registered{false};
    std::atomic<long long> firstRowSent{0};
    std::thread server([&] {
        const int fd = ::accept(listener, nullptr, nullptr);
        std::string seen;
        takeUntil(fd, "USER ", seen);
        sendAll(fd, ":irc.bench 001 me :hi\r\n:irc.bench 254 me " + std::to_string(channels) +
                        " :channels formed\r\n:irc.bench 376 me :end\r\n");
        registered = true;
        for (int run = 0; run < runs; ++run) {
            if (!takeUntil(fd, "LIST", seen))
                break;
            firstRowSent = Steady::now().time_since_epoch().count();
            sendAll(fd, list);
        }
        takeUntil(fd, "QUIT", seen);
        ::close(fd);
    });

    NoPrompts prompts;
    Client client(QStringLiteral("/tmp/quorl-bench/"), prompts);
    client.session().ident().setPort(0);
    client.session().connectToKnownHost(QStringLiteral("127.0.0.1"), port, QStringLiteral("bench"));

    ChannelListPage page(client);
    page.resize(900, 600);
    page.show();
    PaintCounter counter;
    page.listView()->viewport()->installEventFilter(&counter);
    ChannelList& channelList = client.channelList();
    auto* minimum = page.findChild<QSpinBox*>(QStringLiteral("SpinEdit1"));

    std::vector<double> shownMs, refilterMs, maxGaps;
    std::vector<int> paints;
    qsizetype received = 0, shownBefore = 0, shownAfter = 0;
    int run = 0;
    enum class Stage {
        Waiting,
        Requested,
        Receiving,
        Settling,
        Refiltering,
        RefilterSettling
    } stage = Stage::Waiting;
    Steady::time_point refilterStart;
    int paintsAtEnd = 0;
    long long sentBefore = 0;
    Steady::time_point clickedAt;
    std::vector<double> requestMs;

    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        switch (stage) {
        case Stage::Waiting:
            if (registered && client.session().isConnected() && !channelList.busy()) {
                minimum->setValue(1);
                sentBefore = firstRowSent.load();
                clickedAt = Steady::now();
                page.requestList();
                stage = Stage::Requested;
            }
            return;
        case Stage::Requested:
            // Gaps count from the first row on: from the second run on, the request itself
            // waits its turn in the outbound pacing (a burst of five lines, then one every
            // two seconds), and that wait is no gap in the painting of a list.
            if (firstRowSent.load() != sentBefore) {
                requestMs.push_back(msSince(clickedAt));
                counter.paints = 0;
                counter.maxGapMs = 0;
                counter.measuring = true;
                stage = Stage::Receiving;
            }
            return;
        case Stage::Receiving:
            if (!channelList.busy() && channelList.receivedCount() == channels) {
                paintsAtEnd = counter.paints;
                stage = Stage::Settling;
            }
            return;
        case Stage::Settling:
            // Shown: the view painted after the end of the list, and the loop came back idle.
            if (counter.paints > paintsAtEnd) {
                const Steady::time_point first{Steady::duration(firstRowSent.load())};
                shownMs.push_back(msSince(first));
                paints.push_back(paintsAtEnd);
                maxGaps.push_back(counter.maxGapMs);
                received = channelList.receivedCount();
                shownBefore = channelList.shownCount();
                counter.measuring = false;
                minimum->setValue(10);
                refilterStart = Steady::now();
                page.refilter();
                stage = Stage::Refiltering;
            }
            return;
        case Stage::Refiltering:
            if (!channelList.busy()) {
                counter.paints = 0;
                counter.measuring = true;
                stage = Stage::RefilterSettling;
            }
            return;
        case Stage::RefilterSettling:
            if (counter.paints > 0) {
                refilterMs.push_back(msSince(refilterStart));
                shownAfter = channelList.shownCount();
                counter.measuring = false;
                if (++run == runs) {
                    // QUORL_BENCH_SHOT=file.png keeps a picture of the page as it was left.
                    if (qEnvironmentVariableIsSet("QUORL_BENCH_SHOT"))
                        page.grab().save(qEnvironmentVariable("QUORL_BENCH_SHOT"));
                    poll.stop();
                    app.quit();
                } else {
                    stage = Stage::Waiting;
                }
            }
            return;
        }
    });
    poll.start();
    app.exec();
    client.session().sendLine(QStringLiteral("QUIT"));
    QElapsedTimer flush;
    flush.start();
    while (flush.elapsed() < 200)
        app.processEvents();
    ::shutdown(listener, SHUT_RDWR);
    server.join();
    ::close(listener);

    std::printf("channel list: LIST of %d channels (322 replies), %d runs\n", channels, runs);
    std::printf("  rows received %lld, shown %lld (1 to 500 users), %lld after the re-filter "
                "(10 to 500)\n",
                static_cast<long long>(received), static_cast<long long>(shownBefore),
                static_cast<long long>(shownAfter));
    summary("click to first row sent (the LIST waits in the pacing)", requestMs);
    summary("first row sent to list shown and idle", shownMs);
    summary("re-filter to list shown and idle", refilterMs);
    summary("longest gap between paints while receiving", maxGaps);
    std::printf("  paints while receiving:");
    for (int p : paints)
        std::printf(" %d", p);
    std::printf("\nmachine load average (1 min): %.2f\n", loadAverage());
    return 0;
}
