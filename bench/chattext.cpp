// The chat text model under a long session: 100,000 mixed chat lines appended to one
// ChatDocument with the real QFontMetrics measurer, then the whole history re-laid out
// for a new width. Prints time per line, resident memory growth and re-layout time.
//
// Targets: <= 8 us per line (tokenise + measure + layout), <= 25 MB per 100,000 lines,
// re-layout of the whole history <= 50 ms.
#include "benchsupport.h"
#include "chat/chatdocument.h"
#include "core/formatting.h"

#include <QElapsedTimer>
#include <QGuiApplication>

#include <cstdio>
#include <fstream>
#include <random>
#include <unistd.h>

namespace {
constexpr int LineCount = 100000;

long residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// A deterministic stream of chat: nicknames, a Zipf-like vocabulary, numbers, web
// addresses, formatting codes, joins and quits.
class ChatGenerator
{
public:
    ChatGenerator()
    {
        const char* syllables[] = {"ka", "lo", "mi", "ne", "ru", "sa", "to", "vi", "an",
                                   "er", "is", "on", "ul", "th", "ch", "qu", "ra", "de"};
        for (int i = 0; i < 4000; ++i) {
            QString word;
            const int parts = 1 + int(random_() % 4);
            for (int p = 0; p < parts; ++p)
                word += QLatin1String(syllables[random_() % std::size(syllables)]);
            vocabulary_ << word;
        }
        const char* common[] = {"the", "a",    "to",   "is",  "it",   "you",  "and",
                                "I",   "that", "of",   "lol", "yes",  "no",   "what",
                                "ok",  "in",   "for",  "on",  "with", "have", "this",
                                "but", "not",  "just", "so",  "do",   "my",   "me"};
        for (const char* w : common)
            vocabulary_.prepend(QLatin1String(w));
        for (int i = 0; i < 60; ++i)
            nicks_ << QStringLiteral("%1%2").arg(vocabulary_[100 + i * 7]).arg(i % 3 ? "" : "_");
    }

    QString line()
    {
        const int kind = int(random_() % 100);
        const QString& nick = pick(nicks_);
        if (kind < 12)
            return QStringLiteral("*** %1 has joined #quorl").arg(nick);
        if (kind < 16)
            return QStringLiteral("*** %1 has quit IRC (Ping timeout: %2 seconds)")
                .arg(nick)
                .arg(random_() % 300);
        QString text = u'<' + nick + QStringLiteral("> ");
        if (kind < 24)
            text += pick(nicks_) + QStringLiteral(": ");
        const int words = 3 + int(random_() % 12);
        for (int i = 0; i < words; ++i) {
            const int r = int(random_() % 100);
            if (r < 3)
                text += QString::number(random_() % 100000);
            else if (r < 5)
                text += Formatting::Bold + word() + Formatting::Bold;
            else if (r < 7)
                text += Formatting::Colour + QString::number(random_() % 16) + u',' +
                        QString::number(random_() % 16) + word() + Formatting::Colour;
            else if (r < 8)
                text += Formatting::Underline + word() + Formatting::Underline;
            else
                text += word();
            text += u' ';
        }
        if (kind >= 90)
            text += QStringLiteral("http://www.%1.com/%2/%3")
                        .arg(pick(vocabulary_))
                        .arg(word())
                        .arg(random_() % 1000000);
        return text;
    }

private:
    QString word()
    {
        // Zipf-like: small indexes are much more frequent.
        const double u = std::uniform_real_distribution<double>(0.0, 1.0)(random_);
        return vocabulary_[int(vocabulary_.size() * u * u * u)];
    }
    const QString& pick(const QStringList& list) { return list[random_() % list.size()]; }

    std::mt19937 random_{20240611};
    QStringList vocabulary_;
    QStringList nicks_;
};

ThemeRecord benchTheme()
{
    // The values of the built-in "NewTheme1".
    ThemeRecord theme;
    theme.youcolor = theme.othercolor = theme.servercolor = 0xFFFFFF;
    theme.linkcolor = theme.selectfontcolor = 0xFFFFFF;
    theme.selectbackcolor = 0x800000;
    theme.youfont = theme.otherfont = theme.serverfont = QStringLiteral("MS SANS SERIF");
    theme.textscalex1 = 0;
    theme.textscaley1 = 0;
    return theme;
}
} // namespace

int main(int argc, char* argv[])
{
    // Memory growth is read from the process, so each run has a fresh one.
    if (bench::repeatInFreshProcesses(argc, argv))
        return 0;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    ChatGenerator generator;
    QStringList lines;
    lines.reserve(LineCount);
    qsizetype characters = 0;
    for (int i = 0; i < LineCount; ++i) {
        lines << generator.line();
        characters += lines.last().size();
    }

    ChatDocument doc;
    doc.applyTheme(benchTheme());
    doc.setViewSize(QSize(800, 600));
    doc.appendLine(ChatDocument::Server, QStringLiteral("warm up: fonts are loaded here"));

    const long before = residentBytes();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < LineCount; ++i)
        doc.appendLine(i % 7 == 0 ? ChatDocument::You : ChatDocument::Other, lines[i]);
    const qint64 appendNs = timer.nsecsElapsed();
    const long after = residentBytes();

    const int rowsAt800 = doc.rowCount();
    timer.restart();
    doc.setViewSize(QSize(640, 600));
    const qint64 relayoutNs = timer.nsecsElapsed();
    const int rowsAt640 = doc.rowCount();
    timer.restart();
    doc.setViewSize(QSize(1200, 600));
    const qint64 relayoutWideNs = timer.nsecsElapsed();

    const double perLineUs = appendNs / 1000.0 / LineCount;
    const double growthMb = (after - before) / (1024.0 * 1024.0) * (100000.0 / LineCount);
    std::printf("chattext: %d lines, %.1f characters per line, %lld words\n", LineCount,
                double(characters) / LineCount, (long long)doc.wordCount());
    std::printf("  rows: %d at 800 px, %d at 640 px, %d at 1200 px\n", rowsAt800, rowsAt640,
                doc.rowCount());
    std::printf("  distinct pieces %lld, styles %lld, fonts %lld\n",
                (long long)doc.distinctPieceCount(), (long long)doc.styleCount(),
                (long long)doc.fontCount());
    bench::figure("append (tokenise + measure + layout) per line", perLineUs, "us", 8);
    bench::figure("resident growth per 100,000 lines", growthMb, "MB", 25);
    bench::figure("re-layout of the whole history, narrower", relayoutNs / 1e6, "ms", 50);
    bench::figure("re-layout of the whole history, wider", relayoutWideNs / 1e6, "ms", 50);
    return 0;
}
