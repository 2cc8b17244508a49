// The capabilities against real peers: what InspIRCd offers and the client takes, with
// history played on join, echoed lines, labeled replies and message times on the wire;
// and ZNC in front of it, whose playback after a reconnect carries the times the lines
// were said, and whose other clients' lines come back as the user's own.
#include "chat/chatdocument.h"
#include "chat/windowregistry.h"
#include "client/client.h"
#include "irc/outbound.h"
#include "irc/serverline.h"
#include "irc/userline.h"
#include "support/inspircdserver.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"
#include "support/zncserver.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {
// Another user on a server, on a plain socket.
struct RawUser
{
    QTcpSocket socket;
    QByteArray received;

    bool connect(quint16 port, const QString& nick, const QString& pass = QString())
    {
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (!socket.waitForConnected(5000))
            return false;
        if (!pass.isEmpty())
            send(pass);
        send(QStringLiteral("NICK ") + nick);
        send(QStringLiteral("USER ") + nick + QStringLiteral(" 0 * :") + nick);
        return waitFor(" 001 ");
    }
    void send(const QString& line)
    {
        socket.write(line.toUtf8() + "\r\n");
        socket.flush();
    }
    bool waitFor(const QByteArray& text, int ms = 10000)
    {
        return QTest::qWaitFor(
            [&] {
                received += socket.readAll();
                return received.contains(text);
            },
            ms);
    }
};

// What a client saw of one kind of line: the line's text with what its tags said.
struct Seen
{
    QString sender;
    QString text;
    QDateTime time;
    QString msgid;
    bool history = false;
    QString batchType;
};

struct PeerClient
{
    ScriptedPrompts prompts;
    Client client{QStringLiteral("/tmp/quorl-e2e/"), prompts};
    QStringList capLines;  // the server's CAP LS and the client's CAP REQ, as on the wire
    QStringList sentLines; // what the raw data shows of the client's own lines
    QString password;      // the server's, given in the irc:// address
    QList<Seen> messages;  // every PRIVMSG
    QStringList labelsOf311;

    // everyCapability: every capability the protocol layer can take is asked for, not
    // only those the handlers want.
    explicit PeerClient(const QString& nick, const QString& pass = QString(),
                        bool everyCapability = true)
        : password(pass)
    {
        client.session().ident().setPort(0);
        if (everyCapability)
            client.session().capabilities().setWanted(CapNegotiation::supported());
        client.options().user.nicknames = {nick};
        client.session().setNickname(nick);
        Session& session = client.session();
        QObject::connect(&session, &Session::rawLineRecorded, &client,
                         [this](const QString& line, const QString& from) {
                             if (from == u"user")
                                 sentLines << line;
                             if (line.contains(QStringLiteral("CAP * LS")) ||
                                 line.contains(QStringLiteral("CAP unknown-nick LS")) ||
                                 line.startsWith(QStringLiteral("CAP REQ")))
                                 capLines << line;
                         });
        QObject::connect(&session, &Session::userLineReceived, &client, [this](const QString& l) {
            const std::optional<UserLine> m = UserLine::parse(l);
            if (!m || m->command != QLatin1String("PRIVMSG"))
                return;
            const OpenBatches& batches = client.session().batches();
            const OpenBatches::Batch* batch = batches.batchOf(m->tags);
            messages << Seen{m->sender,
                             m->rest,
                             m->tags.time(),
                             m->tags.msgid(),
                             batches.within(m->tags, u"chathistory"),
                             batch ? batch->type : QString()};
        });
        QObject::connect(&session, &Session::serverLineReceived, &client, [this](const QString& l) {
            const std::optional<ServerLine> r = ServerLine::parse(l);
            if (r && r->command == QLatin1String("311"))
                labelsOf311 << client.session().batches().labelOf(r->tags);
        });
    }
    bool connectTo(quint16 port)
    {
        const QString login =
            password.isEmpty()
                ? QString()
                : u":"_s + QString::fromLatin1(QUrl::toPercentEncoding(password)) + u'@';
        return client.connectToAddress(u"irc://"_s + login + u"127.0.0.1:"_s +
                                       QString::number(port)) &&
               QTest::qWaitFor([this] { return client.session().isRegistered(); }, 15000);
    }
    const Seen* find(const QString& text) const
    {
        for (const Seen& seen : messages)
            if (seen.text == text)
                return &seen;
        return nullptr;
    }
    bool waitFor(const QString& text, int ms = 10000)
    {
        return QTest::qWaitFor([&] { return find(text) != nullptr; }, ms);
    }
    QString status() const { return const_cast<Client&>(client).statusLog().lines().join(u'|'); }
};

