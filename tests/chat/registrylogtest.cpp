// Chat logs: the header and footer blocks, appending to an earlier log, and what happens
// when the file cannot be opened or written.
#include "support/registryfixture.h"
#include "support/testmain.h"

#include <QFile>
#include <QLocale>
#include <QTest>

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

        f.registry.addLine(w, QStringLiteral("<a> \x02hi\x02 there"), 1);
        f.registry.destroyChatWindow(w, true);
        QCOMPARE(f.status.last(), "Logging Terminated. (" + path + ")");

        const QString date = QLocale().toString(f.clock.now().date(), QLocale::ShortFormat);
        const QStringList lines = readAll(path).split("\r\n");
        QCOMPARE(lines.size(), 7);
        QVERIFY2(lines.at(0).startsWith(header + " at " + date + " at "), qPrintable(lines[0]));
        QCOMPARE(lines.at(1), rule);
        QCOMPARE(lines.at(2), QStringLiteral("<a> \x02hi\x02 there")); // codes kept
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
        QVERIFY(both.contains("\r\nsecond visit\r\n"));
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
        QCOMPARE(lines.at(2), QStringLiteral("y"));
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
        if (!QFile::exists("/dev/full"))
            QSKIP("needs /dev/full");
        RegistryFixture f;
        ChatWindow* w = f.registry.createChannelWindow("#full");
        QVERIFY(QFile::link("/dev/full", f.logsFolder() + "#full.txt"));
        const qsizetype before = f.status.count();
        f.registry.startLog(w);
        QVERIFY(!w->logging);
        QCOMPARE(f.status.count(), before);
        f.registry.addLine(w, "after", 1);
        f.registry.destroyChatWindow(w, true);
        QCOMPARE(f.status.count(), before);
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
