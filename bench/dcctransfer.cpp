// DCC file transfer figures: a 1 GiB file sent and received between two clients' DCC
// code over loopback, through the real sockets and the real transfer lists with their
// list views. Sender and receiver are separate processes, so each side's CPU time and
// the receiver's resident memory are its own. Each way (alice to bob, bob to alice) is
// run three times; the median and the spread are printed with the machine's load.
//
// Then 50 transfers of 20 MiB run at once, three times, every file checked and both
// sides' event loops watched for pauses (the list views repaint on a 10 ms timer
// throughout); the median and spread of the rate and of the longest pause are printed.
//
// bench_dcctransfer [MiB [count [MiB each]]]   (default 1024 50 20)
#include "client/client.h"
#include "core/prompts.h"
#include "ui/dcc/transferlistview.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

class NoPrompts : public Prompts
{
public:
    void warning(const QString&) override {}
    void askYesNo(const QString&, std::function<void(bool)> answer) override { answer(false); }
    void askChoice(const QString&, const QStringList&, std::function<void(int)> answer) override
    {
        answer(-1);
    }
};

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Watches an event loop through a 10 ms timer. The longest wall-clock gap between two
// ticks is the pause a user sees; on a shared machine it also counts time the process
// was not scheduled at all, so the processor time spent between two ticks (the longest
// stretch of work the loop did without coming back) is kept beside it: that is the pause
// the same run would show on an idle machine.
struct PauseWatch
{
    QElapsedTimer wall;
    double cpuAtTick = 0;
    qint64 longestPause = 0;
    double longestBusy = 0;

    void start()
    {
        wall.start();
        cpuAtTick = threadCpuMs();
    }
    void tick(bool counting)
    {
        const double cpu = threadCpuMs();
        const qint64 gap = wall.restart();
        if (counting) {
            longestPause = std::max(longestPause, gap);
            longestBusy = std::max(longestBusy, cpu - cpuAtTick);
        }
        cpuAtTick = cpu;
    }
};

QString loadAverage()
{
    QFile load(QStringLiteral("/proc/loadavg"));
    return load.open(QIODevice::ReadOnly) ? QString::fromLatin1(load.readAll()).section(u' ', 0, 2)
                                          : QStringLiteral("?");
}

void writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0)
            return;
        done += n;
    }
}

QByteArray readLine(int fd)
{
    QByteArray line;
    char c = 0;
    while (::read(fd, &c, 1) == 1 && c != '\n')
        line += c;
    return line;
}

struct Side
{
    QTemporaryDir home;
    NoPrompts prompts;
    std::unique_ptr<Client> client;
    QString nick;
    QStringList sent;
    Side(const QString& name) : nick(name)
    {
        client = std::make_unique<Client>(home.path() + u'/', prompts);
        client->session().ident().setPort(0);
        QDir(home.path()).mkpath(QStringLiteral("Received Files"));
        DccContext& c = client->dcc().context();
        c.sendLine = [this](const QString& line) { sent << line; };
        c.ownNickname = [this] { return nick; };
        c.ownAddress = [] { return QStringLiteral("127.0.0.1"); };
        client->options().dcc.fileInboundAction = DccOptions::FileOffer::Get;
        // Every offer of a run is taken at once, however many there are.
        client->options().dcc.maxIncoming = 1000;
    }
};

QStringList columns()
{
    return {"Nick", "File", "Completed", "Size", "Done", "K/sec.", "Status"};
}

