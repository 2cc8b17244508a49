// Script objects acting on events: a client registered with a scripted server, objects
// written as files and loaded as a script, and the lines the server receives.
#include "client/client.h"
#include "support/fakeircserver.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
struct Fixture
{
    QTemporaryDir dir;
    QString root = dir.path() + u'/';
    ScriptedPrompts prompts;
    std::unique_ptr<Client> client;
    FakeIrcServer server;
    QStringList scriptLines{u"maxobject=-1"_s};
    int syncs = 0;

    Fixture()
    {
        QDir(root).mkpath(u"scripts/objects"_s);
        client = std::make_unique<Client>(root, prompts);
        client->session().ident().setPort(0);
    }

    // Adds an enabled object to the script; lines are "key=value".
    void object(const QString& name, const QString& type, const QStringList& lines)
    {
        QFile file(root + u"scripts/objects/"_s + name + u".obj"_s);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(("[DATA]\r\ntype=" + type + u"\r\n"_s + lines.join(u"\r\n"_s)).toUtf8() +
                   "\r\n");
        const int n = int(scriptLines.size()) - 1;
        scriptLines[0] = u"maxobject="_s + QString::number(n);
        scriptLines << QString::number(n) + u"=1,"_s + name;
    }
    void loadScript()
    {
        QFile file(root + u"scripts/t.sct"_s);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[DATA]\r\n" + scriptLines.join(u"\r\n"_s).toUtf8() + "\r\n");
        file.close();
        client->scripts().load(u"t.sct"_s);
    }

    // Registered as "me" in #x, an operator there when op is true.
    bool joinAs(bool op)
    {
        if (!server.listen())
            return false;
        client->session().setNickname(u"me"_s);
        client->session().connectToKnownHost(u"127.0.0.1"_s, server.port(), u"Local"_s);
        if (!server.waitForLine(u"USER "_s))
            return false;
        server.sendLine(u":irc.test 001 me :Welcome"_s);
        server.sendLine(u":irc.test 376 me :End of MOTD"_s);
        if (!server.waitForLine(u"AWAY"_s))
            return false;
        server.sendLine(u":me!me@local.host JOIN :#x"_s);
        server.sendLine(op ? u":irc.test 353 me = #x :@me"_s : u":irc.test 353 me = #x :me"_s);
        server.sendLine(u":irc.test 366 me #x :End of /NAMES list."_s);
        if (!sync())
            return false;
        server.clearReceived();
        return window() != nullptr;
    }
    bool sync()
    {
        const QString token = u"sync"_s + QString::number(++syncs);
        server.sendLine(u"PING :"_s + token);
        return server.waitForLine(u"PONG :"_s + token);
    }
    ChatWindow* window() { return client->windows().findChannelWindow(u"#x"_s); }
    // What the client sent, without the PONGs of sync().
    QStringList sent() const
    {
        QStringList lines;
        for (const QString& line : server.received()) {
            if (!line.startsWith(u"PONG "_s))
                lines << line;
        }
        return lines;
    }
    // The window's lines since the join.
    QStringList windowText() { return window()->document->plainLines(); }
    QStringList notes(const QString& prefix)
    {
        QStringList found;
        for (const QString& line : windowText()) {
            const qsizetype at = line.indexOf(prefix);
            if (at >= 0)
                found << line.mid(at);
        }
        return found;
    }
};
} // namespace

class BehavioursTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void greeterSendsByItsMode_data()
    {
        QTest::addColumn<QString>("sendTo");
        QTest::addColumn<QString>("nickList");
        QTest::addColumn<QString>("sendAs");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("note");
        const QString text = u"Hi Ann, welcome to #x zemptyslotx"_s;
        QTest::newRow("private message")
            << u"0"_s << QString() << u"0"_s << u"PRIVMSG Ann :"_s + text << QString();
        QTest::newRow("notice") << u"0"_s << QString() << u"1"_s << u"NOTICE Ann :"_s + text
                                << QString();
        QTest::newRow("private action") << u"0"_s << QString() << u"2"_s
                                        << u"PRIVMSG Ann :\x01"
                                           "ACTION "_s +
                                               text + u'\x01'
                                        << QString();
        QTest::newRow("channel message")
            << u"0"_s << QString() << u"3"_s << u"PRIVMSG #x :"_s + text << u"<me> "_s + text;
        QTest::newRow("channel action") << u"0"_s << QString() << u"4"_s
                                        << u"PRIVMSG #x :\x01"
                                           "ACTION "_s +
                                               text + u'\x01'
                                        << u"* me "_s + text;
        QTest::newRow("listed nick")
            << u"1"_s << u"bob,ANN,"_s << u"0"_s << u"PRIVMSG Ann :"_s + text << QString();
        QTest::newRow("unlisted nick")
            << u"1"_s << u"bob,ann"_s << u"0"_s << QString() << QString();
        QTest::newRow("raw is not a greeter's mode")
            << u"0"_s << QString() << u"5"_s << QString() << QString();
    }
    void greeterSendsByItsMode()
    {
        QFETCH(QString, sendTo);
        QFETCH(QString, nickList);
        QFETCH(QString, sendAs);
        QFETCH(QString, line);
        QFETCH(QString, note);
        Fixture f;
        f.object(u"G"_s, u"channelautogreet"_s,
                 {u"channel=#X"_s, u"message=Hi <nick>, welcome to <channel> <word>"_s,
                  u"sendto="_s + sendTo, u"sendnicklist="_s + nickList, u"sendas="_s + sendAs});
        f.loadScript();
        QVERIFY(f.joinAs(false));
        f.server.sendLine(u":Ann!ann@h.example JOIN :#x"_s);
        QVERIFY(f.sync());
        QCOMPARE(f.sent(), line.isEmpty() ? QStringList() : QStringList{line});
        const QStringList notes = f.notes(note.isEmpty() ? u"welcome to"_s : note);
        QCOMPARE(notes, note.isEmpty() ? QStringList() : QStringList{note});
    }

    // One join, three objects on the channel: greet, op, greet, in list order.
    void objectsRunInListOrder()
    {
        Fixture f;
        f.object(u"G1"_s, u"channelautogreet"_s,
                 {u"channel=#x"_s, u"message=first"_s, u"sendto=0"_s, u"sendas=0"_s});
        f.object(u"Op"_s, u"channelautoop"_s, {u"channel=ALL"_s, u"addresslist=*!*@ppp1.any,"_s});
        f.object(u"Other"_s, u"channelautogreet"_s,
                 {u"channel=#y"_s, u"message=never"_s, u"sendto=0"_s, u"sendas=0"_s});
        f.object(u"G2"_s, u"channelautogreet"_s,
                 {u"channel=all"_s, u"message=second"_s, u"sendto=0"_s, u"sendas=1"_s});
        f.loadScript();
        QVERIFY(f.joinAs(true));
        f.server.sendLine(u":Ann!Ann@PPP1.isp.net JOIN :#x"_s);
        QVERIFY(f.sync());
        QCOMPARE(f.sent(), (QStringList{u"PRIVMSG Ann :first"_s, u"MODE #x +o Ann"_s,
                                        u"NOTICE Ann :second"_s}));
    }

    void autoOpAndVoiceOnlyAsOperator()
    {
        Fixture f;
        f.object(u"Op"_s, u"channelautoop"_s, {u"channel=#x"_s, u"addresslist=ann!*@*.,"_s});
        f.object(u"Voice"_s, u"channelautovoice"_s,
                 {u"channel=#x"_s, u"addresslist=bob!*@*.,ann!*@*.,"_s});
        f.loadScript();
        QVERIFY(f.joinAs(false));
        f.server.sendLine(u":Ann!a@h.net JOIN :#x"_s);
        QVERIFY(f.sync());
        QCOMPARE(f.sent(), QStringList());
        f.server.sendLine(u":Chief!c@h.net MODE #x +o me"_s);
        f.server.sendLine(u":Ann!a@h.net PART #x"_s);
        f.server.sendLine(u":Ann!a@h.net JOIN :#x"_s);
        f.server.sendLine(u":Carl!c@h.net JOIN :#x"_s);
        QVERIFY(f.sync());
        QCOMPARE(f.sent(), (QStringList{u"MODE #x +o Ann"_s, u"MODE #x +v Ann"_s}));
    }

    void protectionAnswersByResponse_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("response");
        QTest::addColumn<QString>("kickMsg");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QStringList>("notes");
        QTest::newRow("de-op answered by de-op")
            << u":Eve!e@h.net MODE #x -o Ann"_s << u"1"_s << u"Leave <nick> alone"_s
            << QStringList{u"MODE #x +o Ann"_s, u"MODE #x -o Eve"_s}
            << QStringList{u"PROTECTION ALERT- Eve has De-Opped Ann.  Responding..."_s,
                           u"PROTECTION - Re-Opping Ann..."_s, u"PROTECTION - De-Opping Eve..."_s};
        QTest::newRow("kick answered by kick")
            << u":Eve!e@h.net KICK #x Ann :bye"_s << u"0"_s << u"Leave <nick> alone"_s
            << QStringList{u"KICK #x Eve :Leave Ann alone"_s}
            << QStringList{u"PROTECTION ALERT- Eve has Kicked Ann.  Responding..."_s,
                           u"PROTECTION - Kicking Eve..."_s};
        QTest::newRow("kick without a message")
            << u":Eve!e@h.net KICK #x Ann :bye"_s << u"0"_s << QString()
            << QStringList{u"Kick #x :Eve"_s}
            << QStringList{u"PROTECTION ALERT- Eve has Kicked Ann.  Responding..."_s,
                           u"PROTECTION - Kicking Eve..."_s};
        QTest::newRow("unknown response") << u":Eve!e@h.net KICK #x Ann :bye"_s << u"x"_s
                                          << QString() << QStringList() << QStringList();
        QTest::newRow("unprotected victim") << u":Eve!e@h.net KICK #x Bob :bye"_s << u"0"_s
                                            << QString() << QStringList() << QStringList();
        // A protected nick stepping down by itself is no attack.
        QTest::newRow("self de-op") << u":Ann!a@h.net MODE #x -o Ann"_s << u"1"_s << QString()
                                    << QStringList() << QStringList();
    }
    void protectionAnswersByResponse()
    {
        QFETCH(QString, line);
        QFETCH(QString, response);
        QFETCH(QString, kickMsg);
        QFETCH(QStringList, sent);
        QFETCH(QStringList, notes);
        Fixture f;
        f.object(u"P"_s, u"channelautoprotect"_s,
                 {u"channel=#x"_s, u"nicklist=ann,"_s, u"response="_s + response,
                  u"kickmsg="_s + kickMsg});
        f.loadScript();
        QVERIFY(f.joinAs(true));
        f.server.sendLine(u":irc.test 353 me = #x :@Ann Bob Eve"_s);
        f.server.sendLine(u":irc.test 366 me #x :End of /NAMES list."_s);
        f.server.sendLine(line);
        QVERIFY(f.sync());
        QCOMPARE(f.sent(), sent);
        QCOMPARE(f.notes(u"PROTECTION"_s), notes);
    }

    void responderAnswersTheFirstWordOnce_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QStringList>("notes");
        QTest::newRow("private message, first listed word")
            << u"0"_s << u"bye and hello"_s << QStringList{u"PRIVMSG Ann :Ann said hello"_s}
            << QStringList{u"-- Message to Ann: Ann said hello"_s};
        QTest::newRow("notice") << u"1"_s << u"bye"_s << QStringList{u"NOTICE Ann :Ann said bye"_s}
                                << QStringList{u"-- Notice to Ann: Ann said bye"_s};
        QTest::newRow("action") << u"2"_s << u"bye"_s
                                << QStringList{u"PRIVMSG Ann :\x01"
                                               "ACTION Ann said bye\x01"_s}
                                << QStringList{u"-- Action to Ann: Ann said bye"_s};
        QTest::newRow("channel") << u"3"_s << u"bye"_s << QStringList{u"PRIVMSG #x :Ann said bye"_s}
                                 << QStringList{u"<me> Ann said bye"_s};
        QTest::newRow("raw") << u"5"_s << u"bye"_s << QStringList{u"Ann said bye"_s}
                             << QStringList{u"-- Raw Command Ann said bye"_s};
        QTest::newRow("case-sensitive") << u"0"_s << u"HELLO"_s << QStringList() << QStringList();
    }
    void responderAnswersTheFirstWordOnce()
    {
        QFETCH(QString, option);
        QFETCH(QString, message);
        QFETCH(QStringList, sent);
        QFETCH(QStringList, notes);
        Fixture f;
        f.object(u"R"_s, u"channelautoontext"_s,
                 {u"channel=#x"_s, u"message=<nick> said <word>"_s, u"wordlist=hello,,bye,"_s,
                  u"messageoption="_s + option});
        f.loadScript();
        QVERIFY(f.joinAs(false));
        f.server.sendLine(u":Ann!a@h.net PRIVMSG #x :"_s + message);
        QVERIFY(f.sync());
        QCOMPARE(f.sent(), sent);
        QStringList shown;
        for (const QString& note : notes)
            shown << f.notes(note);
        QCOMPARE(shown, notes);
    }

    // However the template and the placeholders come out, one triggering line gives one
    // line on the wire, within the line limit.
    void automaticLinesStayOneLine()
    {
        Fixture f;
        f.object(u"R"_s, u"channelautoontext"_s,
                 {u"channel=all"_s, u"message=<word><word> "_s + QString(300, u'x'),
                  u"wordlist=<word>,<channel>,"_s, u"messageoption=3"_s});
        f.loadScript();
        QVERIFY(f.joinAs(false));
        f.server.sendLine(u":Ann!a@h.net PRIVMSG #x :say <channel> <word>"_s);
        QVERIFY(f.sync());
        const QStringList sent = f.sent();
        QCOMPARE(sent.size(), 1);
        QVERIFY(sent.first().startsWith(u"PRIVMSG #x :<word><word> xxx"_s));
        QVERIFY(f.server.receivedBytes().indexOf("PRIVMSG") >= 0);
        for (const QByteArray& raw : f.server.receivedBytes().split('\n'))
            QVERIFY(raw.size() <= 254);
    }

    void fileSenderOffersOnlyItsExistingFile()
    {
        Fixture f;
        QFile file(f.root + u"list.txt"_s);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        f.object(u"S"_s, u"channelautosend"_s,
                 {u"channel=#x"_s, u"keyword=!List"_s, u"file="_s + f.root + u"list.txt"_s,
                  u"useroption=1"_s, u"nicklist=ann,"_s});
        f.loadScript();
        QStringList offers;
        f.client->commands().hooks().offerDccSend = [&](const QString& nick, const QString& folder,
                                                        const QString& name) {
            offers << nick + u'|' + folder + u'|' + name;
        };
        QVERIFY(f.joinAs(false));
        f.server.sendLine(u":Ann!a@h.net PRIVMSG #x :!list"_s);
        f.server.sendLine(u":Ann!a@h.net PRIVMSG #x :!list please"_s);
        f.server.sendLine(u":Bob!b@h.net PRIVMSG #x :!list"_s);
        QVERIFY(f.sync());
        QCOMPARE(offers, QStringList{u"Ann|"_s + f.root + u"|list.txt"_s});

        QVERIFY(QFile::remove(f.root + u"list.txt"_s));
        const qsizetype statusBefore = f.client->statusLog().lines().size();
        f.server.sendLine(u":Ann!a@h.net PRIVMSG #x :!LIST"_s);
        QVERIFY(f.sync());
        QCOMPARE(offers.size(), 1);
        const QStringList status = f.client->statusLog().lines().mid(statusBefore);
        QCOMPARE(status, QStringList{u"Auto-File Sender: "_s + f.root +
                                     u"list.txt does not exist; nothing was sent to Ann."_s});
    }
};

QUORL_TEST(BehavioursTest)
#include "behaviourstest.moc"
