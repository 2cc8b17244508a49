// The outbound line factories, against the exact bytes the server receives: free text
// after " :" whatever it holds (blanks, nothing, a leading colon), the JOIN forms with and
// without keys, CTCP queries and answers, and the commands' parameter orders.
#include "irc/outbound.h"
#include "irc/wire.h"
#include "support/testmain.h"

#include <QTest>

using namespace Qt::StringLiterals;

class OutboundTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void linesOnTheWire_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QByteArray>("wire");

        const auto row = [](const char* name, const QString& line, const char* wire) {
            QTest::newRow(name) << line << QByteArray(wire);
        };
        row("join", Outbound::join(u"#quorl"_s), "JOIN #quorl\r\n");
        row("join with key", Outbound::join(u"#quorl"_s, u"sesame"_s), "JOIN #quorl sesame\r\n");
        row("join, key empty", Outbound::join(u"#quorl"_s, QString()), "JOIN #quorl\r\n");
        row("join as typed", Outbound::join(u"#a,#b k1"_s), "JOIN #a,#b k1\r\n");
        row("join list with keys", Outbound::join({u"#a"_s, u"#b"_s, u"#c"_s}, {u"k1"_s, u"k2"_s}),
            "JOIN #a,#b,#c k1,k2\r\n");
        row("join list without keys", Outbound::join({u"#a"_s, u"#b"_s}, {}), "JOIN #a,#b\r\n");
        row("part", Outbound::part(u"#quorl"_s), "PART :#quorl\r\n");

        row("text with blanks", Outbound::privmsg(u"#quorl"_s, u"hello  there "_s),
            "PRIVMSG #quorl :hello  there \r\n");
        row("empty text", Outbound::privmsg(u"bob"_s, QString()), "PRIVMSG bob :\r\n");
        row("leading colon", Outbound::privmsg(u"bob"_s, u":-) hi"_s), "PRIVMSG bob ::-) hi\r\n");
        row("text in UTF-8", Outbound::privmsg(u"#c"_s, u"grüße"_s),
            "PRIVMSG #c :gr\xc3\xbc\xc3\x9f"
            "e\r\n");
        row("notice", Outbound::notice(u"bob"_s, u"DCC Chat (10.0.0.1)"_s),
            "NOTICE bob :DCC Chat (10.0.0.1)\r\n");
        row("ctcp", Outbound::ctcp(u"bob"_s, u"DCC SEND \"a b.wav\" 167772161 5000 12"_s),
            "PRIVMSG bob :\x01"
            "DCC SEND \"a b.wav\" 167772161 5000 12\x01\r\n");
        row("ctcp reply", Outbound::ctcpReply(u"bob"_s, u"PING 1700000000"_s),
            "NOTICE bob :\x01PING 1700000000\x01\r\n");
        row("action", Outbound::action(u"#quorl"_s, u"waves"_s),
            "PRIVMSG #quorl :\x01"
            "ACTION waves\x01\r\n");

        row("mode query", Outbound::mode(u"#quorl"_s), "MODE #quorl\r\n");
        row("mode change", Outbound::mode(u"#quorl"_s, u"-l"_s), "MODE #quorl -l\r\n");
        row("mode with argument", Outbound::mode(u"#quorl"_s, u"+b"_s, u"*!*@host.example"_s),
            "MODE #quorl +b *!*@host.example\r\n");
        row("typed mode without argument", Outbound::mode(u"#quorl"_s, u"+m"_s, QString()),
            "MODE #quorl +m \r\n");
        row("kick with reason", Outbound::kick(u"#quorl"_s, u"bob"_s, u"go and rest"_s),
            "KICK #quorl bob :go and rest\r\n");
        row("kick, reason empty", Outbound::kick(u"#quorl"_s, u"bob"_s, QString()),
            "KICK #quorl bob :\r\n");
        row("kick without reason", Outbound::kick(u"#quorl"_s, u"bob"_s), "Kick #quorl :bob\r\n");
        row("topic", Outbound::topic(u"#quorl"_s, u"a new topic"_s),
            "TOPIC #quorl :a new topic\r\n");
        row("topic cleared", Outbound::topic(u"#quorl"_s, QString()), "TOPIC #quorl :\r\n");
        row("invite", Outbound::invite(u"bob"_s, u"#quorl"_s), "INVITE bob #quorl\r\n");

        row("whois", Outbound::whois(u"bob"_s), "WHOIS bob\r\n");
        row("names", Outbound::names(u"#quorl"_s), "NAMES #quorl\r\n");
        row("userhost", Outbound::userhost(u"bob"_s), "USERHOST bob\r\n");
        row("ison", Outbound::ison({u"ann"_s, u"bob"_s}), "ISON ann bob\r\n");
        row("monitor", Outbound::monitor(true, {u"ann"_s, u"bob"_s}), "MONITOR + ann,bob\r\n");
        row("history after a message", Outbound::chathistoryAfter(u"#q"_s, u"msgid=x1"_s, 200),
            "CHATHISTORY AFTER #q msgid=x1 200\r\n");
        row("history with no point", Outbound::chathistoryAfter(u"#q"_s, {}, 50),
            "CHATHISTORY LATEST #q * 50\r\n");
        row("list", Outbound::list(), "LIST\r\n");
        row("list by users", Outbound::list(1, 500), "LIST >1,<500\r\n");

        row("nick", Outbound::nick(u"Me"_s), "NICK Me\r\n");
        row("user", Outbound::user(u"me"_s, u"Real Name"_s), "USER me empty empty :Real Name\r\n");
        row("away", Outbound::away(u"out to lunch"_s), "AWAY :out to lunch\r\n");
        row("away, message empty", Outbound::away(QString()), "AWAY :\r\n");
        row("back", Outbound::away(), "AWAY\r\n");
        row("quit", Outbound::quit(u"see you"_s), "QUIT :see you\r\n");
        row("quit, message empty", Outbound::quit(QString()), "QUIT :\r\n");
        row("quit without message", Outbound::quit(), "QUIT\r\n");
        row("pong", Outbound::pong(u"irc.test"_s), "PONG :irc.test\r\n");
    }
    void linesOnTheWire()
    {
        QFETCH(QString, line);
        QFETCH(QByteArray, wire);
        QCOMPARE(Wire::encodeLine(line), wire);
    }
};

QUORL_TEST(OutboundTest)
#include "outboundtest.moc"
