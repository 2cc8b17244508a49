// What other users do reaches the right window: joins, parts, quits, nick changes,
// topics, kicks, modes, messages and notices, with the gates in front of them.
#include "chat/windowregistry.h"
#include "inbound/inquiries.h"
#include "support/sessionfixture.h"
#include "support/testmain.h"

namespace {
struct Dispatch : SessionFixture
{
    ChatWindow* channel(const QString& name) { return client.windows().findChannelWindow(name); }
    QStringList lines(const QString& name)
    {
        ChatWindow* w = channel(name);
        if (!w)
            w = client.windows().findPrivateWindow(name);
        return w ? w->document->plainLines() : QStringList{QStringLiteral("<no window>")};
    }
    QStringList nicks(const QString& name) { return channel(name)->nickList.entries(); }
    // Registered as "me" and joined to #c with bob (op), carol (voice) and dave.
    bool inChannel()
    {
        if (!registerAs(QStringLiteral("me")))
            return false;
        send(QStringLiteral(":me!u@h JOIN :#c"));
        send(QStringLiteral(":irc.test 353 me = #c :me @bob +carol dave"));
        send(QStringLiteral(":irc.test 366 me #c :End of NAMES list."));
        if (!sync())
            return false;
        server.clearReceived();
        events.clear();
        return channel(QStringLiteral("#c")) != nullptr;
    }
    void send(const QString& line) { server.sendLine(line); }
};
} // namespace

class DispatchTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void ownJoinOpensWindowAndAsksForModes()
    {
        Dispatch f;
        QVERIFY(f.registerAs(QStringLiteral("me")));
        f.server.clearReceived();
        f.send(QStringLiteral(":Me!u@h JOIN #Chat"));
        f.send(QStringLiteral(":me!u@h JOIN #chat")); // a second echo opens nothing more
        QVERIFY(f.sync());
        QVERIFY(f.channel(QStringLiteral("#chat")));
        QCOMPARE(f.server.received().filter(QStringLiteral("MODE")).first(),
                 QStringLiteral("MODE #Chat"));
        QVERIFY(f.statusHas(QStringLiteral("Joined #Chat")));
        QVERIFY(f.events.contains(QStringLiteral("you joining channel")));
        int channels = 0;
        for (qsizetype i = 0; i < f.client.windows().count(); ++i)
            channels += f.client.windows().at(i)->conversationKind == ConversationKind::Channel;
        QCOMPARE(channels, 1);
    }

    void namesFillTheListAndOwnRank()
    {
        Dispatch f;
        QVERIFY(f.registerAs(QStringLiteral("me")));
        f.send(QStringLiteral(":me!u@h JOIN #c"));
        f.send(QStringLiteral(":irc.test 353 me = #c :zed @me +Amy bob"));
        QVERIFY(f.sync());
        QCOMPARE(f.nicks(QStringLiteral("#c")), (QStringList{"ame", "bAmy", "cbob", "czed"}));
        QCOMPARE(f.channel(QStringLiteral("#c"))->myStatus, QStringLiteral("op"));
    }

    // "&" channels are channels: their names fill the nick list, and the end of a NAMES
    // asked for one completes its inquiry.
    void ampersandChannelsGetTheirNames()
    {
        Dispatch f;
        QVERIFY(f.registerAs(QStringLiteral("me")));
        f.send(QStringLiteral(":me!u@h JOIN &local"));
        f.send(QStringLiteral(":irc.test 353 me = &local :@me +amy bob"));
        f.send(QStringLiteral(":irc.test 366 me &local :End of NAMES list."));
        QVERIFY(f.sync());
        QCOMPARE(f.nicks(QStringLiteral("&local")), (QStringList{"ame", "bamy", "cbob"}));
        QCOMPARE(f.channel(QStringLiteral("&local"))->myStatus, QStringLiteral("op"));

        f.client.inquiries().startInquiry(QStringLiteral("names"), QStringLiteral("display"),
                                          QStringLiteral("&other"), QString(), QString());
        f.send(QStringLiteral(":irc.test 353 me = &other :zed"));
        QVERIFY(f.sync());
        QCOMPARE(f.client.inquiries().at(0).namesText, QStringLiteral(" zed"));
        f.send(QStringLiteral(":irc.test 366 me &other :End of NAMES list."));
        QVERIFY(f.sync());
        QCOMPARE(f.client.inquiries().count(), 0);
    }

    // +o takes a, +v takes b, and -l finds no argument left: the limit goes, and reads 100.
    void limitRemovedWithoutArgumentReads100()
    {
        Dispatch f;
        QVERIFY(f.inChannel());
        f.send(QStringLiteral(":bob!b@h MODE #c +l 25"));
        QVERIFY(f.sync());
        ChatWindow* w = f.channel(QStringLiteral("#c"));
        QVERIFY(w->userLimitSet);
        QCOMPARE(w->userLimit, 25);
        f.send(QStringLiteral(":bob!b@h MODE #c +ov-l dave carol"));
        QVERIFY(f.sync());
        QVERIFY(!w->userLimitSet);
        QCOMPARE(w->userLimit, 100);
        QVERIFY(f.nicks(QStringLiteral("#c")).contains(QStringLiteral("adave")));
        QVERIFY(f.nicks(QStringLiteral("#c")).contains(QStringLiteral("bcarol")));
    }

    void modeAnswerAtJoinSetsFlagsSilently()
    {
        Dispatch f;
        QVERIFY(f.inChannel());
        const QStringList before = f.lines(QStringLiteral("#c"));
        f.send(QStringLiteral(":irc.test 324 me #c +ntkl secret 25"));
        QVERIFY(f.sync());
        ChatWindow* w = f.channel(QStringLiteral("#c"));
        QVERIFY(w->noOutsideMessages && w->topicByOpsOnly && w->keySet && w->userLimitSet);
        QCOMPARE(w->channelKey, QStringLiteral("secret"));
        QCOMPARE(w->userLimit, 25);
        QVERIFY2(f.lines(QStringLiteral("#c")) == before,
                 qPrintable(f.lines(QStringLiteral("#c")).join(u'|')));
    }

    void membership_data()
    {
        QTest::addColumn<QStringList>("incoming");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("event");
        QTest::addColumn<QStringList>("nicks");
        QTest::newRow("join") << QStringList{":eve!E@Host.Example JOIN :#c"}
                              << "*** eve (e@host.example) has Joined the Channel."
                              << "a user is joining channel"
                              << QStringList{"abob", "bcarol", "cdave", "ceve", "cme"};
        QTest::newRow("part") << QStringList{":dave!d@h PART #c :bye"}
                              << "*** dave has Left the Channel."
                              << "a user is leaving channel"
                              << QStringList{"abob", "bcarol", "cme"};
        QTest::newRow("quit") << QStringList{":dave!d@h QUIT :Quit: gone home"}
                              << "*** dave has Quit IRC (Quit: gone home)"
                              << "a user is quitting irc" << QStringList{"abob", "bcarol", "cme"};
        QTest::newRow("nick keeps rank")
            << QStringList{":bob!b@h NICK :robert"} << "*** bob is now robert."
            << "A User is Changing Nickname" << QStringList{"arobert", "bcarol", "cdave", "cme"};
        QTest::newRow("kick with reason")
            << QStringList{":bob!b@h KICK #c dave :\x02rude"}
            << "*** dave has been Kicked by bob (rude)"
            << "a user is kicked from channel" << QStringList{"abob", "bcarol", "cme"};
        QTest::newRow("kick reason is kicker")
            << QStringList{":bob!b@h KICK #c dave :Bob"} << "*** dave has been Kicked by bob."
            << "a user is kicked from channel" << QStringList{"abob", "bcarol", "cme"};
        QTest::newRow("op and devoice")
            << QStringList{":bob!b@h MODE #c +o-v dave carol"} << "*** bob has De-Voiced carol."
            << "A User is No longer Channel Voice" << QStringList{"abob", "adave", "ccarol", "cme"};
    }

    void membership()
    {
        QFETCH(QStringList, incoming);
        QFETCH(QString, line);
        QFETCH(QString, event);
        QFETCH(QStringList, nicks);
        Dispatch f;
        QVERIFY(f.inChannel());
        for (const QString& l : incoming)
            f.send(l);
        QVERIFY(f.sync());
        QVERIFY2(f.lines(QStringLiteral("#c")).contains(line),
                 qPrintable(f.lines(QStringLiteral("#c")).join(u'|')));
        QVERIFY2(f.events.contains(event), qPrintable(f.events.join(u'|')));
        QCOMPARE(f.nicks(QStringLiteral("#c")), nicks);
    }

    void hiddenJoinsStillRaiseTheEvent()
    {
        Dispatch f;
        QVERIFY(f.inChannel());
        const QStringList before = f.lines(QStringLiteral("#c"));
        f.channel(QStringLiteral("#c"))->hideJoins = true;
        f.send(QStringLiteral(":eve!e@h JOIN #c"));
        f.send(QStringLiteral(":bob!b@h JOIN #c")); // already listed: nothing at all
        QVERIFY(f.sync());
        QVERIFY2(f.lines(QStringLiteral("#c")) == before,
                 qPrintable(f.lines(QStringLiteral("#c")).join(u'|')));
        QCOMPARE(f.events.count(QStringLiteral("a user is joining channel")), 1);
        QVERIFY(f.nicks(QStringLiteral("#c")).contains(QStringLiteral("ceve")));
    }

    void netsplitQuitsAreOneLinePerChannel()
    {
        Dispatch f;
        QVERIFY(f.inChannel());
        f.send(QStringLiteral(":me!u@h JOIN :#d"));
        f.send(QStringLiteral(":irc.test 353 me = #d :me bob eve"));
        const QString split = QStringLiteral(" QUIT :hub.test leaf.test");
        for (const QString& line :
             {QStringLiteral("BATCH +s1 netsplit hub.test leaf.test"),
              QStringLiteral("@batch=s1 :bob!b@h") + split,
              QStringLiteral("@batch=s1 :dave!d@h") + split,
              QStringLiteral("@batch=s1 :eve!e@h") + split, QStringLiteral("BATCH -s1"),
              QStringLiteral(":carol!c@h QUIT :gone home")})
            f.send(line);
        QVERIFY(f.sync());
        const QStringList c = f.lines(QStringLiteral("#c"));
        const QStringList d = f.lines(QStringLiteral("#d"));
        QVERIFY2(c.contains(QStringLiteral("*** Netsplit: hub.test leaf.test (2 users)")),
                 qPrintable(c.join(u'|')));
        QVERIFY2(d.contains(QStringLiteral("*** Netsplit: hub.test leaf.test (2 users)")),
                 qPrintable(d.join(u'|')));
        QVERIFY(c.contains(QStringLiteral("*** carol has Quit IRC (gone home)")));
        QVERIFY(!(c + d).join(u'|').contains(QStringLiteral("Quit IRC (hub.test")));
        QCOMPARE(f.nicks(QStringLiteral("#c")), QStringList{QStringLiteral("cme")});
        QCOMPARE(f.nicks(QStringLiteral("#d")), QStringList{QStringLiteral("cme")});
    }

    void nickChangeReachesEveryWindow()
    {
        Dispatch f;
        QVERIFY(f.inChannel());
        f.send(QStringLiteral(":me!u@h JOIN #d"));
        f.send(QStringLiteral(":irc.test 353 me = #d :me +dave"));
        f.send(QStringLiteral(":dave!d@h PRIVMSG me :psst"));
        f.send(QStringLiteral(":dave!d@h NICK david"));
        QVERIFY(f.sync());
        const QString line = QStringLiteral("*** dave is now david.");
        QVERIFY(f.lines(QStringLiteral("#c")).contains(line));
        QVERIFY(f.lines(QStringLiteral("#d")).contains(line));
        QVERIFY(f.nicks(QStringLiteral("#d")).contains(QStringLiteral("bdavid")));
        ChatWindow* chat = f.client.windows().findPrivateWindow(QStringLiteral("david"));
        QVERIFY(chat);
        QCOMPARE(chat->label, QStringLiteral("david"));
        QVERIFY(chat->document->plainLines().contains(line));

        // The user's own change: status, nickname list and current nickname.
        f.send(QStringLiteral(":me!u@h NICK :myself"));
        QVERIFY(f.sync());
        QVERIFY(f.statusHas(QStringLiteral("You are now myself.")));
        QCOMPARE(f.session().currentNickname(), QStringLiteral("myself"));
        QVERIFY(f.client.options().user.nicknames.contains(QStringLiteral("myself")));
        QVERIFY(chat->document->plainLines().contains(QStringLiteral("*** me is now myself.")));
    }

    void topicAndKickOfTheUser()
    {
        Dispatch f;
        QVERIFY(f.inChannel());
        f.send(QStringLiteral(":bob!b@h TOPIC #c :\x03"
                              "4red\x03 news"));
        QVERIFY(f.sync());
        ChatWindow* w = f.channel(QStringLiteral("#c"));
        QCOMPARE(w->topic, QStringLiteral("\x03"
                                          "4red\x03 news"));
        QCOMPARE(WindowRegistry::captionFor(w), QStringLiteral("#c: red news"));
        QVERIFY(f.lines(QStringLiteral("#c")).contains(QStringLiteral("TOPIC by bob: red news")));

        f.send(QStringLiteral(":bob!b@h KICK #c me :\x02out"));
        QVERIFY(f.sync());
        QVERIFY(f.statusHas(QStringLiteral("You were Kicked from #c by bob (out).")));
        QVERIFY(!f.channel(QStringLiteral("#c")));
        QVERIFY(f.events.contains(QStringLiteral("you being kicked from channel")));
    }

    void modeTable_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("+ov-l") << "+ov-l dave dave"
                               << QStringList{"*** bob has given dave Ops.",
                                              "*** bob has given dave Voice.",
                                              "*** bob has removed Channel User Limit."};
        QTest::newRow("+l-k") << "+l-k 10 pw"
                              << QStringList{"*** bob has set Channel User Limit to 10.",
                                             "*** bob has removed Channel Password."};
        QTest::newRow("bans") << "+b-b *!*@bad *!*@good"
                              << QStringList{"*** bob has Banned *!*@bad",
                                             "*** bob has UnBanned *!*@good"};
        QTest::newRow("public only when neither")
            << "+ps-p"
            << QStringList{"*** bob has changed the Channel Mode to: Private.",
                           "*** bob has changed the Channel Mode to: Secret."};
        QTest::newRow("unknown letters") << "+xyz" << QStringList{};
    }

    void modeTable()
    {
        QFETCH(QString, mode);
        QFETCH(QStringList, shown);
        Dispatch f;
        QVERIFY(f.inChannel());
        const qsizetype before = f.lines(QStringLiteral("#c")).size();
        f.send(QStringLiteral(":bob!b@h MODE #c ") + mode);
        QVERIFY(f.sync());
        QCOMPARE(f.lines(QStringLiteral("#c")).mid(before), shown);
    }

    void modeFlagsAndArgumentsWithoutEnoughWords()
    {
        Dispatch f;
        QVERIFY(f.inChannel());
        f.send(QStringLiteral(":bob!b@h MODE #c +kl-l-o-v"));
        f.send(QStringLiteral(":bob!b@h MODE #c +l-k 10 pw"));
        QVERIFY(f.sync());
        ChatWindow* w = f.channel(QStringLiteral("#c"));
        QVERIFY(w->userLimitSet);
        QCOMPARE(w->userLimit, 10);
        QVERIFY(!w->keySet);
        f.send(QStringLiteral(":bob!b@h MODE #c -o me"));
        QVERIFY(f.sync());
        QCOMPARE(w->myStatus, QStringLiteral("slime"));
        QVERIFY(f.events.contains(QStringLiteral("You are No longer Channel Operator")));
    }

    // What the server tells of a user follows them into every channel's list, with no
    // quit or join shown: every rank and the host from the names, the account from an
    // extended join, a message's tag and ACCOUNT, away and back, a new host and real
    // name. Whois says the account; an ignore from the list takes the host it knows, at
    // once; an invitation of someone else is told in its channel only.
    void whatIsKnownOfAUserFollowsThem()
    {
        Dispatch f;
        QVERIFY(f.inChannel());
        f.send(QStringLiteral(":me!u@h JOIN :#d"));
        f.send(QStringLiteral(":irc.test 353 me = #d :me @+Eve!Eve@Old.Host +%carl!c@h"));
        f.send(QStringLiteral(":Eve!eve@old.host JOIN #c eveacct :Eve Example"));
        QVERIFY(f.sync());
        NickList& c = f.channel(QStringLiteral("#c"))->nickList;
        NickList& d = f.channel(QStringLiteral("#d"))->nickList;
        QCOMPARE(d.entries(), (QStringList{"aEve", "bcarl", "cme"}));
        QCOMPARE(d.details(QStringLiteral("eve"))->userHost, QStringLiteral("eve@old.host"));
        QCOMPARE(c.describe(QStringLiteral("Eve")),
                 QStringLiteral("Eve\neve@old.host\nLogged in as eveacct\nEve Example"));
        f.send(QStringLiteral(":bob!b@h MODE #d -o Eve"));
        f.send(QStringLiteral("@account=eve2 :Eve!eve@old.host PRIVMSG #c :hi"));
        QVERIFY(f.sync());
        QCOMPARE(d.entries(), (QStringList{"bcarl", "bEve", "cme"}));
        QCOMPARE(c.details(QStringLiteral("eve"))->account, QStringLiteral("eve2"));

        const QStringList linesC = f.lines(QStringLiteral("#c"));
        const QStringList linesD = f.lines(QStringLiteral("#d"));
        f.send(QStringLiteral(":Eve!eve@old.host ACCOUNT evelyn"));
        f.send(QStringLiteral(":Eve!eve@old.host AWAY :lunch"));
        f.send(QStringLiteral(":Eve!eve@old.host CHGHOST eve New.Host"));
        f.send(QStringLiteral(":Eve!eve@new.host SETNAME :Eve Again"));
        QVERIFY(f.sync());
        for (NickList* list : {&c, &d}) {
            QCOMPARE(list->describe(QStringLiteral("eve")),
                     QStringLiteral("eve\neve@new.host\nLogged in as evelyn\nAway\nEve Again"));
        }
        f.send(QStringLiteral(":Eve!eve@new.host AWAY"));
        f.send(QStringLiteral(":Eve!eve@new.host ACCOUNT *"));
        QVERIFY(f.sync());
        QVERIFY(!d.details(QStringLiteral("eve"))->away);
        QVERIFY(d.details(QStringLiteral("eve"))->account.isEmpty());
        QCOMPARE(f.lines(QStringLiteral("#c")), linesC);
        QCOMPARE(f.lines(QStringLiteral("#d")), linesD);
        QVERIFY(!f.events.contains(QStringLiteral("a user is quitting irc")));

        f.server.clearReceived();
        QVERIFY(f.client.userActions().runNickAction(QStringLiteral("5 minutes"),
                                                     f.channel(QStringLiteral("#d")), {"Eve"}));
        QVERIFY(f.client.ignoreList().isIgnored(QStringLiteral("someone"),
                                                QStringLiteral("eve@new.host")));
        QVERIFY(f.server.received().filter(QStringLiteral("WHOIS")).isEmpty());

        f.send(QStringLiteral(":bob!b@h INVITE dave :#c"));
        f.client.userActions().whoisUser(QStringLiteral("carl"), QStringLiteral("display"),
                                         f.channel(QStringLiteral("#d")));
        f.send(QStringLiteral(":irc.test 311 me carl c h * :Carl"));
        f.send(QStringLiteral(":irc.test 330 me carl carlsacct :is logged in as"));
        f.send(QStringLiteral(":irc.test 318 me carl :End of /WHOIS list."));
        QVERIFY(f.sync());
        QVERIFY(f.lines(QStringLiteral("#c"))
                    .contains(QStringLiteral("*** bob has Invited dave to #c.")));
        QVERIFY(!f.status().join(u'|').contains(QStringLiteral("Invited you")));
        QVERIFY(f.lines(QStringLiteral("#d"))
                    .contains(QStringLiteral("*** carl is logged in as carlsacct.")));
    }

    void messagesAndNotices()
    {
        Dispatch f;
        QVERIFY(f.inChannel());
        f.send(QStringLiteral(":bob!b@h PRIVMSG #c :hello all"));
        f.send(QStringLiteral(":bob!b@h PRIVMSG #nowindow :lost"));
        f.send(QStringLiteral(":bob!b@h NOTICE #c :heads up"));
        f.send(QStringLiteral(":eve!e@h PRIVMSG me :hi there"));
        f.send(QStringLiteral(":eve!e@h PRIVMSG me :!me ding.wav"));
        f.send(QStringLiteral(":eve!e@h NOTICE me :\x01"
                              "DCC SEND x 1 2 3\x01"));
        QVERIFY(f.sync());
        QVERIFY(f.lines(QStringLiteral("#c")).contains(QStringLiteral("<bob> hello all")));
        QVERIFY(
            f.lines(QStringLiteral("#c")).contains(QStringLiteral("NOTICE from bob: heads up")));
        QVERIFY(!f.channel(QStringLiteral("#nowindow")));
        QCOMPARE(f.lines(QStringLiteral("eve")), QStringList{QStringLiteral("<eve> hi there")});
        QVERIFY(f.events.contains(QStringLiteral("Inbound Message")));
        QVERIFY(f.events.contains(QStringLiteral("Channel Notice")));
    }

    // The trigger word starts a file-server chat from a channel or privately, and "!"
    // messages reach the sound-request answer; private ones are never shown.
    void triggerAndSoundRequests_data()
    {
        QTest::addColumn<bool>("serverOn");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("started");
        QTest::addColumn<QStringList>("requests");
        QTest::addColumn<bool>("shownInChannel");

        QTest::newRow("trigger in a channel, other case")
            << true << ":bob!b@h PRIVMSG #c :!fileSERVE" << QStringList{"bob"}
            << QStringList{"bob|!fileSERVE"} << true;
        // The usual trigger begins with "!", like a sound request, and must still work.
        QTest::newRow("trigger privately") << true << ":eve!e@h PRIVMSG me :!FileServe"
                                           << QStringList{"eve"} << QStringList{} << false;
        QTest::newRow("server off: a request like any other")
            << false << ":eve!e@h PRIVMSG me :!FileServe" << QStringList{}
            << QStringList{"eve|!FileServe"} << false;
        QTest::newRow("private request")
            << true << ":eve!e@h PRIVMSG me :!me ding.wav" << QStringList{}
            << QStringList{"eve|!me ding.wav"} << false;
        QTest::newRow("channel request")
            << true << ":bob!b@h PRIVMSG #c :!me ding.wav" << QStringList{}
            << QStringList{"bob|!me ding.wav"} << true;
        QTest::newRow("trigger inside a sentence") << true << ":bob!b@h PRIVMSG #c :try !FileServe"
                                                   << QStringList{} << QStringList{} << true;
    }

    void triggerAndSoundRequests()
    {
        QFETCH(bool, serverOn);
        QFETCH(QString, line);
        QFETCH(QStringList, started);
        QFETCH(QStringList, requests);
        QFETCH(bool, shownInChannel);
        Dispatch f;
        QVERIFY(f.inChannel());
        f.client.options().fileServer.enabled = serverOn;
        QStringList startedFor;
        QStringList requested;
        f.client.userMessages().setFileServerStarter(
            [&](const QString& nick) { startedFor << nick; });
        f.client.userMessages().setSoundRequestHandler(
            [&](const QString& sender, const QString& text) { requested << sender + u'|' + text; });
        const int before = int(f.lines(QStringLiteral("#c")).size());

        f.send(line);
        QVERIFY(f.sync());

        QCOMPARE(startedFor, started);
        QCOMPARE(requested, requests);
        QCOMPARE(f.lines(QStringLiteral("#c")).size() > before, shownInChannel);
        QVERIFY(!f.client.windows().findPrivateWindow(QStringLiteral("eve")));
    }

    void awayAnswersWithoutShowingAndNeverLoops()
    {
        Dispatch f;
        f.client.options().connection.awayMessage = QStringLiteral("  out  ");
        QVERIFY(f.inChannel());
        f.client.options().connection.away = true;
        f.send(QStringLiteral(":eve!e@h PRIVMSG me :are you there?"));
        f.send(QStringLiteral(":eve!e@h PRIVMSG me :hello?"));
        QVERIFY(f.sync());
        QCOMPARE(f.server.received().filter(QStringLiteral("PRIVMSG")),
                 QStringList{QStringLiteral("PRIVMSG eve :out")});
        QVERIFY(!f.client.windows().findPrivateWindow(QStringLiteral("eve")));
    }

    void ignoredSenderLeavesNoTrace()
    {
        Dispatch f;
        QVERIFY(f.inChannel());
        f.client.options().connection.away = true;
        QVERIFY(f.client.ignoreList().addIgnore(QStringLiteral("eve"), QStringLiteral("e@h"), 0));
        f.events.clear();
        f.send(QStringLiteral(":Eve!E@H PRIVMSG me :spam"));
        f.send(QStringLiteral(":eve!e@h PRIVMSG #c :spam"));
        QVERIFY(f.sync());
        QVERIFY(f.server.received().filter(QStringLiteral("PRIVMSG")).isEmpty());
        QVERIFY(!f.lines(QStringLiteral("#c")).contains(QStringLiteral("<eve> spam")));
        QVERIFY(!f.events.contains(QStringLiteral("Inbound Message")));
    }

    void invitationsJoinOnlyAPlainChannel()
    {
        Dispatch f;
        f.client.options().connection.autoJoinOnInvite = true;
        QVERIFY(f.inChannel());
        f.send(QStringLiteral(":bob!b@h INVITE me :#party"));
        f.send(QStringLiteral(":bob!b@h INVITE me :0"));
        f.send(QStringLiteral(":bob!b@h INVITE me :#a,#b"));
        QVERIFY(f.sync());
        QCOMPARE(f.server.received().filter(QStringLiteral("JOIN")),
                 QStringList{QStringLiteral("JOIN #party")});
        QVERIFY(f.statusHas(QStringLiteral("bob has Invited you to #party.")));
        QVERIFY(f.statusHas(QStringLiteral("Trying to Join #party.")));
    }

    void malformedLinesChangeNothing()
    {
        Dispatch f;
        QVERIFY(f.inChannel());
        const QStringList before = f.lines(QStringLiteral("#c"));
        const QStringList nicks = f.nicks(QStringLiteral("#c"));
        for (const char* l : {":bob!b@h",
                              ":bob!b@h KICK",
                              ":bob!b@h KICK #c",
                              ":bob!b@h KICK #c dave",
                              ":bob!b@h MODE",
                              ":bob!b@h MODE #c",
                              ":bob!b@h MODE #c +oooo",
                              ":!@ PRIVMSG #c :x",
                              ":bob!b@h PRIVMSG",
                              ":bob!b@h NICK",
                              ":bob!b@h JOIN",
                              ":bob!b@h TOPIC",
                              ":noprefix PRIVMSG #c :x",
                              ":irc.test 353 me",
                              ":irc.test 353 me = c :no hash",
                              ":irc.test 332 me",
                              ":irc.test 366 me",
                              ":irc.test 311 me",
                              ":irc.test 302 me :=",
                              ":bob PRIVMSG #c :x!y"})
            f.send(QString::fromLatin1(l));
        QVERIFY(f.sync());
        QVERIFY(f.session().isRegistered());
        QCOMPARE(f.nicks(QStringLiteral("#c")), nicks);
        QVERIFY2(f.lines(QStringLiteral("#c")) == before,
                 qPrintable(f.lines(QStringLiteral("#c")).join(u'|')));
    }
};

QUORL_TEST(DispatchTest)
#include "dispatchtest.moc"