// Starts the IRC server; false, with the test skipped or failed, when it cannot run.
bool started(InspircdServer& server)
{
    if (server.start())
        return true;
    if (server.error().contains(QStringLiteral("not installed")))
        QTest::qSkip(qPrintable(server.error()), __FILE__, __LINE__);
    else
        QTest::qFail(qPrintable(server.error()), __FILE__, __LINE__);
    return false;
}

QStringList sorted(QStringList names)
{
    names.sort();
    return names;
}
} // namespace

class RealPeersTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void inspircd()
    {
        InspircdServer server;
        if (!started(server))
            return;
        // Someone keeps a channel with history, and has said a line there.
        RawUser alice;
        QVERIFY(alice.connect(server.port(), QStringLiteral("alice")));
        alice.send(QStringLiteral("JOIN #h"));
        alice.send(QStringLiteral("MODE #h +H 10:1h"));
        QVERIFY(alice.waitFor("+H"));
        const QDateTime beforeSaid = QDateTime::currentDateTimeUtc().addSecs(-1);
        alice.send(QStringLiteral("PRIVMSG #h :said before you came"));

        PeerClient peer(QStringLiteral("capable"));
        QVERIFY2(peer.connectTo(server.port()), qPrintable(peer.status()));
        for (const QString& line : peer.capLines)
            qInfo("inspircd: %s", qPrintable(line));
        QCOMPARE(sorted(peer.client.session().capabilities().enabled()),
                 (QStringList{"account-notify", "account-tag", "away-notify", "batch", "cap-notify",
                              "chghost", "echo-message", "extended-join", "invite-notify",
                              "labeled-response", "message-tags", "multi-prefix", "server-time",
                              "setname", "userhost-in-names"}));

        // The line said before the join comes as history, with the time it was said.
        Session& session = peer.client.session();
        qInfo("inspircd: MONITOR=%s", qPrintable(session.serverFeatures().value("MONITOR")));
        QVERIFY(session.serverFeatures().value(QStringLiteral("MONITOR")).toInt() > 0);
        session.sendLine(Outbound::join(QStringLiteral("#h")));
        QVERIFY2(peer.waitFor(QStringLiteral("said before you came")), qPrintable(peer.status()));
        const Seen history = *peer.find(QStringLiteral("said before you came"));
        QVERIFY(history.history);
        QVERIFY2(history.time >= beforeSaid && history.time <= QDateTime::currentDateTimeUtc(),
                 qPrintable(history.time.toString(Qt::ISODateWithMs)));
        QVERIFY(!history.msgid.isEmpty());

        // The client's own line comes back once, as the server took it; a live line is
        // not history; a labeled WHOIS is answered under its label.
        session.sendLine(Outbound::privmsg(QStringLiteral("#h"), QStringLiteral("my own")));
        alice.send(QStringLiteral("PRIVMSG #h :said live"));
        const QString label = session.sendLabeled(Outbound::whois(QStringLiteral("alice")));
        QVERIFY(!label.isEmpty());
        QVERIFY(peer.waitFor(QStringLiteral("my own")));
        QVERIFY(peer.waitFor(QStringLiteral("said live")));
        QVERIFY(QTest::qWaitFor([&] { return !peer.labelsOf311.isEmpty(); }, 5000));
        QCOMPARE(peer.labelsOf311, QStringList{label});
        const Seen own = *peer.find(QStringLiteral("my own"));
        QCOMPARE(own.sender, QStringLiteral("capable"));
        QVERIFY(own.time.isValid() && !own.msgid.isEmpty() && !own.history);
        const Seen live = *peer.find(QStringLiteral("said live"));
        QVERIFY(live.time.isValid() && !live.history);
        QVERIFY(live.msgid != history.msgid);
    }

    // The notify list on a server that offers MONITOR: watched there and never polled,
    // an arrival and a departure told as the server reports them.
    void notifyListIsWatchedByMonitor()
    {
        InspircdServer server;
        if (!started(server))
            return;
        PeerClient peer(QStringLiteral("watcher"));
        QStringList sent;
        QObject::connect(&peer.client.session(), &Session::rawLineRecorded, &peer.client,
                         [&sent](const QString& line, const QString& direction) {
                             if (direction == QLatin1String("user"))
                                 sent << line;
                         });
        peer.client.notifyList().setNicknames({QStringLiteral("alice")});
        QVERIFY2(peer.connectTo(server.port()), qPrintable(peer.status()));
        QVERIFY(QTest::qWaitFor([&] { return sent.contains(QStringLiteral("MONITOR + alice")); },
                                5000));

        RawUser alice;
        QVERIFY(alice.connect(server.port(), QStringLiteral("alice")));
        QVERIFY2(
            QTest::qWaitFor(
                [&] { return peer.status().contains(QStringLiteral("alice has joined IRC.")); },
                5000),
            qPrintable(peer.status()));
        QVERIFY(peer.client.notifyList().entries().at(0).present);
        alice.send(QStringLiteral("QUIT :bye"));
        QVERIFY2(QTest::qWaitFor(
                     [&] { return peer.status().contains(QStringLiteral("alice has Left IRC.")); },
                     5000),
                 qPrintable(peer.status()));
        QVERIFY(sent.filter(QRegularExpression(QStringLiteral("^ISON"))).isEmpty());
    }

    // What the user types, against a server that echoes it and labels replies: a line
    // is shown once as it comes back, one the server refuses (a moderated channel) is not
    // shown as said, and a WHOIS is answered in the window it was typed in.
    void typedLinesAndWhoisOnInspircd()
    {
        InspircdServer server;
        if (!started(server))
            return;
        RawUser alice;
        QVERIFY(alice.connect(server.port(), QStringLiteral("alice")));
        alice.send(QStringLiteral("JOIN #open"));
        alice.send(QStringLiteral("JOIN #quiet"));
        alice.send(QStringLiteral("MODE #quiet +m"));
        QVERIFY(alice.waitFor("+m"));
        PeerClient peer(QStringLiteral("talker"));
        peer.client.session().capabilities().setWanted({QStringLiteral("server-time"),
                                                        QStringLiteral("batch"),
                                                        QStringLiteral("labeled-response")});
        peer.client.session().capabilities().want(QStringLiteral("echo-message"));
        QVERIFY2(peer.connectTo(server.port()), qPrintable(peer.status()));
        QVERIFY(peer.client.session().capabilities().isEnabled(QStringLiteral("echo-message")));
        WindowRegistry& windows = peer.client.windows();
        peer.client.session().sendLine(Outbound::join(QStringLiteral("#open")));
        peer.client.session().sendLine(Outbound::join(QStringLiteral("#quiet")));
        QVERIFY(QTest::qWaitFor(
            [&] { return windows.findChannelWindow(QStringLiteral("#quiet")) != nullptr; }, 5000));
        ChatWindow* open = windows.findChannelWindow(QStringLiteral("#open"));
        ChatWindow* quiet = windows.findChannelWindow(QStringLiteral("#quiet"));
        QVERIFY(open && quiet);
        const auto shown = [](ChatWindow* window, const QString& text) {
            return window->document->plainLines().filter(text).size();
        };

        peer.client.commands().enterLine(quiet, QStringLiteral("muted words"));
        peer.client.commands().enterLine(open, QStringLiteral("said here"));
        QVERIFY(alice.waitFor("said here"));
        QVERIFY(
            QTest::qWaitFor([&] { return shown(open, QStringLiteral("said here")) > 0; }, 5000));
        QCOMPARE(shown(open, QStringLiteral("<talker> said here")), 1);
        QCOMPARE(shown(quiet, QStringLiteral("muted words")), 0);
        QVERIFY(!alice.received.contains("muted words"));

        peer.client.commands().enterLine(open, QStringLiteral("/whois alice"));
        QVERIFY2(
            QTest::qWaitFor([&] { return shown(open, QStringLiteral("*** alice is ")) > 0; }, 5000),
            qPrintable(peer.status()));
        QCOMPARE(shown(quiet, QStringLiteral("*** alice is ")), 0);
    }

    // The nick list as the server's capabilities keep it, with only what the handlers ask
    // for requested: a member who is operator and voiced stays voiced when de-opped, the
    // hosts come with the names, away and back and a new real name reach the list, and an
    // invitation of someone else is told in the channel.
    void nickListFollowsTheServer()
    {
        InspircdServer server;
        if (!started(server))
            return;
        RawUser alice;
        QVERIFY(alice.connect(server.port(), QStringLiteral("alice")));
        alice.send(QStringLiteral("JOIN #n"));
        alice.send(QStringLiteral("MODE #n +v alice"));
        QVERIFY(alice.waitFor("+v"));
        RawUser bob;
        QVERIFY(bob.connect(server.port(), QStringLiteral("bob")));

        PeerClient peer(QStringLiteral("watcher"), QString(), false);
        QVERIFY2(peer.connectTo(server.port()), qPrintable(peer.status()));
        const QString requested = peer.capLines.filter(QStringLiteral("CAP REQ")).join(u' ');
        qInfo("inspircd, wanted by the handlers: %s", qPrintable(requested));
        for (const char* capability :
             {"multi-prefix", "userhost-in-names", "invite-notify", "away-notify", "account-notify",
              "extended-join", "account-tag", "chghost", "setname"})
            QVERIFY2(requested.contains(QLatin1String(capability)), capability);

        peer.client.session().sendLine(Outbound::join(QStringLiteral("#n")));
        WindowRegistry& windows = peer.client.windows();
        QVERIFY(QTest::qWaitFor(
            [&] {
                const ChatWindow* w = windows.findChannelWindow(QStringLiteral("#n"));
                return w && w->nickList.count() == 2;
            },
            10000));
        ChatWindow* channel = windows.findChannelWindow(QStringLiteral("#n"));
        NickList& nicks = channel->nickList;
        QCOMPARE(nicks.rankOf(QStringLiteral("alice")), NickList::Operator);
        const NickList::Details* known = nicks.details(QStringLiteral("alice"));
        QVERIFY(known);
        QCOMPARE(known->ranks, QStringLiteral("ab"));
        QVERIFY2(known->userHost.startsWith(QStringLiteral("alice@")), qPrintable(known->userHost));

        // Invitations are told to the channel's operators.
        alice.send(QStringLiteral("MODE #n +o watcher"));
        QVERIFY(QTest::qWaitFor([&] { return channel->myStatus == QLatin1String("op"); }, 5000));
        alice.send(QStringLiteral("MODE #n -o alice"));
        QVERIFY(QTest::qWaitFor([&] { return nicks.rankOf("alice") == NickList::Voiced; }, 5000));
        alice.send(QStringLiteral("AWAY :out for lunch"));
        QVERIFY(QTest::qWaitFor([&] { return nicks.details("alice")->away; }, 5000));
        alice.send(QStringLiteral("AWAY"));
        alice.send(QStringLiteral("SETNAME :Alice Liddell"));
        QVERIFY(QTest::qWaitFor(
            [&] { return nicks.details("alice")->realName == QLatin1String("Alice Liddell"); },
            5000));
        QVERIFY(!nicks.details("alice")->away);

        // Operators may invite: the watcher gives alice her rank back.
        peer.client.session().sendLine(
            Outbound::mode(QStringLiteral("#n"), QStringLiteral("+o"), QStringLiteral("alice")));
        QVERIFY(QTest::qWaitFor([&] { return nicks.rankOf("alice") == NickList::Operator; }, 5000));
        alice.send(QStringLiteral("INVITE bob #n"));
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         return channel->document->plainLines().contains(
                             QStringLiteral("*** alice has Invited bob to #n."));
                     },
                     5000),
                 qPrintable(channel->document->plainLines().join(u'\n')));
    }

    void zncPlayback()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("znc")).isEmpty())
            QSKIP("znc is not installed (scripts/install-deps installs it)");
        InspircdServer server;
        if (!started(server))
            return;
        ZncServer znc;
        QVERIFY2(znc.start(server.port()), qPrintable(znc.error()));
        RawUser alice;
        QVERIFY(alice.connect(server.port(), QStringLiteral("alice")));
        // The bouncer is on the network once its nickname is.
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         alice.send(QStringLiteral("ISON ") + ZncServer::nickname());
                         return alice.waitFor(" 303 alice :" + ZncServer::nickname().toUtf8(), 300);
                     },
                     15000),
                 qPrintable(znc.log()));

        // The client joins through the bouncer, then leaves it.
        {
            PeerClient peer(QStringLiteral("bouncy"), ZncServer::password());
            QVERIFY2(peer.connectTo(znc.port()), qPrintable(peer.status() + znc.log()));
            for (const QString& line : peer.capLines)
                qInfo("znc: %s", qPrintable(line));
            // The bouncer's password went as PASS, before the nickname, and the raw data
            // does not show it.
            QVERIFY(peer.sentLines.indexOf(u"PASS (hidden)"_s) >= 0);
            QVERIFY(peer.sentLines.indexOf(u"PASS (hidden)"_s) <
                    peer.sentLines.indexOf(u"NICK bouncy"_s));
            QVERIFY(peer.sentLines.filter(u"secret"_s).isEmpty());
            peer.client.session().sendLine(Outbound::join(QStringLiteral("#znc")));
            // The bouncer is in the channel: in the names alice gets, or joining after her.
            alice.received.clear();
            alice.send(QStringLiteral("JOIN #znc"));
            QVERIFY(alice.waitFor("JOIN :#znc"));
            QVERIFY(alice.waitFor(ZncServer::nickname().toUtf8()));
            peer.client.session().disconnectFromServer();
        }

        // Lines said meanwhile; the client comes back a few seconds later.
        const QDateTime beforeSaid = QDateTime::currentDateTimeUtc().addSecs(-1);
        alice.send(QStringLiteral("PRIVMSG #znc :while you were away"));
        alice.send(QStringLiteral("PRIVMSG #znc :and another"));
        QTest::qWait(2500);
        const QDateTime back = QDateTime::currentDateTimeUtc();
        PeerClient peer(QStringLiteral("bouncy"), ZncServer::password());
        QVERIFY2(peer.connectTo(znc.port()), qPrintable(peer.status()));
        QVERIFY2(peer.waitFor(QStringLiteral("and another")), qPrintable(peer.status()));
        for (const QString& text :
             {QStringLiteral("while you were away"), QStringLiteral("and another")}) {
            const Seen* seen = peer.find(text);
            QVERIFY(seen);
            QCOMPARE(seen->sender, QStringLiteral("alice"));
            qInfo("znc playback: %s at %s in a %s batch", qPrintable(text),
                  qPrintable(seen->time.toString(Qt::ISODateWithMs)), qPrintable(seen->batchType));
            QVERIFY2(seen->time >= beforeSaid && seen->time < back,
                     qPrintable(seen->time.toString(Qt::ISODateWithMs)));
        }

        // What the user says from another device comes back as the user's own.
        RawUser phone;
        QVERIFY(phone.connect(znc.port(), QStringLiteral("phone"), ZncServer::passLine()));
        phone.send(QStringLiteral("PRIVMSG #znc :from my phone"));
        QVERIFY2(peer.waitFor(QStringLiteral("from my phone")), qPrintable(peer.status()));
        QCOMPARE(peer.find(QStringLiteral("from my phone"))->sender, ZncServer::nickname());
    }
};

QUORL_TEST(RealPeersTest)
#include "realpeerstest.moc"