// The sending process: offers the files, hands the offers to the receiver, and runs
// until every byte is handed to the network. Reports its CPU seconds and the longest
// pause of its event loop.
int runSender(const QString& me, const QString& peer, const QStringList& files, int offerFd,
              int resultFd)
{
    Side side(me);
    FileSends& sends = side.client->dcc().sends();
    TransferListView view(sends.list(), columns());
    view.show();
    const double cpuStart = cpuSeconds();
    for (const QString& file : files) {
        const QFileInfo info(file);
        sends.sendFile(peer, info.fileName(), info.path());
    }
    for (const QString& line : side.sent) {
        if (line.startsWith(QStringLiteral("PRIVMSG")))
            writeAll(offerFd, line.toUtf8() + '\n');
    }
    writeAll(offerFd, "end\n");
    // The list's own notifications say when a transfer is done: no polling in the way.
    double cpu = -1;
    QObject::connect(&sends.list(), &TransferList::rowChanged, [&] {
        for (const auto& t : sends.transfers()) {
            if (t->state != FileSends::State::Done)
                return;
        }
        if (cpu < 0)
            cpu = cpuSeconds() - cpuStart;
    });
    // The sender stays (reading the acknowledgements) until the receiver hangs up, as the
    // client does: leaving with unread bytes would reset the connection under the data.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (cpu < 0)
            return;
        for (const auto& t : sends.transfers()) {
            if (t->socket && t->socket->state() != QAbstractSocket::UnconnectedState)
                return;
        }
        QCoreApplication::quit();
    });
    poll.start(50);
    PauseWatch watch;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        watch.tick(cpu < 0);
        view.viewport()->repaint();
    });
    ticker.start(10);
    watch.start();
    QCoreApplication::exec();
    writeAll(resultFd, QByteArray::number(cpu) + ' ' + QByteArray::number(watch.longestPause) +
                           ' ' + QByteArray::number(watch.longestBusy) + '\n');
    return 0;
}

// The receiving process: takes the offers and runs until every file is whole. Reports
// the rate, its CPU seconds, its resident memory early in the transfer and at the end,
// whether every file arrived whole, and the longest pause of its event loop.
int runReceiver(const QString& me, const QString& peer, const QByteArray& expected, int offerFd,
                int resultFd)
{
    Side side(me);
    FileReceives& receives = side.client->dcc().receives();
    TransferListView view(receives.list(), columns());
    view.show();
    QList<QByteArray> offers;
    for (QByteArray line = readLine(offerFd); line != "end"; line = readLine(offerFd))
        offers << line;
    const double cpuStart = cpuSeconds();
    QElapsedTimer clock;
    double earlyRss = 0;
    double seconds = 0;
    QElapsedTimer hangUp;
    qint64 bytes = 0;
    QStringList paths;
    QObject::connect(&receives.list(), &TransferList::rowChanged, [&] {
        qint64 received = 0, size = 0;
        bool all = true;
        for (const auto& t : receives.transfers()) {
            received += t->received;
            size += t->size;
            all = all && t->complete;
        }
        if (earlyRss == 0 && received > size / 10)
            earlyRss = residentMiB();
        if (!all || !paths.isEmpty())
            return;
        bytes = size;
        seconds = double(clock.nsecsElapsed()) / 1e9;
        for (const auto& t : receives.transfers())
            paths << t->folder + t->fileName;
        // As the client does, the receiver stays until the sender hangs up, so the
        // sender reads every last report (at most ten seconds).
        hangUp.start();
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!hangUp.isValid())
            return;
        bool open = false;
        for (const auto& t : receives.transfers())
            open = open || (t->socket && t->socket->state() == QAbstractSocket::ConnectedState);
        if (!open || hangUp.elapsed() > 10000)
            QCoreApplication::quit();
    });
    poll.start(20);
    // The event loop's longest pause: a 10 ms timer that should never wait much longer.
    PauseWatch watch;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        watch.tick(!hangUp.isValid());
        view.viewport()->repaint();
    });
    ticker.start(10);
    watch.start();
    clock.start();
    for (const QByteArray& offer : offers)
        side.client->userMessages().handleUserLine(
            u':' + peer + u'!' + peer + QStringLiteral("@localhost ") + QString::fromUtf8(offer));
    QCoreApplication::exec();
    const double cpu = cpuSeconds() - cpuStart;
    const double endRss = residentMiB();
    bool whole = !paths.isEmpty();
    for (const QString& path : paths) {
        QFile f(path);
        QCryptographicHash hash(QCryptographicHash::Sha1);
        whole =
            whole && f.open(QIODevice::ReadOnly) && hash.addData(&f) && hash.result() == expected;
        QFile::remove(path);
    }
    writeAll(resultFd, QByteArray::number(double(bytes) / 1e6 / seconds) + ' ' +
                           QByteArray::number(cpu) + ' ' + QByteArray::number(earlyRss) + ' ' +
                           QByteArray::number(endRss) + ' ' + (whole ? "whole" : "BROKEN") + ' ' +
                           QByteArray::number(watch.longestPause) + ' ' +
                           QByteArray::number(watch.longestBusy) + '\n');
    return 0;
}

