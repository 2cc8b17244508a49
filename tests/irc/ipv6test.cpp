// Servers over IPv6 (address, connection, port rotation), the ident responder on both
// families, and the IPv4 address DCC offers carry when the connection is not IPv4.
#include "client/client.h"
#include "core/linelog.h"
#include "dcc/dccservice.h"
#include "irc/identresponder.h"
#include "irc/offeraddress.h"
#include "support/sessionfixture.h"
#include "support/testmain.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {
bool ipv6Loopback()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHostIPv6);
}
} // namespace

class Ipv6Test : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (!ipv6Loopback())
            QSKIP("this machine has no IPv6 loopback");
    }

    void registersAndRotatesOverIpv6()
    {
        SessionFixture f;
        FakeIrcServer gone;
        QVERIFY(gone.listen(0, QHostAddress::LocalHostIPv6));
        const quint16 deadPort = gone.port();
        gone.stopListening();
        QVERIFY(f.server.listen(0, QHostAddress::LocalHostIPv6));
        const QString ports = QString::number(deadPort) + u',' + QString::number(f.server.port());
        f.session().connectToServer(QStringLiteral("::1"), ports, QStringLiteral("Six - test"));
        QVERIFY(QTest::qWaitFor([&] { return f.session().state() == Session::State::Disconnected; },
                                5000));
        QVERIFY(f.statusHas(QStringLiteral("Attempting to Connect to ::1 on Port ") +
                            QString::number(deadPort)));
        f.session().connectToServer(QStringLiteral("::1"), ports, QStringLiteral("Six - test"));
        QVERIFY(f.server.waitForLine(QStringLiteral("USER ")));
        QCOMPARE(f.session().localAddress(), QStringLiteral("::1"));
        f.server.sendLine(QStringLiteral(":irc.test 001 Yournick :Welcome"));
        f.server.sendLine(QStringLiteral(":irc.test 376 Yournick :End of MOTD"));
        QVERIFY(f.server.waitForLine(QStringLiteral("AWAY")));
        QVERIFY(f.session().isRegistered());
    }

    void ircAddressWithIpv6Host()
    {
        SessionFixture f;
        QVERIFY(f.server.listen(0, QHostAddress::LocalHostIPv6));
        QVERIFY(f.client.connectToAddress(QStringLiteral("irc://[::1]:") +
                                          QString::number(f.server.port()) +
                                          QStringLiteral("/six")));
        QVERIFY(f.server.waitForLine(QStringLiteral("USER ")));
        QCOMPARE(f.client.channelToJoin(), QStringLiteral("#six"));
    }

    void identAnswersOnBothFamilies_data()
    {
        QTest::addColumn<QHostAddress>("from");
        QTest::newRow("IPv4") << QHostAddress(QHostAddress::LocalHost);
        QTest::newRow("IPv6") << QHostAddress(QHostAddress::LocalHostIPv6);
    }

    void identAnswersOnBothFamilies()
    {
        QFETCH(QHostAddress, from);
        LineLog status;
        IdentResponder ident([] { return QStringLiteral("joe"); }, status);
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::Any));
        const quint16 port = probe.serverPort();
        probe.close();
        ident.setPort(port);
        ident.open();
        QVERIFY(ident.isListening());
        QTcpSocket socket;
        socket.connectToHost(from, port);
        QVERIFY(socket.waitForConnected(2000));
        socket.write("6667, 1045\r\n");
        QByteArray answer;
        QVERIFY(QTest::qWaitFor(
            [&] {
                answer += socket.readAll();
                return answer.endsWith("\r\n");
            },
            3000));
        QCOMPARE(answer, QByteArray("6667, 1045: USERID : UNIX : joe\r\n"));
    }

    void dccOfferAddress_data()
    {
        QTest::addColumn<QString>("connection");
        QTest::addColumn<QStringList>("machine");
        QTest::addColumn<QString>("offered");
        const QStringList machine{"::1", "127.0.0.1", "fd00::2", "10.0.0.7", "10.0.0.8"};
        QTest::newRow("IPv4 connection") << "192.0.2.5" << machine << "192.0.2.5";
        QTest::newRow("IPv4-mapped") << "::ffff:192.0.2.5" << machine << "192.0.2.5";
        QTest::newRow("IPv6 connection") << "2001:db8::1" << machine << "10.0.0.7";
        QTest::newRow("IPv6 loopback") << "::1" << machine << "10.0.0.7";
        QTest::newRow("no connection") << "" << machine << "10.0.0.7";
        QTest::newRow("no IPv4 but loopback")
            << "2001:db8::1" << QStringList{"::1", "127.0.0.1", "fd00::2"} << "";
    }

    void dccOfferAddress()
    {
        QFETCH(QString, connection);
        QFETCH(QStringList, machine);
        QFETCH(QString, offered);
        QList<QHostAddress> addresses;
        for (const QString& a : machine)
            addresses << QHostAddress(a);
        QCOMPARE(::dccOfferAddress(connection, addresses), offered);
    }

    // Over IPv6 on a machine without an IPv4 address, a DCC chat or file offer says why
    // it cannot carry an address and goes out passive: the peer listens, nothing here does.
    void passiveDccOffersWithoutAnIpv4Address()
    {
        SessionFixture f;
        QTemporaryDir folder;
        QFile file(folder.filePath(QStringLiteral("a.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("data") == 4);
        file.close();
        f.session().setMachineAddresses([] {
            return QList<QHostAddress>{QHostAddress(QStringLiteral("::1")),
                                       QHostAddress(QStringLiteral("127.0.0.1")),
                                       QHostAddress(QStringLiteral("fd00::2"))};
        });
        QVERIFY(f.server.listen(0, QHostAddress::LocalHostIPv6));
        f.session().connectToKnownHost(QStringLiteral("::1"), f.server.port(),
                                       QStringLiteral("Six - test"));
        QVERIFY(f.server.waitForLine(QStringLiteral("USER ")));
        f.server.sendLine(QStringLiteral(":irc.test 001 me :Welcome"));
        f.server.sendLine(QStringLiteral(":irc.test 376 me :End of MOTD"));
        QVERIFY(f.server.waitForLine(QStringLiteral("AWAY")));
        f.server.clearReceived();
        const qsizetype before = f.status().size();

        f.client.dcc().chats().offerDccChat(QStringLiteral("bob"));
        f.client.dcc().sends().sendFile(QStringLiteral("bob"), QStringLiteral("a.txt"),
                                        folder.path());
        QVERIFY(f.sync());
        // Without an IPv4 address of its own the client asks the peer to listen: passive
        // offers with port 0 and a token, and nothing listens here.
        QStringList offers;
        for (const QString& line : f.server.received()) {
            if (line.contains(QStringLiteral("DCC")))
                offers << line.left(line.lastIndexOf(u' ')); // the token dropped
        }
        QCOMPARE(offers, (QStringList{QStringLiteral("PRIVMSG bob :\x01"
                                                     "DCC CHAT chat 16843009 0"),
                                      QStringLiteral("PRIVMSG bob :\x01"
                                                     "DCC SEND a.txt 16843009 0 4")}));
        const QString why = QStringLiteral("DCC needs an IPv4 address, and this machine has none.");
        QCOMPARE(f.status().mid(before).filter(why).size(), 2);
        QCOMPARE(f.client.dcc().sends().list().rows().size(), size_t(1));
        QVERIFY(f.client.dcc().chats().listeningPorts().isEmpty());
        QVERIFY(f.client.dcc().sends().ports().isEmpty());
    }
};

QUORL_TEST(Ipv6Test)
#include "ipv6test.moc"
