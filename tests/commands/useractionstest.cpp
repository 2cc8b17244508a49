// User actions: the lines each request sends, the nick-list actions and whom they touch,
// kick-ban and ban from a whois reply, the mode toggles, the channel dialogs' results, the
// address lookup's single slot, and deleting from the user's nickname list.
#include "commands/useractions.h"
#include "filters/ignorelist.h"
#include "inbound/inquiries.h"
#include "support/registryfixture.h"
#include "support/testmain.h"

#include <QSignalSpy>
#include <QTest>

namespace {
const QChar ctcp(0x01);

struct ActionsFixture : RegistryFixture
{
    IgnoreOptions ignoreOptions;
    IgnoreList ignores{ignoreOptions, status, events};
    Inquiries inquiries{status, events, ignores, clock};
    UserActions actions{[this](const QString& line) { sent << line; }, inquiries, registry, clock};
    QStringList resolving;
    ChatWindow* channel = registry.createChannelWindow(QStringLiteral("#chan"));

    ActionsFixture()
    {
        // Lookups never finish unless a test says so.
        inquiries.setHostResolver([this](const QString& host, std::function<void(const QString&)>) {
            resolving << host;
        });
        inquiries.setWindowLines([this](const QString& name, const QString& text, int lineClass) {
            ChatWindow* w = registry.findChannelWindow(name);
            if (!w)
                w = registry.findPrivateWindow(name);
            if (w)
                registry.addLine(w, text, lineClass);
            return w != nullptr;
        });
        sent.clear();
    }

    QStringList kindsAndSubjects() const
    {
        QStringList result;
        for (qsizetype i = 0; i < inquiries.count(); ++i)
            result << inquiries.at(i).kind + u' ' + inquiries.at(i).subject;
        return result;
    }
};
} // namespace

class UserActionsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void requestLines_data()
    {
        QTest::addColumn<QString>("request");
        QTest::addColumn<bool>("fromChannel");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("extra");
        QTest::newRow("whois from a channel") << "whois" << true << "WHOIS Bob"
                                              << "whois"
                                              << "#chan";
        QTest::newRow("whois from a private chat") << "whois" << false << "WHOIS Bob"
                                                   << "whois"
                                                   << "";
        QTest::newRow("version") << "version" << true
                                 << QString("PRIVMSG Bob :") + ctcp + "VERSION" + ctcp << "version"
                                 << "";
        QTest::newRow("time") << "time" << true << QString("PRIVMSG Bob :") + ctcp + "TIME" + ctcp
                              << "time"
                              << "";
        // 2026-01-01 12:00:00 local, counted as seconds since 1970 in the same calendar.
        QTest::newRow("ping") << "ping" << true
                              << QString("PRIVMSG Bob :") + ctcp + "PING 1767268800" + ctcp
                              << "ping"
                              << "";
        QTest::newRow("lookup") << "lookup" << true << "USERHOST Bob"
                                << "dnsuserhost"
                                << "";
    }
    void requestLines()
    {
        QFETCH(QString, request);
        QFETCH(bool, fromChannel);
        QFETCH(QString, line);
        QFETCH(QString, kind);
        QFETCH(QString, extra);
        ActionsFixture f;
        ChatWindow* window =
            fromChannel ? f.channel : f.registry.createPrivateWindow("Bob", "b@host");
        const QHash<QString, void (UserActions::*)(const QString&, const QString&, ChatWindow*)>
            requests{{"whois", &UserActions::whoisUser},
                     {"version", &UserActions::versionUser},
                     {"time", &UserActions::timeUser},
                     {"ping", &UserActions::pingUser},
                     {"lookup", &UserActions::lookupUser}};
        (f.actions.*requests.value(request))("Bob", "display", window);
        QCOMPARE(f.sent, QStringList{line});
        QCOMPARE(f.inquiries.count(), 1);
        const PendingInquiry& record = f.inquiries.at(0);
        QCOMPARE(record.kind, kind);
        QCOMPARE(record.subject, QStringLiteral("Bob"));
        QCOMPARE(record.extra, extra);
        QCOMPARE(record.window, window->windowName());
    }

    void namesRequest()
    {
        ActionsFixture f;
        f.actions.namesChannel("#other", "display", f.channel);
        QCOMPARE(f.sent, QStringList{"NAMES #other"});
        QCOMPARE(f.kindsAndSubjects(), QStringList{"names #other"});
    }

    void nickActions_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QStringList>("windowLines");
        const QStringList none;
        QTest::newRow("Give Ops: first only")
            << "Give Ops" << QStringList{"MODE #chan +o amy"} << none;
        QTest::newRow("Remove Ops") << "Remove Ops" << QStringList{"MODE #chan -o amy"} << none;
        QTest::newRow("Give Voice") << "Give Voice" << QStringList{"MODE #chan +v amy"} << none;
        QTest::newRow("Remove Voice") << "Remove Voice" << QStringList{"MODE #chan -v amy"} << none;
        QTest::newRow("Kick names the user")
            << "Kick" << QStringList{"KICK #chan amy :amy"} << none;
        QTest::newRow("Kick-Ban: each")
            << "Kick-Ban" << QStringList{"WHOIS amy", "WHOIS bob", "WHOIS cy"}
            << QStringList{"*** Prepping amy for KickBan...", "*** Prepping bob for KickBan...",
                           "*** Prepping cy for KickBan..."};
        QTest::newRow("Ban") << "Ban" << QStringList{"WHOIS amy", "WHOIS bob", "WHOIS cy"}
                             << QStringList{"*** Prepping amy for Ban...",
                                            "*** Prepping bob for Ban...",
                                            "*** Prepping cy for Ban..."};
        QTest::newRow("Ignore 30 minutes")
            << "30 minutes" << QStringList{"WHOIS amy", "WHOIS bob", "WHOIS cy"}
            << QStringList{"*** Prepping amy for Ignore...", "*** Prepping bob for Ignore...",
                           "*** Prepping cy for Ignore..."};
        QTest::newRow("Lookup IP: first only") << "Lookup IP" << QStringList{"USERHOST amy"}
                                               << QStringList{"- Finding IP Address for amy..."};
        QTest::newRow("Show Ban List: the channel")
            << "Show Ban List" << QStringList{"MODE #chan b"}
            << QStringList{"*** Getting Ban List..."};
        QTest::newRow("Refresh User List")
            << "Refresh User List" << QStringList{"NAMES #chan"} << none;
    }
    void nickActions()
    {
        QFETCH(QString, caption);
        QFETCH(QStringList, sent);
        QFETCH(QStringList, windowLines);
        ActionsFixture f;
        f.channel->nickList.addNames({"@amy", "+bob", "cy"});
        QVERIFY(f.actions.runNickAction(caption, f.channel, {"amy", "bob", "cy"}));
        QCOMPARE(f.sent, sent);
        QCOMPARE(f.lines(f.channel), windowLines);
        if (caption == QLatin1String("Refresh User List"))
            QCOMPARE(f.channel->nickList.count(), 0);
    }

    void allAsksEverythingInOrder()
    {
        ActionsFixture f;
        f.actions.runNickAction("All", f.channel, {"amy", "bob"});
        QCOMPARE(f.sent.size(), 8);
        QCOMPARE(f.sent.at(0), QStringLiteral("WHOIS amy"));
        QCOMPARE(f.sent.at(1), QString("PRIVMSG amy :") + ctcp + "TIME" + ctcp);
        QVERIFY(f.sent.at(2).startsWith(QString("PRIVMSG amy :") + ctcp + "PING "));
        QCOMPARE(f.sent.at(3), QString("PRIVMSG amy :") + ctcp + "VERSION" + ctcp);
        QCOMPARE(f.sent.at(4), QStringLiteral("WHOIS bob"));
    }

    void channelActionsDoNothingInPrivateChats_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("Give Ops") << "Give Ops" << QStringList();
        QTest::newRow("Kick") << "Kick" << QStringList();
        QTest::newRow("Kick-Ban") << "Kick-Ban" << QStringList();
        QTest::newRow("Show Ban List") << "Show Ban List" << QStringList();
        QTest::newRow("Who Is asks about the partner") << "Who Is" << QStringList{"WHOIS Dora"};
    }
    void channelActionsDoNothingInPrivateChats()
    {
        QFETCH(QString, caption);
        QFETCH(QStringList, sent);
        ActionsFixture f;
        ChatWindow* chat = f.registry.createPrivateWindow("Dora", "d@host");
        f.actions.runNickAction(caption, chat, UserActions::targetsIn(chat, {"ignored"}));
        QCOMPARE(f.sent, sent);
    }

    void banFromWhois_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("userHost");
        QTest::addColumn<bool>("fromChannel");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<int>("recordsLeft");
        QTest::newRow("kick-ban drops the user name")
            << "kickban"
            << "~amy@host.example.org" << true
            << QStringList{"MODE #chan +b *!*@host.example.org", "KICK #chan amy :amy"} << 0;
        QTest::newRow("ban without kick")
            << "ban"
            << "amy@10.0.0.1" << true << QStringList{"MODE #chan +b *!*@10.0.0.1"} << 0;
        QTest::newRow("no @: nothing, record waits") << "kickban"
                                                     << "amy" << true << QStringList() << 1;
        QTest::newRow("no channel to ban in") << "ban"
                                              << "amy@host" << false << QStringList() << 1;
    }
    void banFromWhois()
    {
        QFETCH(QString, action);
        QFETCH(QString, userHost);
        QFETCH(bool, fromChannel);
        QFETCH(QStringList, sent);
        QFETCH(int, recordsLeft);
        ActionsFixture f;
        ChatWindow* window = fromChannel ? f.channel : f.registry.createPrivateWindow("amy", "");
        f.actions.whoisUser("amy", action, window);
        f.sent.clear();
        PendingInquiry* record = f.inquiries.findInquiry("whois", "AMY");
        QVERIFY(record);
        record->userHost = userHost;
        f.inquiries.completeInquiry(record);
        QCOMPARE(f.sent, sent);
        QCOMPARE(f.inquiries.count(), recordsLeft);
    }

    void newerWhoisIsCompletedFirst()
    {
        ActionsFixture f;
        ChatWindow* other = f.registry.createChannelWindow("#other");
        f.actions.whoisUser("amy", "ban", f.channel);
        f.actions.whoisUser("amy", "ban", other);
        f.sent.clear();
        PendingInquiry* record = f.inquiries.findInquiry("whois", "amy");
        record->userHost = "a@h";
        f.inquiries.completeInquiry(record);
        QCOMPARE(f.sent, QStringList{"MODE #other +b *!*@h"});
        QCOMPARE(f.inquiries.count(), 1);
        QCOMPARE(f.inquiries.at(0).extra, QStringLiteral("#chan"));
    }

    void lookupSlotFreedByExpiry()
    {
        ActionsFixture f;
        f.actions.runNickAction("Lookup IP", f.channel, {"amy"});
        PendingInquiry* record = f.inquiries.findInquiry("dnsuserhost", "amy");
        record->userHost = "~amy@host.example.org";
        f.inquiries.completeInquiry(record);
        QCOMPARE(f.resolving, QStringList{"host.example.org"});
        QVERIFY(f.inquiries.lookupPending());

        f.sent.clear();
        f.actions.runNickAction("Lookup IP", f.channel, {"bob"});
        QVERIFY(f.sent.isEmpty()); // one lookup at a time

        f.clock.advanceSeconds(600);
        f.inquiries.expireInquiries();
        QVERIFY(f.inquiries.lookupPending()); // 600 s is not yet too old
        f.clock.advanceSeconds(1);
        f.inquiries.expireInquiries();
        QVERIFY(!f.inquiries.lookupPending());
        f.actions.runNickAction("Lookup IP", f.channel, {"bob"});
        QCOMPARE(f.sent, QStringList{"USERHOST bob"});
    }

    void banListCompletes()
    {
        ActionsFixture f;
        QSignalSpy ready(&f.actions, &UserActions::banListReady);
        f.actions.runNickAction("Show Ban List", f.channel, {});
        PendingInquiry* record = f.inquiries.findInquiry("banlist", "#CHAN");
        QVERIFY(record);
        record->banMasks = QString("*!*@a.org") + ctcp + "bad!*@*" + ctcp;
        f.inquiries.completeInquiry(record);
        QCOMPARE(ready.size(), 1);
        QCOMPARE(ready.at(0).at(0).toString(), QStringLiteral("#chan"));
        QCOMPARE(ready.at(0).at(1).toStringList(), (QStringList{"*!*@a.org", "bad!*@*"}));
        QCOMPARE(f.inquiries.count(), 0);
        f.sent.clear();
        f.actions.unban("#chan", {"bad!*@*"});
        QCOMPARE(f.sent, QStringList{"MODE #chan -b bad!*@*"});
    }

    void modeToggles_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("isSet");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("line");
        QTest::newRow("Secret on") << "Secret" << false << "MODE #chan +s"
                                   << "*** Trying to make Channel Secret...";
        QTest::newRow("Secret off") << "Secret" << true << "MODE #chan -s"
                                    << "*** Trying to remove Secret Mode...";
        QTest::newRow("Invitation Only on") << "Invitation Only" << false << "MODE #chan +i"
                                            << "*** Trying to make Channel Invitation Only...";
        QTest::newRow("Topic by Ops Only off") << "Topic by Ops Only" << true << "MODE #chan -t"
                                               << "*** Trying to remove Topic by Ops Only Mode...";
        QTest::newRow("No Outside Messages on")
            << "No Outside Messages" << false << "MODE #chan +n"
            << "*** Trying to make Channel No Outside Messages...";
        QTest::newRow("Private off") << "Private" << true << "MODE #chan -p"
                                     << "*** Trying to remove Private Mode...";
        QTest::newRow("Moderated on") << "Moderated" << false << "MODE #chan +m"
                                      << "*** Trying to make Channel Moderated...";
    }
    void modeToggles()
    {
        QFETCH(QString, caption);
        QFETCH(bool, isSet);
        QFETCH(QString, sent);
        QFETCH(QString, line);
        ActionsFixture f;
        f.channel->secret = f.channel->inviteOnly = f.channel->topicByOpsOnly = isSet;
        f.channel->noOutsideMessages = f.channel->privateChannel = f.channel->moderated = isSet;
        QCOMPARE(UserActions::modeIsSet(f.channel, caption), isSet);
        QVERIFY(f.actions.toggleChannelMode(caption, f.channel));
        QCOMPARE(f.sent, QStringList{sent});
        QCOMPARE(f.lines(f.channel), QStringList{line});
        QCOMPARE(UserActions::modeIsSet(f.channel, caption), isSet); // the server decides
    }

    void dialogResults_data()
    {
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("topic with escapes")
            << "topic"
            << "  \\\\bhi  " << QStringList{QString("TOPIC #chan :") + QChar(2) + "hi"}
            << QStringList{"*** Trying to set Topic to: hi..."}; // the view drops the code
        QTest::newRow("empty topic sends nothing") << "topic"
                                                   << "   " << QStringList() << QStringList();
        QTest::newRow("key") << "key"
                             << " sesame " << QStringList{"MODE #chan +k sesame"}
                             << QStringList{"*** Trying to set Channel Password to sesame..."};
        QTest::newRow("empty key sends nothing") << "key"
                                                 << "" << QStringList() << QStringList();
        QTest::newRow("remove known key")
            << "unkey"
            << "old" << QStringList{"MODE #chan -k old"}
            << QStringList{"*** Trying to Remove Channel Password..."};
        QTest::newRow("remove unknown key")
            << "unkey"
            << "" << QStringList{"MODE #chan -k *"}
            << QStringList{"*** Trying to Remove Channel Password..."};
        QTest::newRow("limit") << "limit"
                               << "250" << QStringList{"MODE #chan +l 250"}
                               << QStringList{"*** Trying to set User Limit to 250..."};
        QTest::newRow("no limit") << "unlimit"
                                  << "" << QStringList{"MODE #chan -l"}
                                  << QStringList{"***Trying to Remove User Limit."};
    }
    void dialogResults()
    {
        QFETCH(QString, result);
        QFETCH(QString, value);
        QFETCH(QStringList, sent);
        QFETCH(QStringList, lines);
        ActionsFixture f;
        if (result == "topic")
            f.actions.applyTopic(f.channel, value);
        else if (result == "key")
            f.actions.applyChannelKey(f.channel, value);
        else if (result == "unkey") {
            f.channel->channelKey = value;
            f.actions.removeChannelKey(f.channel);
        } else if (result == "limit")
            f.actions.applyUserLimit(f.channel, value.toInt());
        else
            f.actions.removeUserLimit(f.channel);
        QCOMPARE(f.sent, sent);
        QCOMPARE(f.lines(f.channel), lines);
    }

    void initialUserLimit_data()
    {
        QTest::addColumn<bool>("limitSet");
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("start");
        QTest::newRow("no limit") << false << 0 << 100;
        QTest::newRow("limit 0") << true << 0 << 100;
        QTest::newRow("limit 1") << true << 1 << 1;
        QTest::newRow("limit 42") << true << 42 << 42;
        QTest::newRow("beyond the bar") << true << 5000 << 1000;
    }
    void initialUserLimit()
    {
        QFETCH(bool, limitSet);
        QFETCH(int, limit);
        QFETCH(int, start);
        ChatWindow window;
        window.conversationKind = ConversationKind::Channel;
        window.userLimitSet = limitSet;
        window.userLimit = limit;
        QCOMPARE(UserActions::initialUserLimit(&window), start);
    }

    void deleteNicknames_data()
    {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<QString>("next");
        QTest::newRow("current stays") << QStringList{"a", "b", "c"} << QStringList{"b"} << "c"
                                       << QStringList{"a", "c"} << "c";
        QTest::newRow("current deleted: first")
            << QStringList{"a", "b", "c"} << QStringList{"a", "c"} << "c" << QStringList{"b"}
            << "b";
        QTest::newRow("never the last one")
            << QStringList{"a", "b"} << QStringList{"a", "b"} << "a" << QStringList{"b"} << "b";
        QTest::newRow("the only one stays")
            << QStringList{"solo"} << QStringList{"solo"} << "x" << QStringList{"solo"} << "solo";
    }
    void deleteNicknames()
    {
        QFETCH(QStringList, list);
        QFETCH(QStringList, chosen);
        QFETCH(QString, current);
        QFETCH(QStringList, left);
        QFETCH(QString, next);
        QCOMPARE(UserActions::deleteNicknames(list, chosen, current), next);
        QCOMPARE(list, left);
    }
};

QUORL_TEST(UserActionsTest)
#include "useractionstest.moc"
