// The client against a real IRC server it did not write: connect, register, reach
// "Ready.", and leave with QUIT seen by another user on a shared channel.
#include "core/client.h"
#include "support/ngircdserver.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"

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

        client.session().sendline(QStringLiteral("JOIN #quorl"));
        QVERIFY(watcher.waitFor(QStringLiteral("JOIN")));
        QVERIFY(watcher.lastMatch().startsWith(QStringLiteral(":quorltest!")));

        client.session().disconnectFromServer();
        QVERIFY(watcher.waitFor(QStringLiteral(" QUIT ")));
        // ngircd puts the reason in quotes.
        QVERIFY2(watcher.lastMatch().contains(QStringLiteral("see you")),
                 qPrintable(watcher.lastMatch()));
        QCOMPARE(client.statusLog().last(), QStringLiteral("Disconnected."));
        QVERIFY(client.session().connectEnabled());
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
};

QUORL_TEST(NgircdTest)
#include "ngircdtest.moc"
