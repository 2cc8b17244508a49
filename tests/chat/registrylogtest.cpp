// Chat logs: the header and footer blocks, appending to an earlier log, and what happens
// when the file cannot be opened or written.
#include "support/registryfixture.h"
#include "support/testmain.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {
QString readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("<unreadable>");
    return QString::fromUtf8(file.readAll());
}

const QString rule(55, u'-');
} // namespace

class RegistryLogTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void logBlock_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("status");
        QTest::newRow("channel") << 0 << "#foo"
                                 << "Logging Started for Channel #foo"
                                 << "Now Logging #foo as ";
        QTest::newRow("private") << 1 << "Bob"
                                 << "Logging Started for Private Chat with Bob"
                                 << "Now Logging Private Chat with Bob as ";
        QTest::newRow("dcc") << 2 << "Carl"
                             << "Logging Started for DCC Chat with Carl"
                             << "Now Logging DCC Chat with Carl as ";
    }
    void logBlock()
    {
        QFETCH(int, kind);
        QFETCH(QString, name);
        QFETCH(QString, header);
        QFETCH(QString, status);
        RegistryFixture f;
        f.options.display.autoLog = true;
        ChatWindow* w = kind == 0   ? f.registry.createChannelWindow(name)
                        : kind == 1 ? f.registry.createPrivateWindow(name, "u@h")
                                    : f.registry.createDccChatWindow(name, {}, nullptr);
        const QString path = f.logsFolder() + name + ".txt";
        QCOMPARE(w->logPath, path);
        QCOMPARE(f.status.last(), status + path);

        f.registry.addLine(w, QStringLiteral("<a> \x02hi\x02 \x1Dthere\x1D"), 1);
        f.registry.destroyChatWindow(w, true);
        QCOMPARE(f.status.last(), "Logging Terminated. (" + path + ")");

        const QString date = QLocale().toString(f.clock.now().date(), QLocale::ShortFormat);
        const QStringList lines = readAll(path).split("\r\n");
        QCOMPARE(lines.size(), 7);
        QVERIFY2(lines.at(0).startsWith(header + " at " + date + " at "), qPrintable(lines[0]));
        QCOMPARE(lines.at(1), rule);
        // Codes kept; every line carries the time it was added.
        QCOMPARE(lines.at(2), QStringLiteral("[12:00] <a> \x02hi\x02 \x1Dthere\x1D"));
        QCOMPARE(lines.at(3), rule);
        QVERIFY2(lines.at(4).startsWith("Log Terminated. " + date + " at "), qPrintable(lines[4]));
        QCOMPARE(lines.at(5), QString()); // the empty line after the footer
        QCOMPARE(lines.at(6), QString()); // and the file ends there
    }

    void reopenedLogAppends()
    {
        RegistryFixture f;
        f.options.display.autoLog = true;
        f.registry.destroyChatWindow(f.registry.createChannelWindow("#foo"), true);
        const QString path = f.logsFolder() + "#foo.txt";
        const QString first = readAll(path);
        f.clock.advanceSeconds(3600);
        ChatWindow* again = f.registry.createChannelWindow("#foo");
        f.registry.addLine(again, "second visit", 0);
        f.registry.destroyChatWindow(again, true);
        const QString both = readAll(path);
        QVERIFY(both.startsWith(first));
        QVERIFY(first.endsWith("\r\n\r\n"));
        QVERIFY(both.mid(first.size()).startsWith("Logging Started for Channel #foo at "));
        QVERIFY(both.contains("\r\n[13:00] second visit\r\n"));
    }

    void autoLogOffLogsNothing()
    {
        RegistryFixture f;
        ChatWindow* w = f.registry.createChannelWindow("#foo");
        f.registry.addLine(w, "x", 0);
        QVERIFY(!w->logging);
        QVERIFY(!QFile::exists(f.logsFolder() + "#foo.txt"));
        // Turned on later (the context menu's "Log to File"), it starts with the next line.
        QVERIFY(f.registry.startLog(w));
        f.registry.addLine(w, "y", 0);
        f.registry.endLog(w);
        QVERIFY(!w->logging);
        const QStringList lines = readAll(f.logsFolder() + "#foo.txt").split("\r\n");
        QCOMPARE(lines.at(2), QStringLiteral("[12:00] y"));
    }

    // "Auto-Log all Chats" acts on windows created after it is switched on.
    void autoLogSwitchedOnLaterLogsOnlyNewWindows()
    {
        RegistryFixture f;
        ChatWindow* open = f.registry.createChannelWindow("#open");
        f.options.display.autoLog = true;
        f.registry.addLine(open, "x", 0);
        QVERIFY(!open->logging);
        ChatWindow* next = f.registry.createChannelWindow("#next");
        QVERIFY(next->logging);
        QVERIFY(!QFile::exists(f.logsFolder() + "#open.txt"));
        QVERIFY(QFile::exists(f.logsFolder() + "#next.txt"));
    }

    void unopenableLog()
    {
        RegistryFixture f(false); // no logs/ folder
        f.options.display.autoLog = true;
        ChatWindow* w = f.registry.createChannelWindow("#foo");
        QVERIFY(w);
        QVERIFY(!w->logging);
        QCOMPARE(f.status.last(), QStringLiteral("Can't create a LogFile."));
        f.registry.addLine(w, "still shown", 1);
        QCOMPARE(f.lines(w), QStringList{"still shown"});
    }

    void failedWriteStopsLoggingSilently()
    {
        RegistryFixture f;
        ChatWindow* w = f.registry.createChannelWindow("#full");
        const qsizetype before = f.status.count();
        // A file size limit smaller than the log's first line stands in for a full disk.
        rlimit old = {};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit tiny = old;
        tiny.rlim_cur = 8;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
        f.registry.startLog(w);
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(!w->logging);
        QCOMPARE(f.status.count(), before);
        f.registry.addLine(w, "after", 1);
        f.registry.destroyChatWindow(w, true);
        QCOMPARE(f.status.count(), before);
    }

    // A link planted in logs/ under a window's log name is never followed, whether it
    // points at a file of the user's or at nothing; the refusal is said once.
    void plantedLinksAreNotFollowed_data()
    {
        QTest::addColumn<bool>("targetExists");
        QTest::newRow("link to a file") << true;
        QTest::newRow("dangling link") << false;
    }
    void plantedLinksAreNotFollowed()
    {
        QFETCH(bool, targetExists);
        RegistryFixture f;
        f.options.display.autoLog = true;
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath("precious.txt");
        if (targetExists) {
            QFile file(target);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("mine\n");
        }
        const QString link = f.logsFolder() + "#chan.txt";
        QVERIFY(QFile::link(target, link));

        ChatWindow* w = f.registry.createChannelWindow("#chan");
        QVERIFY(!w->logging);
        f.registry.addLine(w, "text from a stranger", 1);
        QVERIFY(!f.registry.startLog(w)); // the user asks again: still refused
        QVERIFY(!w->logging);
        f.registry.destroyChatWindow(w, true);
        f.registry.createChannelWindow("#chan"); // and a new window of the same name

        if (targetExists)
            QCOMPARE(readAll(target), QStringLiteral("mine\n"));
        else
            QVERIFY(!QFileInfo::exists(target));
        QVERIFY(QFileInfo(link).isSymLink());
        const QStringList said = f.status.lines().filter(link);
        QCOMPARE(said, QStringList{"Not logging to " + link +
                                   ": it is a symbolic link or not a regular file."});
    }

    // Something else planted under the name (a FIFO, which would stall an open for
    // writing until someone reads it) is refused as well.
    void plantedFifoIsRefused()
    {
        RegistryFixture f;
        const QString fifo = f.logsFolder() + "#pipe.txt";
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        ChatWindow* w = f.registry.createChannelWindow("#pipe");
        QVERIFY(!f.registry.startLog(w));
        QCOMPARE(f.status.last(),
                 "Not logging to " + fifo + ": it is a symbolic link or not a regular file.");
    }

    void namesCannotLeaveTheLogsFolder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("file");
        QTest::newRow("slashes") << "#a/../../evil"
                                 << "#a_.._.._evil.txt";
        QTest::newRow("dots") << ".."
                              << "_..txt";
        QTest::newRow("backslash") << "x\\y"
                                   << "x_y.txt";
    }
    void namesCannotLeaveTheLogsFolder()
    {
        QFETCH(QString, name);
        QFETCH(QString, file);
        RegistryFixture f;
        f.options.display.autoLog = true;
        ChatWindow* w = f.registry.createPrivateWindow(name, "u@h");
        QVERIFY(w->logging);
        QCOMPARE(w->logPath, f.logsFolder() + file);
        QVERIFY(QFile::exists(f.logsFolder() + file));
    }
};

QUORL_TEST(RegistryLogTest)
#include "registrylogtest.moc"
