// Typed lines and slash commands: which command a line is taken for, the exact lines sent
// and shown, pasted blocks, "!" requests, aliases and their limits, "/text".
#include "commands/commandparser.h"
#include "support/registryfixture.h"
#include "support/testmain.h"

#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>

namespace {

const QString ctcp(QChar(0x01));

// A parser around a recorded registry, with one window of each kind: #c (bob and carl
// present, the user "Me"), a private chat with bob and a DCC chat with dave.
struct ParserFixture
{
    RegistryFixture f;
    QStringList calls; // hooks reached, as "hook argument..."
    QList<QByteArray> dccWrites;
    bool openSucceeds = false;
    bool lookupPending = false;
    CommandParser parser;
    ChatWindow* channel;
    ChatWindow* privateChat;
    ChatWindow* dccChat;
    qsizetype wordsBefore[3] = {};
    qsizetype sentBefore = 0;

    ParserFixture()
        : parser([this](const QString& line) { f.sent << line; }, f.registry, f.status, f.events,
                 f.options)
    {
        CommandParser::Hooks& h = parser.hooks();
        h.ownNickname = [this] { return f.ownNick; };
        h.setNickname = [this](const QString& nick) { calls << "nick " + nick; };
        auto recorder = [this](const QString& name) {
            return [this, name](const QString& subject, const QString& action, ChatWindow* w) {
                calls << name + ' ' + subject + ' ' + action + ' ' + (w ? w->label : "none");
            };
        };
        h.whoisUser = recorder("whois");
        h.versionUser = recorder("version");
        h.timeUser = recorder("time");
        h.pingUser = recorder("ping");
        h.namesChannel = recorder("names");
        h.lookupUser = recorder("lookup");
        h.lookupPending = [this] { return lookupPending; };
        h.offerDccSend = [this](const QString& nick, const QString& folder, const QString& file) {
            calls << "dccsend " + nick + '|' + folder + '|' + file;
        };
        h.offerDccChat = [this](const QString& nick) { calls << "dccchat " + nick; };
        h.openFile = [this](const QString& file) {
            calls << "open " + file;
            return openSucceeds;
        };
        h.playSound = [this](ChatWindow* w, const QString& file) {
            calls << "play " + file + ' ' + w->label;
        };
        h.writeDccChat = [this](ChatWindow*, const QByteArray& bytes) { dccWrites << bytes; };

        channel = f.registry.createChannelWindow("#c");
        f.registry.addNames(channel, {"Me", "bob", "carl"});
        privateChat = f.registry.createPrivateWindow("bob", "b@host");
        dccChat = f.registry.createDccChatWindow("dave", {}, nullptr);
        mark();
    }

    ChatWindow* window(int kind) const
    {
        return kind == 0 ? channel : kind == 1 ? privateChat : dccChat;
    }
    // What is new from here on.
    void mark()
    {
        for (int kind = 0; kind < 3; ++kind)
            wordsBefore[kind] = window(kind)->document->wordCount();
        sentBefore = f.sent.size();
        f.fired.clear();
        f.firedTexts.clear();
    }
    QStringList sent() const { return f.sent.mid(sentBefore); }
    // The window's new lines, each as its class, a space and its text.
    QStringList shown(int kind) const
    {
        const ChatDocument& doc = *window(kind)->document;
        QStringList lines;
        for (qsizetype i = wordsBefore[kind]; i < doc.wordCount(); ++i) {
            if (doc.isLineStart(i))
                lines << QString::number(doc.wordStyle(i).lineClass) + ' ';
            lines.last() += doc.wordText(i);
        }
        return lines;
    }
};

} // namespace

class CommandParserTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Each row: what is typed, in which kind of window, then what is sent, shown in that
    // window, reached through hooks and added to the status list.
    void commands_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("status");
        const QStringList none;

        // Only as many characters as the command word has are compared.
        QTest::newRow("/joinx is /join")
            << "/joinx #a" << 0 << QStringList{"JOIN #a"} << none << none << "Trying to Join #a.";
        QTest::newRow("upper case")
            << "/JOIN #b" << 1 << QStringList{"JOIN #b"} << none << none << "Trying to Join #b.";
        QTest::newRow("/message is /me")
            << "/message hi" << 0 << QStringList{"PRIVMSG #c :" + ctcp + "ACTION sage hi" + ctcp}
            << QStringList{"2 * Me sage hi"} << none << QString();
        QTest::newRow("/action in a private chat")
            << "/action waves" << 1 << QStringList{"PRIVMSG bob :" + ctcp + "ACTION waves" + ctcp}
            << QStringList{"2 * Me waves"} << none << QString();
        // Channel commands are not commands elsewhere; with no alias they do nothing.
        QTest::newRow("/kick in a private chat")
            << "/kick bob bye" << 1 << none << none << none << QString();
        QTest::newRow("/topic in a DCC chat")
            << "/topic x" << 2 << none << none << none << QString();
        QTest::newRow("/kick") << "/kick bob go away" << 0 << QStringList{"KICK #c bob :go away"}
                               << none << none << QString();
        QTest::newRow("/topic") << "/topic new day" << 0 << QStringList{"TOPIC #c :new day"} << none
                                << none << QString();
        QTest::newRow("/raw") << "/raw PRIVMSG x :y" << 0 << QStringList{"PRIVMSG x :y"}
                              << QStringList{"0 -- RAW SERVER COMMAND: PRIVMSG x :y"} << none
                              << QString();
        QTest::newRow("/notice") << "/notice #c hi all" << 0 << QStringList{"NOTICE #c :hi all"}
                                 << QStringList{"0 -- Notice to #c: hi all"} << none << QString();
        QTest::newRow("/msg") << "/msg carl see you" << 1 << QStringList{"PRIVMSG carl :see you"}
                              << QStringList{"0 -- Message to carl: see you"} << none << QString();
        // With no space the destination is empty and the one word is the message.
        QTest::newRow("/msg one word") << "/msg bob" << 0 << QStringList{"PRIVMSG  :bob"}
                                       << QStringList{"0 -- Message to : bob"} << none << QString();
        QTest::newRow("/ctcp") << "/ctcp bob VERSION" << 0
                               << QStringList{"PRIVMSG bob :" + ctcp + "VERSION" + ctcp}
                               << QStringList{"0 -- CTCP to bob: VERSION"} << none << QString();
        QTest::newRow("/invite") << "/invite bob #x" << 0 << QStringList{"INVITE bob #x"} << none
                                 << none << "Invited bob to #x.";
        QTest::newRow("/mode two words") << "/mode #c +m" << 0 << QStringList{"MODE #c  +m"}
                                         << QStringList{"0 -- MODE: #c  +m"} << none << QString();
        QTest::newRow("/mode three words")
            << "/mode #c +o bob" << 2 << QStringList{"MODE #c +o bob"}
            << QStringList{"0 -- MODE: #c +o bob"} << none << QString();
        QTest::newRow("/sound") << "/sound ding.wav" << 0
                                << QStringList{"PRIVMSG #c :" + ctcp + "SOUND ding.wav" + ctcp}
                                << QStringList{"0 * Me Plays ding.wav"}
                                << QStringList{"play ding.wav #c"} << QString();
        QTest::newRow("/showtopic")
            << "/showtopic" << 0 << none << QStringList{"0 TOPIC: calm"} << none << QString();
        QTest::newRow("/showtopic elsewhere")
            << "/showtopic" << 1 << none << none << none << QString();
        QTest::newRow("/dcc chat")
            << "/dcc chat bob" << 0 << none << QStringList{"0 -- Requesting DCC Chat with bob..."}
            << QStringList{"dccchat bob"} << QString();
        QTest::newRow("/dcc send")
            << "/dcc send bob /tmp/my files/a b.txt" << 0 << none
            << QStringList{"0 -- Sending /tmp/my files/a b.txt to bob"}
            << QStringList{"dccsend bob|/tmp/my files/|a b.txt"} << QString();
        QTest::newRow("/run fails")
            << "/run /no/such" << 0 << none
            << QStringList{"0 -- Opening /no/such...", "0 -- Can't find /no/such"}
            << QStringList{"open /no/such"} << QString();
        QTest::newRow("/whois trimmed") << "/whois  bob " << 0 << none << none
                                        << QStringList{"whois bob display #c"} << QString();
        QTest::newRow("/version") << "/version bob" << 1 << none << none
                                  << QStringList{"version bob display bob"} << QString();
        QTest::newRow("/ping") << "/ping bob" << 0 << none << none
                               << QStringList{"ping bob display #c"} << QString();
        QTest::newRow("/time") << "/time bob" << 2 << none << none
                               << QStringList{"time bob display dave"} << QString();
        QTest::newRow("/whois nobody") << "/whois " << 0 << none << none << none << QString();
        QTest::newRow("/dns") << "/dns bob" << 0 << none
                              << QStringList{"0 - Finding IP Address for bob..."}
                              << QStringList{"lookup bob display #c"} << QString();
        QTest::newRow("/names open")
            << "/names #C" << 1 << none << QStringList{"0 *** You are already on #C"} << none
            << QString();
        QTest::newRow("/names other")
            << "/names #d" << 0 << none << none << QStringList{"names #d display #c"} << QString();
        QTest::newRow("/nick") << "/nick  Neo " << 0 << none << none << QStringList{"nick Neo"}
                               << QString();
        QTest::newRow("/nick empty") << "/nick " << 0 << none << none << none << QString();
        QTest::newRow("unknown") << "/frobnicate x" << 0 << none << none << none << QString();
    }
    void commands()
    {
        QFETCH(QString, typed);
        QFETCH(int, kind);
        QFETCH(QStringList, sent);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, calls);
        QFETCH(QString, status);
        ParserFixture p;
        p.channel->topic = "calm";
        p.parser.enterLine(p.window(kind), typed);
        QCOMPARE(p.sent(), sent);
        QCOMPARE(p.shown(kind), shown);
        QCOMPARE(p.calls, calls);
        QCOMPARE(p.f.status.last(), status);
        QCOMPARE(p.f.fired, QStringList{"You Sending Message"});
        QCOMPARE(p.f.firedTexts.value(0).value(0), typed);
    }

    void dnsWaitsForThePendingLookup()
    {
        ParserFixture p;
        p.lookupPending = true;
        p.parser.enterLine(p.channel, "/dns bob");
        QVERIFY(p.calls.isEmpty());
        QVERIFY(p.shown(0).isEmpty());
    }

    void helpShowsTheReference()
    {
        ParserFixture p;
        p.parser.enterLine(p.privateChat, "/HELPME");
        const QStringList lines = p.shown(1);
        QCOMPARE(lines.size(), 30);
        QCOMPARE(lines.first(), "0 ----- Command Reference -----");
        QCOMPARE(lines.at(25), "0   /dcc send nickname filename -  Sends file like "
                               "'c:\\autoexec.bat' to nick");
        QCOMPARE(lines.last(), "0 ----- End -----");
        QVERIFY(p.sent().isEmpty());
    }

    void statusClearAndClear()
    {
        ParserFixture p;
        p.f.status.add("old");
        p.parser.enterLine(p.channel, "/statusclear");
        QCOMPARE(p.f.status.count(), 0);
        p.parser.enterLine(p.channel, "/clear");
        QCOMPARE(p.channel->document->wordCount(), 0);
    }

    void omsgGoesToOtherOperators()
    {
        ParserFixture p;
        p.f.registry.addNames(p.channel, {"@op1", "@ME", "+voiced", "@op2"});
        p.channel->myStatus = "voice";
        p.parser.enterLine(p.channel, "/omsg hi ops");
        QVERIFY(p.sent().isEmpty()); // only an operator may
        p.channel->myStatus = "op";
        p.parser.enterLine(p.channel, "/omsg hi ops");
        QCOMPARE(p.sent(), (QStringList{"PRIVMSG op1 :hi ops", "PRIVMSG op2 :hi ops"}));
        QCOMPARE(p.shown(0), QStringList{"0 -- Message to Ops Only: hi ops"});
    }

    // The window is gone after "/leave": nothing may touch it, and the typed line's event
    // belongs to no window.
    void leaveClosesTheWindow()
    {
        ParserFixture p;
        p.parser.enterLine(p.channel, "/leave");
        QCOMPARE(p.sent(), QStringList{"PART :#c"});
        QVERIFY(!p.f.registry.findChannelWindow("#c"));
        QCOMPARE(p.f.fired, (QStringList{"you leaving channel", "You Sending Message"}));
    }

    void plainText_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("eventText");

        QTest::newRow("channel") << 0 << "hello" << QStringList{"PRIVMSG #c :hello"}
                                 << QStringList{"2 <Me> hello"} << "hello";
        QTest::newRow("escapes") << 1 << "\\\\bbold"
                                 << QStringList{"PRIVMSG bob :\x02"
                                                "bold"}
                                 << QStringList{"2 <Me> bold"}
                                 << "\x02"
                                    "bold";
        QTest::newRow("three pasted lines")
            << 0 << "one\r\ntwo\r\nthree"
            << QStringList{"PRIVMSG #c :one", "PRIVMSG #c :two", "PRIVMSG #c :three"}
            << QStringList{"2 <Me> one", "2 <Me> two", "2 <Me> three"} << "three";
        // This platform's clipboard ends lines with LF; a trailing line end adds nothing.
        QTest::newRow("LF paste") << 1 << "one\ntwo\n"
                                  << QStringList{"PRIVMSG bob :one", "PRIVMSG bob :two"}
                                  << QStringList{"2 <Me> one", "2 <Me> two"} << "two";
        QTest::newRow("pasted commands")
            << 0 << "/join #a\n/msg bob hi\nplain"
            << QStringList{"JOIN #a", "PRIVMSG bob :hi", "PRIVMSG #c :plain"}
            << QStringList{"0 -- Message to bob: hi", "2 <Me> plain"} << "plain";
        QTest::newRow("nobody to ask")
            << 0 << "!bob song.wav" << QStringList{"PRIVMSG #c :!bob song.wav"}
            << QStringList{"2 <Me> !bob song.wav"} << "!bob song.wav";
    }
    void plainText()
    {
        QFETCH(int, kind);
        QFETCH(QString, typed);
        QFETCH(QStringList, sent);
        QFETCH(QStringList, shown);
        QFETCH(QString, eventText);
        ParserFixture p;
        p.f.registry.removeMember(p.channel, "bob"); // for the "!" row
        p.parser.enterLine(p.window(kind), typed);
        QCOMPARE(p.sent(), sent);
        QCOMPARE(p.shown(kind), shown);
        QCOMPARE(p.f.fired.count("You Sending Message"), p.f.fired.size());
        QCOMPARE(p.f.firedTexts.last().first(), eventText);
    }

    void requests_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("privately");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QList<QByteArray>>("dccWrites");
        QTest::addColumn<bool>("event");
        const QStringList shown{"0 - Requesting song.wav from bob."};

        QTest::newRow("channel") << 0 << false << "! bob   song.wav "
                                 << QStringList{"PRIVMSG #c :!bob song.wav"} << QList<QByteArray>{}
                                 << false;
        QTest::newRow("channel, private requests")
            << 0 << true << "!BOB song.wav" << QStringList{"PRIVMSG BOB :!BOB song.wav"}
            << QList<QByteArray>{} << false;
        QTest::newRow("private chat, no list to check")
            << 1 << false << "!bob song.wav" << QStringList{"PRIVMSG bob :!bob song.wav"}
            << QList<QByteArray>{} << false;
        QTest::newRow("DCC chat") << 2 << false << "!bob song.wav"
                                  << QStringList{"PRIVMSG bob :!bob song.wav"}
                                  << QList<QByteArray>{"song.wav\r\n"} << true;
    }
    void requests()
    {
        QFETCH(int, kind);
        QFETCH(bool, privately);
        QFETCH(QString, typed);
        QFETCH(QStringList, sent);
        QFETCH(QList<QByteArray>, dccWrites);
        QFETCH(bool, event);
        ParserFixture p;
        p.f.options.sound.privateRequests = privately;
        p.parser.enterLine(p.window(kind), typed);
        QCOMPARE(p.sent(), sent);
        QCOMPARE(p.dccWrites, dccWrites);
        QCOMPARE(p.shown(kind).size(), 1);
        QVERIFY(p.shown(kind).first().startsWith("0 - Requesting song.wav from "));
        QCOMPARE(p.f.fired.contains("You Sending Message"), event);
    }

    void dccChatTextGoesToTheConnection()
    {
        ParserFixture p;
        p.parser.enterLine(p.dccChat, "hi\nthere");
        QVERIFY(p.sent().isEmpty());
        QCOMPARE(p.dccWrites, (QList<QByteArray>{"hi\n", "there\n"}));
        QCOMPARE(p.shown(2), (QStringList{"2 <Me> hi", "2 <Me> there"}));
        QCOMPARE(p.f.fired, QStringList{"You Sending Message"});
        // An action in a DCC chat goes over the connection, never through the server.
        p.dccWrites.clear();
        p.parser.enterLine(p.dccChat, "/me waves");
        QVERIFY(p.sent().isEmpty());
        QCOMPARE(p.dccWrites, QList<QByteArray>{"\x01"
                                                "ACTION waves\x01\n"});
    }

    void aliases_data()
    {
        QTest::addColumn<QStringList>("aliases");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("sent");

        const QString hi = "/hi /msg $1 hello there";
        QTest::newRow("call, any case")
            << QStringList{hi} << "/HI bob" << QStringList{"PRIVMSG bob :hello there"};
        QTest::newRow("missing argument")
            << QStringList{hi} << "/hi" << QStringList{"PRIVMSG  :hello there"};
        QTest::newRow("first match wins")
            << QStringList{"/x /raw one", "/X /raw two"} << "/x" << QStringList{"one"};
        QTest::newRow("five arguments, the rest ignored")
            << QStringList{"/five /raw $5$4$3$2$1 $1"} << "/five a b c d e f"
            << QStringList{"edcba a"};
        // An expansion is itself a command, and may call another alias.
        QTest::newRow("nested") << QStringList{hi, "/greet /hi $2"} << "/greet x bob"
                                << QStringList{"PRIVMSG bob :hello there"};
        // Argument text is never taken for a placeholder.
        QTest::newRow("argument reading $1")
            << QStringList{"/price /msg #shop costs $1"} << "/price $10"
            << QStringList{"PRIVMSG #shop :costs $10"};
        QTest::newRow("escapes in the expansion")
            << QStringList{"/bold /raw \\\\bx"} << "/bold" << QStringList{"\x02x"};
        QTest::newRow("no such alias") << QStringList{hi} << "/hello bob" << QStringList{};
    }
    void aliases()
    {
        QFETCH(QStringList, aliases);
        QFETCH(QString, typed);
        QFETCH(QStringList, sent);
        ParserFixture p;
        p.f.options.textEntry.aliases = aliases;
        p.parser.enterLine(p.privateChat, typed);
        QCOMPARE(p.sent(), sent);
        QCOMPARE(p.f.options.textEntry.aliases, aliases);
    }

    void aliasDefinition()
    {
        ParserFixture p;
        QSignalSpy changed(&p.parser, &CommandParser::aliasesChanged);
        p.parser.enterLine(p.channel, "/hi /msg $1 hello there");
        QCOMPARE(p.f.options.textEntry.aliases, QStringList{"/hi /msg $1 hello there"});
        QCOMPARE(p.shown(0), QStringList{"0 -- ALIAS ADDED: /hi /msg $1 hello there"});
        QCOMPARE(changed.count(), 1);
        QVERIFY(p.sent().isEmpty());
        p.parser.enterLine(p.channel, "/hi amy");
        QCOMPARE(p.sent(), QStringList{"PRIVMSG amy :hello there"});
    }

    void aliasLoopStops()
    {
        ParserFixture p;
        p.f.options.textEntry.aliases = {"/a /b", "/b /a"};
        p.parser.enterLine(p.channel, "/a");
        QCOMPARE(p.shown(0), QStringList{"0 -- Alias loop stopped."});
        // The count starts again with every typed line.
        p.parser.enterLine(p.channel, "/b");
        QCOMPARE(p.shown(0).size(), 2);
        QVERIFY(p.sent().isEmpty());

        // An alias that repeats its argument and calls itself doubles its text at every
        // step: it is stopped once the text is too long, long before the loop limit.
        p.f.options.textEntry.aliases = {"/d /d $1$1"};
        p.parser.enterLine(p.channel, "/d " + QString(100, u'x'));
        QCOMPARE(p.shown(0).last(),
                 QString("0 -- Alias stopped: its text grew past 8192 characters."));
        QVERIFY(p.sent().isEmpty());
    }

    void aliasChainLimit_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("completes");
        QTest::newRow("16 expansions") << 16 << true;
        QTest::newRow("17 expansions") << 17 << false;
    }
    void aliasChainLimit()
    {
        QFETCH(int, length);
        QFETCH(bool, completes);
        ParserFixture p;
        QStringList chain;
        for (int i = 1; i < length; ++i)
            chain << QString("/a%1 /a%2").arg(i).arg(i + 1);
        chain << QString("/a%1 /raw done").arg(length);
        p.f.options.textEntry.aliases = chain;
        p.parser.enterLine(p.channel, "/a1");
        QCOMPARE(p.sent(), completes ? QStringList{"done"} : QStringList{});
        QCOMPARE(p.shown(0).contains("0 -- Alias loop stopped."), !completes);
    }

    void textFile()
    {
        QTemporaryFile file;
        QVERIFY(file.open());
        // Empty lines are skipped; the second one ends the reading.
        file.write("first\r\n\r\nsecond\ncaf\xc3\xa9\n\nnever\n");
        file.close();
        ParserFixture p;
        p.parser.enterLine(p.channel, "/text " + file.fileName());
        QCOMPARE(p.sent(), (QStringList{"PRIVMSG #c :first", "PRIVMSG #c :second",
                                        QString::fromUtf8("PRIVMSG #c :caf\xc3\xa9")}));
        QCOMPARE(p.shown(0), (QStringList{"2 <Me> first", "2 <Me> second",
                                          QString::fromUtf8("2 <Me> caf\xc3\xa9")}));
    }

    void textFileMissing()
    {
        ParserFixture p;
        p.parser.enterLine(p.privateChat, "/text /no/such/file.txt");
        QVERIFY(p.sent().isEmpty());
        QCOMPARE(p.shown(1), QStringList{"0 -- Can't find /no/such/file.txt"});
    }
};

QUORL_TEST(CommandParserTest)
#include "commandparsertest.moc"
