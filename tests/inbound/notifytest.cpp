// The notify list against a scripted server: the ISON poll and its timing, arrivals and
// departures, the details asked of arriving users, long lists split over several lines,
// and the rules for adding, renaming and deleting entries.
#include "client/client.h"
#include "core/soundlist.h"
#include "support/fakeircserver.h"
#include "support/scriptedprompts.h"
#include "support/sessionfixture.h"
#include "support/testmain.h"
#include "ui/settings/notifypage.h"

#include <QSet>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

namespace {
const QString joined = QStringLiteral("a user on your notify list has joined irc");
// The event hook finds a sound row by the event's name: this one is the row's caption.
const QString left = SoundList::caption(3).toLower();
const QChar ctcp = QChar(0x01);

QStringList isonLinesSent(const FakeIrcServer& server)
{
    return server.received().filter(QRegularExpression(QStringLiteral("^ISON ")));
}

bool answer(SessionFixture& f, const QString& names)
{
    f.server.sendLine(QStringLiteral(":irc.test 303 me :") + names);
    return f.sync();
}

// Two ticks of lagTimer: one poll.
void tickTwice(Session& session)
{
    session.onLagTick();
    session.onLagTick();
}

const NotifyEntry& entry(Client& client, const QString& nick)
{
    NotifyList& list = client.notifyList();
    return list.entries().at(list.indexOf(nick));
}

QString column(Client& client, const QString& nick, NotifyColumn c)
{
    return entry(client, nick).detail(c);
}

QStringList numbered(const QString& stem, int count, int width = 0)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << stem + QStringLiteral("%1").arg(i, width, 10, QLatin1Char('0'));
    return names;
}
} // namespace

class NotifyTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstAnswerSaysIsOnThenHasJoined()
    {
        SessionFixture f;
        f.client.notifyList().setNicknames({QStringLiteral("alice"), QStringLiteral("Bob")});
        QVERIFY(f.registerAs(QStringLiteral("me")));
        // Registration polls at once.
        QCOMPARE(isonLinesSent(f.server), QStringList{QStringLiteral("ISON alice Bob")});

        QVERIFY(answer(f, QStringLiteral("bob")));
        QVERIFY(f.statusHas(QStringLiteral("Bob is on IRC.")));
        QVERIFY(entry(f.client, QStringLiteral("Bob")).present);
        QVERIFY(!entry(f.client, QStringLiteral("alice")).present);
        QCOMPARE(f.events.count(joined), 1);

        f.server.clearReceived();
        tickTwice(f.session());
        QVERIFY(f.server.waitForLine(QStringLiteral("ISON alice Bob")));
        QVERIFY(answer(f, QStringLiteral("BOB Alice")));
        QVERIFY(f.statusHas(QStringLiteral("alice has joined IRC.")));
        QVERIFY(!f.statusHas(QStringLiteral("alice is on IRC.")));
        // Someone already present is not announced again.
        QCOMPARE(f.status().count(QStringLiteral("Bob is on IRC.")), 1);
        QCOMPARE(f.events.count(joined), 2);
    }

    void arrivalAsksForTheShownDetails_data()
    {
        QTest::addColumn<QString>("states"); // address, channels, idle, name, ping, server,
                                             // time, version
        QTest::addColumn<QStringList>("kinds");
        QTest::newRow("all shown") << QStringLiteral("11111111")
                                   << QStringList{QStringLiteral("PING"), QStringLiteral("VERSION"),
                                                  QStringLiteral("TIME"), QStringLiteral("WHOIS")};
        QTest::newRow("ping hidden")
            << QStringLiteral("11110111")
            << QStringList{QStringLiteral("VERSION"), QStringLiteral("TIME"),
                           QStringLiteral("WHOIS")};
        QTest::newRow("time and version hidden")
            << QStringLiteral("11111100")
            << QStringList{QStringLiteral("PING"), QStringLiteral("WHOIS")};
        QTest::newRow("all hidden: whois still")
            << QStringLiteral("00000000") << QStringList{QStringLiteral("WHOIS")};
    }

    void arrivalAsksForTheShownDetails()
    {
        QFETCH(QString, states);
        QFETCH(QStringList, kinds);
        SessionFixture f;
        f.client.notifyList().setNicknames({QStringLiteral("Bob")});
        f.client.notifyList().setColumnStates(states);
        QVERIFY(f.registerAs(QStringLiteral("me")));
        f.server.clearReceived();
        QVERIFY(answer(f, QStringLiteral("Bob")));
        QStringList sent;
        for (const QString& line : f.server.received()) {
            if (line.startsWith(QStringLiteral("PRIVMSG Bob :") + ctcp)) {
                QVERIFY2(line.endsWith(ctcp), qPrintable(line));
                sent << line.mid(14).chopped(1).section(u' ', 0, 0);
            } else if (line == QStringLiteral("WHOIS Bob")) {
                sent << QStringLiteral("WHOIS");
            }
        }
        QCOMPARE(sent, kinds);
        Inquiries& inquiries = f.client.inquiries();
        QCOMPARE(inquiries.count(), kinds.size());
        for (qsizetype i = 0; i < inquiries.count(); ++i)
            QCOMPARE(inquiries.at(i).action, QStringLiteral("radar"));
    }

    void repliesFillTheColumnsAndDepartureClearsThem()
    {
        SessionFixture f;
        f.client.notifyList().setNicknames({QStringLiteral("Bob"), QStringLiteral("carol")});
        QVERIFY(f.registerAs(QStringLiteral("me")));
        QVERIFY(answer(f, QStringLiteral("bob carol")));
        // Bob answers everything; carol's whois has no server, idle or channels.
        f.server.sendLine(QStringLiteral(":irc.test 311 me Bob bob host.example * :Bob Smith"));
        f.server.sendLine(QStringLiteral(":irc.test 312 me Bob ux.test.local :UX test server."));
        f.server.sendLine(QStringLiteral(":irc.test 317 me Bob 42 1700000000 :seconds idle"));
        f.server.sendLine(QStringLiteral(":irc.test 319 me Bob :@#quorl #other"));
        f.server.sendLine(QStringLiteral(":irc.test 318 me Bob :End of WHOIS"));
        f.server.sendLine(QStringLiteral(":irc.test 311 me carol c h * :"));
        f.server.sendLine(QStringLiteral(":irc.test 318 me carol :End of WHOIS"));
        f.server.sendLine(QStringLiteral(":Bob!bob@host.example NOTICE me :") + ctcp +
                          QStringLiteral("VERSION Peer 1.0") + ctcp);
        f.server.sendLine(QStringLiteral(":Bob!bob@host.example NOTICE me :") + ctcp +
                          QStringLiteral("TIME Noon") + ctcp);
        QVERIFY(f.sync());
        Client& c = f.client;
        QCOMPARE(column(c, QStringLiteral("Bob"), NotifyColumn::Address),
                 QStringLiteral("bob@host.example"));
        QCOMPARE(column(c, QStringLiteral("Bob"), NotifyColumn::Name), QStringLiteral("Bob Smith"));
        QCOMPARE(column(c, QStringLiteral("Bob"), NotifyColumn::Idle), QStringLiteral("42 secs."));
        QCOMPARE(column(c, QStringLiteral("Bob"), NotifyColumn::Channels),
                 QStringLiteral("@#quorl #other"));
        QCOMPARE(column(c, QStringLiteral("Bob"), NotifyColumn::Server),
                 QStringLiteral("ux.test.local (UX test server.)"));
        QCOMPARE(column(c, QStringLiteral("Bob"), NotifyColumn::Version),
                 QStringLiteral("Peer 1.0"));
        QCOMPARE(column(c, QStringLiteral("Bob"), NotifyColumn::Time), QStringLiteral("Noon"));
        QCOMPARE(column(c, QStringLiteral("carol"), NotifyColumn::Name), QStringLiteral("N/A"));
        QCOMPARE(column(c, QStringLiteral("carol"), NotifyColumn::Idle), QStringLiteral("N/A"));
        QCOMPARE(column(c, QStringLiteral("carol"), NotifyColumn::Channels),
                 QStringLiteral("None"));
        // Answered radar inquiries are finished with; the unanswered ones wait.
        QStringList waiting;
        for (qsizetype i = 0; i < c.inquiries().count(); ++i)
            waiting << c.inquiries().at(i).kind + u' ' + c.inquiries().at(i).subject;
        waiting.sort();
        QCOMPARE(waiting,
                 (QStringList{QStringLiteral("ping Bob"), QStringLiteral("ping carol"),
                              QStringLiteral("time carol"), QStringLiteral("version carol")}));

        tickTwice(f.session());
        QVERIFY(answer(f, QStringLiteral("carol")));
        QVERIFY(f.statusHas(QStringLiteral("Bob has Left IRC.")));
        QCOMPARE(f.events.count(left), 1);
        const NotifyEntry& bob = entry(c, QStringLiteral("Bob"));
        QVERIFY(!bob.present);
        for (const QString& text : bob.details)
            QVERIFY(text.isEmpty());
        QVERIFY(entry(c, QStringLiteral("carol")).present);
        QVERIFY(!f.statusHas(QStringLiteral("carol has Left IRC.")));
    }

    void disconnectResetsPresenceSilently()
    {
        SessionFixture f;
        f.client.notifyList().setNicknames({QStringLiteral("Bob")});
        QVERIFY(f.registerAs(QStringLiteral("me")));
        QVERIFY(answer(f, QStringLiteral("Bob")));
        f.server.sendLine(QStringLiteral(":irc.test 311 me Bob bob h * :Bob"));
        f.server.sendLine(QStringLiteral(":irc.test 318 me Bob :End"));
        QVERIFY(f.sync());
        QCOMPARE(column(f.client, QStringLiteral("Bob"), NotifyColumn::Name),
                 QStringLiteral("Bob"));

        f.session().disconnectFromServer();
        QVERIFY(!entry(f.client, QStringLiteral("Bob")).present);
        QVERIFY(column(f.client, QStringLiteral("Bob"), NotifyColumn::Name).isEmpty());
        QVERIFY(!f.statusHas(QStringLiteral("Bob has Left IRC.")));
        QVERIFY(f.client.notifyList().firstAnswerPending());

        // After the next registration the first answer again says "is on IRC.".
        QVERIFY(f.server.waitForDisconnect());
        f.server.clearReceived();
        f.session().connectToKnownHost(QStringLiteral("127.0.0.1"), f.server.port(),
                                       QStringLiteral("again"));
        QVERIFY(f.server.waitForClient());
        QVERIFY(f.server.waitForLine(QStringLiteral("USER ")));
        f.server.sendLine(QStringLiteral(":irc.test 001 me :Welcome"));
        f.server.sendLine(QStringLiteral(":irc.test 376 me :End of MOTD"));
        QVERIFY(f.server.waitForLine(QStringLiteral("AWAY")));
        QVERIFY(answer(f, QStringLiteral("Bob")));
        QCOMPARE(f.status().count(QStringLiteral("Bob is on IRC.")), 2);
    }

    void pollRunsOnEverySecondTickOnly()
    {
        SessionFixture f;
        f.client.notifyList().setNicknames({QStringLiteral("Bob")});
        QVERIFY(f.registerAs(QStringLiteral("me")));
        QCOMPARE(isonLinesSent(f.server).size(), 1);
        for (int tick = 1; tick <= 5; ++tick) {
            f.session().onLagTick();
            QVERIFY(f.sync());
            QCOMPARE(isonLinesSent(f.server).size(), 1 + tick / 2);
        }
    }

    void emptyListPollsNothing()
    {
        SessionFixture f;
        QVERIFY(f.registerAs(QStringLiteral("me")));
        tickTwice(f.session());
        QVERIFY(f.sync());
        QVERIFY(isonLinesSent(f.server).isEmpty());
    }

    // The poll and the expiry of inquiries share the tick.
    void pollTickAlsoExpiresInquiries()
    {
        ManualClock clock;
        ScriptedPrompts prompts;
        Client client(QStringLiteral("/tmp/quorl-test/"), prompts, clock);
        client.inquiries().startInquiry(QStringLiteral("whois"), QStringLiteral("radar"),
                                        QStringLiteral("Bob"), QString(), QString());
        clock.advanceSeconds(Inquiries::LifetimeSeconds + 1);
        client.session().onLagTick();
        QCOMPARE(client.inquiries().count(), 1);
        client.session().onLagTick();
        QCOMPARE(client.inquiries().count(), 0);
    }

    void longListIsSplitWithoutCuts_data()
    {
        QTest::addColumn<QStringList>("nicks");
        QTest::newRow("29 of 9 characters") << numbered(QStringLiteral("watcher"), 29, 2);
        QTest::newRow("29 of 30 characters")
            << numbered(QStringLiteral("a_rather_long_nickname_no_"), 29, 4);
        // "ü" is two bytes: a count of characters would overfill the line.
        QTest::newRow("multibyte") << numbered(QStringLiteral("üüüüüüüüüüüüüü"), 29, 2);
        QTest::newRow("exactly one line") << QStringList{QString(248, u'x')};
        QTest::newRow("one byte over") << QStringList{QString(124, u'x'), QString(123, u'y')};
    }

    void longListIsSplitWithoutCuts()
    {
        QFETCH(QStringList, nicks);
        SessionFixture f;
        f.client.notifyList().setNicknames(nicks);
        QCOMPARE(f.client.notifyList().count(), nicks.size());
        QVERIFY(f.registerAs(QStringLiteral("me")));
        const QList<QByteArray> wire = f.server.receivedBytes().split('\n');
        QList<QByteArray> lines;
        QStringList polled;
        for (const QByteArray& raw : wire) {
            if (!raw.startsWith("ISON "))
                continue;
            QVERIFY2(raw.size() + 1 <= 255, raw.constData()); // with its LF
            QVERIFY(raw.endsWith('\r'));
            lines << raw.chopped(1);
            polled << QString::fromUtf8(lines.last().mid(5)).split(u' ');
        }
        QCOMPARE(polled, nicks); // each once, in list order
        // A line ends only where the next nickname would not have fitted.
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            const QByteArray next = lines.at(i + 1).mid(5).split(' ').first();
            QVERIFY(lines.at(i).size() + 1 + next.size() + 2 > 255);
        }
    }

    // A user reported in one line of a poll must not look departed because another line
    // of the same poll did not name them.
    void presenceIsDecidedOverAllLinesOfOnePoll()
    {
        SessionFixture f;
        const QStringList nicks = numbered(QStringLiteral("watcher"), 29, 2);
        f.client.notifyList().setNicknames(nicks);
        QVERIFY(f.registerAs(QStringLiteral("me")));
        const QStringList lines = isonLinesSent(f.server);
        QVERIFY(lines.size() >= 2);
        const QString early = nicks.first();
        const QString late = nicks.last();
        QVERIFY(lines.first().contains(early) && lines.last().contains(late));

        // The first poll: each user in a different answer; both are "is on IRC.".
        for (int i = 0; i < lines.size(); ++i)
            QVERIFY(answer(f, i == 0 ? early : i == lines.size() - 1 ? late : QString()));
        QVERIFY(f.statusHas(early + QStringLiteral(" is on IRC.")));
        QVERIFY(f.statusHas(late + QStringLiteral(" is on IRC.")));
        QCOMPARE(f.events.count(left), 0);

        // The next poll: the first answer names both, the last neither.
        tickTwice(f.session());
        for (int i = 0; i < lines.size(); ++i)
            QVERIFY(answer(f, i == 0 ? early + u' ' + late : QString()));
        QCOMPARE(f.events.count(left), 0);
        QVERIFY(entry(f.client, early).present);
        QVERIFY(entry(f.client, late).present);

        // Only a poll whose answers all lack a user makes them leave.
        tickTwice(f.session());
        for (int i = 0; i < lines.size(); ++i)
            QVERIFY(answer(f, i == 0 ? early : QString()));
        QVERIFY(f.statusHas(late + QStringLiteral(" has Left IRC.")));
        QVERIFY(!f.statusHas(early + QStringLiteral(" has Left IRC.")));
        QCOMPARE(f.events.count(left), 1);
    }

    // One list, asked of every network: a server that offers MONITOR is told the list and
    // its edits, and its replies decide at once with no polling there; the other network
    // is polled. With two networks a hit names its network, and the details asked on one
    // network are taken only from that network's answers.
    void everyNetworkIsAskedAndMonitorWatchesWhereOffered()
    {
        SessionFixture f;
        NotifyList& list = f.client.notifyList();
        list.setNicknames({QStringLiteral("alice"), QStringLiteral("Bob")});
        QVERIFY(f.registerAs(QStringLiteral("me")));
        QCOMPARE(isonLinesSent(f.server), QStringList{QStringLiteral("ISON alice Bob")});

        FakeIrcServer watching;
        QVERIFY(watching.listen());
        QVERIFY(f.client.connectToAddress(QStringLiteral("irc://127.0.0.1:") +
                                          QString::number(watching.port())));
        QVERIFY(watching.waitForLine(QStringLiteral("USER ")));
        watching.sendLine(QStringLiteral(":w.test 001 me :Welcome"));
        watching.sendLine(QStringLiteral(":w.test 005 me MONITOR=100 :are supported"));
        watching.sendLine(QStringLiteral(":w.test 376 me :End of MOTD"));
        QVERIFY(watching.waitForLine(QStringLiteral("MONITOR + alice,Bob")));
        Session& watchingSession = f.client.network(1).session();
        const auto syncWatching = [&watching](const QString& token) {
            watching.sendLine(QStringLiteral("PING :") + token);
            return watching.waitForLine(QStringLiteral("PONG :") + token);
        };

        watching.sendLine(QStringLiteral(":w.test 730 me :alice!a@right.host"));
        QVERIFY(watching.waitForLine(QStringLiteral("WHOIS alice")));
        QVERIFY(f.statusHas(QStringLiteral("alice is on IRC (w.test).")));
        QVERIFY(entry(f.client, QStringLiteral("alice")).present);
        // The other network's answer about alice is not the one asked for.
        f.server.sendLine(QStringLiteral(":irc.test 311 me alice x wrong.host * :Wrong"));
        f.server.sendLine(QStringLiteral(":irc.test 318 me alice :End"));
        QVERIFY(f.sync());
        QVERIFY(column(f.client, QStringLiteral("alice"), NotifyColumn::Address).isEmpty());
        watching.sendLine(QStringLiteral(":w.test 311 me alice a right.host * :Alice"));
        watching.sendLine(QStringLiteral(":w.test 318 me alice :End"));
        QVERIFY(syncWatching(QStringLiteral("w1")));
        QCOMPARE(column(f.client, QStringLiteral("alice"), NotifyColumn::Address),
                 QStringLiteral("a@right.host"));

        // Ticks poll the plain network only; its answer names it.
        f.server.clearReceived();
        watching.clearReceived();
        tickTwice(f.session());
        tickTwice(watchingSession);
        QVERIFY(f.server.waitForLine(QStringLiteral("ISON alice Bob")));
        QVERIFY(syncWatching(QStringLiteral("w2")));
        QVERIFY(watching.received().filter(QStringLiteral("ISON")).isEmpty());
        QVERIFY(answer(f, QStringLiteral("Bob")));
        QVERIFY(f.statusHas(QStringLiteral("Bob is on IRC (Local - test).")));

        // Departures are told at once; the list's edits reach the watching server only.
        watching.sendLine(QStringLiteral(":w.test 731 me :alice"));
        QVERIFY(syncWatching(QStringLiteral("w3")));
        QVERIFY(f.statusHas(QStringLiteral("alice has Left IRC (w.test).")));
        QVERIFY(!entry(f.client, QStringLiteral("alice")).present);
        QVERIFY(list.addEntry(QStringLiteral("carol")));
        QVERIFY(watching.waitForLine(QStringLiteral("MONITOR + carol")));
        list.setSelectedIndex(list.indexOf(QStringLiteral("Bob")));
        list.deleteSelected();
        QVERIFY(watching.waitForLine(QStringLiteral("MONITOR - Bob")));
        QVERIFY(f.sync());
        QVERIFY(f.server.received().filter(QStringLiteral("MONITOR")).isEmpty());
    }

    void addUserNumbersNewNicks_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("added");
        QTest::newRow("empty") << QStringList{} << QStringLiteral("NewNick1");
        QTest::newRow("gap is not filled")
            << QStringList{QStringLiteral("NewNick1"), QStringLiteral("newnick7")}
            << QStringLiteral("NewNick8");
        QTest::newRow("NewNick0 counts as 0")
            << QStringList{QStringLiteral("NewNick0")} << QStringLiteral("NewNick1");
        QTest::newRow("100 is the last counted")
            << QStringList{QStringLiteral("NEWNICK100")} << QStringLiteral("NewNick101");
        QTest::newRow("beyond 100 is not counted")
            << QStringList{QStringLiteral("NewNick101")} << QStringLiteral("NewNick1");
        QTest::newRow("suffix is not a number")
            << QStringList{QStringLiteral("NewNick3x"), QStringLiteral("xNewNick4")}
            << QStringLiteral("NewNick1");
    }

    void addUserNumbersNewNicks()
    {
        QFETCH(QStringList, existing);
        QFETCH(QString, added);
        ScriptedPrompts prompts;
        Client client(QStringLiteral("/tmp/quorl-test/"), prompts);
        NotifyList& list = client.notifyList();
        list.setNicknames(existing);
        QVERIFY(list.addUser());
        QCOMPARE(list.entries().last().nickname, added);
        QCOMPARE(list.selectedIndex(), list.count() - 1);
        QVERIFY(!list.entries().last().present);
    }

    void renameFollowsTheRules_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result");
        QTest::addColumn<bool>("warned");
        QTest::newRow("plain") << QStringLiteral("Carol") << QStringLiteral("Carol") << false;
        QTest::newRow("trimmed") << QStringLiteral("  Carol ") << QStringLiteral("Carol") << false;
        QTest::newRow("another entry in other case")
            << QStringLiteral("ALICE") << QStringLiteral("Bob") << false;
        QTest::newRow("itself in other case")
            << QStringLiteral("bob") << QStringLiteral("Bob") << false;
        QTest::newRow("empty keeps the old name")
            << QStringLiteral("   ") << QStringLiteral("Bob") << false;
        QTest::newRow("space") << QStringLiteral("Bob Smith") << QStringLiteral("Bob") << true;
        QTest::newRow("colon") << QStringLiteral("a:b") << QStringLiteral("Bob") << true;
        QTest::newRow("plus") << QStringLiteral("b+") << QStringLiteral("Bob") << true;
        QTest::newRow("quote") << QStringLiteral("b\"") << QStringLiteral("Bob") << true;
        QTest::newRow("brackets are allowed")
            << QStringLiteral("[Bob]") << QStringLiteral("[Bob]") << false;
    }

    void renameFollowsTheRules()
    {
        QFETCH(QString, text);
        QFETCH(QString, result);
        QFETCH(bool, warned);
        ScriptedPrompts prompts;
        Client client(QStringLiteral("/tmp/quorl-test/"), prompts);
        NotifyList& list = client.notifyList();
        list.setNicknames({QStringLiteral("alice"), QStringLiteral("Bob")});
        QCOMPARE(list.renameEntry(1, text), result != QStringLiteral("Bob"));
        QCOMPARE(list.entries().at(1).nickname, result);
        QCOMPARE(list.entries().at(0).nickname, QStringLiteral("alice"));
        if (warned)
            QCOMPARE(prompts.warnings,
                     QStringList{QStringLiteral("Cannot use the following characters in a "
                                                "Nickname: \r\n:;'\" ,.<>~!@#$%&*()+")});
        else
            QVERIFY(prompts.warnings.isEmpty());
    }

    // Renaming only renames: the entry keeps its presence, so the next poll that finds it
    // on line announces nothing, and one that does not says it has left.
    void renameKeepsPresence()
    {
        SessionFixture f;
        NotifyList& list = f.client.notifyList();
        list.setNicknames({QStringLiteral("Bob")});
        QVERIFY(f.registerAs(QStringLiteral("me")));
        QVERIFY(answer(f, QStringLiteral("Bob")));
        f.events.clear();
        QVERIFY(list.renameEntry(0, QStringLiteral("Robert")));
        QVERIFY(list.entries().at(0).present);
        tickTwice(f.session());
        QVERIFY(answer(f, QStringLiteral("Robert")));
        QCOMPARE(f.events.count(joined), 0);
        QVERIFY(!f.statusHas(QStringLiteral("Robert has joined IRC.")));
        QVERIFY(answer(f, QString()));
        QCOMPARE(f.events.count(left), 1);
        QVERIFY(f.statusHas(QStringLiteral("Robert has Left IRC.")));
    }

    void listHoldsTwentyNineEntries()
    {
        ScriptedPrompts prompts;
        Client client(QStringLiteral("/tmp/quorl-test/"), prompts);
        NotifyList& list = client.notifyList();
        for (int i = 0; i < NotifyList::MaxEntries - 1; ++i)
            QVERIFY(list.addUser());
        QVERIFY(list.buttons().addUser);
        QVERIFY(list.addUser());
        QCOMPARE(list.count(), 29);
        QCOMPARE(list.entries().last().nickname, QStringLiteral("NewNick29"));
        QVERIFY(!list.buttons().addUser);
        list.setSelectedIndex(-1);
        QVERIFY(!list.buttons().addUser); // not even without a selection
        QVERIFY(!list.addUser());
        QVERIFY(!list.addEntry(QStringLiteral("thirty")));
        QCOMPARE(list.count(), 29);
        list.setSelectedIndex(3);
        list.deleteSelected();
        QCOMPARE(list.count(), 28);
        QCOMPARE(list.selectedIndex(), 27);
        QVERIFY(list.buttons().addUser);
    }

    void buttonsFollowSelectionAndPresence()
    {
        SessionFixture f;
        NotifyList& list = f.client.notifyList();
        NotifyButtons b = list.buttons();
        QVERIFY(b.addUser && !b.editUser && !b.deleteUser && !b.refreshUser);
        list.setNicknames({QStringLiteral("alice"), QStringLiteral("Bob")});
        QVERIFY(f.registerAs(QStringLiteral("me")));
        QVERIFY(answer(f, QStringLiteral("Bob")));
        list.setSelectedIndex(0);
        b = list.buttons();
        QVERIFY(b.editUser && b.deleteUser);
        QVERIFY(!b.refreshUser && !b.requestDccChat && !b.requestPrivateChat);
        list.setSelectedIndex(1);
        b = list.buttons();
        QVERIFY(b.refreshUser && b.requestDccChat && b.requestPrivateChat);
        list.setSelectedIndex(-1);
        b = list.buttons();
        QVERIFY(b.addUser && !b.editUser && !b.deleteUser && !b.refreshUser);
        list.setSelectedIndex(1);
        list.deleteSelected();
        list.deleteSelected();
        QCOMPARE(list.count(), 0);
        QCOMPARE(list.selectedIndex(), -1);
        b = list.buttons();
        QVERIFY(b.addUser && !b.editUser && !b.deleteUser);
    }

    void columnStatesKeepTheirStoredOrder_data()
    {
        QTest::addColumn<QString>("states");
        QTest::addColumn<int>("hidden"); // the one hidden column, or -1
        QTest::newRow("address first") << QStringLiteral("01111111") << int(NotifyColumn::Address);
        QTest::newRow("channels second")
            << QStringLiteral("10111111") << int(NotifyColumn::Channels);
        QTest::newRow("name fourth") << QStringLiteral("11101111") << int(NotifyColumn::Name);
        QTest::newRow("version last") << QStringLiteral("11111110") << int(NotifyColumn::Version);
        QTest::newRow("anything but 0 is shown") << QStringLiteral("1x2 1111") << -1;
        QTest::newRow("short: the rest shown") << QStringLiteral("0") << int(NotifyColumn::Address);
    }

    void columnStatesKeepTheirStoredOrder()
    {
        QFETCH(QString, states);
        QFETCH(int, hidden);
        ScriptedPrompts prompts;
        Client client(QStringLiteral("/tmp/quorl-test/"), prompts);
        NotifyList& list = client.notifyList();
        list.setColumnStates(states);
        for (int c = 0; c < notifyColumnCount; ++c)
            QCOMPARE(list.columnShown(NotifyColumn(c)), c != hidden);
        QString expected(8, u'1');
        if (hidden >= 0)
            expected = states.leftJustified(8, u'1');
        QCOMPARE(list.columnStates(), expected);
    }
};

