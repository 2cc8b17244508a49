// Two server connections at once: each network has its own windows, a line typed in a
// window goes out on that window's network only, ending one leaves the other connected,
// and a server that stops reading does not hold up the other network.
#include "chat/windowregistry.h"
#include "client/client.h"
#include "core/privateprofile.h"
#include "irc/tlssocket.h"
#include "script/scriptobjects.h"
#include "settings/networksettings.h"
#include "support/fakeircserver.h"
#include "support/ngircdserver.h"
#include "support/scriptedprompts.h"
#include "support/serverprocess.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// Another user on one of the servers, reading every line it is sent.
class Peer
{
public:
    bool logIn(quint16 port, const QString& nick)
    {
        QObject::connect(&socket_, &QTcpSocket::readyRead, [this] {
            while (socket_.canReadLine())
                lines_ << QString::fromUtf8(socket_.readLine()).trimmed();
        });
        socket_.connectToHost(QHostAddress::LocalHost, port);
        if (!socket_.waitForConnected(3000))
            return false;
        say(QStringLiteral("NICK ") + nick);
        say(QStringLiteral("USER p 0 * :Peer"));
        return seen(QStringLiteral(" 376 "));
    }
    void say(const QString& line)
    {
        socket_.write(line.toUtf8() + "\r\n");
        socket_.flush();
    }
    // A line containing fragment arrived (or arrives within a few seconds).
    bool seen(const QString& fragment)
    {
        return QTest::qWaitFor([&] { return !lines_.filter(fragment).isEmpty(); }, 5000);
    }
    bool has(const QString& fragment) const { return !lines_.filter(fragment).isEmpty(); }
    // Lines containing fragment arrived count times (or do within a few seconds).
    bool seenTimes(const QString& fragment, int count)
    {
        return QTest::qWaitFor([&] { return lines_.filter(fragment).size() == count; }, 5000);
    }

private:
    QTcpSocket socket_;
    QStringList lines_;
};

// Two ngircd servers, alice on the first and bob on the second, each in a channel.
struct TwoServers
{
    NgircdServer one;
    NgircdServer two;
    Peer alice;
    Peer bob;
    QString error;

    bool start(const QString& aliceChannel, const QString& bobChannel)
    {
        if (!one.start(QStringLiteral("irc.one.test")) ||
            !two.start(QStringLiteral("irc.two.test"))) {
            error = one.error() + two.error();
            return false;
        }
        if (!alice.logIn(one.port(), QStringLiteral("alice")) ||
            !bob.logIn(two.port(), QStringLiteral("bob"))) {
            error = QStringLiteral("a peer could not log in");
            return false;
        }
        alice.say(QStringLiteral("JOIN ") + aliceChannel);
        bob.say(QStringLiteral("JOIN ") + bobChannel);
        error = QStringLiteral("a peer's join was not answered");
        return alice.seen(QStringLiteral(" 366 ")) && bob.seen(QStringLiteral(" 366 "));
    }
};

QString address(quint16 port, const QString& channel = QString())
{
    return QStringLiteral("irc://127.0.0.1:") + QString::number(port) + u'/' + channel;
}

// The channel window named name on network.
ChatWindow* channelOn(Client& client, int network, const QString& name)
{
    const WindowRegistry::NetworkScope scope(client.windows(), network);
    return client.windows().findChannelWindow(name);
}

bool hasLine(const ChatWindow* window, const QString& line)
{
    return window && window->document->plainLines().contains(line);
}

// A server list of one folder (a network) per server, each on 127.0.0.1 and its port.
bool writeServerList(const QString& folder, const QList<std::pair<QString, QString>>& networks)
{
    QByteArray text = "SERVER LIST\r\n";
    for (const auto& [name, ports] : networks)
        text += '\t' + name.toUtf8() + "\r\n\t\t" + name.toUtf8() +
                " server\r\n\t\t\tHOST: 127.0.0.1\r\n\t\t\tPORT: " + ports.toUtf8() + "\r\n";
    QFile file(folder + ServerTree::fileName());
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

bool writeNetworkSettings(const QString& folder, const QString& network,
                          const NetworkSettings& settings)
{
    NetworkSettingsFile file(folder);
    if (!file.load())
        return false;
    file.setSettings(network, settings);
    return file.save();
}
} // namespace

class NetworksTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void twoServersKeepTheirOwnWindowsAndLines()
    {
        TwoServers servers;
        QVERIFY2(servers.start(u"#same"_s, u"#same"_s), qPrintable(servers.error));
        NgircdServer& one = servers.one;
        NgircdServer& two = servers.two;
        Peer& alice = servers.alice;
        Peer& bob = servers.bob;

        // A folder of its own: windows read their past from the folder's history, and
        // a past run's lines must not stand in for this run's.
        QTemporaryDir home;
        ScriptedPrompts prompts;
        Client client(home.path() + u'/', prompts);
        client.session().ident().setPort(0);
        client.session().setNickname(QStringLiteral("first"));
        QVERIFY(client.connectToAddress(address(one.port(), QStringLiteral("#same"))));
        QVERIFY(QTest::qWaitFor([&] { return channelOn(client, 0, QStringLiteral("#same")); }));
        // Connecting while connected opens a second network beside the first.
        client.commands().enterLine(channelOn(client, 0, QStringLiteral("#same")),
                                    QStringLiteral("/connect 127.0.0.1 ") +
                                        QString::number(two.port()));
        QCOMPARE(client.networkCount(), 2);
        QVERIFY(QTest::qWaitFor([&] { return client.network(1).session().isRegistered(); }));
        Session& secondSession = client.network(1).session();
        secondSession.setNickname(QStringLiteral("second"));
        QVERIFY(QTest::qWaitFor([&] { return secondSession.currentNickname() == "second"; }));
        QCOMPARE(client.network(0).session().currentNickname(), QStringLiteral("first"));
        // A connection to a server in use would connect that network again.
        QCOMPARE(&client.networkForHost(QStringLiteral("127.0.0.1"), two.port()),
                 &client.network(1));
        // Its node in the picker makes it the current network: the status strip is told its
        // nickname, and a join goes there.
        QCOMPARE(client.connection().nickname(), QStringLiteral("first"));
        QSignalSpy told(&client.connection(), &ServerConnection::nicknameChanged);
        WindowRegistry& windows = client.windows();
        for (qsizetype row = 0; row < windows.count(); ++row)
            if (windows.at(row)->kindNumber == PickerKind::NetworkNode &&
                windows.at(row)->network == 1)
                windows.picker().selectRow(int(row));
        QVERIFY(!told.isEmpty());
        QCOMPARE(told.last().at(0).toString(), QStringLiteral("second"));
        client.conversations().join(QStringLiteral("#same"));
        QVERIFY(bob.seen(QStringLiteral(":second!")));
        QVERIFY(QTest::qWaitFor([&] { return channelOn(client, 1, QStringLiteral("#same")); }));
        ChatWindow* first = channelOn(client, 0, QStringLiteral("#same"));
        ChatWindow* second = channelOn(client, 1, QStringLiteral("#same"));
        QVERIFY(first != second);

        // What is said on each server lands in its own network's window; the raw data view
        // names the network of each line.
        client.rawData().setShowing(true);
        QSignalSpy raw(&client.rawData(), &RawData::lineShown);
        alice.say(QStringLiteral("PRIVMSG #same :from one"));
        bob.say(QStringLiteral("PRIVMSG #same :from two"));
        QVERIFY(QTest::qWaitFor([&] {
            return hasLine(first, QStringLiteral("<alice> from one")) &&
                   hasLine(second, QStringLiteral("<bob> from two"));
        }));
        QVERIFY(!hasLine(first, QStringLiteral("<bob> from two")));
        QVERIFY(!hasLine(second, QStringLiteral("<alice> from one")));
        const auto rawLines = [&raw](const QString& fragment) {
            QStringList lines;
            for (const QList<QVariant>& shown : std::as_const(raw))
                lines << shown.at(0).toString();
            return lines.filter(fragment).size();
        };
        QVERIFY(QTest::qWaitFor([&] { return rawLines(u"from"_s) == 2; }));
        QCOMPARE(rawLines(u"[irc.one.test] :alice!"_s), 1);
        QCOMPARE(rawLines(u"[irc.two.test] :bob!"_s), 1);

        // A line and a command typed in a window go out on that window's network only.
        client.commands().enterLine(second, QStringLiteral("typed on two"));
        client.commands().enterLine(first, QStringLiteral("/me typed on one"));
        QVERIFY(bob.seen(QStringLiteral("PRIVMSG #same :typed on two")));
        QVERIFY(alice.seen(QStringLiteral("PRIVMSG #same :\x01"
                                          "ACTION typed on one")));
        QVERIFY(!alice.has(QStringLiteral("typed on two")));
        QVERIFY(!bob.has(QStringLiteral("typed on one")));

        // A script object that names a network serves that network alone, known by any
        // of its names; the channel's name is the same on both.
        Scripts& scripts = client.scripts();
        QVERIFY(QDir().mkpath(scripts.objectsFolder()));
        QFile object(scripts.objectPath(QStringLiteral("greettwo")));
        QVERIFY(object.open(QIODevice::WriteOnly | QIODevice::Truncate));
        object.write("[DATA]\r\ntype=channelautogreet\r\nchannel=#same\r\n"
                     "network=IRC.Two.Test\r\nmessage=hi <nick> from <yournick>\r\n"
                     "sendto=0\r\nsendas=3\r\n");
        object.close();
        const QString added = scripts.addObject(QStringLiteral("greettwo.obj"));
        QCOMPARE(added, QStringLiteral("greettwo"));
        scripts.setEnabled(int(scripts.entries().size()) - 1, true);
        alice.say(QStringLiteral("PART #same"));
        alice.say(QStringLiteral("JOIN #same"));
        QVERIFY(QTest::qWaitFor([&] { return first->nickList.indexOf(u"alice"_s) >= 0; }));
        bob.say(QStringLiteral("PART #same"));
        bob.say(QStringLiteral("JOIN #same"));
        QVERIFY(bob.seen(QStringLiteral("PRIVMSG #same :hi bob from second")));
        // Anything the greeting had queued on the first network would go out before this.
        client.commands().enterLine(first, QStringLiteral("after the joins"));
        QVERIFY(alice.seen(QStringLiteral("after the joins")));
        QVERIFY(!alice.has(QStringLiteral("hi alice")));

        // /quit ends the window's network; the other stays, with its window, and the status
        // strip shows it once the window shown has gone.
        windows.picker().selectRow(int(windows.indexOf(first)));
        QCOMPARE(client.connection().nickname(), QStringLiteral("first"));
        client.commands().enterLine(first, QStringLiteral("/quit gone from one"));
        QVERIFY(alice.seen(QStringLiteral("gone from one")));
        QVERIFY(QTest::qWaitFor(
            [&] { return client.network(0).session().state() == Session::State::Disconnected; }));
        QVERIFY(!channelOn(client, 0, QStringLiteral("#same")));
        QCOMPARE(channelOn(client, 1, QStringLiteral("#same")), second);
        QVERIFY(client.network(1).session().isRegistered());
        QCOMPARE(client.connection().state(), Session::State::Registered);
        QCOMPARE(told.last().at(0).toString(), QStringLiteral("second"));
        bob.say(QStringLiteral("PRIVMSG #same :still here"));
        QVERIFY(
            QTest::qWaitFor([&] { return hasLine(second, QStringLiteral("<bob> still here")); }));
        QVERIFY(!bob.has(QStringLiteral("QUIT")));
        client.shutdown();
    }

    // One server stops reading while the client has much to say to it; the other
    // network's PING is still answered.
    void aStalledServerDoesNotHoldUpTheOther()
    {
        QTemporaryDir home;
        ScriptedPrompts prompts;
        Client client(home.path() + u'/', prompts);
        client.session().ident().setPort(0);
        client.options().user.nickname = QStringLiteral("quorl");
        FakeIrcServer stalled;
        FakeIrcServer lively;
        QVERIFY(stalled.listen());
        QVERIFY(lively.listen());
        for (FakeIrcServer* server : {&stalled, &lively}) {
            QVERIFY(client.connectToAddress(address(server->port())));
            QVERIFY(server->waitForLine(QStringLiteral("USER ")));
            server->sendLine(QStringLiteral(":irc.test 001 quorl :Welcome"));
            server->sendLine(QStringLiteral(":irc.test 376 quorl :End of MOTD"));
            QVERIFY(server->waitForLine(QStringLiteral("AWAY")));
        }
        QCOMPARE(client.networkCount(), 2);

        // PONGs leave unpaced: answering these fills every buffer toward the stalled
        // server, until that network gives its connection up.
        stalled.stopReading();
        const QString payload(400, u'x');
        for (int i = 0; i < 40000; ++i)
            stalled.sendLine(QStringLiteral("PING :") + payload);
        lively.sendLine(QStringLiteral("PING :lively"));
        QVERIFY(lively.waitForLine(QStringLiteral("PONG :lively")));
        QVERIFY(QTest::qWaitFor([&] { return !client.network(0).session().isConnected(); }, 20000));
        QVERIFY(client.statusLog().lines().filter(QStringLiteral("is not reading")).size() == 1);
        lively.sendLine(QStringLiteral("PING :after"));
        QVERIFY(lively.waitForLine(QStringLiteral("PONG :after")));
        QVERIFY(client.network(1).session().isRegistered());
        client.shutdown();
    }

    // Two networks marked "connect at start" connect with their own nicknames when the
    // client starts; at shutdown both are left with QUIT, and a new start on the same
    // folder joins each network's channels again, each into its own network's window.
    void networksConnectAtStartAndRejoinTheirChannels()
    {
        TwoServers servers;
        QVERIFY2(servers.start(u"#ones"_s, u"#twos"_s), qPrintable(servers.error));
        NgircdServer& one = servers.one;
        NgircdServer& two = servers.two;
        Peer& alice = servers.alice;
        Peer& bob = servers.bob;

        QTemporaryDir home;
        const QString folder = home.path() + u'/';
        QVERIFY(writeServerList(folder, {{u"One"_s, QString::number(one.port())},
                                         {u"Two"_s, QString::number(two.port())}}));
        NetworkSettings settings;
        settings.connectAtStart = true;
        settings.nicknames = {u"onenick"_s};
        QVERIFY(writeNetworkSettings(folder, u"One"_s, settings));
        settings.nicknames = {u"twonick"_s};
        QVERIFY(writeNetworkSettings(folder, u"Two"_s, settings));

        const auto start = [&](Client& client) {
            client.session().ident().setPort(0);
            client.options().user.nickname = QStringLiteral("pagenick");
            client.loadServerList();
            client.connectAtStart();
        };
        {
            ScriptedPrompts prompts;
            Client client(folder, prompts);
            start(client);
            QCOMPARE(client.networkCount(), 2);
            QVERIFY(QTest::qWaitFor([&] {
                return client.network(0).session().isRegistered() &&
                       client.network(1).session().isRegistered();
            }));
            for (const auto& [network, channel] : {std::pair{0, u"#ones"_s}, {1, u"#twos"_s}}) {
                const WindowRegistry::NetworkScope scope(client.windows(), network);
                client.conversations().join(channel);
            }
            QVERIFY(alice.seen(QStringLiteral(":onenick!")));
            QVERIFY(bob.seen(QStringLiteral(":twonick!")));
            QVERIFY(QTest::qWaitFor([&] {
                return channelOn(client, 0, u"#ones"_s) && channelOn(client, 1, u"#twos"_s);
            }));
            QCOMPARE(client.options().user.nickname, QStringLiteral("pagenick"));
            client.shutdown();
            QVERIFY(alice.seen(QStringLiteral(" QUIT ")));
            QVERIFY(bob.seen(QStringLiteral(" QUIT ")));
        }
        ScriptedPrompts prompts;
        Client again(folder, prompts);
        start(again);
        QVERIFY(alice.seenTimes(QStringLiteral(" JOIN "), 2));
        QVERIFY(bob.seenTimes(QStringLiteral(" JOIN "), 2));
        QVERIFY(QTest::qWaitFor(
            [&] { return channelOn(again, 0, u"#ones"_s) && channelOn(again, 1, u"#twos"_s); }));
        QVERIFY(!channelOn(again, 0, u"#twos"_s));
        QVERIFY(!channelOn(again, 1, u"#ones"_s));
        // "Disconnect All" ends both networks at once.
        QCOMPARE(again.connection().sessionsInUse(), 2);
        again.connection().disconnectAll();
        QVERIFY(alice.seenTimes(QStringLiteral(" QUIT "), 2));
        QVERIFY(bob.seenTimes(QStringLiteral(" QUIT "), 2));
        QVERIFY(QTest::qWaitFor([&] { return again.connection().sessionsInUse() == 0; }));
        again.shutdown();
    }

    // A network's TLS connection presents its client certificate; its connect commands
    // go out once it is registered, in their order and before its channels are joined;
    // its own nicknames are tried in turn while the User page's stays; text that is not
    // UTF-8 is read in the network's encoding.
    void aNetworkConnectsWithItsOwnSettings()
    {
        if (!QSslSocket::supportsSsl())
            QSKIP("Qt has no TLS backend here");
        QTemporaryDir home;
        const QString folder = home.path() + u'/';
        const QString serverCert = folder + u"server.pem"_s;
        const QString serverKey = folder + u"server.key"_s;
        const QString clientCert = folder + u"client.pem"_s;
        const QString clientKey = folder + u"client.key"_s;
        QString error;
        QVERIFY2(ServerProcess::makeCertificate(serverCert, serverKey, u"127.0.0.1"_s, error),
                 qPrintable(error));
        QVERIFY2(ServerProcess::makeCertificate(clientCert, clientKey, u"netfirst"_s, error),
                 qPrintable(error));
        // The network's certificate file holds its key as well.
        QFile cert(clientCert);
        QFile key(clientKey);
        QFile combined(folder + u"net.pem"_s);
        QVERIFY(cert.open(QIODevice::ReadOnly) && key.open(QIODevice::ReadOnly) &&
                combined.open(QIODevice::WriteOnly));
        combined.write(cert.readAll() + key.readAll());
        combined.close();
        FakeIrcServer server;
        QVERIFY(server.enableTls(serverCert, serverKey));
        QVERIFY(server.listen());
        // The server's self-signed certificate is one the user accepted for good.
        PrivateProfile ini;
        ini.setValue(u"TLS"_s, u"127.0.0.1:"_s + QString::number(server.port()),
                     TlsSocket::fingerprint(QSslCertificate::fromPath(serverCert).first().toDer()));
        QVERIFY(ini.save(SettingsFile::fileName(folder)));
        QVERIFY(writeServerList(folder, {{u"Net"_s, u'+' + QString::number(server.port())}}));
        NetworkSettings settings;
        settings.certificateFile = combined.fileName();
        settings.nicknames = {u"netfirst"_s, u"netsecond"_s};
        settings.commands = {u"/msg NickServ IDENTIFY secret"_s, u"raw MODE netsecond +x"_s};
        settings.channels = {u"#net"_s, u"#locked key"_s};
        settings.encoding = u"windows-1251"_s;
        QVERIFY(writeNetworkSettings(folder, u"Net"_s, settings));

        ScriptedPrompts prompts;
        Client client(folder, prompts);
        client.session().ident().setPort(0);
        client.options().user.nickname = QStringLiteral("pagenick");
        client.loadServerList();
        client.serverTree().select(client.serverTree().nodeAt(2));
        QVERIFY(client.connectToSelectedServer());
        QVERIFY(server.waitForLine(QStringLiteral("USER "), 10000));
        QCOMPARE(server.clientCertificate(), QSslCertificate::fromPath(clientCert).first());
        QVERIFY(server.received().contains(u"NICK netfirst"_s));
        server.sendLine(QStringLiteral(":irc.test 433 * netfirst :Nickname is already in use"));
        QVERIFY(server.waitForLine(QStringLiteral("NICK netsecond")));
        server.sendLine(QStringLiteral(":irc.test 001 netsecond :Welcome"));
        server.sendLine(QStringLiteral(":irc.test 376 netsecond :End of MOTD"));
        QVERIFY(server.waitForLine(QStringLiteral("JOIN ")));
        QVERIFY(
            QTest::qWaitFor([&] { return server.received().join(u'\n').contains(u"#locked"_s); }));
        const QStringList sent = server.received();
        const qsizetype identify = sent.indexOf(u"PRIVMSG NickServ :IDENTIFY secret"_s);
        const qsizetype mode = sent.indexOf(u"MODE netsecond +x"_s);
        const qsizetype join = sent.indexOf(QRegularExpression(u"JOIN .*"_s));
        QVERIFY2(identify >= 0 && identify < mode && mode < join, qPrintable(sent.join(u'\n')));
        const QStringList joins = sent.filter(QRegularExpression(u"^JOIN "_s));
        QVERIFY2(joins.join(u' ').contains(u"#net"_s) && joins.join(u' ').contains(u"key"_s),
                 qPrintable(joins.join(u'\n')));
        QCOMPARE(client.options().user.nickname, QStringLiteral("pagenick"));
        QCOMPARE(client.session().currentNickname(), QStringLiteral("netsecond"));

        server.sendLine(QStringLiteral(":netsecond!n@h JOIN #net"));
        QVERIFY(QTest::qWaitFor([&] { return channelOn(client, 0, u"#net"_s); }));
        server.sendRaw(":bob!b@h PRIVMSG #net :\xcf\xf0\xe8\xe2\xe5\xf2\r\n");
        QVERIFY(QTest::qWaitFor(
            [&] { return hasLine(channelOn(client, 0, u"#net"_s), u"<bob> Привет"_s); }));
        client.shutdown();
    }

    // Offers that came in on one network are answered there while a window of the other is
    // shown (a prompt answered later, a resume, a passive file and chat); an ACCEPT counts
    // only from the network its RESUME went to; the Files panel names the network.
    void dccOffersAreAnsweredOnTheirOwnNetwork()
    {
        QTemporaryDir home;
        ScriptedPrompts prompts;
        Client client(home.path() + u'/', prompts);
        client.session().ident().setPort(0);
        client.options().user.nickname = QStringLiteral("quorl");
        client.options().dcc.fileInboundAction = DccOptions::FileOffer::Prompt;
        client.options().dcc.chatInboundAction = DccOptions::ChatOffer::Prompt;
        FakeIrcServer one;
        FakeIrcServer two;
        QVERIFY(one.listen());
        QVERIFY(two.listen());
        for (auto [server, name] : {std::pair{&one, "irc.one.test"}, {&two, "irc.two.test"}}) {
            QVERIFY(client.connectToAddress(address(server->port())));
            QVERIFY(server->waitForLine(QStringLiteral("USER ")));
            server->sendLine(u':' + QString::fromLatin1(name) + QStringLiteral(" 001 quorl :Hi"));
            server->sendLine(u':' + QString::fromLatin1(name) + QStringLiteral(" 376 quorl :End"));
            QVERIFY(server->waitForLine(QStringLiteral("AWAY")));
        }
        QCOMPARE(client.networkCount(), 2);
        two.sendLine(QStringLiteral(":quorl!q@h JOIN #two"));
        QVERIFY(QTest::qWaitFor([&] { return channelOn(client, 1, QStringLiteral("#two")); }));
        WindowRegistry& windows = client.windows();
        windows.picker().selectRow(int(windows.indexOf(channelOn(client, 1, u"#two"_s))));
        QCOMPARE(windows.currentNetwork(), 1);

        const QString folder = home.path() + QStringLiteral("/Received Files/");
        QVERIFY(QDir().mkpath(folder));
        QFile part(folder + QStringLiteral("part.bin"));
        QVERIFY(part.open(QIODevice::WriteOnly) && part.write("0123456789") == 10);
        part.close();
        const auto offer = [&](const QString& ctcp) {
            one.sendLine(QStringLiteral(":alice!a@h PRIVMSG quorl :\x01") + ctcp + u'\x01');
            return QTest::qWaitFor([&] { return prompts.pendingFile || prompts.pendingChat; });
        };
        QVERIFY(offer(QStringLiteral("DCC SEND part.bin 2130706433 5000 100")));
        QVERIFY(prompts.answerFile({FileOfferChoice::Resume, folder}));
        QVERIFY(one.waitForLine(QStringLiteral("PRIVMSG alice :\x01"
                                               "DCC RESUME file.ext 5000 10\x01")));
        QVERIFY(offer(QStringLiteral("DCC SEND whole.bin 2130706433 0 100 ftok")));
        QVERIFY(prompts.answerFile({FileOfferChoice::Accept, folder}));
        QVERIFY(one.waitForLine(QStringLiteral("PRIVMSG alice :\x01"
                                               "DCC SEND whole.bin 2130706433 ")));
        QVERIFY(one.received().last().endsWith(QStringLiteral(" 100 ftok\x01")));
        QVERIFY(offer(QStringLiteral("DCC CHAT chat 2130706433 0 ctok")));
        QVERIFY(prompts.answerChat(ChatRequestAnswer::Accept));
        QVERIFY(one.waitForLine(QStringLiteral("PRIVMSG alice :\x01"
                                               "DCC CHAT chat 2130706433 ")));
        // The chat window the peer's connection opens belongs to the offer's network.
        QTcpSocket peer;
        peer.connectToHost(QHostAddress::LocalHost,
                           quint16(one.received().last().split(u' ').value(6).toUInt()));
        const auto dccChat = [&]() -> ChatWindow* {
            for (qsizetype row = 0; row < windows.count(); ++row)
                if (windows.at(row)->conversationKind == ConversationKind::DccChat)
                    return windows.at(row);
            return nullptr;
        };
        QVERIFY(QTest::qWaitFor([&] { return dccChat(); }));
        QCOMPARE(dccChat()->network, 0);

        const TransferList& files = client.dcc().receives().list();
        QCOMPARE(files.rows().size(), size_t(1));
        QCOMPARE(files.rows().front().text(TransferRow::Nick), u"alice (irc.one.test)"_s);
        // Another alice on the other network cannot take up the resume.
        const QString accept = QStringLiteral(":alice!a@h PRIVMSG quorl :\x01"
                                              "DCC ACCEPT file.ext 5000 10\x01");
        two.sendLine(accept);
        two.sendLine(QStringLiteral("PING :after"));
        QVERIFY(two.waitForLine(QStringLiteral("PONG :after")));
        QCOMPARE(files.rows().size(), size_t(1));
        one.sendLine(accept);
        QVERIFY(QTest::qWaitFor([&] { return files.rows().size() == 2; }));
        QVERIFY(two.received().filter(QStringLiteral("DCC")).isEmpty());
        client.shutdown();
    }
};

QUORL_TEST(NetworksTest)
#include "networkstest.moc"
