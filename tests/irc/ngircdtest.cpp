// The client against a real IRC server it did not write: connect, register, reach
// "Ready.", and leave with QUIT seen by another user on a shared channel.
#include "chat/windowregistry.h"
#include "client/client.h"
#include "commands/commandparser.h"
#include "commands/useractions.h"
#include "inbound/notifylist.h"
#include "support/ngircdserver.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTest>

namespace {
// A second user speaking raw IRC, to watch what the client does.
class Watcher
{
public:
    bool connectTo(quint16 port, const QString& nick)
    {
        socket_.connectToHost(QHostAddress::LocalHost, port);
        if (!socket_.waitForConnected(3000))
            return false;
        send(QStringLiteral("NICK ") + nick);
        send(QStringLiteral("USER w empty empty :Watcher"));
        return waitFor(QStringLiteral(" 376 "));
    }
    void send(const QString& line)
    {
        socket_.write(line.toUtf8() + "\r\n");
        socket_.flush();
    }
    bool waitFor(const QString& fragment, int ms = 5000)
    {
        return QTest::qWaitFor(
            [&] {
                seen_ += QString::fromUtf8(socket_.readAll());
                const qsizetype at = seen_.indexOf(fragment);
                if (at < 0)
                    return false;
                const qsizetype end = seen_.indexOf(QStringLiteral("\r\n"), at);
                lastMatch_ =
                    seen_.mid(seen_.lastIndexOf(u'\n', at) + 1,
                              (end < 0 ? seen_.size() : end) - (seen_.lastIndexOf(u'\n', at) + 1));
                seen_ = end < 0 ? QString() : seen_.mid(end + 2);
                return true;
            },
            ms);
    }
    QString lastMatch() const { return lastMatch_; }

private:
    QTcpSocket socket_;
    QString seen_;
    QString lastMatch_;
};
} // namespace

class NgircdTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void registersAndQuits()
    {
        NgircdServer server;
        QVERIFY2(server.start(), qPrintable(server.error()));
        Watcher watcher;
        QVERIFY(watcher.connectTo(server.port(), QStringLiteral("watcher")));
        watcher.send(QStringLiteral("JOIN #quorl"));
        QVERIFY(watcher.waitFor(QStringLiteral(" 366 ")));

        ScriptedPrompts prompts;
        Client client(QStringLiteral("/tmp/quorl-e2e/"), prompts);
        client.session().ident().setPort(0);
        client.options().user.nicknames = {QStringLiteral("quorltest")};
        client.session().setNickname(QStringLiteral("quorltest"));
        client.options().connection.sendQuitMessage = true;
        client.options().connection.quitMessage = QStringLiteral("see you");
        QVERIFY(client.connectToAddress(QStringLiteral("irc://127.0.0.1:") +
                                        QString::number(server.port())));
        QVERIFY2(QTest::qWaitFor([&] { return client.session().isRegistered(); }, 10000),
                 qPrintable(client.statusLog().lines().join(u'|')));

        const QStringList status = client.statusLog().lines();
        const qsizetype connected = status.indexOf(QStringLiteral("Connected - Logging In..."));
        QVERIFY(connected >= 0);
        QVERIFY(status.indexOf(QStringLiteral("Ready."), connected) > connected);
        QCOMPARE(client.session().serverPrefix(), QStringLiteral(":irc.quorl.test"));
        QCOMPARE(client.session().currentNickname(), QStringLiteral("quorltest"));

        client.session().sendLine(QStringLiteral("JOIN #quorl"));
        QVERIFY(watcher.waitFor(QStringLiteral("JOIN")));
        QVERIFY(watcher.lastMatch().startsWith(QStringLiteral(":quorltest!")));

        client.session().disconnectFromServer();
        QVERIFY(watcher.waitFor(QStringLiteral(" QUIT ")));
        // ngircd puts the reason in quotes.
        QVERIFY2(watcher.lastMatch().contains(QStringLiteral("see you")),
                 qPrintable(watcher.lastMatch()));
        QCOMPARE(client.statusLog().last(), QStringLiteral("Disconnected."));
        QCOMPARE(client.session().state(), Session::State::Disconnected);
    }

    // A server without a MOTD file answers 422 where others send 376; registration
    // completes all the same: the channel of the address is joined, the user's modes go
    // out and the server becomes a recent one.
    void registersWithoutAMotd()
    {
        NgircdServer server;
        server.setMotd(false);
        QVERIFY2(server.start(), qPrintable(server.error()));
        ScriptedPrompts prompts;
        Client client(QStringLiteral("/tmp/quorl-e2e/"), prompts);
        client.session().ident().setPort(0);
        client.options().user.nicknames = {QStringLiteral("nomotd")};
        client.session().setNickname(QStringLiteral("nomotd"));
        client.options().connection.invisible = true;
        QStringList sent;
        QObject::connect(&client.session(), &Session::rawLineRecorded,
                         [&](const QString& line, const QString& direction) {
                             if (direction == QLatin1String("user"))
                                 sent << line;
                         });
        QVERIFY(client.connectToAddress(QStringLiteral("irc://127.0.0.1:") +
                                        QString::number(server.port()) + QStringLiteral("/plain")));
        QVERIFY2(QTest::qWaitFor(
                     [&] { return client.windows().findChannelWindow(QStringLiteral("#plain")); },
                     10000),
                 qPrintable(client.statusLog().lines().join(u'|')));
        QVERIFY(client.session().isRegistered());
        const QStringList status = client.statusLog().lines();
        QVERIFY(status.contains(QStringLiteral("ERROR: Server has no MOTD.")));
        QVERIFY(status.indexOf(QStringLiteral("Ready.")) >
                status.indexOf(QStringLiteral("ERROR: Server has no MOTD.")));
        QVERIFY(sent.contains(QStringLiteral("MODE nomotd +i")));
        QVERIFY(sent.contains(QStringLiteral("AWAY")));
        QCOMPARE(client.recentServers().slots()[0].host, QStringLiteral("127.0.0.1"));
        client.shutdown();
    }

    // The user name of the USER line is one word, whatever the e-mail field holds: an
    // empty one would be refused with 461 and registration would stop.
    void registersWithAnEmptyOrSpacedUserName_data()
    {
        QTest::addColumn<QString>("email");
        QTest::newRow("empty") << QString();
        QTest::newRow("spaced") << QStringLiteral("john doe");
    }
    void registersWithAnEmptyOrSpacedUserName()
    {
        QFETCH(QString, email);
        NgircdServer server;
        QVERIFY2(server.start(), qPrintable(server.error()));
        ScriptedPrompts prompts;
        Client client(QStringLiteral("/tmp/quorl-e2e/"), prompts);
        client.session().ident().setPort(0);
        client.options().user.nicknames = {QStringLiteral("username")};
        client.session().setNickname(QStringLiteral("username"));
        client.options().user.email = email;
        QVERIFY(client.connectToAddress(QStringLiteral("irc://127.0.0.1:") +
                                        QString::number(server.port())));
        QVERIFY2(QTest::qWaitFor([&] { return client.session().isRegistered(); }, 10000),
                 qPrintable(client.statusLog().lines().join(u'|')));
        client.shutdown();
    }

    void takenNicknameRotatesAgainstARealServer()
    {
        NgircdServer server;
        QVERIFY2(server.start(), qPrintable(server.error()));
        Watcher holder;
        QVERIFY(holder.connectTo(server.port(), QStringLiteral("alpha")));

        ScriptedPrompts prompts;
        Client client(QStringLiteral("/tmp/quorl-e2e/"), prompts);
        client.session().ident().setPort(0);
        client.options().user.nicknames = {QStringLiteral("alpha"), QStringLiteral("beta")};
        client.session().setNickname(QStringLiteral("alpha"));
        QVERIFY(client.connectToAddress(QStringLiteral("irc://127.0.0.1:") +
                                        QString::number(server.port())));
        QVERIFY2(QTest::qWaitFor([&] { return client.session().isRegistered(); }, 10000),
                 qPrintable(client.statusLog().lines().join(u'|')));
        QCOMPARE(client.session().currentNickname(), QStringLiteral("beta"));
        QVERIFY(client.statusLog().lines().contains(
            QStringLiteral("alpha is already in use, trying beta instead...")));
        client.shutdown();
    }

    // A new user's afternoon: typed commands, an alias, nick-list actions and the notify
    // list, against a real server with a second user on the channel.
    void chatsAgainstARealServer()
    {
        NgircdServer server;
        QVERIFY2(server.start(), qPrintable(server.error()));
        ScriptedPrompts prompts;
        Client client(QStringLiteral("/tmp/quorl-e2e/"), prompts);
        client.session().ident().setPort(0);
        client.options().user.nicknames = {QStringLiteral("quorl")};
        client.session().setNickname(QStringLiteral("quorl"));
        client.options().textEntry.aliases = {QStringLiteral("/hi /msg #room hello $1")};
        QVERIFY(client.notifyList().addEntry(QStringLiteral("friend")));
        QVERIFY(client.connectToAddress(QStringLiteral("irc://127.0.0.1:") +
                                        QString::number(server.port())));
        QVERIFY(QTest::qWaitFor([&] { return client.session().isRegistered(); }, 10000));

        // Typed into the status window's stand-in: a private window is as good as any.
        client.windows().openPrivateChat(QStringLiteral("nobody"));
        ChatWindow* start = client.windows().findPrivateWindow(QStringLiteral("nobody"));
        QVERIFY(start);
        client.commands().enterLine(start, QStringLiteral("/join #room"));
        QVERIFY(QTest::qWaitFor(
            [&] { return client.windows().findChannelWindow(QStringLiteral("#room")); }, 5000));
        ChatWindow* room = client.windows().findChannelWindow(QStringLiteral("#room"));

        Watcher friendUser;
        QVERIFY(friendUser.connectTo(server.port(), QStringLiteral("friend")));
        friendUser.send(QStringLiteral("JOIN #room"));
        QVERIFY(QTest::qWaitFor(
            [&] { return room->nickList.indexOf(QStringLiteral("friend")) >= 0; }, 5000));
        // The notify list hears of the friend on its next poll.
        client.session().onLagTick();
        client.session().onLagTick();
        QVERIFY(QTest::qWaitFor(
            [&] {
                return client.statusLog().lines().contains(QStringLiteral("friend is on IRC.")) ||
                       client.statusLog().lines().contains(
                           QStringLiteral("friend has joined IRC."));
            },
            5000));

        client.commands().enterLine(room, QStringLiteral("good afternoon"));
        QVERIFY(friendUser.waitFor(QStringLiteral("PRIVMSG #room :good afternoon")));
        client.commands().enterLine(room, QStringLiteral("/me waves"));
        QVERIFY(friendUser.waitFor(QStringLiteral("PRIVMSG #room :\x01"
                                                  "ACTION waves\x01")));
        client.commands().enterLine(room, QStringLiteral("/msg friend psst"));
        QVERIFY(friendUser.waitFor(QStringLiteral("PRIVMSG friend :psst")));
        client.commands().enterLine(room, QStringLiteral("/hi all"));
        QVERIFY(friendUser.waitFor(QStringLiteral("PRIVMSG #room :hello all")));

        friendUser.send(QStringLiteral("PRIVMSG #room :hi quorl"));
        QVERIFY(QTest::qWaitFor(
            [&] {
                return room->document->plainLines().contains(QStringLiteral("<friend> hi quorl"));
            },
            5000));

        // The friend changes nickname: the line and the nick list follow.
        friendUser.send(QStringLiteral("NICK buddy"));
        QVERIFY(QTest::qWaitFor(
            [&] {
                return room->document->plainLines().contains(
                           QStringLiteral("*** friend is now buddy.")) &&
                       room->nickList.indexOf(QStringLiteral("buddy")) >= 0;
            },
            5000));
        friendUser.send(QStringLiteral("NICK friend"));
        QVERIFY(QTest::qWaitFor(
            [&] { return room->nickList.indexOf(QStringLiteral("friend")) >= 0; }, 5000));

        // The channel's creator is its operator: op, then kick the friend from the nick list.
        QCOMPARE(room->myStatus, QStringLiteral("op"));
        QVERIFY(client.userActions().runNickAction(QStringLiteral("Give Ops"), room,
                                                   {QStringLiteral("friend")}));
        QVERIFY(friendUser.waitFor(QStringLiteral("MODE #room +o friend")));
        QVERIFY(client.userActions().runNickAction(QStringLiteral("Kick"), room,
                                                   {QStringLiteral("friend")}));
        QVERIFY(friendUser.waitFor(QStringLiteral("KICK #room friend")));
        QVERIFY(QTest::qWaitFor(
            [&] { return room->nickList.indexOf(QStringLiteral("friend")) < 0; }, 5000));

        // A departure the notify list reports on a later poll (the server may hold the
        // QUIT back a little after the nick changes).
        friendUser.send(QStringLiteral("QUIT :bye"));
        QElapsedTimer polling;
        polling.start();
        bool left = false;
        while (!left && polling.elapsed() < 10000) {
            client.session().onLagTick();
            client.session().onLagTick();
            left = QTest::qWaitFor(
                [&] {
                    return client.statusLog().lines().contains(
                        QStringLiteral("friend has Left IRC."));
                },
                500);
        }
        QVERIFY(left);
        client.shutdown();
    }
};

QUORL_TEST(NgircdTest)
#include "ngircdtest.moc"
