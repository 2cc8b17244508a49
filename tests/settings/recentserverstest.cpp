// Recent servers: order and cap, the same server kept once, clearing, choosing an entry
// (a bad port starts nothing), registration entering the server, and the menu's entries.
#include "settings/recentservers.h"
#include "client/client.h"
#include "support/fakeircserver.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"
#include "ui/settings/recentserversmenu.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

QStringList labels(const RecentServerSlots& slots)
{
    QStringList out;
    for (const RecentServer& slot : slots)
        out << slot.label;
    return out;
}

struct RecentFixture
{
    ScriptedPrompts prompts;
    Client client{QStringLiteral("/tmp/quorl-test/"), prompts};
    RecentServers& recent() { return client.recentServers(); }
    RecentFixture() { client.session().ident().setPort(0); }
};

} // namespace

class RecentServersTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void newestFirstAndTheEleventhFallsOut()
    {
        RecentFixture f;
        for (int i = 0; i < 11; ++i)
            f.recent().remember(QStringLiteral("S%1").arg(i), QStringLiteral("h%1").arg(i),
                                6660 + i);
        QCOMPARE(labels(f.recent().slots()),
                 (QStringList{"S10", "S9", "S8", "S7", "S6", "S5", "S4", "S3", "S2", "S1"}));
        QCOMPARE(f.recent().slots()[0], (RecentServer{"S10", "h10", "6670"}));
        QCOMPARE(f.client.options().servers.recent[9].host, QStringLiteral("h1"));
    }

    void aServerAlreadyListedMovesToTheTop_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("same entry from the middle")
            << QStringLiteral("B") << QStringLiteral("hb") << 2
            << QStringList{"B", "C", "A", "", "", "", "", "", "", ""};
        QTest::newRow("same entry already on top")
            << QStringLiteral("C") << QStringLiteral("hc") << 3
            << QStringList{"C", "B", "A", "", "", "", "", "", "", ""};
        QTest::newRow("same label, other port is another entry")
            << QStringLiteral("B") << QStringLiteral("hb") << 7000
            << QStringList{"B", "C", "B", "A", "", "", "", "", "", ""};
    }
    void aServerAlreadyListedMovesToTheTop()
    {
        QFETCH(QString, label);
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(QStringList, expected);
        RecentFixture f;
        f.recent().remember(QStringLiteral("A"), QStringLiteral("ha"), 1);
        f.recent().remember(QStringLiteral("B"), QStringLiteral("hb"), 2);
        f.recent().remember(QStringLiteral("C"), QStringLiteral("hc"), 3);
        f.recent().remember(label, host, port);
        QCOMPARE(labels(f.recent().slots()), expected);
    }

    void clearEmptiesEverySlot()
    {
        RecentFixture f;
        QVERIFY(f.recent().connectHintShown());
        f.recent().remember(QStringLiteral("A"), QStringLiteral("ha"), 1);
        QVERIFY(!f.recent().connectHintShown());
        f.recent().clear();
        QVERIFY(f.recent().connectHintShown());
        for (const RecentServer& slot : f.recent().slots())
            QVERIFY(!slot.inUse());
        // After a clear, a new server starts a fresh list.
        f.recent().remember(QStringLiteral("B"), QStringLiteral("hb"), 2);
        QCOMPARE(labels(f.recent().slots()).first(), QStringLiteral("B"));
        QVERIFY(!f.recent().slots()[1].inUse());
    }

    // A menu built before the settings are read shows the stored slots once they are.
    void slotsReadAtStartReachTheMenu()
    {
        QTemporaryDir home;
        {
            QFile ini(home.filePath(QStringLiteral("quorl.ini")));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[servers]\nrecent0=Home - Net\nrecenthost0=irc.home\nrecentport0=6667\n");
        }
        ScriptedPrompts prompts;
        Client client(home.path() + u'/', prompts);
        QToolButton button;
        RecentServersMenu menu(client.recentServers(), &button);
        QSignalSpy changed(&client.recentServers(), &RecentServers::changed);
        QVERIFY(client.readSettings());
        QCOMPARE(changed.count(), 1);
        QVERIFY(menu.entry(0)->isVisible());
        QCOMPARE(menu.entry(0)->text(), QStringLiteral("Home - Net"));
        QCOMPARE(button.toolTip(), QString());
    }

    // "Clear Recently Used Server List" lasts: the cleared slots leave the file, so they
    // do not come back at the next start.
    void clearedSlotsLeaveTheFile()
    {
        QTemporaryDir home;
        {
            QFile ini(home.filePath(QStringLiteral("quorl.ini")));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[servers]\nrecent0=A\nrecenthost0=ha\nrecentport0=1\n"
                      "recent1=B\nrecenthost1=hb\nrecentport1=2\n[OLD]\nkeep=me\n");
        }
        ScriptedPrompts prompts;
        {
            Client client(home.path() + u'/', prompts);
            QVERIFY(client.readSettings());
            QCOMPARE(labels(client.recentServers().slots()).mid(0, 2), (QStringList{"A", "B"}));
            client.recentServers().clear();
            client.recentServers().remember(QStringLiteral("C"), QStringLiteral("hc"), 3);
            client.shutdown();
        }
        const PrivateProfile ini(home.filePath(QStringLiteral("quorl.ini")));
        QCOMPARE(ini.value("servers", "recent0"), QStringLiteral("C"));
        for (const char* key : {"recent1", "recenthost1", "recentport1"})
            QVERIFY2(!ini.contains("servers", key), key);
        QCOMPARE(ini.value("OLD", "keep"), QStringLiteral("me"));
        Client client(home.path() + u'/', prompts);
        QVERIFY(client.readSettings());
        QCOMPARE(labels(client.recentServers().slots()),
                 (QStringList{"C", "", "", "", "", "", "", "", "", ""}));
    }

    void choosingAnEntryWithABadPortStartsNothing_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("port");
        // A label stored without its host and port keys reads back as "empty".
        QTest::newRow("port read as empty")
            << 0 << QStringLiteral("Lost - server") << QStringLiteral("empty");
        QTest::newRow("trailing letters") << 0 << QStringLiteral("X") << QStringLiteral("6667x");
        QTest::newRow("out of range") << 0 << QStringLiteral("X") << QStringLiteral("70000");
        QTest::newRow("zero") << 0 << QStringLiteral("X") << QStringLiteral("0");
        QTest::newRow("unused slot") << 3 << QStringLiteral("") << QStringLiteral("6667");
        QTest::newRow("no such slot") << 10 << QStringLiteral("X") << QStringLiteral("6667");
    }
    void choosingAnEntryWithABadPortStartsNothing()
    {
        QFETCH(int, slot);
        QFETCH(QString, label);
        QFETCH(QString, port);
        RecentFixture f;
        f.client.options().servers.recent[size_t(std::min(slot, 9))] =
            RecentServer{label, QStringLiteral("empty"), port};
        QVERIFY(!f.recent().choose(slot));
        QVERIFY(!f.client.session().lookupPending());
        QVERIFY(f.client.statusLog().lines().filter(QStringLiteral("Looking up")).isEmpty());
    }

    void choosingAnEntryConnectsAndRegistrationEntersTheServer()
    {
        RecentFixture f;
        FakeIrcServer server;
        QVERIFY(server.listen());
        f.client.options().servers.recent[1] =
            RecentServer{QStringLiteral("Local - Loopback"), QStringLiteral("127.0.0.1"),
                         QString::number(server.port())};
        f.client.options().servers.recent[0] =
            RecentServer{QStringLiteral("Elsewhere"), QStringLiteral("irc.invalid"), "6667"};
        QVERIFY(f.recent().choose(1));
        QVERIFY(f.client.session().lookupPending());
        QCOMPARE(f.client.session().state(), Session::State::Resolving);
        QVERIFY(f.client.statusLog().lines().contains(
            QStringLiteral("Looking up Local - Loopback...")));
        QVERIFY(server.waitForLine(QStringLiteral("USER ")));
        server.sendLine(QStringLiteral(":irc.test 001 Yournick :Welcome"));
        server.sendLine(QStringLiteral(":irc.test 376 Yournick :End of MOTD"));
        QVERIFY(server.waitForLine(QStringLiteral("AWAY")));
        // The port recorded is the one connected to, not the registered marker.
        QCOMPARE(f.recent().slots()[0],
                 (RecentServer{QStringLiteral("Local - Loopback"), QStringLiteral("127.0.0.1"),
                               QString::number(server.port())}));
        QCOMPARE(labels(f.recent().slots()).mid(0, 3),
                 (QStringList{"Local - Loopback", "Elsewhere", ""}));
    }

    void theMenuShowsSlotsInUse()
    {
        RecentFixture f;
        QToolButton button;
        button.setToolTip(QStringLiteral("Connect to Server"));
        RecentServersMenu menu(f.recent(), &button);
        QCOMPARE(menu.objectName(), QStringLiteral("connectmenu"));
        for (int n = 0; n < 10; ++n)
            QVERIFY(!menu.entry(n)->isVisible());
        QCOMPARE(button.toolTip(), QStringLiteral("Connect to Server"));
        f.client.options().servers.recent[4] =
            RecentServer{QStringLiteral("Old - one"), QStringLiteral("h"), "1"};
        f.recent().remember(QStringLiteral("New - one"), QStringLiteral("h2"), 2);
        QCOMPARE(menu.entry(0)->text(), QStringLiteral("New - one"));
        QCOMPARE(menu.entry(0)->objectName(), QStringLiteral("rec0"));
        QVERIFY(menu.entry(0)->isVisible());
        QVERIFY(!menu.entry(1)->isVisible());
        QCOMPARE(menu.entry(5)->text(), QStringLiteral("Old - one"));
        QVERIFY(menu.entry(5)->isVisible());
        QCOMPARE(button.toolTip(), QString());
        f.recent().clear();
        QVERIFY(!menu.entry(0)->isVisible());
        QCOMPARE(button.toolTip(), QStringLiteral("Connect to Server"));
        // A short press never opens the menu: the release stops the timer.
        QTest::mousePress(&button, Qt::LeftButton);
        QVERIFY(menu.recentTimer().isActive());
        QTest::mouseRelease(&button, Qt::LeftButton);
        QVERIFY(!menu.recentTimer().isActive());
    }
};

QUORL_TEST(RecentServersTest)
#include "recentserverstest.moc"
