// Ten networks at once, in a shown main window: ten scripted servers on loopback, each
// with 20 channels of 250 nicks (200 channels and 50,000 nicks in all, from JOIN and
// NAMES replies). Figures of one run:
//   - from the first connect until every server has its answer to a PING sent after its
//     last NAMES reply (so every channel is joined and its names handled);
//   - the process's resident memory (VmRSS) once the client has been idle for a second,
//     and the heap's part of it (what is in use, what is free but not given back);
//   - while one network floods 200,000 channel lines, the other nine each send a PING
//     every 5 ms: how long each waits for its PONG (median, 99th percentile, max).
// The server threads speak plain sockets; the client runs in the Qt event loop as it does
// for a user. Each run is a fresh process; the figures are medians and spreads of the
// runs, with the machine's load beside them.
//
// bench_networks (QUORL_BENCH_RUNS=n for more than 3 runs)
#include "benchsupport.h"
#include "chat/windowregistry.h"
#include "client/client.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <malloc.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {
using namespace bench;

constexpr int Networks = 10;
constexpr int ChannelsPerNetwork = 20;
constexpr int NicksPerChannel = 250;
constexpr int FloodLines = 200000;
constexpr int PingEveryMs = 5;

double msSince(Steady::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Steady::now() - t0).count();
}

// The joins and names of one network's channels; every nick is its own across networks.
std::string joinLines(int net)
{
    std::string all;
    for (int c = 0; c < ChannelsPerNetwork; ++c) {
        const std::string channel = "#n" + std::to_string(net) + "c" + std::to_string(c);
        all += ":me!u@h JOIN " + channel + "\r\n";
        int n = 0;
        while (n < NicksPerChannel) {
            std::string line = ":irc" + std::to_string(net) + ".bench 353 me = " + channel + " :";
            for (int k = 0; k < 40 && n < NicksPerChannel; ++k, ++n)
                line += (n % 50 == 0 ? "@" : "") + std::string("u") + std::to_string(net) + "_" +
                        std::to_string(c) + "_" + std::to_string(n) + " ";
            all += line + "\r\n";
        }
        all += ":irc" + std::to_string(net) + ".bench 366 me " + channel + " :End of NAMES\r\n";
    }
    return all + "PING :joined\r\n";
}

long residentKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

