// The program as a user starts it: the command line, the program folder, an irc://
// address, and SIGTERM ending the session with QUIT.
#include "client/client.h"
#include "support/fakeircserver.h"
#include "support/settingstabs.h"
#include "support/testmain.h"
#include "ui/mainwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <csignal>

namespace {
QString binary()
{
    return qEnvironmentVariable("QUORL_BINARY");
}
} // namespace

class ProgramTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (binary().isEmpty() || !QFileInfo::exists(binary()))
            QFAIL("QUORL_BINARY does not name the built quorlirc (run the tests through ctest)");
    }

    void versionAndHelp()
    {
        QProcess p;
        p.start(binary(), {QStringLiteral("--version")});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(p.readAllStandardOutput().contains("2.00"));

        p.start(binary(), {QStringLiteral("--help")});
        QVERIFY(p.waitForFinished(10000));
        const QByteArray help = p.readAllStandardOutput();
        QVERIFY(help.contains("--home"));
        QVERIFY(help.contains("irc://HOST[:PORT][/CHANNEL]"));
    }

    // Without X or Wayland (a server, ssh, CI) --help and --version still print, and a
    // start says in one line why it cannot run instead of aborting.
    void commandLineWithoutADisplay_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("display");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("error");
        QTest::newRow("help") << QStringList{"--help"} << QString() << 0 << QByteArray("--home")
                              << QByteArray();
        QTest::newRow("version") << QStringList{"--version"} << QString() << 0 << QByteArray("2.00")
                                 << QByteArray();
        QTest::newRow("start without a display")
            << QStringList{} << QString() << 1 << QByteArray()
            << QByteArray("quorlirc needs a graphical session: DISPLAY or WAYLAND_DISPLAY is not "
                          "set\n");
        QTest::newRow("start with a display that is not there")
            << QStringList{} << QStringLiteral(":4093") << 1 << QByteArray()
            << QByteArray("quorlirc needs a graphical session: cannot open the display :4093\n");
    }
    void commandLineWithoutADisplay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, display);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, error);
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name :
             {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"})
            env.remove(QLatin1String(name));
        if (!display.isEmpty())
            env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("QUORL_HOME"), home.path());
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(binary(), arguments);
        QVERIFY(p.waitForFinished(20000));
        const QByteArray stdOut = p.readAllStandardOutput();
        const QByteArray stdErr = p.readAllStandardError();
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QVERIFY2(p.exitCode() == exitCode, stdErr.constData());
        QVERIFY2(stdOut.contains(out), stdOut.constData());
        QCOMPARE(stdErr, error);
    }

    void connectsFromAddressAndQuitsOnSigterm()
    {
        QTemporaryDir home;
        FakeIrcServer server;
        QVERIFY(server.listen());
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.remove(QStringLiteral("QUORL_HOME"));
        // A new program folder starts with the login name as the nickname.
        env.insert(QStringLiteral("USER"), QStringLiteral("quorlnew"));
        p.setProcessEnvironment(env);
        p.start(binary(), {QStringLiteral("--home"), home.path(),
                           QStringLiteral("irc://127.0.0.1:%1/quorl").arg(server.port())});
        QVERIFY(p.waitForStarted(5000));
        QVERIFY(server.waitForLine(QStringLiteral("USER "), 10000));
        QCOMPARE(server.received().filter(QStringLiteral("NICK ")).first(),
                 QStringLiteral("NICK quorlnew"));
        // A new user's user name and real name come from the new folder's first quorl.ini.
        QCOMPARE(server.received().filter(QStringLiteral("USER ")).first(),
                 QStringLiteral("USER quorl empty empty :QuorlIRC User"));
        // The program folder was laid out on first run.
        QVERIFY(QDir(home.filePath(QStringLiteral("scripts/objects"))).exists());
        QVERIFY(QDir(home.filePath(QStringLiteral("Received Files"))).exists());

        server.sendLine(QStringLiteral(":irc.test 001 quorlnew :Welcome"));
        // A new folder does not answer a stranger's CTCP VERSION: the switch starts off.
        server.sendLine(QStringLiteral(":bob!b@h PRIVMSG quorlnew :\x01VERSION\x01"));
        server.sendLine(QStringLiteral("PING :alive"));
        QVERIFY(server.waitForLine(QStringLiteral("PONG :alive")));
        QCOMPARE(server.received().filter(QStringLiteral("NOTICE bob")), QStringList());

        ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
        QVERIFY(server.waitForLine(QStringLiteral("QUIT"), 5000));
        QVERIFY(QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 5000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(server.received().last(), QStringLiteral("QUIT"));
    }

    // A server that never stops sending must not hold the program up: the lines already
    // received may still be handled, then the connection closes and the program ends.
    void sigtermEndsTheProgramWhileTheServerFloods()
    {
        QTemporaryDir home;
        FakeIrcServer server;
        QVERIFY(server.listen());
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.remove(QStringLiteral("QUORL_HOME"));
        p.setProcessEnvironment(env);
        p.start(binary(), {QStringLiteral("--home"), home.path(),
                           QStringLiteral("irc://127.0.0.1:%1/quorl").arg(server.port())});
        QVERIFY(p.waitForStarted(5000));
        QVERIFY(server.waitForLine(QStringLiteral("USER "), 10000));
        server.sendLine(QStringLiteral(":irc.test 001 Yournick :Welcome"));
        server.sendLine(QStringLiteral(":Yournick!u@h JOIN #quorl"));

        server.sendLine(QStringLiteral("PING :joined"));
        QVERIFY(server.waitForLine(QStringLiteral("PONG :joined"), 10000));

        QByteArray block;
        for (int i = 0; i < 200; ++i)
            block += ":talker!u@h PRIVMSG #quorl :flood line " + QByteArray::number(i) +
                     " with some words to make it a line of ordinary length\r\n";
        // A backlog far larger than the client handles in a few seconds, then a flood
        // that does not stop: the client reads faster than it handles lines.
        const QByteArray backlog = block.repeated(1000);
        server.sendRaw(backlog);
        QVERIFY(QTest::qWaitFor([&] { return server.bytesToWrite() < backlog.size() / 2; }, 20000));
        QTimer flood;
        connect(&flood, &QTimer::timeout, &server, [&] {
            if (server.bytesToWrite() < 65536)
                server.sendRaw(block);
        });
        flood.start(1);

        ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
        // The flood goes on all the while; the program ends anyway.
        const bool ended =
            QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 10000);
        flood.stop();
        if (!ended) {
            p.kill();
            p.waitForFinished(5000);
        }
        QVERIFY2(ended, "the program was still running 10 s after SIGTERM");
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QVERIFY(server.received().last().startsWith(QStringLiteral("QUIT")));
    }

    void badAddressIsSaid()
    {
        QTemporaryDir home;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start(binary(), {QStringLiteral("--home"), home.path(), QStringLiteral("http://x")});
        QVERIFY(p.waitForStarted(5000));
        QByteArray errors;
        const bool said = QTest::qWaitFor(
            [&] {
                errors += p.readAllStandardError();
                return errors.contains("not an irc:// address");
            },
            10000);
        p.terminate();
        QVERIFY(p.waitForFinished(5000));
        QVERIFY2(said, errors.constData());
    }

    void messageSettingsAreBoundBothWays()
    {
        MainWindow form(QStringLiteral("/tmp/quorl-ui-test/"));
        showEverySettingsTab(form);
        Options& o = form.client().options();
        auto* version = form.findChild<QCheckBox*>(QStringLiteral("CheckBox4"));
        auto* versionText = form.findChild<QLineEdit*>(QStringLiteral("Edit11"));
        auto* invite = form.findChild<QCheckBox*>(QStringLiteral("CheckBox1"));
        QVERIFY(version && versionText && invite);
        QCOMPARE(version->isChecked(), o.ctcp.answerVersion);
        QCOMPARE(versionText->text(), o.ctcp.versionText);
        version->click();
        QCOMPARE(o.ctcp.answerVersion, version->isChecked());
        versionText->clear();
        QTest::keyClicks(versionText, QStringLiteral("MyClient 1"));
        QCOMPARE(o.ctcp.versionText, QStringLiteral("MyClient 1"));
        QVERIFY(!o.connection.autoJoinOnInvite);
        invite->click();
        QVERIFY(o.connection.autoJoinOnInvite);
    }

    void mainWindowShowsStatusAndButtons()
    {
        MainWindow form(QStringLiteral("/tmp/quorl-ui-test/"));
        auto* statuslist = form.findChild<QComboBox*>(QStringLiteral("statuslist"));
        auto* panel6 = form.findChild<QLabel*>(QStringLiteral("Panel6"));
        auto* connect = form.findChild<QToolButton*>(QStringLiteral("connectbuttonconnect"));
        auto* disconnect = form.findChild<QToolButton*>(QStringLiteral("connectbuttondisconnect"));
        QVERIFY(statuslist && panel6 && connect && disconnect);
        QCOMPARE(form.windowTitle(), QStringLiteral("QuorlIRC v2.00"));
        QCOMPARE(statuslist->currentText(), QStringLiteral("Welcome to QuorlIRC!"));
        QCOMPARE(panel6->text(), QStringLiteral("Your Nickname is: Yournick"));
        QCOMPARE(connect->toolTip(), QStringLiteral("Connect to Server"));
        QCOMPARE(disconnect->toolTip(), QStringLiteral("Disconnect from Server"));
        QVERIFY(connect->isEnabled());
        QVERIFY(!disconnect->isEnabled());

        form.client().addStatusLine(QStringLiteral("one"));
        form.client().addStatusLine(QStringLiteral("two"));
        QCOMPARE(statuslist->currentText(), QStringLiteral("two"));
        QCOMPARE(statuslist->maxVisibleItems(), 20);
        // Picking an older line from the drop-down snaps back to the newest.
        statuslist->setCurrentIndex(0);
        Q_EMIT statuslist->activated(0);
        QCOMPARE(statuslist->currentText(), QStringLiteral("two"));

        FakeIrcServer server;
        QVERIFY(server.listen());
        form.client().session().ident().setPort(0);
        form.client().session().connectToKnownHost(QStringLiteral("127.0.0.1"), server.port(),
                                                   QStringLiteral("L - t"));
        QVERIFY(!connect->isEnabled());
        QVERIFY(disconnect->isEnabled());
        QVERIFY(server.waitForLine(QStringLiteral("USER ")));
        server.sendLine(QStringLiteral(":irc.test 001 newnick :hi"));
        QTRY_COMPARE(panel6->text(), QStringLiteral("Your Nickname is: newnick"));
        QTest::mouseClick(disconnect, Qt::LeftButton);
        QVERIFY(server.waitForLine(QStringLiteral("QUIT")));
        QVERIFY(connect->isEnabled());
        QVERIFY(!disconnect->isEnabled());
        QCOMPARE(statuslist->currentText(), QStringLiteral("Disconnected."));
    }
};

QUORL_TEST(ProgramTest)
#include "programtest.moc"
