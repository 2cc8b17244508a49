// The window list: sections and insertion, finding, joining, routing private messages,
// leaving and closing, the unseen mark, and the nick list with the user's own rank.
#include "client/client.h"
#include "support/fakeircserver.h"
#include "support/registryfixture.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

class RegistryTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void startsWithTheFiveSections()
    {
        RegistryFixture f;
        QCOMPARE(f.labels(),
                 (QStringList{"Settings", "Public Chat", "Private Chat", "DCC Chat", "Files"}));
        QList<int> kinds;
        for (qsizetype i = 0; i < f.registry.count(); ++i) {
            kinds << f.registry.at(i)->kindNumber;
            QCOMPARE(f.registry.at(i)->conversationKind, ConversationKind::Section);
        }
        QCOMPARE(kinds, (QList<int>{19, 49, 9, 6, 12}));
        QCOMPARE(f.states().first(), 2); // "Settings" is shown at start
    }

    void windowsJoinTheEndOfTheirGroup()
    {
        RegistryFixture f;
        f.registry.createChannelWindow("#one");
        f.registry.createPrivateWindow("bob", "b@h");
        f.registry.createDccChatWindow("carl", {}, nullptr);
        f.registry.createChannelWindow("#two");
        f.registry.createPrivateWindow("amy", "a@h");
        QCOMPARE(f.labels(), (QStringList{"Settings", "Public Chat", "#one", "#two", "Private Chat",
                                          "bob", "amy", "DCC Chat", "carl", "Files"}));
        const ChatWindow* two = f.registry.findChannelWindow("#TWO");
        QVERIFY(two);
        QCOMPARE(two->kindNumber, 5);
        QVERIFY(two->unseenActivity);
        QVERIFY(!two->shown);
        QCOMPARE(two->myStatus, QStringLiteral("slime"));
        QCOMPARE(f.registry.findPrivateWindow("AMY")->peerAddress, QStringLiteral("a@h"));
        // A DCC chat with the same peer is not a private chat.
        QVERIFY(!f.registry.findPrivateWindow("carl"));
        QCOMPARE(f.registry.findWindowByView(two->document.get()), two);
    }

    void hideFlagsFollowTheToolbarToggle()
    {
        RegistryFixture f;
        f.options.display.hideTraffic = true;
        const ChatWindow* w = f.registry.createChannelWindow("#a");
        QVERIFY(w->hideJoins && w->hideParts && w->hideQuits);
    }

    void joinChannel_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QString>("status");
        QTest::newRow("open in another case")
            << "#Foo" << QStringList{} << "You are already on #Foo.";
        QTest::newRow("new") << "#bar" << QStringList{"JOIN #bar"} << "Trying to Join #bar.";
        QTest::newRow("trimmed") << "  #bar " << QStringList{"JOIN #bar"} << "Trying to Join #bar.";
        // A key makes the name differ from every window.
        QTest::newRow("with key") << "#foo secret" << QStringList{"JOIN #foo secret"}
                                  << "Trying to Join #foo secret.";
        QTest::newRow("blank") << "   " << QStringList{} << QString();
    }
    void joinChannel()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, sent);
        QFETCH(QString, status);
        RegistryFixture f;
        f.registry.createChannelWindow("#foo");
        const qsizetype before = f.status.count();
        f.registry.joinChannel(name);
        QCOMPARE(f.sent, sent);
        QCOMPARE(f.status.last(), status.isEmpty() ? f.status.last() : status);
        QCOMPARE(f.status.count(), before + (status.isEmpty() ? 0 : 1));
        QCOMPARE(f.registry.count(), 6); // joining never creates the window itself
    }

    void routePrivateMessage_data()
    {
        QTest::addColumn<bool>("ignoreRequests");
        QTest::addColumn<QString>("nick");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("privateLabels");
        QTest::addColumn<QStringList>("targetLines");
        QTest::addColumn<QString>("event");

        const QString hi = "<x> hi";
        QTest::newRow("own window, other case")
            << false << "BOB"
            << "bob@new" << QStringList{"Bob"} << QStringList{hi} << "Inbound Message";
        QTest::newRow("renamed, same address")
            << false << "Robert"
            << "bob@host" << QStringList{"Robert"} << QStringList{"Bob is now Robert.", hi}
            << "Inbound Message";
        QTest::newRow("nickserv never renames")
            << false << "NickServ"
            << "bob@host" << QStringList{"Bob", "NickServ"} << QStringList{hi}
            << "A User is Requesting a Private Chat";
        QTest::newRow("new peer") << false << "Eve"
                                  << "eve@x" << QStringList{"Bob", "Eve"} << QStringList{hi}
                                  << "A User is Requesting a Private Chat";
        QTest::newRow("requests ignored")
            << true << "Eve"
            << "eve@x" << QStringList{"Bob"} << QStringList{} << QString();
        QTest::newRow("chanserv despite ignoring")
            << true << "ChanServ"
            << "services@net" << QStringList{"Bob", "ChanServ"} << QStringList{hi}
            << "A User is Requesting a Private Chat";
        QTest::newRow("empty address never renames")
            << false << "Zed"
            << "" << QStringList{"Bob", "Quiet", "Zed"} << QStringList{hi}
            << "A User is Requesting a Private Chat";
    }
    void routePrivateMessage()
    {
        QFETCH(bool, ignoreRequests);
        QFETCH(QString, nick);
        QFETCH(QString, address);
        QFETCH(QStringList, privateLabels);
        QFETCH(QStringList, targetLines);
        QFETCH(QString, event);

        RegistryFixture f;
        f.options.display.ignorePrivateChats = ignoreRequests;
        f.registry.createPrivateWindow("Bob", "bob@host");
        if (address.isEmpty())
            f.registry.openPrivateChat("Quiet"); // its address is empty too
        f.registry.routePrivateMessage(nick, address, "<x> hi");

        QStringList labels;
        for (qsizetype i = 0; i < f.registry.count(); ++i) {
            if (f.registry.at(i)->conversationKind == ConversationKind::Private)
                labels << f.registry.at(i)->label;
        }
        QCOMPARE(labels, privateLabels);
        const ChatWindow* target = f.registry.findPrivateWindow(nick);
        QCOMPARE(target ? f.lines(target) : QStringList{}, targetLines);
        if (target) {
            QCOMPARE(target->peerNickname, target->label);
            QCOMPARE(target->peerAddress, address);
        }
        QCOMPARE(f.fired, event.isEmpty() ? QStringList{} : QStringList{event});
        if (!event.isEmpty()) {
            QCOMPARE(f.firedTexts.first().value(0), nick);
            QCOMPARE(f.firedTexts.first().value(7), address);
        }
    }

    void openPrivateChat()
    {
        RegistryFixture f;
        f.registry.openPrivateChat("ME"); // oneself
        QCOMPARE(f.registry.count(), 5);
        f.registry.openPrivateChat("bob");
        QCOMPARE(f.registry.count(), 6);
        f.registry.openPrivateChat("Bob");
        QCOMPARE(f.registry.count(), 6);
        QCOMPARE(f.status.last(), QStringLiteral("Already in a Private Chat with Bob"));
    }

    void unseenMarkIsSetOnce()
    {
        RegistryFixture f;
        ChatWindow* a = f.registry.createChannelWindow("#a");
        f.picker().selectRow(f.row(a));
        QVERIFY(a->shown);
        QVERIFY(!a->unseenActivity);

        QSignalSpy repaints(&f.registry, &WindowRegistry::pickerChanged);
        f.registry.addLine(a, "while shown", 1);
        QVERIFY(!a->unseenActivity);
        QCOMPARE(repaints.count(), 0);

        f.picker().selectRow(0);
        QVERIFY(!a->shown);
        repaints.clear();
        f.registry.addLine(a, "one", 1);
        f.registry.addLine(a, "two", 1);
        f.registry.addLine(a, "three", 0);
        QVERIFY(a->unseenActivity);
        QCOMPARE(repaints.count(), 1);
        QCOMPARE(f.lines(a), (QStringList{"while shown", "one", "two", "three"}));
    }

    void leaveChannel_data()
    {
        QTest::addColumn<bool>("sayOnLeave");
        QTest::addColumn<bool>("raiseEvent");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("quietly") << false << false << QStringList{"PART :#Chan"} << QStringList{};
        QTest::newRow("saying goodbye")
            << true << false
            << QStringList{QStringLiteral("PRIVMSG #Chan :bye \x02now"), "PART :#Chan"}
            << QStringList{};
        QTest::newRow("by /leave")
            << false << true << QStringList{"PART :#Chan"} << QStringList{"you leaving channel"};
    }
    void leaveChannel()
    {
        QFETCH(bool, sayOnLeave);
        QFETCH(bool, raiseEvent);
        QFETCH(QStringList, sent);
        QFETCH(QStringList, events);
        RegistryFixture f;
        f.options.display.sayOnLeave = sayOnLeave;
        f.options.display.leaveMessage = QStringLiteral("bye \\\\bnow");
        f.registry.createChannelWindow("#first");
        ChatWindow* chan = f.registry.createChannelWindow("#Chan");
        f.picker().selectRow(f.row(chan));

        f.registry.leaveWindow(chan, raiseEvent);
        QCOMPARE(f.sent, sent);
        QCOMPARE(f.fired, events);
        QCOMPARE(f.status.last(), QStringLiteral("Left #Chan."));
        QVERIFY(!f.registry.findChannelWindow("#chan"));
        // The display moved to the row above the one that went.
        QCOMPARE(f.picker().shownAlone(), f.registry.findChannelWindow("#first"));
    }

    void leavePrivateSendsNothing()
    {
        RegistryFixture f;
        f.options.display.sayOnLeave = true;
        ChatWindow* bob = f.registry.createPrivateWindow("bob", "b@h");
        f.registry.leaveWindow(bob);
        QVERIFY(f.sent.isEmpty());
        QCOMPARE(f.registry.count(), 5);
    }

    void dccWindowsOwnTheirConnection()
    {
        RegistryFixture f;
        auto offer = std::make_unique<QObject>();
        QPointer<QObject> offerAlive = offer.get();
        f.registry.createDccChatWindow("bob", "1.2.3.4", std::move(offer));
        auto session = std::make_unique<QObject>();
        QPointer<QObject> sessionAlive = session.get();
        f.registry.createDccChatWindowConnected("carl", {}, std::make_unique<QTcpSocket>(),
                                                std::move(session));
        // A plain private window with the same peer is not a DCC chat.
        f.registry.createPrivateWindow("Bob", "x@y");

        f.registry.closeDccChatWindow("BOB");
        QVERIFY(offerAlive.isNull());
        QCOMPARE(f.labels(), (QStringList{"Settings", "Public Chat", "Private Chat", "Bob",
                                          "DCC Chat", "carl", "Files"}));
        f.registry.closeDccChatWindow("carl");
        QVERIFY(sessionAlive.isNull());
        QCOMPARE(f.registry.count(), 6);
        f.registry.closeDccChatWindow("nobody");
        QCOMPARE(f.registry.count(), 6);
    }

    void sessionCloseDestroysEveryChatWindow()
    {
        ScriptedPrompts prompts;
        QTemporaryDir home;
        Client client(home.path() + u'/', prompts);
        client.session().ident().setPort(0);
        WindowRegistry& windows = client.windows();
        ChatWindow* a = windows.createChannelWindow("#a");
        windows.createChannelWindow("#b");
        windows.createPrivateWindow("bob", "b@h");
        windows.picker().selectRow(int(windows.indexOf(a)));
        QStringList destroyed;
        connect(&windows, &WindowRegistry::windowDestroying,
                [&](ChatWindow* w) { destroyed << w->label; });

        client.session().endSession();
        QCOMPARE(destroyed, (QStringList{"bob", "#b", "#a"})); // last first
        QCOMPARE(windows.count(), 5);
        QCOMPARE(windows.picker().shownAlone(), windows.at(0));
        QCOMPARE(windows.at(0)->label, QStringLiteral("Settings"));
    }

    void addressChannelJoinedAfterRegistration()
    {
        ScriptedPrompts prompts;
        QTemporaryDir home;
        Client client(home.path() + u'/', prompts);
        client.session().ident().setPort(0);
        FakeIrcServer server;
        QVERIFY(server.listen());
        QVERIFY(
            client.connectToAddress(QStringLiteral("irc://127.0.0.1:%1/quorl").arg(server.port())));
        QVERIFY(server.waitForLine("USER "));
        QVERIFY(!server.received().join(u' ').contains("JOIN"));
        server.sendLine(":irc.test 001 Yournick :Welcome");
        server.sendLine(":irc.test 376 Yournick :End of MOTD");
        QVERIFY(server.waitForLine("JOIN #quorl"));
        QVERIFY(client.statusLog().lines().contains("Trying to Join #quorl."));
    }

    void nickListOrderAndRanks()
    {
        RegistryFixture f;
        ChatWindow* chan = f.registry.createChannelWindow("#a");
        QSignalSpy changes(&chan->nickList, &NickList::changed);
        f.registry.addNames(chan, {"zed", "@Bob", "+carl", "alice", "@adam", "+Barb", "ME"});
        QCOMPARE(changes.count(), 1);
        QCOMPARE(chan->nickList.entries(),
                 (QStringList{"aadam", "aBob", "bBarb", "bcarl", "calice", "cME", "czed"}));
        QCOMPARE(chan->myStatus, QStringLiteral("slime"));

        f.registry.setMemberRank(chan, "me", NickList::Operator);
        QCOMPARE(chan->myStatus, QStringLiteral("op"));
        QCOMPARE(chan->nickList.entries().at(1), QStringLiteral("aBob"));
        QCOMPARE(chan->nickList.entries().at(2), QStringLiteral("aME"));
        f.registry.setMemberRank(chan, "Me", NickList::Voiced);
        QCOMPARE(chan->myStatus, QStringLiteral("voice"));
        f.registry.setMemberRank(chan, "bob", NickList::Member);
        QCOMPARE(chan->myStatus, QStringLiteral("voice")); // someone else's rank
        f.registry.setMemberRank(chan, "ME", NickList::Member);
        QCOMPARE(chan->myStatus, QStringLiteral("slime"));

        f.registry.renameMember(chan, "ADAM", "Zack");
        f.registry.removeMember(chan, "CARL");
        f.registry.addMember(chan, "Ann");
        QCOMPARE(chan->nickList.entries(),
                 (QStringList{"aZack", "bBarb", "calice", "cAnn", "cBob", "cME", "czed"}));
        QCOMPARE(NickList::displayText("aZack"), QStringLiteral("@Zack"));
        QCOMPARE(NickList::displayText("bBarb"), QStringLiteral("+Barb"));
        QCOMPARE(NickList::displayText("calice"), QStringLiteral("alice"));
    }

    void ownRankFromNamesReply()
    {
        RegistryFixture f;
        ChatWindow* chan = f.registry.createChannelWindow("#a");
        f.registry.addNames(chan, {"@me", "x"});
        QCOMPARE(chan->myStatus, QStringLiteral("op"));
        ChatWindow* other = f.registry.createChannelWindow("#b");
        f.registry.addNames(other, {"+Me"});
        QCOMPARE(other->myStatus, QStringLiteral("voice"));
    }
};

QUORL_TEST(RegistryTest)
#include "registrytest.moc"
