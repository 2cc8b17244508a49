// DCC file transfer figures: a 1 GiB file sent and received between two clients' DCC
// code over loopback, through the real sockets and the real transfer lists with their
// list views. Sender and receiver are separate processes, so each side's CPU time and
// the receiver's resident memory are its own. Each way (alice to bob, bob to alice) is
// run three times; the median and the spread are printed with the machine's load.
//
// bench_dcctransfer [MiB]   (default 1024)
#include "client/client.h"
#include "core/prompts.h"
#include "ui/dcc/transferlistview.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <sys/wait.h>
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
    }
};

QStringList columns()
{
    return {"Nick", "File", "Completed", "Size", "Done", "K/sec.", "Status"};
}

// The sending process: offers the file, hands the offer to the receiver, and runs until
// every byte is handed to the network. Reports its CPU seconds.
int runSender(const QString& me, const QString& peer, const QString& file, int offerFd,
              int resultFd)
{
    Side side(me);
    TransferListView view(side.client->dcc().sends().list(), columns());
    view.show();
    const double cpuStart = cpuSeconds();
    const QFileInfo info(file);
    side.client->dcc().sends().sendFile(peer, info.fileName(), info.path());
    for (const QString& line : side.sent) {
        if (line.startsWith(QStringLiteral("PRIVMSG")))
            writeAll(offerFd, line.toUtf8() + '\n');
    }
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const auto& transfers = side.client->dcc().sends().transfers();
        if (transfers.empty() || transfers.front()->state == FileSends::State::Done)
            QCoreApplication::quit();
    });
    poll.start(10);
    QCoreApplication::exec();
    writeAll(resultFd, QByteArray::number(cpuSeconds() - cpuStart) + '\n');
    return 0;
}

// The receiving process: takes the offer and runs until the file is whole. Reports the
// rate, its CPU seconds and its resident memory early in the transfer and at the end.
int runReceiver(const QString& me, const QString& peer, int offerFd, int resultFd)
{
    Side side(me);
    TransferListView view(side.client->dcc().receives().list(), columns());
    view.show();
    const QByteArray offer = readLine(offerFd);
    const double cpuStart = cpuSeconds();
    QElapsedTimer clock;
    bool started = false;
    double earlyRss = 0;
    qint64 size = 0;
    QString path;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const auto& transfers = side.client->dcc().receives().transfers();
        if (transfers.empty()) {
            QCoreApplication::quit();
            return;
        }
        const FileReceives::Transfer& t = *transfers.front();
        if (!started && t.state == FileReceives::State::Receiving) {
            started = true;
            clock.start();
        }
        if (earlyRss == 0 && t.received > t.size / 10)
            earlyRss = residentMiB();
        if (t.complete) {
            size = t.size - t.resumePosition;
            path = t.folder + t.fileName;
            QCoreApplication::quit();
        }
    });
    poll.start(1);

    side.client->userMessages().handleUserLine(
        u':' + peer + u'!' + peer + QStringLiteral("@localhost ") + QString::fromUtf8(offer));
    QCoreApplication::exec();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds() - cpuStart;
    const double endRss = residentMiB();
    const bool whole = QFileInfo(path).size() == size && size > 0;
    QFile::remove(path);
    writeAll(resultFd, QByteArray::number(double(size) / 1e6 / seconds) + ' ' +
                           QByteArray::number(cpu) + ' ' + QByteArray::number(earlyRss) + ' ' +
                           QByteArray::number(endRss) + ' ' + (whole ? "whole" : "BROKEN") + '\n');
    return 0;
}

struct Run
{
    double mbps = 0, receiverCpu = 0, senderCpu = 0, earlyRss = 0, endRss = 0;
    bool whole = false;
};

Run oneRun(int argc, char** argv, const QString& from, const QString& to, const QString& file)
{
    int offer[2], sendResult[2], receiveResult[2];
    if (pipe(offer) != 0 || pipe(sendResult) != 0 || pipe(receiveResult) != 0)
        return {};
    const pid_t receiver = fork();
    if (receiver == 0) {
        QApplication app(argc, argv);
        _exit(runReceiver(to, from, offer[0], receiveResult[1]));
    }
    const pid_t sender = fork();
    if (sender == 0) {
        QApplication app(argc, argv);
        _exit(runSender(from, to, file, offer[1], sendResult[1]));
    }
    const QList<QByteArray> r = readLine(receiveResult[0]).split(' ');
    const QByteArray s = readLine(sendResult[0]);
    waitpid(receiver, nullptr, 0);
    waitpid(sender, nullptr, 0);
    for (int fd :
         {offer[0], offer[1], sendResult[0], sendResult[1], receiveResult[0], receiveResult[1]})
        close(fd);
    Run run;
    if (r.size() >= 5) {
        run.mbps = r[0].toDouble();
        run.receiverCpu = r[1].toDouble();
        run.earlyRss = r[2].toDouble();
        run.endRss = r[3].toDouble();
        run.whole = r[4] == "whole";
    }
    run.senderCpu = s.toDouble();
    return run;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const qint64 mib = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024;
    const std::string dir = "/tmp/quorl-dccbench-" + std::to_string(getpid());
    QDir().mkpath(QString::fromStdString(dir));
    const QString file = QString::fromStdString(dir) + QStringLiteral("/payload.bin");
    {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly))
            return 1;
        QByteArray chunk(1 << 20, Qt::Uninitialized);
        for (qsizetype i = 0; i < chunk.size(); ++i)
            chunk[i] = char((i * 2654435761u) >> 13);
        for (qint64 i = 0; i < mib; ++i)
            out.write(chunk);
    }
    std::printf("DCC file transfer, %lld MiB over loopback, 3 runs each way\n", mib);
    const std::pair<const char*, const char*> ways[] = {{"alice", "bob"}, {"bob", "alice"}};
    for (const auto& [from, to] : ways) {
        std::vector<double> rate, rcpu, scpu, early, end;
        bool whole = true;
        for (int i = 0; i < 3; ++i) {
            const QString load = loadAverage();
            const Run run =
                oneRun(argc, argv, QString::fromLatin1(from), QString::fromLatin1(to), file);
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
    QDir().rmdir(QString::fromStdString(dir));
    return 0;
}