struct Run
{
    double mbps = 0, receiverCpu = 0, senderCpu = 0, earlyRss = 0, endRss = 0;
    bool whole = false;
    qint64 longestPause = 0;
    qint64 senderPause = 0;
    double longestBusy = 0;
    double senderBusy = 0;
};

Run oneRun(int argc, char** argv, const QString& from, const QString& to, const QStringList& files,
           const QByteArray& expected)
{
    int offer[2], sendResult[2], receiveResult[2];
    if (pipe(offer) != 0 || pipe(sendResult) != 0 || pipe(receiveResult) != 0)
        return {};
    const pid_t receiver = fork();
    if (receiver == 0) {
        QApplication app(argc, argv);
        _exit(runReceiver(to, from, expected, offer[0], receiveResult[1]));
    }
    const pid_t sender = fork();
    if (sender == 0) {
        QApplication app(argc, argv);
        _exit(runSender(from, to, files, offer[1], sendResult[1]));
    }
    const QList<QByteArray> r = readLine(receiveResult[0]).split(' ');
    const QList<QByteArray> s = readLine(sendResult[0]).split(' ');
    waitpid(receiver, nullptr, 0);
    waitpid(sender, nullptr, 0);
    for (int fd :
         {offer[0], offer[1], sendResult[0], sendResult[1], receiveResult[0], receiveResult[1]})
        close(fd);
    Run run;
    if (r.size() >= 6) {
        run.mbps = r[0].toDouble();
        run.receiverCpu = r[1].toDouble();
        run.earlyRss = r[2].toDouble();
        run.endRss = r[3].toDouble();
        run.whole = r[4] == "whole";
        run.longestPause = r[5].toLongLong();
        run.longestBusy = r.value(6).toDouble();
    }
    run.senderCpu = s.value(0).toDouble();
    run.senderPause = s.value(1).toLongLong();
    run.senderBusy = s.value(2).toDouble();
    return run;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

QByteArray makePayload(const QString& file, qint64 mib)
{
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha1);
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (qsizetype i = 0; i < chunk.size(); ++i)
        chunk[i] = char((i * 2654435761u) >> 13);
    for (qint64 i = 0; i < mib; ++i) {
        chunk[0] = char(i); // no two mebibytes alike
        out.write(chunk);
        hash.addData(chunk);
    }
    return hash.result();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const qint64 mib = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024;
    const int many = argc > 2 ? QByteArray(argv[2]).toInt() : 50;
    const qint64 manyMib = argc > 3 ? QByteArray(argv[3]).toLongLong() : 20;
    const QString dir = QStringLiteral("/tmp/quorl-dccbench-") + QString::number(getpid());
    QDir().mkpath(dir);

    const QString file = dir + QStringLiteral("/payload.bin");
    const QByteArray expected = makePayload(file, mib);
    std::printf("DCC file transfer, %lld MiB over loopback, 3 runs each way\n", mib);
    const std::pair<const char*, const char*> ways[] = {{"alice", "bob"}, {"bob", "alice"}};
    for (const auto& [from, to] : ways) {
        std::vector<double> rate, rcpu, scpu, early, end;
        bool whole = true;
        for (int i = 0; i < 3; ++i) {
            const QString load = loadAverage();
            const Run run = oneRun(argc, argv, QString::fromLatin1(from), QString::fromLatin1(to),
                                   {file}, expected);
            std::printf("  %s -> %s run %d: %.0f MB/s, receiver CPU %.2f s, sender CPU %.2f s, "
                        "receiver RSS %.1f MiB at 10%% and %.1f MiB at the end, %s (load %s)\n",
                        from, to, i + 1, run.mbps, run.receiverCpu, run.senderCpu, run.earlyRss,
                        run.endRss, run.whole ? "file whole" : "FILE BROKEN", qPrintable(load));
            rate.push_back(run.mbps);
            rcpu.push_back(run.receiverCpu);
            scpu.push_back(run.senderCpu);
            early.push_back(run.earlyRss);
            end.push_back(run.endRss);
            whole = whole && run.whole;
        }
        std::printf("%s -> %s: median %.0f MB/s (spread %.0f..%.0f), receiver CPU %.2f s, "
                    "sender CPU %.2f s, receiver RSS %.1f -> %.1f MiB, %s\n",
                    from, to, median(rate), *std::min_element(rate.begin(), rate.end()),
                    *std::max_element(rate.begin(), rate.end()), median(rcpu), median(scpu),
                    median(early), median(end), whole ? "all files whole" : "SOME FILE BROKEN");
    }
    QFile::remove(file);

    if (many > 0) {
        // Many transfers at once: names of their own, one file on disk.
        const QString one = dir + QStringLiteral("/part.bin");
        const QByteArray partHash = makePayload(one, manyMib);
        QStringList files;
        for (int i = 0; i < many; ++i) {
            const QString name = dir + QStringLiteral("/part%1.bin").arg(i);
            QFile::link(one, name);
            files << name;
        }
        std::vector<double> rate, pause, senderPause, busy, senderBusy;
        bool whole = true;
        for (int i = 0; i < 3; ++i) {
            const QString load = loadAverage();
            const Run run =
                oneRun(argc, argv, QStringLiteral("alice"), QStringLiteral("bob"), files, partHash);
            std::printf("  %d simultaneous %lld MiB transfers, run %d: %.0f MB/s together, "
                        "receiver CPU %.2f s, sender CPU %.2f s, receiver RSS %.1f -> %.1f MiB, "
                        "longest event-loop pause: receiver %lld ms, sender %lld ms, "
                        "longest busy stretch: receiver %.1f ms, sender %.1f ms, %s "
                        "(load %s)\n",
                        many, manyMib, i + 1, run.mbps, run.receiverCpu, run.senderCpu,
                        run.earlyRss, run.endRss, run.longestPause, run.senderPause,
                        run.longestBusy, run.senderBusy,
                        run.whole ? "all files whole" : "SOME FILE BROKEN", qPrintable(load));
            rate.push_back(run.mbps);
            pause.push_back(double(run.longestPause));
            senderPause.push_back(double(run.senderPause));
            busy.push_back(run.longestBusy);
            senderBusy.push_back(run.senderBusy);
            whole = whole && run.whole;
        }
        const auto spread = [](const std::vector<double>& v) {
            return std::make_pair(*std::min_element(v.begin(), v.end()),
                                  *std::max_element(v.begin(), v.end()));
        };
        std::printf("%d simultaneous %lld MiB transfers: median %.0f MB/s (spread %.0f..%.0f), "
                    "longest event-loop pause median: receiver %.0f ms (spread %.0f..%.0f), "
                    "sender %.0f ms (spread %.0f..%.0f); longest busy stretch median: "
                    "receiver %.1f ms (spread %.1f..%.1f), sender %.1f ms (spread %.1f..%.1f), "
                    "%s\n",
                    many, manyMib, median(rate), spread(rate).first, spread(rate).second,
                    median(pause), spread(pause).first, spread(pause).second, median(senderPause),
                    spread(senderPause).first, spread(senderPause).second, median(busy),
                    spread(busy).first, spread(busy).second, median(senderBusy),
                    spread(senderBusy).first, spread(senderBusy).second,
                    whole ? "all files whole" : "SOME FILE BROKEN");
        for (const QString& name : files)
            QFile::remove(name);
        QFile::remove(one);
    }
    QDir().rmdir(dir);
    return 0;
}