// The page presents the list: its columns, toggles, buttons and the edit that only
// "Edit User" opens.
class NotifyPageTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void presentsTheList()
    {
        ScriptedPrompts prompts;
        Client client(QStringLiteral("/tmp/quorl-test/"), prompts);
        NotifyList& list = client.notifyList();
        list.setNicknames({QStringLiteral("alice"), QStringLiteral("Bob")});
        NotifyPage page(client);
        QTreeWidget* view = page.findChild<QTreeWidget*>(QStringLiteral("notifylistview"));
        QVERIFY(view);
        QCOMPARE(view->topLevelItemCount(), 2);
        QCOMPARE(view->headerItem()->text(0), QStringLiteral("NickName"));
        QCOMPARE(view->headerItem()->text(8), QStringLiteral("Channels"));
        QVERIFY(view->columnWidth(0) >= 100);
        QVERIFY(view->columnWidth(8) >= 45);

        auto* ping = page.findChild<QToolButton*>(QStringLiteral("pingbutton"));
        QVERIFY(ping);
        QCOMPARE(ping->toolTip(), QStringLiteral("Show Ping"));
        QVERIFY(ping->isChecked());
        ping->click();
        QVERIFY(!list.columnShown(NotifyColumn::Ping));
        QVERIFY(!ping->isChecked());
        QVERIFY(view->isColumnHidden(1 + int(NotifyColumn::Ping)));
        QCOMPARE(list.columnStates(), QStringLiteral("11110111"));

        auto* add = page.findChild<QToolButton*>(QStringLiteral("ToolButton5"));
        auto* edit = page.findChild<QToolButton*>(QStringLiteral("ToolButton18"));
        auto* remove = page.findChild<QToolButton*>(QStringLiteral("ToolButton19"));
        auto* refresh = page.findChild<QToolButton*>(QStringLiteral("ToolButton23"));
        QVERIFY(add && edit && remove && refresh);
        add->click();
        QCOMPARE(view->topLevelItemCount(), 3);
        QCOMPARE(view->currentItem()->text(0), QStringLiteral("NewNick1"));
        QVERIFY(edit->isEnabled() && remove->isEnabled() && !refresh->isEnabled());

        // An edit that names another entry comes back undone.
        view->currentItem()->setText(0, QStringLiteral("BOB"));
        QCOMPARE(list.entries().at(2).nickname, QStringLiteral("NewNick1"));
        QCOMPARE(view->topLevelItem(2)->text(0), QStringLiteral("NewNick1"));
        view->currentItem()->setText(0, QStringLiteral(" Carol "));
        QCOMPARE(list.entries().at(2).nickname, QStringLiteral("Carol"));

        view->setCurrentItem(view->topLevelItem(0));
        QCOMPARE(list.selectedIndex(), 0);
        remove->click();
        QCOMPARE(view->topLevelItemCount(), 2);
        QCOMPARE(view->currentItem(), view->topLevelItem(1));
    }
};

QUORL_TEST(NotifyTest)
QUORL_TEST(NotifyPageTest)
#include "notifytest.moc"
