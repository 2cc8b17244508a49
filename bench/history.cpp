// The history store: ingest through the store's own thread, full-text search over a large
// store, the store's size beside its text, and reading a window's last 500 lines.
// "bench_history [lines]" (default 1,000,000 lines in the large store; 10000000 for the
// full-size figure). The large store is built once into /tmp/quorl-bench-history and
// reused by later runs of the same size; every run is a fresh process.
//
// Targets: ingest >= 200,000 lines/s; a two-word query's first 100 results <= 50 ms; the
// file <= 1.5 times its text; the last 500 lines of a window <= 20 ms.
#include "benchsupport.h"
#include "history/historydatabase.h"
#include "history/historystore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <random>

namespace {

constexpr int IngestLines = 200000;
constexpr int Windows = 20;
const QString folder = QStringLiteral("/tmp/quorl-bench-history/");

// Chat lines from a vocabulary where a few words are common and most are rare.
class LineMaker
{
public:
    LineMaker()
    {
        const char* syllables[] = {"ka", "lo", "mi", "ne", "ru", "sa", "to", "vi", "an",
                                   "er", "is", "on", "ul", "th", "ch", "qu", "ra", "de"};
        for (int i = 0; i < 20000; ++i) {
            QString word;
            const int parts = 1 + int(random_() % 4);
            for (int p = 0; p < parts; ++p)
                word += QLatin1String(syllables[random_() % std::size(syllables)]);
            vocabulary_ << word;
        }
    }

    // Word n of the vocabulary by rank: 0 is the most common.
    const QString& word(int rank) const { return vocabulary_.at(rank); }

