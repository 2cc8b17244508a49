// The program as a user starts it: the command line, the program folder, an irc://
// address, and SIGTERM ending the session with QUIT.
#include "client/client.h"
#include "support/fakeircserver.h"
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
        // The program folder was laid out on first run.
        QVERIFY(QDir(home.filePath(QStringLiteral("scripts/objects"))).exists());
        QVERIFY(QDir(home.filePath(QStringLiteral("Received Files"))).exists());

        server.sendLine(QStringLiteral(":irc.test 001 quorlnew :Welcome"));
        server.sendLine(QStringLiteral("PING :alive"));
        QVERIFY(server.waitForLine(QStringLiteral("PONG :alive")));

        ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
        QVERIFY(server.waitForLine(QStringLiteral("QUIT"), 5000));
        QVERIFY(QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 5000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(server.received().last(), QStringLiteral("QUIT"));
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
