// Scrolling back beyond memory: a channel window whose history store holds 1,000,000 of
// its lines is scrolled from its newest line back to its first, page by page, through
// the real client (a plain-socket server on loopback gives the join) and a shown view.
// Prints how far the resident size rose above where it was before the scrolling (the
// peak, target <= 10 MiB), the time it took, and the lines read back per second.
// "bench_historyscrollback [lines]" (QUORL_BENCH_SHOT=file.png also saves a picture of the
// view 40 pages back); the store is built once into
// /tmp/quorl-bench-historyscrollback and reused by later runs of the same size. Each run
// is a fresh process; the figures are the median and spread of 3.
#include "benchsupport.h"
#include "chat/windowregistry.h"
#include "client/client.h"
#include "history/historydatabase.h"
#include "ui/chat/chatview.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QScrollBar>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

using namespace bench;

const QString network = QStringLiteral("bench");
const QString channel = QStringLiteral("#flood");

// A store of count lines of one channel, a second apart, as a busy channel says them.
bool buildStore(const QString& path, qint64 count)
{
    std::printf("building a store of %lld lines at %s\n", count, qPrintable(path));
    std::fflush(stdout);
    HistoryDatabase db;
    if (!db.open(path + QStringLiteral(".part"), HistoryDatabase::Access::ReadWrite))
        return false;
    static const char* words[] = {"hello", "there",   "what",    "about",
                                  "the",   "release", "tonight", "https://example.org/x",
                                  "yes",   "no",      "maybe",   "later"};
    const qint64 start = QDateTime::currentMSecsSinceEpoch() - count * 1000;
    std::vector<HistoryLine> batch;
    for (qint64 n = 0; n < count; ++n) {
        const QString nick = QStringLiteral("nick%1").arg(n % 97);
        QString text = u'<' + nick + QStringLiteral("> \x03") + QString::number(2 + n % 12) +
                       QStringLiteral("colour\x03 line ") + QString::number(n);
        for (qint64 w = 0; text.size() < 100; ++w)
            text += u' ' + QLatin1String(words[(n + w) % 12]);
        batch.push_back({network, channel, start + n * 1000, 1, nick, text, QString()});
        if (batch.size() == 50000 || n + 1 == count) {
            if (db.write(batch) < 0)
                return false;
            batch.clear();
        }
    }
    db.close();
    return QFile::rename(path + QStringLiteral(".part"), path);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    if (bench::repeatInFreshProcesses(argc, argv, 3))
        return 0;
    const qint64 count = argc > 1 ? std::max(10000LL, std::atoll(argv[1])) : 1000000;
    const QString folder = QStringLiteral("/tmp/quorl-bench-historyscrollback/%1/").arg(count);
    const QString path = HistoryStore::pathIn(folder);
    QDir().mkpath(folder);
    if (!QFileInfo::exists(path) && !buildStore(path, count)) {
        std::fprintf(stderr, "cannot build %s\n", qPrintable(path));
        return 1;
    }

    QApplication app(argc, argv);
    int port = 0;
    const int listener = listenOnLoopback(port);
    std::atomic<bool> done{false};
    std::thread server([&] {
        const int fd =
            welcome(listener, ":me!u@h JOIN #flood\r\n:irc.bench 353 me = #flood :me @op\r\n");
        while (!done.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ::close(fd);
    });

    NoPrompts prompts;
    Client client(folder, prompts);
    client.session().ident().setPort(0);
    client.session().connectToKnownHost(QStringLiteral("127.0.0.1"), port, network);

    ChatWindow* window = nullptr;
    while (!window || window->awaitingPast) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        window = client.windows().findChannelWindow(channel);
    }
    window->shown = true;
    ChatView view(window->document.get());
    view.resize(900, 600);
    view.show();
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);

    ChatDocument& doc = *window->document;
    if (qEnvironmentVariableIsSet("QUORL_BENCH_SHOT")) {
        // Without theme files text and background are both black: a light page to look at.
        ThemeRecord theme = doc.theme();
        theme.backcolor = 0xFFFFFF;
        doc.applyTheme(theme);
    }
    const qint64 before = statusBytes("VmRSS:");
    resetPeak();
    QElapsedTimer t;
    t.start();
    int pages = 0;
    while (doc.hasMoreBefore()) {
        view.scrollBar()->setValue(0);
        view.scrollPage(-1);
        while (window->olderAsked)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents,
                                            50);
        // QUORL_BENCH_SHOT=file.png: a picture of the view once it is well past memory.
        if (++pages == 40 && qEnvironmentVariableIsSet("QUORL_BENCH_SHOT")) {
            QCoreApplication::processEvents();
            view.grab().save(qEnvironmentVariable("QUORL_BENCH_SHOT"));
        }
    }
    const double seconds = double(t.nsecsElapsed()) / 1e9;
    const qint64 peak = statusBytes("VmHWM:");
    const bool reachedFirst =
        doc.lineCount() > 0 && doc.plainLine(0).contains(QStringLiteral(" line 0 "));
    done = true;
    server.join();
    ::close(listener);
    if (!reachedFirst) {
        std::fprintf(stderr, "the first line was not reached after %d pages: \"%s\"\n", pages,
                     qPrintable(doc.plainLine(0)));
        return 1;
    }
    std::printf("%lld stored lines of one window, %d pages read back, %lld lines in memory\n",
                count, pages, qint64(doc.lineCount()));
    bench::figure("scrolling back: resident size above the start (peak)",
                  double(peak - before) / (1024 * 1024), "MiB", 10);
    bench::figure("scrolling back: time to the first line", seconds, "s");
    bench::figure("scrolling back: lines read back per second", double(count) / seconds, "lines/s");
    return 0;
}