    HistoryLine line(qint64 n)
    {
        HistoryLine l;
        l.network = n % 3 ? QStringLiteral("libera") : QStringLiteral("oftc");
        l.window = QStringLiteral("#channel%1").arg(n % Windows);
        l.timeMs = 1767225600000 + n * 50;
        l.kind = 1;
        l.sender = QStringLiteral("nick%1").arg(random_() % 200);
        // As a window shows it: the sender's name, then what they said.
        l.text = u'<' + l.sender + QStringLiteral("> ");
        const int words = 6 + int(random_() % 14);
        for (int w = 0; w < words; ++w) {
            // Zipf-like: log-uniform rank.
            const double u = std::uniform_real_distribution<double>(0, 1)(random_);
            const int rank = std::min(int(vocabulary_.size()) - 1,
                                      int(std::pow(double(vocabulary_.size()), u)) - 1);
            if (w)
                l.text += u' ';
            if (n % 10 == 0 && w == 1)
                l.text += QStringLiteral("\x03"
                                         "04") +
                          word(rank) + QChar(0x03);
            else
                l.text += word(rank);
        }
        return l;
    }

private:
    std::mt19937 random_{20261209};
    QStringList vocabulary_;
};

qint64 fileSizes(const QString& path)
{
    return QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size();
}

// CPU seconds this process has used, on every thread.
double cpuSeconds()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double msSince(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    if (bench::repeatInFreshProcesses(argc, argv, 3))
        return 0;
    QCoreApplication app(argc, argv);
    const qint64 storeLines = argc > 1 ? std::max(1000LL, std::atoll(argv[1])) : 1000000;
    QDir().mkpath(folder);

    // Ingest: a fresh store, lines handed in as the GUI thread would, until all are on disk.
    const QString ingestPath = folder + QStringLiteral("ingest.db");
    for (const char* end : {"", "-wal", "-shm"})
        QFile::remove(ingestPath + QLatin1String(end));
    LineMaker maker;
    std::vector<HistoryLine> lines;
    lines.reserve(IngestLines);
    for (int i = 0; i < IngestLines; ++i)
        lines.push_back(maker.line(i));
    double ingestSeconds = 0;
    double handInMs = 0;
    double ingestCpu = 0;
    {
        HistoryStore store(ingestPath);
        store.sync(); // the file is open
        QElapsedTimer t;
        t.start();
        const double cpuBefore = cpuSeconds();
        for (HistoryLine& l : lines)
            store.add(std::move(l));
        handInMs = msSince(t);
        store.sync();
        ingestSeconds = double(t.nsecsElapsed()) / 1e9;
        ingestCpu = cpuSeconds() - cpuBefore;
    }

    // The large store, built once for its size.
    const QString largePath = folder + QStringLiteral("large6-%1.db").arg(storeLines);
    if (!QFileInfo::exists(largePath)) {
        std::printf("building a store of %lld lines at %s\n", storeLines, qPrintable(largePath));
        std::fflush(stdout);
        HistoryDatabase db;
        if (!db.open(largePath + QStringLiteral(".part"), HistoryDatabase::Access::ReadWrite)) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(largePath));
            return 1;
        }
        LineMaker large;
        std::vector<HistoryLine> batch;
        for (qint64 n = 0; n < storeLines; ++n) {
            batch.push_back(large.line(n));
            if (batch.size() == 50000 || n + 1 == storeLines) {
                if (db.write(batch) < 0) {
                    std::fprintf(stderr, "write failed: %s\n", qPrintable(db.error()));
                    return 1;
                }
                batch.clear();
            }
        }
        db.close(); // checkpoints the log into the file
        QFile::rename(largePath + QStringLiteral(".part"), largePath);
    }

    // Size beside the text it holds.
    HistoryDatabase db;
    if (!db.open(largePath, HistoryDatabase::Access::ReadOnly)) {
        std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(largePath), qPrintable(db.error()));
        return 1;
    }
    // The lines' text, and the same lines as a text log keeps them: each with its time
    // stamp ("[12:34:56] ") and its line end.
    LineMaker again;
    qint64 textBytes = 0;
    for (qint64 n = 0; n < storeLines; ++n)
        textBytes += again.line(n).text.toUtf8().size();
    const qint64 logBytes = textBytes + storeLines * qint64(sizeof("[12:34:56] \r\n") - 1);

    // First 100 results of two-word queries: two common words, a common and a rare one,
    // two rare ones.
    const auto timeQuery = [&db](const QString& text, int* found) {
        HistoryQuery q = HistoryQuery::parse(text);
        q.limit = 100;
        QElapsedTimer t;
        t.start();
        *found = int(db.search(q).size());
        return msSince(t);
    };
    struct Pair
    {
        const char* label;
        int first, second;
    };
    const Pair pairs[] = {{"two common words", 1, 4},
                          {"a common and a rare word", 2, 3000},
                          {"two rare words", 900, 4000}};
    std::printf("store: %lld lines in %d windows; queries:", storeLines, Windows);
    double queryMs[3] = {};
    for (int i = 0; i < 3; ++i) {
        int found = 0;
        const QString text = maker.word(pairs[i].first) + u' ' + maker.word(pairs[i].second);
        queryMs[i] = timeQuery(text, &found);
        std::printf(" \"%s\" (%d found)", qPrintable(text), found);
    }
    std::printf("\n");

    QElapsedTimer t;
    t.start();
    const auto last = db.lastLines(QStringLiteral("libera"), QStringLiteral("#channel7"), 500);
    const double lastMs = msSince(t);
    if (last.size() != 500) {
        std::fprintf(stderr, "read %zu lines, not 500\n", last.size());
        return 1;
    }

    bench::figure("ingest: lines written per second", IngestLines / ingestSeconds, "lines/s",
                  200000);
    // The rate a core of its own would give, whatever else the machine is doing.
    bench::figure("ingest: lines written per CPU second", IngestLines / ingestCpu, "lines/s");
    bench::figure("ingest: handing 200,000 lines to the store (GUI thread)", handInMs, "ms");
    for (int i = 0; i < 3; ++i)
        bench::figure(std::string("search, first 100 results: ") + pairs[i].label, queryMs[i], "ms",
                      50);
    bench::figure("store size / text size", double(fileSizes(largePath)) / double(textBytes), "x",
                  1.5);
    bench::figure("store size / the same lines in a text log",
                  double(fileSizes(largePath)) / double(logBytes), "x", 1.5);
    bench::figure("last 500 lines of a window", lastMs, "ms", 20);
    return 0;
}
