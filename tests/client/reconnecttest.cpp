// A connection the server drops keeps the user's conversations: the channel and private
// windows stay with their lines, marked disconnected, and are joined again once the
// reconnect registers. An end the user asks for still closes them.
#include "chat/windowregistry.h"
#include "support/sessionfixture.h"
#include "support/testmain.h"

#include <QSignalSpy>
#include <QTest>

namespace {
struct Reconnect : SessionFixture
{
    Reconnect() { clock.stop(); }

    WindowRegistry& windows() { return client.windows(); }
    ChatWindow* channel(const QString& name) { return windows().findChannelWindow(name); }
    ChatWindow* chat(const QString& nick) { return windows().findPrivateWindow(nick); }
    QStringList lines(ChatWindow* window) { return window->document->plainLines(); }
    int chatWindows()
    {
        int n = 0;
        for (qsizetype i = 0; i < windows().count(); ++i)
            n += windows().at(i)->isChat();
        return n;
    }

    // Registered as "me", in #open and #locked (key "sekrit") with alice, and in a private
    // chat with bob; each window holds a line of conversation.
    bool inConversations()
    {
        if (!registerAs(QStringLiteral("me")))
            return false;
        for (const char* line : {
                 ":me!u@h JOIN #open",
                 ":irc.test 353 me = #open :me @alice",
                 ":irc.test 366 me #open :End of NAMES list.",
                 ":me!u@h JOIN #locked",
                 ":op!u@h MODE #locked +k sekrit",
                 ":alice!a@h PRIVMSG #open :before the drop",
                 ":bob!b@h PRIVMSG me :private words",
             })
            server.sendLine(QString::fromLatin1(line));
        return sync() && channel(QStringLiteral("#open")) && channel(QStringLiteral("#locked")) &&
               chat(QStringLiteral("bob"));
    }
    bool serverDrops()
    {
        QSignalSpy closed(&session(), &Session::sessionClosed);
        server.closeClient();
        return closed.wait();
    }
    // The scheduled reconnect runs and the server welcomes it again.
    bool reconnectsAndRegisters()
    {
        server.clearReceived();
        clock.advanceSeconds(5);
        session().reconnectSchedule().onTick();
        if (!server.waitForLine(QStringLiteral("USER ")))
            return false;
        server.sendLine(QStringLiteral(":irc.test 001 me :Welcome"));
        server.sendLine(QStringLiteral(":irc.test 376 me :End of MOTD"));
        return true;
    }
};
} // namespace

class ReconnectTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void droppedLinkKeepsWindowsAndRejoinsIntoThem()
    {
        Reconnect f;
        QVERIFY(f.inConversations());
        ChatWindow* open = f.channel(QStringLiteral("#open"));
        ChatWindow* locked = f.channel(QStringLiteral("#locked"));
        ChatWindow* bob = f.chat(QStringLiteral("bob"));
        QVERIFY(!open->nickList.entries().isEmpty());

        QVERIFY(f.serverDrops());
        QCOMPARE(f.session().state(), Session::State::WaitingToReconnect);
        // The same windows, marked, with their lines and without members.
        QCOMPARE(f.channel(QStringLiteral("#open")), open);
        QCOMPARE(f.channel(QStringLiteral("#locked")), locked);
        QCOMPARE(f.chat(QStringLiteral("bob")), bob);
        for (ChatWindow* w : {open, locked, bob}) {
            QVERIFY(w->disconnected);
            QCOMPARE(f.lines(w).last(), QStringLiteral("*** Disconnected."));
        }
        QVERIFY(f.lines(open).contains(QStringLiteral("<alice> before the drop")));
        QVERIFY(open->nickList.entries().isEmpty());
        QVERIFY(
            f.statusHas(QStringLiteral("Kept until the connection is back: #open, #locked, bob.")));
        // What the user types there meanwhile is not lost without a word.
        f.client.commands().enterLine(open, QStringLiteral("anyone?"));
        QCOMPARE(f.lines(open).last(),
                 QStringLiteral("*** Not sent: the connection to the server is lost."));

        // The reconnect registers and joins both channels again, the key kept.
        QVERIFY(f.reconnectsAndRegisters());
        QVERIFY(f.server.waitForLine(QStringLiteral("JOIN #locked")));
        QCOMPARE(
            f.server.received().filter(QStringLiteral("JOIN")),
            (QStringList{QStringLiteral("JOIN #open"), QStringLiteral("JOIN #locked sekrit")}));
        QVERIFY(!bob->disconnected);
        QVERIFY(open->disconnected); // until the server confirms the join
        f.server.sendLine(QStringLiteral(":me!u@h JOIN #open"));
        f.server.sendLine(QStringLiteral(":irc.test 353 me = #open :me alice"));
        f.server.sendLine(QStringLiteral(":alice!a@h PRIVMSG #open :after the drop"));
        QVERIFY(f.sync());
        QCOMPARE(f.channel(QStringLiteral("#open")), open);
        QVERIFY(!open->disconnected);
        QCOMPARE(open->nickList.entries(),
                 (QStringList{QStringLiteral("calice"), QStringLiteral("cme")}));
        const QStringList lines = f.lines(open);
        QVERIFY(lines.indexOf(QStringLiteral("<alice> before the drop")) <
                lines.indexOf(QStringLiteral("<alice> after the drop")));
        // A channel the server has not let in again stays marked.
        QVERIFY(locked->disconnected);
        QCOMPARE(f.chatWindows(), 3);
    }

    // The window of a channel the user asked for is shown once the server confirms the
    // join: the link the program was started with, a typed /join, the channel list, a
    // favourite. Joins nobody here asked for (one the server makes, an invitation taken
    // up, the rejoins after a reconnect) leave the window that shows as it is.
    void theChannelAskedForIsShownOnceJoined()
    {
        Reconnect f;
        QVERIFY(f.server.listen());
        QVERIFY(f.client.connectToAddress(QStringLiteral("irc://127.0.0.1:") +
                                          QString::number(f.server.port()) +
                                          QStringLiteral("/#test")));
        QVERIFY(f.server.waitForLine(QStringLiteral("USER ")));
        f.server.sendLine(QStringLiteral(":irc.test 001 me :Welcome"));
        f.server.sendLine(QStringLiteral(":irc.test 376 me :End of MOTD"));
        QVERIFY(f.server.waitForLine(QStringLiteral("JOIN #test")));
        PickerLayout& picker = f.windows().picker();
        const auto joined = [&f](const QString& channel) -> ChatWindow* {
            f.server.sendLine(QStringLiteral(":me!u@h JOIN ") + channel);
            return f.sync() ? f.channel(channel) : nullptr;
        };
        QVERIFY(!picker.selectedChatWindow()); // the settings, until the server lets us in
        ChatWindow* test = joined(QStringLiteral("#test"));
        QVERIFY(test);
        QCOMPARE(picker.selectedChatWindow(), test);

        QVERIFY(joined(QStringLiteral("#pushed")));
        f.client.options().connection.autoJoinOnInvite = true;
        f.server.clearReceived();
        f.server.sendLine(QStringLiteral(":op!o@h INVITE me :#invited"));
        QVERIFY(f.server.waitForLine(QStringLiteral("JOIN #invited")));
        QVERIFY(joined(QStringLiteral("#invited")));
        QCOMPARE(picker.selectedChatWindow(), test);

        // Typed in the channel that shows; the server answers in its own spelling.
        f.server.clearReceived();
        f.client.commands().enterLine(test, QStringLiteral("/join #Second"));
        QVERIFY(f.server.waitForLine(QStringLiteral("JOIN #Second")));
        ChatWindow* second = joined(QStringLiteral("#second"));
        QCOMPARE(picker.selectedChatWindow(), second);
        f.server.clearReceived();
        f.client.conversations().joinListed(QStringLiteral("#listed"));
        QVERIFY(f.server.waitForLine(QStringLiteral("JOIN #listed")));
        QCOMPARE(picker.selectedChatWindow(), joined(QStringLiteral("#listed")));
        f.server.clearReceived();
        f.client.conversations().join(QStringLiteral("#fav sekrit"));
        QVERIFY(f.server.waitForLine(QStringLiteral("JOIN #fav")));
        ChatWindow* favourite = joined(QStringLiteral("#fav"));
        QCOMPARE(picker.selectedChatWindow(), favourite);
        // A channel the user is in already is shown at once.
        f.client.conversations().join(QStringLiteral("#second"));
        QCOMPARE(picker.selectedChatWindow(), second);

        // The reconnect joins every channel again; the window shown stays.
        QVERIFY(f.serverDrops());
        QVERIFY(f.reconnectsAndRegisters());
        QVERIFY(f.server.waitForLine(QStringLiteral("JOIN ")));
        for (const char* channel : {"#test", "#fav", "#listed", "#second"})
            QVERIFY(joined(QLatin1String(channel)));
        QVERIFY(!favourite->disconnected);
        QCOMPARE(picker.selectedChatWindow(), second);
    }

    void anEndTheUserAsksForClosesTheWindows_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("Disconnect") << "disconnect";
        QTest::newRow("typed QUIT") << "quit";
        QTest::newRow("Disconnect while waiting to reconnect") << "drop then disconnect";
    }

    void anEndTheUserAsksForClosesTheWindows()
    {
        QFETCH(QString, ending);
        Reconnect f;
        QVERIFY(f.inConversations());
        if (ending == QLatin1String("disconnect")) {
            f.session().disconnectFromServer();
        } else if (ending == QLatin1String("quit")) {
            QSignalSpy closed(&f.session(), &Session::sessionClosed);
            f.session().sendLine(QStringLiteral("QUIT :bye"));
            QVERIFY(f.server.waitForLine(QStringLiteral("QUIT :bye")));
            f.server.sendLine(QStringLiteral("ERROR :Closing Link: me (Quit: bye)"));
            QVERIFY(closed.wait());
        } else {
            QVERIFY(f.serverDrops());
            QCOMPARE(f.chatWindows(), 3);
            f.session().disconnectFromServer();
            QCOMPARE(f.status().last(), QStringLiteral("Reconnecting stopped."));
        }
        QCOMPARE(f.session().state(), Session::State::Disconnected);
        QCOMPARE(f.chatWindows(), 0);
    }
};

QUORL_TEST(ReconnectTest)
#include "reconnecttest.moc"
