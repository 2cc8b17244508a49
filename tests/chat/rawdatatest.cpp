// The raw data facility: which lines are shown and logged, the raw log's blocks, the raw
// input line, and how the log ends with the session or the program.
#include "chat/rawdata.h"
#include "client/client.h"
#include "core/clock.h"
#include "core/linelog.h"
#include "support/fakeircserver.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"
#include "ui/chat/rawdatapage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>

namespace {
const QString Rule(55, u'-');
// ManualClock's start, 2026-01-01 12:00, in the C locale.
const QString Stamp = QStringLiteral("1 Jan 2026 at 12:00:00");

QString readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("<unreadable>");
    return QString::fromUtf8(file.readAll());
}

QString block(const QString& lines, const QString& ending)
{
    return "QuorlIRC v2.00 Raw Data Facility\r\nRaw Logging Started " + Stamp + "\r\n" + Rule +
           "\r\n" + lines + Rule + "\r\n" + ending + Stamp + "\r\n\r\n";
}

struct RawFixture
{
    QTemporaryDir dir;
    QString folder = dir.path() + "/";
    LineLog status;
    ManualClock clock;
    QStringList sent;
    RawData raw{folder, status, clock, [this](const QString& line) { sent << line; }};

    explicit RawFixture(const QString& logsName = QStringLiteral("logs"))
    {
        if (!logsName.isEmpty())
            QDir(folder).mkdir(logsName);
    }
};
} // namespace

class RawDataTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void recordedLines_data()
    {
        QTest::addColumn<bool>("show");
        QTest::addColumn<bool>("log");
        QTest::addColumn<QString>("direction");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("logged");
        QTest::newRow("server, shown") << true << false << "server" << true << false;
        QTest::newRow("user, shown") << true << false << "user" << true << false;
        QTest::newRow("server, hidden") << false << false << "server" << false << false;
        QTest::newRow("user, hidden") << false << false << "user" << false << false;
        QTest::newRow("server, shown and logged") << true << true << "server" << true << true;
        QTest::newRow("user, shown and logged") << true << true << "user" << true << true;
        QTest::newRow("server, logged only") << false << true << "server" << false << true;
        // The ident answer is a user line the log keeps with the view off.
        QTest::newRow("user, logged only") << false << true << "user" << false << true;
        // Lines the session sent reach the record only while the view is shown.
        QTest::newRow("sent, logged only") << false << true << "sent" << false << false;
        QTest::newRow("sent, shown and logged") << true << true << "sent" << true << true;
    }
    void recordedLines()
    {
        QFETCH(bool, show);
        QFETCH(bool, log);
        QFETCH(QString, direction);
        QFETCH(bool, shown);
        QFETCH(bool, logged);
        RawFixture f;
        QSignalSpy lines(&f.raw, &RawData::lineShown);
        f.raw.setShowing(show);
        QCOMPARE(f.raw.setLogging(log), log);
        if (direction == "sent")
            f.raw.recordSentLine(QStringLiteral("PRIVMSG #a :\x02hi\x01"));
        else
            f.raw.recordRawLine(QStringLiteral("PRIVMSG #a :\x02hi\x01"), direction);
        f.raw.setLogging(false);

        QCOMPARE(lines.count(), shown ? 1 : 0);
        if (shown) {
            QCOMPARE(lines.at(0).at(0).toString(), QStringLiteral("PRIVMSG #a :\x02hi\x01"));
            QCOMPARE(lines.at(0).at(1).toBool(), direction == "server");
        }
        const QString content = readAll(f.raw.logPath());
        QCOMPARE(content.contains(QStringLiteral("PRIVMSG #a :\x02hi\x01\r\n")), logged);
    }

    void logBlocksAppend()
    {
        RawFixture f;
        const QString path = f.folder + "logs/Quorlraw.txt";
        QCOMPARE(f.raw.logPath(), path);
        {
            QFile earlier(path);
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("earlier\r\n");
        }
        f.raw.setShowing(true);
        QSignalSpy changed(&f.raw, &RawData::loggingChanged);

        QVERIFY(f.raw.setLogging(true));
        QCOMPARE(f.status.last(), QStringLiteral("Raw Logging Enabled."));
        f.raw.recordRawLine(QStringLiteral(":srv 001 me :Welcome"), RawData::serverDirection());
        QVERIFY(!f.raw.setLogging(false));
        QCOMPARE(f.status.last(), "Raw Logging Disabled. (" + path + ")");
        QVERIFY(f.raw.setLogging(true));
        f.raw.recordRawLine(QStringLiteral("JOIN #a"), RawData::userDirection());
        f.raw.endLogForShutdown();
        QCOMPARE(f.status.last(), "Raw Logging Disabled. (" + path + ")");
        QVERIFY(!f.raw.logging());
        // Ending a log that is not on writes nothing.
        f.raw.endLogForShutdown();

        QCOMPARE(readAll(path),
                 "earlier\r\n" +
                     block(":srv 001 me :Welcome\r\n", QStringLiteral("Raw Logging Terminated ")) +
                     block("JOIN #a\r\n", QStringLiteral("Raw Logging Terminated by Shutdown ")));
        QCOMPARE(changed.count(), 4);
    }

    void logFolder_data()
    {
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QString>("used");
        QTest::newRow("Logs") << QStringList{"Logs"} << "Logs";
        QTest::newRow("logs") << QStringList{"logs"} << "logs";
        QTest::newRow("LOGS") << QStringList{"LOGS"} << "LOGS";
        QTest::newRow("both") << QStringList{"logs", "Logs"} << "Logs";
        QTest::newRow("a file named logs") << QStringList{} << "logs";
    }
    void logFolder()
    {
        QFETCH(QStringList, folders);
        QFETCH(QString, used);
        RawFixture f(QString{});
        for (const QString& name : folders)
            QVERIFY(QDir(f.folder).mkdir(name));
        if (folders.isEmpty()) {
            QFile file(f.folder + "logs");
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QCOMPARE(f.raw.logPath(), f.folder + used + "/Quorlraw.txt");
    }

    // A link planted where the raw log goes is refused, said once, and not followed.
    void plantedLinkIsNotFollowed()
    {
        RawFixture f;
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath("precious.txt");
        const QString link = f.folder + "logs/Quorlraw.txt";
        QVERIFY(QFile::link(target, link));
        QVERIFY(!f.raw.setLogging(true));
        QVERIFY(!f.raw.setLogging(true));
        QVERIFY(!f.raw.logging());
        f.raw.recordRawLine(QStringLiteral("PRIVMSG #x :planted"), QStringLiteral("server"));
        QVERIFY(!QFileInfo::exists(target));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(f.status.lines().filter(link),
                 QStringList{"Not logging to " + link +
                             ": it is a symbolic link or not a regular file."});
    }

    // A log that cannot be opened is reported and leaves the toggle up.
    void cannotOpen()
    {
        RawFixture f(QString{});
        RawDataPage page(f.raw);
        auto* button = page.findChild<QToolButton*>(QStringLiteral("rawbuttonlog"));
        QVERIFY(button);
        button->click();
        QVERIFY(!button->isChecked());
        QVERIFY(!f.raw.logging());
        QVERIFY2(f.status.last().startsWith("Can't open the Raw Data log " + f.folder +
                                            "logs/Quorlraw.txt"),
                 qPrintable(f.status.last()));
        // Once the folder is there the same button works.
        QVERIFY(QDir(f.folder).mkdir("logs"));
        button->click();
        QVERIFY(button->isChecked());
        QVERIFY(f.raw.logging());
        f.raw.endLogForShutdown();
        QVERIFY(!button->isChecked());
    }

    void rawInput_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("sent");
        QTest::newRow("ctcp") << "PRIVMSG x :|PING 1|"
                              << "PRIVMSG x :\x01PING 1\x01";
        QTest::newRow("trimmed") << "  JOIN #a \t"
                                 << "JOIN #a";
        QTest::newRow("inner spaces kept") << "PRIVMSG x :a  |  b"
                                           << "PRIVMSG x :a  \x01  b";
        QTest::newRow("blank") << " \t " << QString();
    }
    void rawInput()
    {
        QFETCH(QString, typed);
        QFETCH(QString, sent);
        RawFixture f;
        QCOMPARE(f.raw.enterInput(typed), !sent.isEmpty());
        QCOMPARE(f.sent, sent.isEmpty() ? QStringList{} : QStringList{sent});
        // The history keeps what was typed, not what was sent.
        QCOMPARE(f.raw.history(), sent.isEmpty() ? QStringList{} : QStringList{typed.trimmed()});
    }

    void history()
    {
        RawFixture f;
        QCOMPARE(f.raw.historyUp(), std::nullopt);
        for (int n = 1; n <= 100; ++n)
            f.raw.enterInput("LINE " + QString::number(n));
        QCOMPARE(f.raw.history().size(), 99);
        QCOMPARE(f.raw.history().first(), QStringLiteral("LINE 2"));
        QCOMPARE(f.raw.historyIndex(), 98);
        QCOMPARE(f.raw.historyDown(), QString());
        QCOMPARE(f.raw.historyUp(), QStringLiteral("LINE 100"));
        QCOMPARE(f.raw.historyUp(), QStringLiteral("LINE 99"));
        QCOMPARE(f.raw.historyDown(), QStringLiteral("LINE 99"));
        QCOMPARE(f.raw.historyDown(), QStringLiteral("LINE 100"));
        QCOMPARE(f.raw.historyDown(), QString());
        for (int n = 0; n < 99; ++n)
            QVERIFY(f.raw.historyUp());
        QCOMPARE(f.raw.historyUp(), std::nullopt);
        QCOMPARE(f.raw.historyDown(), QStringLiteral("LINE 2"));
    }

    void pageInputKeys()
    {
        RawFixture f;
        RawDataPage page(f.raw);
        auto* input = page.findChild<QLineEdit*>(QStringLiteral("rawinput"));
        QVERIFY(input);
        QVERIFY(!input->isEnabled());
        QCOMPARE(input->maxLength(), 250);
        f.raw.enableInput();
        QVERIFY(input->isEnabled());
        QTest::keyClicks(input, "NAMES |x");
        QTest::keyClick(input, Qt::Key_Return);
        QCOMPARE(f.sent, QStringList{QStringLiteral("NAMES \x01x")});
        QCOMPARE(input->text(), QString());
        QTest::keyClicks(input, "   ");
        QTest::keyClick(input, Qt::Key_Return);
        QCOMPARE(input->text(), QStringLiteral("   "));
        QTest::keyClick(input, Qt::Key_Up);
        QCOMPARE(input->text(), QStringLiteral("NAMES |x"));
        // Up left the index before the first line; Down comes back to it, then past it.
        QTest::keyClick(input, Qt::Key_Down);
        QCOMPARE(input->text(), QStringLiteral("NAMES |x"));
        QTest::keyClick(input, Qt::Key_Down);
        QCOMPARE(input->text(), QString());
    }

    // Lines wait while the page is hidden and are drawn, bold from the server, once shown;
    // with the show button up nothing is kept at all. Control bytes are drawn as marks.
    void pageView()
    {
        RawFixture f;
        QWidget window;
        auto* page = new RawDataPage(f.raw, &window);
        auto* view = page->findChild<QPlainTextEdit*>(QStringLiteral("rawtext"));
        auto* show = page->findChild<QToolButton*>(QStringLiteral("rawbuttonshow"));
        QVERIFY(view && show);
        page->hide();
        window.show();

        for (int n = 0; n < 100000; ++n)
            f.raw.recordRawLine(QStringLiteral(":x PRIVMSG #a :flood"), "server");
        QCOMPARE(page->pendingLineCount(), 0);

        show->click();
        QVERIFY(f.raw.showing());
        f.raw.recordRawLine(QStringLiteral(":srv NOTICE me :hi"), "server");
        f.raw.recordRawLine(QStringLiteral("PONG :srv"), "user");
        QCOMPARE(page->pendingLineCount(), 2);
        QVERIFY(view->document()->isEmpty());

        page->show();
        QCOMPARE(view->document()->blockCount(), 2);
        const QTextBlock first = view->document()->firstBlock();
        QCOMPARE(first.text(), QStringLiteral(":srv NOTICE me :hi"));
        QCOMPARE(first.begin().fragment().charFormat().fontWeight(), int(QFont::Bold));
        QCOMPARE(first.next().text(), QStringLiteral("PONG :srv"));
        QCOMPARE(first.next().begin().fragment().charFormat().fontWeight(), int(QFont::Normal));

        f.raw.recordRawLine(QStringLiteral("late"), "server");
        QTRY_COMPARE(view->document()->blockCount(), 3);
        // Control bytes are shown as marks in their own colour, never as a font's box.
        f.raw.recordRawLine(QStringLiteral(":a PRIVMSG #a :\x1Dit\x1D \x02"
                                           "b\x01\x7F"),
                            "server");
        QTRY_COMPARE(view->document()->blockCount(), 4);
        const QTextBlock marked = view->document()->lastBlock();
        QCOMPARE(marked.text(), QStringLiteral(":a PRIVMSG #a :^]it^] ^Bb^A^?"));
        QStringList marks;
        for (auto it = marked.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().foreground().color() ==
                view->palette().color(QPalette::PlaceholderText))
                marks << it.fragment().text();
        }
        QCOMPARE(marks, (QStringList{"^]", "^]", "^B", "^A^?"}));
        page->findChild<QToolButton*>(QStringLiteral("rawbuttonclear"))->click();
        QVERIFY(view->document()->isEmpty());
    }

    // The ident responder records its query and answer as the raw data facility's own
    // lines: with "Show" off and "Log" on both reach the log, unlike sent server lines.
    void identAnswerIsLoggedWhileNotShown()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + "/";
        QVERIFY(QDir(folder).mkdir("logs"));
        ScriptedPrompts prompts;
        ManualClock clock;
        Client client(folder, prompts, clock);
        client.options().user.ident = QStringLiteral("joe");
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 identPort = probe.serverPort();
        probe.close();
        client.session().ident().setPort(identPort);
        FakeIrcServer server;
        QVERIFY(server.listen());
        RawData& raw = client.rawData();
        QVERIFY(!raw.showing());
        QVERIFY(raw.setLogging(true));
        client.session().connectToKnownHost("127.0.0.1", server.port(), "Local - test");
        QVERIFY(server.waitForLine("USER "));
        QVERIFY(client.session().ident().isListening());

        QTcpSocket asker;
        asker.connectToHost(QHostAddress::LocalHost, identPort);
        QVERIFY(asker.waitForConnected(3000));
        asker.write("6667, 1045\r\n");
        QByteArray answer;
        QVERIFY(QTest::qWaitFor(
            [&] {
                answer += asker.readAll();
                return answer.endsWith("\r\n");
            },
            3000));
        QVERIFY(raw.setLogging(true) && !raw.setLogging(false));
        const QString content = readAll(raw.logPath());
        QVERIFY2(content.contains("6667, 1045\r\n6667, 1045: USERID : UNIX : joe\r\n"),
                 qPrintable(content));
        // Lines the client sent to the server are not logged while they are not shown.
        QVERIFY(!content.contains("NICK "));
    }

    // The session's end closes the log as shutdown does; a new attempt clears the view and
    // connecting enables the input.
    void sessionEndsLog_data()
    {
        QTest::addColumn<bool>("shutdown");
        QTest::newRow("disconnect") << false;
        QTest::newRow("shutdown") << true;
    }
    void sessionEndsLog()
    {
        QFETCH(bool, shutdown);
        QTemporaryDir dir;
        const QString folder = dir.path() + "/";
        QVERIFY(QDir(folder).mkdir("Logs"));
        ScriptedPrompts prompts;
        ManualClock clock;
        Client client(folder, prompts, clock);
        client.session().ident().setPort(0);
        FakeIrcServer server;
        QVERIFY(server.listen());
        RawData& raw = client.rawData();
        QSignalSpy cleared(&raw, &RawData::viewCleared);
        QSignalSpy enabled(&raw, &RawData::inputEnabledChanged);
        raw.setShowing(true);
        QVERIFY(raw.setLogging(true));

        client.session().connectToKnownHost("127.0.0.1", server.port(), "Local - test");
        QVERIFY(server.waitForLine("USER "));
        QCOMPARE(cleared.count(), 1);
        QCOMPARE(enabled.count(), 1);
        server.sendLine(":irc.test 001 me :Welcome");
        server.sendLine("PING :tok");
        QVERIFY(server.waitForLine("PONG :tok"));
        if (shutdown)
            client.shutdown();
        else
            client.session().disconnectFromServer();

        const QString path = folder + "Logs/Quorlraw.txt";
        QVERIFY(!raw.logging());
        QVERIFY(client.statusLog().lines().contains("Raw Logging Disabled. (" + path + ")"));
        const QString content = readAll(path);
        QVERIFY2(content.contains("NICK "), qPrintable(content));
        QVERIFY(content.contains(":irc.test 001 me :Welcome\r\nPING :tok\r\nPONG :tok\r\n"));
        QVERIFY2(
            content.endsWith(Rule + "\r\nRaw Logging Terminated by Shutdown " + Stamp + "\r\n\r\n"),
            qPrintable(content));
        // Disconnecting sends QUIT before the session closes; shutdown ends the log first.
        QCOMPARE(content.contains("QUIT"), !shutdown);
    }
};

QUORL_TEST(RawDataTest)
#include "rawdatatest.moc"