// Spins the event loop until done() holds or timeoutMs passes; false on the timeout.
template <typename F> bool runUntil(F done, int timeoutMs)
{
    const auto t0 = Steady::now();
    while (!done()) {
        if (msSince(t0) > timeoutMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}
} // namespace

int main(int argc, char* argv[])
{
    if (repeatInFreshProcesses(argc, argv, 3))
        return 0;
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);

    // Made whole before the clock starts: building them is not the client's time.
    std::vector<std::string> joins;
    for (int net = 0; net < Networks; ++net)
        joins.push_back(joinLines(net));
    // The flood is made once the memory is read, so that its 15 MB are not counted.
    std::string flood;

    std::vector<int> ports(Networks), listeners(Networks);
    for (int net = 0; net < Networks; ++net)
        listeners[size_t(net)] = listenOnLoopback(ports[size_t(net)]);

    Steady::time_point t0;
    std::atomic<int> joinedNetworks{0};
    std::atomic<double> lastJoinMs{0};
    std::atomic<bool> floodNow{false};
    std::atomic<bool> floodDone{false};
    std::atomic<bool> finished{false};
    std::mutex delaysLock;
    std::vector<double> pongDelays;
    double floodMs = -1;

    std::vector<std::thread> servers;
    for (int net = 0; net < Networks; ++net)
        servers.emplace_back([&, net] {
            const int fd = ::accept(listeners[size_t(net)], nullptr, nullptr);
            std::string seen;
            const std::string server = ":irc" + std::to_string(net) + ".bench ";
            if (!takeUntil(fd, "USER ", seen)) {
                ::close(fd);
                return;
            }
            sendAll(fd, server + "001 me :hi\r\n" + server + "376 me :end\r\n");
            sendAll(fd, joins[size_t(net)]);
            if (takeUntil(fd, "PONG :joined", seen)) {
                const double ms = msSince(t0);
                double was = lastJoinMs.load();
                while (ms > was && !lastJoinMs.compare_exchange_weak(was, ms)) {
                }
                ++joinedNetworks;
            }
            while (!floodNow.load() && !finished.load())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            if (net == 0) {
                const auto start = Steady::now();
                sendAll(fd, flood);
                if (takeUntil(fd, "PONG :flooddone", seen))
                    floodMs = msSince(start);
                floodDone = true;
            } else {
                std::vector<double> mine;
                for (int seq = 0; !floodDone.load() && !finished.load(); ++seq) {
                    const std::string token = "p" + std::to_string(seq);
                    const auto sent = Steady::now();
                    sendAll(fd, "PING :" + token + "\r\n");
                    if (!takeUntil(fd, "PONG :" + token, seen))
                        break;
                    mine.push_back(msSince(sent));
                    std::this_thread::sleep_for(std::chrono::milliseconds(PingEveryMs));
                }
                const std::lock_guard<std::mutex> hold(delaysLock);
                pongDelays.insert(pongDelays.end(), mine.begin(), mine.end());
            }
            while (!finished.load())
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            ::close(fd);
        });

    int channels = 0;
    long nicks = 0;
    double rssMb = -1;
    double baseMb = -1;
    double heapMb = -1;
    double heapFreeMb = -1;
    {
        QTemporaryDir home;
        MainWindow form(home.path() + u'/');
        form.resize(900, 600);
        form.show();
        Client& client = form.client();
        runUntil([] { return false; }, 500);
        baseMb = residentKb() / 1024.0;
        t0 = Steady::now();
        for (int net = 0; net < Networks; ++net) {
            Network& network =
                client.networkForHost(QStringLiteral("127.0.0.1"), ports[size_t(net)]);
            network.session().ident().setPort(0);
            network.session().connectToKnownHost(QStringLiteral("127.0.0.1"), ports[size_t(net)],
                                                 QStringLiteral("bench"));
        }
        const bool joined = runUntil([&] { return joinedNetworks.load() == Networks; }, 60000);
        const WindowRegistry& windows = client.windows();
        for (qsizetype i = 0; i < windows.count(); ++i)
            if (windows.at(i)->conversationKind == ConversationKind::Channel) {
                ++channels;
                nicks += windows.at(i)->nickList.count();
            }
        std::printf("networks: %d connections, %d channel windows, %ld nicks listed%s\n",
                    int(client.networkCount()), channels, nicks, joined ? "" : " (TIMED OUT)");
        if (!joined || channels != Networks * ChannelsPerNetwork ||
            nicks != long(Networks) * ChannelsPerNetwork * NicksPerChannel)
            return 1;

        joins.clear();
        joins.shrink_to_fit();
        runUntil([] { return false; }, 1000);
        rssMb = residentKb() / 1024.0;
        heapMb = double(mallinfo2().uordblks) / (1024.0 * 1024.0);
        heapFreeMb = double(mallinfo2().fordblks) / (1024.0 * 1024.0);

        for (int i = 0; i < FloodLines; ++i)
            flood += ":flooder!f@flood.host PRIVMSG #n0c0 :line " + std::to_string(i) +
                     " of the flood on the first network\r\n";
        flood += "PING :flooddone\r\n";

        floodNow = true;
        runUntil([&] { return floodDone.load(); }, 600000);
        finished = true;
        for (int net = 0; net < Networks; ++net)
            client.network(net).session().disconnectFromServer();
        for (std::thread& t : servers)
            t.join();
    }
    for (int fd : listeners)
        ::close(fd);

    std::printf("  %zu PONG delays measured on nine networks during the flood\n",
                pongDelays.size());
    figure("10 networks: start until all 200 channels joined", lastJoinMs.load(), "ms", 1000);
    figure("10 networks: resident memory once idle (VmRSS)", rssMb, "MB", 60);
    figure("for comparison: the shown main window before connecting", baseMb, "MB");
    figure("  of it, the heap in use", heapMb, "MB");
    figure("  and the heap's free memory not given back", heapFreeMb, "MB");
    figure("200,000-line flood on one network: its time to the last PONG", floodMs, "ms");
    figure("PONG delay on the other nine during the flood: median", percentile(pongDelays, 0.5),
           "ms", 50);
    figure("PONG delay on the other nine during the flood: 99th pct", percentile(pongDelays, 0.99),
           "ms", 50);
    figure("PONG delay on the other nine during the flood: max",
           pongDelays.empty() ? -1 : *std::max_element(pongDelays.begin(), pongDelays.end()), "ms",
           50);
    return pongDelays.empty() ? 1 : 0;
}
