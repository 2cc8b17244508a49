// DCC between two clients over loopback: chats offered, accepted, spoken and closed;
// files sent and received to the byte, resumed, never overwriting; the supervision
// timers with a hand-moved clock; rows removed while their transfers live.
#include "dcc/dccchat.h"
#include "dcc/dccwire.h"
#include "dccpeer.h"
#include "support/testmain.h"

#include <QDir>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <sys/resource.h>
#include <unistd.h>

namespace {

const QString X = QStringLiteral("\x01");

const TransferRow& onlyRow(TransferList& list)
{
    static const TransferRow none;
    return list.rows().size() == 1 ? list.rows().front() : none;
}

QString status(TransferList& list)
{
    return onlyRow(list).text(TransferRow::Status);
}

// The port of the last DCC offer a peer sent.
quint16 offeredPort(const DccPeer& peer)
{
    for (qsizetype i = peer.sent.size() - 1; i >= 0; --i) {
        const QString& line = peer.sent.at(i);
        if (!line.contains(QStringLiteral("DCC ")))
            continue;
        QStringList words = line.chopped(1).split(u' ');
        // "... <address> <port> <size>" for a send, "... <address> <port>" for a chat
        return quint16(
            words
                .at(line.contains(QStringLiteral("DCC SEND")) ? words.size() - 2 : words.size() - 1)
                .toUInt());
    }
    return 0;
}

} // namespace

class DccTransferTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void chatEndToEnd()
    {
        DccPeer alice(QStringLiteral("alice"));
        DccPeer bob(QStringLiteral("bob"));
        bob.client->options().dcc.chatInboundAction = DccOptions::ChatOffer::Prompt;
        alice.dcc().chats().offerDccChat(QStringLiteral("bob"));
        QCOMPARE(alice.sent.size(), 2);
        QCOMPARE(alice.sent.at(0), QStringLiteral("NOTICE bob :DCC Chat (127.0.0.1)"));
        QCOMPARE(alice.sent.at(1), QStringLiteral("PRIVMSG bob :") + X +
                                       QStringLiteral("DCC CHAT chat 2130706433 ") +
                                       QString::number(offeredPort(alice)) + X);
        QVERIFY(alice.status().contains(QStringLiteral("Requesting DCC Chat with bob....")));
        alice.relayTo(bob);
        QCOMPARE(bob.prompts.chatRequests, QStringList{QStringLiteral("alice")});
        QVERIFY(bob.prompts.answerChat(ChatRequestAnswer::Accept));
        QTRY_VERIFY(alice.dccWindow(QStringLiteral("bob")) &&
                    bob.dccWindow(QStringLiteral("alice")));
        QVERIFY(bob.status().contains(QStringLiteral("alice has Requested a DCC Chat.")));
        QCOMPARE(alice.dcc().chats().pendingCount(), 0);

        ChatWindow* toBob = alice.dccWindow(QStringLiteral("bob"));
        ChatWindow* toAlice = bob.dccWindow(QStringLiteral("alice"));
        alice.client->commands().enterLine(toBob, QStringLiteral("hello bob"));
        QTRY_VERIFY(bob.windowLines(toAlice).contains(QStringLiteral("<alice> hello bob")));
        // A line that arrives in two pieces is shown once, whole.
        bob.dcc().writeDccChat(toAlice, X.toUtf8() + "ACTION wa");
        QTest::qWait(20);
        bob.dcc().writeDccChat(toAlice, "ves" + X.toUtf8() + "\r\nsecond\n");
        QTRY_VERIFY(alice.windowLines(toBob).contains(QStringLiteral("<bob> second")));
        QVERIFY(alice.windowLines(toBob).contains(QStringLiteral("*bob waves")));
        QCOMPARE(alice.windowLines(toBob).filter(QStringLiteral("wa")).size(), 1);

        // A second offer from the same nick in other letters is dropped while the chat lives.
        bob.client->options().dcc.chatInboundAction = DccOptions::ChatOffer::Accept;
        bob.hear(QStringLiteral("ALICE"), QStringLiteral("PRIVMSG bob :") + X +
                                              QStringLiteral("DCC CHAT chat 2130706433 1065") + X);
        QCOMPARE(bob.dcc().chats().pendingCount(), 0);

        alice.client->windows().leaveWindow(toBob);
        QVERIFY(!alice.dccWindow(QStringLiteral("bob")));
        QTRY_VERIFY(
            bob.windowLines(toAlice).contains(QStringLiteral("DCC Chat has been Terminated.")));
    }

    void chatLinesAndReadingAreBounded()
    {
        DccPeer bob(QStringLiteral("bob"));
        bob.client->options().dcc.chatInboundAction = DccOptions::ChatOffer::Accept;
        QTcpServer alice;
        QVERIFY(alice.listen(QHostAddress::LocalHost));
        bob.hear(QStringLiteral("alice"), QStringLiteral("PRIVMSG bob :") + X +
                                              QStringLiteral("DCC CHAT chat 2130706433 ") +
                                              QString::number(alice.serverPort()) + X);
        QTRY_VERIFY(alice.hasPendingConnections());
        QTcpSocket* link = alice.nextPendingConnection();
        QTRY_VERIFY(bob.dccWindow(QStringLiteral("alice")));
        ChatWindow* window = bob.dccWindow(QStringLiteral("alice"));
        DccChatSession* chat = DccChats::sessionOf(window);
        QVERIFY(chat);

        // A finished line and an endless one are each cut at the bound between two
        // characters (é is two bytes, so 8192 bytes hold 4096 of them, 8191 after "a");
        // the rest of each is dropped, and the lines after them come whole.
        const QString e = QStringLiteral("é");
        link->write(("a" + e.repeated(30000) + "\nnext\n").toUtf8());
        link->write(e.repeated(30000).toUtf8());
        link->write(QByteArray(5000, 'z') + "\nlast\n");
        QTRY_VERIFY(bob.windowLines(window).contains(QStringLiteral("<alice> last")));
        const QStringList lines = bob.windowLines(window).filter(QStringLiteral("<alice>"));
        QCOMPARE(lines, (QStringList{QStringLiteral("<alice> a") + e.repeated(4095),
                                     QStringLiteral("<alice> next"),
                                     QStringLiteral("<alice> ") + e.repeated(4096),
                                     QStringLiteral("<alice> last")}));

        // A flood is read only as fast as it is shown: the rest waits in the peer, whom
        // TCP slows down.
        QByteArray flood;
        for (int i = 0; i < 4 * 1024 * 1024; ++i)
            flood += "x\n";
        link->write(flood);
        QTest::qWait(300);
        QVERIFY(link->bytesToWrite() > 0);
        QVERIFY(chat->waitingLines() <= DccChatSession::ReadAheadBytes / 2);
        QTest::qWait(50);
        QVERIFY(chat->waitingLines() <= DccChatSession::ReadAheadBytes / 2);
        link->abort();
    }

    void chatOffersWaitForThePrompt()
    {
        DccPeer bob(QStringLiteral("bob"));
        bob.client->options().dcc.chatInboundAction = DccOptions::ChatOffer::Prompt;
        const QString offer =
            QStringLiteral(" :") + X + QStringLiteral("DCC CHAT chat 2130706433 1070") + X;
        bob.hear(QStringLiteral("alice"), QStringLiteral("PRIVMSG bob") + offer);
        bob.hear(QStringLiteral("carol"), QStringLiteral("PRIVMSG bob") + offer);
        QCOMPARE(bob.prompts.chatRequests, QStringList{QStringLiteral("alice")});
        QVERIFY(bob.prompts.answerChat(ChatRequestAnswer::IgnoreUser));
        QCOMPARE(bob.prompts.chatRequests,
                 (QStringList{QStringLiteral("alice"), QStringLiteral("carol")}));
        QVERIFY(bob.client->ignoreList().isIgnored(QStringLiteral("alice"),
                                                   QStringLiteral("alice@localhost")));
        QVERIFY(bob.prompts.answerChat(ChatRequestAnswer::Reject));
        QCOMPARE(bob.dcc().chats().pendingCount(), 0);
        // A malformed offer asks nobody.
        bob.hear(QStringLiteral("dave"), QStringLiteral("PRIVMSG bob :") + X +
                                             QStringLiteral("DCC CHAT chat here 1070") + X);
        QCOMPARE(bob.prompts.chatRequests.size(), 2);
    }

    void pendingChatsExpire()
    {
        DccPeer alice(QStringLiteral("alice"));
        alice.client->options().dcc.chatInboundAction = DccOptions::ChatOffer::Accept;
        alice.dcc().chats().offerDccChat(QStringLiteral("carol"));
        // An offer nobody could reach: 10.0.0.1 port 9 from a box without that network.
        alice.hear(QStringLiteral("dave"), QStringLiteral("PRIVMSG alice :") + X +
                                               QStringLiteral("DCC CHAT chat 167772161 9") + X);
        QCOMPARE(alice.dcc().chats().pendingCount(), 2);
        alice.clock.advanceSeconds(345);
        alice.dcc().expire();
        QCOMPARE(alice.dcc().chats().pendingCount(), 2);
        alice.clock.advanceSeconds(1);
        alice.dcc().expire();
        QCOMPARE(alice.dcc().chats().pendingCount(), 0);
        QVERIFY(alice.status().contains(
            QStringLiteral("Gave up trying to setup DCC Chat with carol.")));
        QVERIFY(alice.status().contains(
            QStringLiteral("dave Requested a DCC Chat but can't be found.")));
    }

    void fileSentAndReceived_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::newRow("empty") << qint64(0);
        QTest::newRow("one byte") << qint64(1);
        QTest::newRow("exactly two blocks") << qint64(8192);
        QTest::newRow("odd size") << qint64(70001);
        QTest::newRow("several queues") << qint64(3 * 1024 * 1024 + 17);
    }
    void fileSentAndReceived()
    {
        QFETCH(qint64, size);
        DccPeer alice(QStringLiteral("alice"));
        DccPeer bob(QStringLiteral("bob"));
        bob.client->options().dcc.fileInboundAction = DccOptions::FileOffer::Get;
        const QByteArray data = patternBytes(size);
        QVERIFY(writeFile(alice.path(QStringLiteral("my data.bin")), data));
        alice.dcc().sends().sendFile(QStringLiteral("bob"), QStringLiteral("my data.bin"),
                                     alice.home.path());
        const quint16 port = offeredPort(alice);
        QCOMPARE(alice.sent.at(0), QStringLiteral("NOTICE bob :DCC Send my_data.bin (127.0.0.1)"));
        QCOMPARE(alice.sent.at(1), QStringLiteral("PRIVMSG bob :") + X +
                                       QStringLiteral("DCC SEND my_data.bin 2130706433 ") +
                                       QString::number(port) + u' ' + QString::number(size) + X);
        // The same file to the same nick again does nothing while the first is listed.
        alice.dcc().sends().sendFile(QStringLiteral("BOB"), QStringLiteral("MY DATA.bin"),
                                     alice.home.path());
        QCOMPARE(alice.dcc().sends().list().rows().size(), size_t(1));
        alice.relayTo(bob);
        TransferList& in = bob.dcc().receives().list();
        TransferList& out = alice.dcc().sends().list();
        QTRY_COMPARE(status(in), QStringLiteral("Shutting Down..."));
        // The receiver's report of the last byte ends the send at once.
        QTRY_COMPARE(status(out), QStringLiteral("Done."));
        QCOMPARE(readFile(bob.folder() + QStringLiteral("my_data.bin")), data);

        bob.tick(6);
        QCOMPARE(status(in), QStringLiteral("Done."));
        QCOMPARE(onlyRow(in).text(TransferRow::Completed), QStringLiteral("100%"));
        QCOMPARE(onlyRow(in).text(TransferRow::Done), QString::number(size));
        // The rate's time runs from the start (a second before the connection) to the last
        // byte, not through the wait that follows it.
        QCOMPARE(onlyRow(in).text(TransferRow::Rate), DccWire::rateText(size, 1000));
        QVERIFY(bob.status().contains(QStringLiteral("Successfully Received ") + bob.folder() +
                                      QStringLiteral("my_data.bin from alice.")));
        QCOMPARE(onlyRow(out).text(TransferRow::Done), QString::number(size));
        QCOMPARE(onlyRow(out).text(TransferRow::Rate), DccWire::rateText(size, 1000));
        QVERIFY(
            alice.status().contains(QStringLiteral("File Successfully Sent to bob(my data.bin)")));
        QVERIFY(alice.dcc().sends().transfers().empty());
        QVERIFY(!alice.dcc().sends().timer().isActive());
    }

    void sendEndsOnTheLastAcknowledgement_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qint64>("resumeAt");
        QTest::newRow("small file") << qint64(70000) << qint64(0);
        // Reports count modulo 2^32: the last one of this file is 100000.
        QTest::newRow("past 4 GiB, resumed")
            << (qint64(1) << 32) + 100000 << (qint64(1) << 32) - 50000;
    }
    void sendEndsOnTheLastAcknowledgement()
    {
        QFETCH(qint64, size);
        QFETCH(qint64, resumeAt);
        DccPeer alice(QStringLiteral("alice"));
        {
            QFile file(alice.path(QStringLiteral("big.bin")));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size)); // sparse
        }
        FileSends& sends = alice.dcc().sends();
        sends.sendFile(QStringLiteral("carol"), QStringLiteral("big.bin"), alice.home.path());
        const QString port = QString::number(offeredPort(alice));
        if (resumeAt > 0)
            alice.hear(QStringLiteral("carol"), QStringLiteral("PRIVMSG alice :") + X +
                                                    QStringLiteral("DCC RESUME file.ext ") + port +
                                                    u' ' + QString::number(resumeAt) + X);
        QTcpSocket carol;
        carol.connectToHost(QHostAddress::LocalHost, port.toUShort());
        const qint64 expected = size - resumeAt;
        qint64 got = 0;
        QTRY_VERIFY((got += carol.readAll().size()) == expected);
        TransferList& out = sends.list();
        QCOMPARE(status(out), QStringLiteral("Shutting Down..."));
        // A report short of the end, or one the sender cannot have earned (the right value
        // modulo 2^32 a whole 4 GiB early is not the end), leaves the connection open.
        carol.write(DccWire::acknowledgement(size - 1));
        carol.write(DccWire::acknowledgement(resumeAt - 1));
        QTest::qWait(100);
        QCOMPARE(carol.state(), QAbstractSocket::ConnectedState);
        QCOMPARE(status(out), QStringLiteral("Shutting Down..."));
        // The last report, split across two reads, closes it at once.
        const QByteArray last = DccWire::acknowledgement(size);
        carol.write(last.left(2));
        carol.flush();
        QTest::qWait(50);
        QCOMPARE(carol.state(), QAbstractSocket::ConnectedState);
        carol.write(last.mid(2));
        QTRY_COMPARE(carol.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(status(out), QStringLiteral("Done."));
        QCOMPARE(onlyRow(out).text(TransferRow::Rate), DccWire::rateText(expected, 1000));
        QVERIFY(
            alice.status().contains(QStringLiteral("File Successfully Sent to carol(big.bin)")));
        QVERIFY(sends.transfers().empty());
    }

    void silentReceiverLetGoAfterItsWait()
    {
        // A receiver that never reports: the send ends ten seconds after the last byte,
        // and its rate does not count those seconds.
        DccPeer alice(QStringLiteral("alice"));
        QVERIFY(writeFile(alice.path(QStringLiteral("f.bin")), patternBytes(8192)));
        FileSends& sends = alice.dcc().sends();
        sends.sendFile(QStringLiteral("carol"), QStringLiteral("f.bin"), alice.home.path());
        QTcpSocket carol;
        carol.connectToHost(QHostAddress::LocalHost, offeredPort(alice));
        qint64 got = 0;
        QTRY_VERIFY((got += carol.readAll().size()) == 8192);
        QTRY_COMPARE(status(sends.list()), QStringLiteral("Shutting Down..."));
        alice.tick(10);
        QCOMPARE(status(sends.list()), QStringLiteral("Shutting Down..."));
        QCOMPARE(carol.state(), QAbstractSocket::ConnectedState);
        alice.tick(1);
        QCOMPARE(status(sends.list()), QStringLiteral("Done."));
        QCOMPARE(onlyRow(sends.list()).text(TransferRow::Rate), DccWire::rateText(8192, 1000));
        QTRY_COMPARE(carol.state(), QAbstractSocket::UnconnectedState);
    }

    void acknowledgementsToTheByte()
    {
        // A sender of the test's own that sends 100 bytes more than it offered.
        DccPeer bob(QStringLiteral("bob"));
        bob.client->options().dcc.fileInboundAction = DccOptions::FileOffer::Get;
        QTcpServer sender;
        QVERIFY(sender.listen(QHostAddress::LocalHost));
        bob.hear(QStringLiteral("alice"), QStringLiteral("PRIVMSG bob :") + X +
                                              QStringLiteral("DCC SEND raw.bin 2130706433 ") +
                                              QString::number(sender.serverPort()) +
                                              QStringLiteral(" 70000") + X);
        QTRY_VERIFY(sender.hasPendingConnections());
        QTcpSocket* link = sender.nextPendingConnection();
        const QByteArray data = patternBytes(70100);
        link->write(data.left(30000));
        QByteArray acks;
        QTRY_VERIFY((acks += link->readAll()).endsWith(DccWire::acknowledgement(30000)));
        link->write(data.mid(30000));
        QTRY_VERIFY((acks += link->readAll()).endsWith(QByteArray::fromHex("00011170")));
        QCOMPARE(acks.size() % 4, 0);
        // The extra bytes are dropped and the receiver ends the transfer.
        QTRY_COMPARE(link->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(readFile(bob.folder() + QStringLiteral("raw.bin")), data.left(70000));
        bob.tick(6);
        QCOMPARE(status(bob.dcc().receives().list()), QStringLiteral("Done."));
    }

    void resumeEndToEnd()
    {
        DccPeer alice(QStringLiteral("alice"));
        DccPeer bob(QStringLiteral("bob"));
        const QByteArray data = patternBytes(100000, 3);
        QVERIFY(writeFile(alice.path(QStringLiteral("part.bin")), data));
        QVERIFY(writeFile(bob.folder() + QStringLiteral("part.bin"), data.left(30000)));
        bob.prompts.fileAnswers << FileOfferAnswer{FileOfferChoice::Resume, bob.folder()};
        alice.dcc().sends().sendFile(QStringLiteral("bob"), QStringLiteral("part.bin"),
                                     alice.home.path());
        const QString port = QString::number(offeredPort(alice));
        // A resume for a port nobody uses, or from someone else, moves nothing.
        alice.hear(QStringLiteral("bob"), QStringLiteral("PRIVMSG alice :") + X +
                                              QStringLiteral("DCC RESUME file.ext 9 5") + X);
        alice.hear(QStringLiteral("mallory"), QStringLiteral("PRIVMSG alice :") + X +
                                                  QStringLiteral("DCC RESUME file.ext ") + port +
                                                  QStringLiteral(" 99999") + X);
        QCOMPARE(alice.sent.size(), 2);
        alice.relayTo(bob);
        QCOMPARE(bob.prompts.fileOffers.size(), 1);
        QCOMPARE(bob.prompts.fileOffers.at(0).size, qint64(100000));
        QCOMPARE(FileReceives::resumableSize(bob.folder(), QStringLiteral("part.bin"), 100000),
                 qint64(30000));
        QCOMPARE(bob.sent, QStringList{QStringLiteral("PRIVMSG alice :") + X +
                                       QStringLiteral("DCC RESUME file.ext ") + port +
                                       QStringLiteral(" 30000") + X});
        bob.relayTo(alice);
        QCOMPARE(alice.sent, QStringList{QStringLiteral("PRIVMSG bob :") + X +
                                         QStringLiteral("DCC ACCEPT file.ext ") + port +
                                         QStringLiteral(" 30000") + X});
        alice.relayTo(bob);
        QTRY_COMPARE(status(bob.dcc().receives().list()), QStringLiteral("Shutting Down..."));
        QCOMPARE(readFile(bob.folder() + QStringLiteral("part.bin")), data);
        QVERIFY(!QFile::exists(bob.folder() + QStringLiteral("part(1).bin")));
        QVERIFY(bob.dcc().receives().resumeRecords().empty());
        // A file as large as the offer cannot be resumed.
        QCOMPARE(FileReceives::resumableSize(bob.folder(), QStringLiteral("part.bin"), 100000),
                 qint64(0));
    }

    void receivingNeverOverwrites()
    {
        DccPeer alice(QStringLiteral("alice"));
        DccPeer bob(QStringLiteral("bob"));
        bob.client->options().dcc.fileInboundAction = DccOptions::FileOffer::Get;
        QVERIFY(writeFile(bob.folder() + QStringLiteral("notes.txt"), "precious"));
        QVERIFY(writeFile(alice.path(QStringLiteral("notes.txt")), "new notes"));
        alice.dcc().sends().sendFile(QStringLiteral("bob"), QStringLiteral("notes.txt"),
                                     alice.home.path());
        alice.relayTo(bob);
        TransferList& in = bob.dcc().receives().list();
        QTRY_COMPARE(status(in), QStringLiteral("Shutting Down..."));
        QCOMPARE(onlyRow(in).text(TransferRow::FileName),
                 bob.folder() + QStringLiteral("notes(1).txt"));
        QCOMPARE(readFile(bob.folder() + QStringLiteral("notes.txt")), QByteArray("precious"));
        QCOMPARE(readFile(bob.folder() + QStringLiteral("notes(1).txt")), QByteArray("new notes"));
    }

    // Passive offers: the sender cannot listen (behind NAT, or no IPv4 address of its own),
    // so it offers port 0 and a token; the receiver listens and answers with the token.
    void passiveSendBetweenTwoClients()
    {
        DccPeer alice(QStringLiteral("alice"));
        DccPeer bob(QStringLiteral("bob"));
        bob.client->options().dcc.fileInboundAction = DccOptions::FileOffer::Get;
        alice.client->options().dcc.passive = true;
        const QByteArray data = patternBytes(70001, 5);
        QVERIFY(writeFile(alice.path(QStringLiteral("pass.bin")), data));
        alice.dcc().sends().sendFile(QStringLiteral("bob"), QStringLiteral("pass.bin"),
                                     alice.home.path());
        QCOMPARE(alice.sent.size(), 1);
        const QString offer = alice.sent.at(0);
        const QString head = QStringLiteral("PRIVMSG bob :") + X +
                             QStringLiteral("DCC SEND pass.bin 16843009 0 70001 ");
        QVERIFY2(offer.startsWith(head) && offer.endsWith(X), qPrintable(offer));
        const QString token = offer.mid(head.size()).chopped(1);
        QVERIFY(!token.isEmpty());
        alice.relayTo(bob);
        QCOMPARE(bob.sent.size(), 1);
        const QString answerHead =
            QStringLiteral("PRIVMSG alice :") + X + QStringLiteral("DCC SEND pass.bin 2130706433 ");
        const QString answer = bob.sent.at(0);
        QVERIFY2(answer.startsWith(answerHead) &&
                     answer.endsWith(QStringLiteral(" 70001 ") + token + X),
                 qPrintable(answer));
        // The token from someone else is an offer of theirs, not the answer.
        alice.hear(QStringLiteral("mallory"), answer);
        QCOMPARE(alice.prompts.fileOffers.size(), 1);
        QVERIFY(!alice.dcc().sends().transfers().front()->socket);
        bob.relayTo(alice);
        QTRY_COMPARE(status(bob.dcc().receives().list()), QStringLiteral("Shutting Down..."));
        QCOMPARE(readFile(bob.folder() + QStringLiteral("pass.bin")), data);
        // The send ends on the acknowledgement of its last byte, as an active one does.
        QTRY_COMPARE(status(alice.dcc().sends().list()), QStringLiteral("Done."));
        bob.tick(6);
        QCOMPARE(status(bob.dcc().receives().list()), QStringLiteral("Done."));
    }

    void passiveChatBetweenTwoClients()
    {
        DccPeer alice(QStringLiteral("alice"));
        DccPeer bob(QStringLiteral("bob"));
        bob.client->options().dcc.chatInboundAction = DccOptions::ChatOffer::Accept;
        // No IPv4 address of its own: the offer is passive without being asked to be.
        alice.client->dcc().context().ownAddress = [] { return QString(); };
        alice.dcc().chats().offerDccChat(QStringLiteral("bob"));
        QCOMPARE(alice.sent.size(), 1);
        const QString head =
            QStringLiteral("PRIVMSG bob :") + X + QStringLiteral("DCC CHAT chat 16843009 0 ");
        QVERIFY2(alice.sent.at(0).startsWith(head), qPrintable(alice.sent.at(0)));
        const QString token = alice.sent.at(0).mid(head.size()).chopped(1);
        alice.relayTo(bob);
        QCOMPARE(bob.sent.size(), 1);
        QVERIFY2(bob.sent.at(0).startsWith(QStringLiteral("PRIVMSG alice :") + X +
                                           QStringLiteral("DCC CHAT chat 2130706433 ")) &&
                     bob.sent.at(0).endsWith(u' ' + token + X),
                 qPrintable(bob.sent.at(0)));
        bob.relayTo(alice);
        QTRY_VERIFY(alice.dccWindow(QStringLiteral("bob")) &&
                    bob.dccWindow(QStringLiteral("alice")));
        QCOMPARE(alice.dcc().chats().pendingCount(), 0);
        QCOMPARE(bob.dcc().chats().pendingCount(), 0);
        alice.client->commands().enterLine(alice.dccWindow(QStringLiteral("bob")),
                                           QStringLiteral("through the NAT"));
        QTRY_VERIFY(bob.windowLines(bob.dccWindow(QStringLiteral("alice")))
                        .contains(QStringLiteral("<alice> through the NAT")));
    }

    // irssi's "/dcc send -passive" and "/dcc chat -passive" as they come from the server,
    // answered by a peer of the test's own that connects to the answer.
    void passiveOffersFromIrssi()
    {
        DccPeer bob(QStringLiteral("bob"));
        bob.prompts.fileAnswers << FileOfferAnswer{FileOfferChoice::Accept, bob.folder()};
        bob.hear(QStringLiteral("irssiu"),
                 QStringLiteral("PRIVMSG bob :") + X +
                     QStringLiteral("DCC SEND \"two words.txt\" 16843009 0 5 7") + X);
        QCOMPARE(bob.prompts.fileOffers.size(), 1);
        QCOMPARE(bob.sent.size(), 1);
        const QString head = QStringLiteral("PRIVMSG irssiu :") + X +
                             QStringLiteral("DCC SEND \"two words.txt\" 2130706433 ");
        QVERIFY2(bob.sent.at(0).startsWith(head) && bob.sent.at(0).endsWith(" 5 7" + X),
                 qPrintable(bob.sent.at(0)));
        QTcpSocket sender;
        sender.connectToHost(QHostAddress::LocalHost,
                             quint16(bob.sent.at(0).mid(head.size()).section(u' ', 0, 0).toUInt()));
        QVERIFY(sender.waitForConnected(3000));
        sender.write("hello");
        QByteArray acks;
        QTRY_VERIFY((acks += sender.readAll()).endsWith(DccWire::acknowledgement(5)));
        QCOMPARE(readFile(bob.folder() + QStringLiteral("two words.txt")), QByteArray("hello"));

        bob.hear(QStringLiteral("irssiu"), QStringLiteral("PRIVMSG bob :") + X +
                                               QStringLiteral("DCC CHAT CHAT 16843009 0 12") + X);
        QCOMPARE(bob.prompts.chatRequests, QStringList{QStringLiteral("irssiu")});
        QVERIFY(bob.prompts.answerChat(ChatRequestAnswer::Accept));
        QCOMPARE(bob.sent.size(), 2);
        const QString chatHead =
            QStringLiteral("PRIVMSG irssiu :") + X + QStringLiteral("DCC CHAT chat 2130706433 ");
        QVERIFY2(bob.sent.at(1).startsWith(chatHead) && bob.sent.at(1).endsWith(" 12" + X),
                 qPrintable(bob.sent.at(1)));
        QTcpSocket chat;
        chat.connectToHost(
            QHostAddress::LocalHost,
            quint16(bob.sent.at(1).mid(chatHead.size()).section(u' ', 0, 0).toUInt()));
        QVERIFY(chat.waitForConnected(3000));
        QTRY_VERIFY(bob.dccWindow(QStringLiteral("irssiu")));
        // irssi's "/me" in a chat, framed as it sends it by default.
        chat.write("CTCP_MESSAGE \x01"
                   "ACTION waves\x01\n");
        QTRY_VERIFY(bob.windowLines(bob.dccWindow(QStringLiteral("irssiu")))
                        .contains(QStringLiteral("*irssiu waves")));
        QVERIFY(bob.status().contains(QStringLiteral("irssiu has Requested a DCC Chat.")));
    }

    // irssi's passive resume: the request and the sender's answer carry port 0 and the
    // offer's token, then this side listens and the sender goes on from the position.
    void passiveOfferResumedAsIrssiDoes()
    {
        DccPeer bob(QStringLiteral("bob"));
        QVERIFY(writeFile(bob.folder() + QStringLiteral("part.bin"), "0123456789"));
        bob.prompts.fileAnswers << FileOfferAnswer{FileOfferChoice::Resume, bob.folder()};
        bob.hear(QStringLiteral("irssiu"), QStringLiteral("PRIVMSG bob :") + X +
                                               QStringLiteral("DCC SEND part.bin 16843009 0 20 7") +
                                               X);
        QCOMPARE(bob.sent, QStringList{QStringLiteral("PRIVMSG irssiu :") + X +
                                       QStringLiteral("DCC RESUME file.ext 0 10 7") + X});
        bob.hear(QStringLiteral("irssiu"), QStringLiteral("PRIVMSG bob :") + X +
                                               QStringLiteral("DCC ACCEPT part.bin 0 10 7") + X);
        QCOMPARE(bob.sent.size(), 2);
        const QString head = QStringLiteral("PRIVMSG irssiu :") + X +
                             QStringLiteral("DCC SEND part.bin 2130706433 ");
        QVERIFY2(bob.sent.at(1).startsWith(head) && bob.sent.at(1).endsWith(" 20 7" + X),
                 qPrintable(bob.sent.at(1)));
        QTcpSocket sender;
        sender.connectToHost(QHostAddress::LocalHost,
                             quint16(bob.sent.at(1).mid(head.size()).section(u' ', 0, 0).toUInt()));
        QVERIFY(sender.waitForConnected(3000));
        sender.write("abcdefghij");
        QByteArray acks;
        QTRY_VERIFY((acks += sender.readAll()).endsWith(DccWire::acknowledgement(20)));
        QCOMPARE(readFile(bob.folder() + QStringLiteral("part.bin")),
                 QByteArray("0123456789abcdefghij"));
    }

    void partialFilesResumedWithoutPrompt()
    {
        DccPeer alice(QStringLiteral("alice"));
        DccPeer bob(QStringLiteral("bob"));
        bob.client->options().dcc.fileInboundAction = DccOptions::FileOffer::Get;
        bob.client->options().dcc.resumeAutomatically = true;
        const QByteArray data = patternBytes(90000, 4);
        QVERIFY(writeFile(alice.path(QStringLiteral("movie.bin")), data));
        QVERIFY(writeFile(bob.folder() + QStringLiteral("movie.bin"), data.left(40000)));
        alice.dcc().sends().sendFile(QStringLiteral("bob"), QStringLiteral("movie.bin"),
                                     alice.home.path());
        const QString port = QString::number(offeredPort(alice));
        alice.relayTo(bob);
        QCOMPARE(bob.sent, QStringList{QStringLiteral("PRIVMSG alice :") + X +
                                       QStringLiteral("DCC RESUME file.ext ") + port +
                                       QStringLiteral(" 40000") + X});
        bob.relayTo(alice);
        alice.relayTo(bob);
        QTRY_COMPARE(status(bob.dcc().receives().list()), QStringLiteral("Shutting Down..."));
        QCOMPARE(readFile(bob.folder() + QStringLiteral("movie.bin")), data);
        QVERIFY(!QFile::exists(bob.folder() + QStringLiteral("movie(1).bin")));
    }

    // A sender that breaks off and offers the same file again at once (a resume) is heard:
    // the broken transfer is reported then, not left to block the new offer for seconds.
    void sameFileOfferedAgainAfterABreak()
    {
        DccPeer bob(QStringLiteral("bob"));
        bob.client->options().dcc.fileInboundAction = DccOptions::FileOffer::Get;
        QTcpServer sender;
        QVERIFY(sender.listen(QHostAddress::LocalHost));
        const QString offer = QStringLiteral("PRIVMSG bob :") + X +
                              QStringLiteral("DCC SEND part.bin 2130706433 ") +
                              QString::number(sender.serverPort()) + QStringLiteral(" 20") + X;
        bob.hear(QStringLiteral("alice"), offer);
        QTRY_VERIFY(sender.hasPendingConnections());
        std::unique_ptr<QTcpSocket> peer(sender.nextPendingConnection());
        peer->write("0123456789");
        QTRY_COMPARE(QFileInfo(bob.folder() + QStringLiteral("part.bin")).size(), qint64(10));
        peer->disconnectFromHost();
        QTRY_COMPARE(bob.dcc().receives().transfers().front()->state,
                     FileReceives::State::KilledBySender);

        bob.hear(QStringLiteral("alice"), offer);
        QVERIFY(bob.status().contains(QStringLiteral("File Receive Terminated (") + bob.folder() +
                                      QStringLiteral("part.bin) by alice.")));
        QCOMPARE(bob.dcc().receives().transfers().size(), size_t(1));
        QCOMPARE(bob.dcc().receives().transfers().front()->state, FileReceives::State::Looking);
        QTRY_VERIFY(sender.hasPendingConnections());
    }

    void incomingTransfersAreLimited()
    {
        DccPeer bob(QStringLiteral("bob"));
        bob.client->options().dcc.fileInboundAction = DccOptions::FileOffer::Get;
        bob.client->options().dcc.maxIncoming = 2;
        // A sender that accepts and then says nothing.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        const auto offer = [&](const QString& name) {
            bob.hear(QStringLiteral("alice"),
                     QStringLiteral("PRIVMSG bob :") + X + QStringLiteral("DCC SEND ") + name +
                         QStringLiteral(" 2130706433 ") + QString::number(silent.serverPort()) +
                         QStringLiteral(" 10") + X);
        };
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            offer(QLatin1String(name));
        QCOMPARE(bob.dcc().receives().transfers().size(), size_t(2));
        QVERIFY(bob.status().contains(QStringLiteral(
            "Refused the file c.txt from alice: 2 files are already being received.")));

        // No socket to be had: said at once in a status line.
        bob.client->options().dcc.maxIncoming = 10;
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_NOFILE, &saved), 0);
        // Every descriptor below the lowest free one is taken, so none can be made.
        const int lowestFree = dup(0);
        close(lowestFree);
        const rlimit none{rlim_t(lowestFree), saved.rlim_max};
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &none), 0);
        offer(QStringLiteral("d.txt"));
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &saved), 0);
        QCOMPARE(bob.dcc().receives().transfers().size(), size_t(2));
        QVERIFY2(
            bob.status().last().startsWith(QStringLiteral("Could not receive d.txt from alice: ")),
            qPrintable(bob.status().last()));
    }

    void sendCommandPaths()
    {
        DccPeer alice(QStringLiteral("alice"));
        ChatWindow* channel = alice.client->windows().createChannelWindow(QStringLiteral("#x"));
        QVERIFY(QDir(alice.home.path()).mkpath(QStringLiteral("with spaces")));
        QVERIFY(writeFile(alice.path(QStringLiteral("with spaces/my file.txt")), "abc"));
        alice.client->commands().enterLine(
            channel, QStringLiteral("/dcc send bob \"") +
                         alice.path(QStringLiteral("with spaces/my file.txt")) + u'"');
        QCOMPARE(alice.sent.size(), 2);
        QVERIFY2(alice.sent.at(1).contains(QStringLiteral("DCC SEND my_file.txt 2130706433 ")),
                 qPrintable(alice.sent.at(1)));
        // What cannot be sent says why.
        alice.client->commands().enterLine(channel, QStringLiteral("/dcc send bob ") +
                                                        alice.path(QStringLiteral("nothing.txt")));
        alice.client->commands().enterLine(channel, QStringLiteral("/dcc send bob ") +
                                                        alice.path(QStringLiteral("with spaces")));
        QCOMPARE(alice.sent.size(), 2);
        const QStringList said = alice.status().mid(alice.status().size() - 2);
        QCOMPARE(said,
                 (QStringList{
                     QStringLiteral("Cannot send ") + alice.path(QStringLiteral("nothing.txt")) +
                         QStringLiteral(" to bob: there is no such file."),
                     QStringLiteral("Cannot send ") + alice.path(QStringLiteral("with spaces")) +
                         QStringLiteral(" to bob: it is a folder, not a file.")}));
    }

    void offersThatStartNothing_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QStringList>("status");
        QTest::newRow("parent folder") << "DCC SEND .. 2130706433 1060 10"
                                       << QStringList{"Refused the file .. from alice: its name is "
                                                      "not a plain file name."};
        QTest::newRow("control characters")
            << "DCC SEND \"a\x1b[2Jb\" 2130706433 1060 10"
            << QStringList{
                   "Refused the file a?[2Jb from alice: its name is not a plain file name."};
        QTest::newRow("size not a number")
            << "DCC SEND a.txt 2130706433 1060 lots" << QStringList{};
        QTest::newRow("address not a number") << "DCC SEND a.txt x 1060 10" << QStringList{};
        QTest::newRow("line separator")
            << QStringLiteral("DCC SEND \"a\u2028b.txt\" 2130706433 1060 10")
            << QStringList{
                   "Refused the file a?b.txt from alice: its name is not a plain file name."};
    }
    void offersThatStartNothing()
    {
        QFETCH(QString, body);
        QFETCH(QStringList, status);
        DccPeer bob(QStringLiteral("bob"));
        bob.client->options().dcc.fileInboundAction = DccOptions::FileOffer::Get;
        const qsizetype before = bob.status().size();
        bob.hear(QStringLiteral("alice"), QStringLiteral("PRIVMSG bob :") + X + body + X);
        QVERIFY(bob.dcc().receives().list().rows().empty());
        QCOMPARE(bob.status().mid(before), status);
    }

    void filtersChooseTheFolder()
    {
        DccPeer bob(QStringLiteral("bob"));
        bob.client->options().dcc.fileInboundAction = DccOptions::FileOffer::Get;
        QVERIFY(QDir(bob.home.path()).mkpath(QStringLiteral("sounds")));
        bob.client->options().dcc.filters = {QStringLiteral("*.wav ") +
                                             bob.path(QStringLiteral("sounds"))};
        bob.hear(QStringLiteral("alice"), QStringLiteral("PRIVMSG bob :") + X +
                                              QStringLiteral("DCC SEND BELL.WAV 2130706433 9 10") +
                                              X);
        bob.hear(QStringLiteral("alice"),
                 QStringLiteral("PRIVMSG bob :") + X +
                     QStringLiteral("DCC SEND \"blue.qthzzz\" 2130706433 9 10") + X);
        const auto& rows = bob.dcc().receives().list().rows();
        QCOMPARE(rows.size(), size_t(2));
        QCOMPARE(rows.at(0).text(TransferRow::FileName),
                 bob.path(QStringLiteral("sounds/BELL.WAV")));
        QCOMPARE(rows.at(1).text(TransferRow::FileName), bob.folder() + QStringLiteral("blue.qth"));
    }

    void timeouts()
    {
        DccPeer alice(QStringLiteral("alice"));
        QVERIFY(writeFile(alice.path(QStringLiteral("f.txt")), "x"));
        alice.dcc().sends().sendFile(QStringLiteral("carol"), QStringLiteral("f.txt"),
                                     alice.home.path());
        TransferList& out = alice.dcc().sends().list();
        alice.tick(60);
        QCOMPARE(status(out), QStringLiteral("Looking...180 sec. to Timeout"));
        alice.tick(181);
        QCOMPARE(status(out), QStringLiteral("Timeout Error: Can't find carol"));
        QVERIFY(alice.status().contains(QStringLiteral("File Send Aborted: Can't find carol")));
        QVERIFY(alice.dcc().sends().transfers().empty());

        // A sender that connects and then says nothing.
        DccPeer bob(QStringLiteral("bob"));
        bob.client->options().dcc.fileInboundAction = DccOptions::FileOffer::Get;
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        bob.hear(QStringLiteral("alice"), QStringLiteral("PRIVMSG bob :") + X +
                                              QStringLiteral("DCC SEND quiet.bin 2130706433 ") +
                                              QString::number(silent.serverPort()) +
                                              QStringLiteral(" 10") + X);
        TransferList& in = bob.dcc().receives().list();
        QTRY_COMPARE(status(in), QStringLiteral("Receiving..."));
        bob.tick(240);
        QCOMPARE(status(in), QStringLiteral("Receiving..."));
        bob.tick(1);
        QCOMPARE(status(in), QStringLiteral("Timeout Error: Can't find alice"));
        QVERIFY(bob.status().contains(QStringLiteral("File Receive Aborted (") + bob.folder() +
                                      QStringLiteral("quiet.bin) Can't find alice.")));
    }

    void removingLiveRows()
    {
        // An offer still listening: its row goes and its port closes.
        DccPeer alice(QStringLiteral("alice"));
        QVERIFY(writeFile(alice.path(QStringLiteral("big.bin")), patternBytes(32 * 1024 * 1024)));
        alice.dcc().sends().sendFile(QStringLiteral("carol"), QStringLiteral("big.bin"),
                                     alice.home.path());
        const quint16 port = offeredPort(alice);
        FileSends& sends = alice.dcc().sends();
        sends.removeRows({sends.list().rows().front().id});
        QVERIFY(sends.list().rows().empty());
        QVERIFY(sends.transfers().empty());
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        QTRY_COMPARE(probe.state(), QAbstractSocket::UnconnectedState);

        // A receiver that reads a little and hangs up: the sender reports it.
        alice.sent.clear();
        alice.dcc().sends().sendFile(QStringLiteral("carol"), QStringLiteral("big.bin"),
                                     alice.home.path());
        QTcpSocket carol;
        carol.connectToHost(QHostAddress::LocalHost, offeredPort(alice));
        QTRY_VERIFY(carol.bytesAvailable() > 0);
        carol.abort();
        QTRY_VERIFY(sends.transfers().empty() ||
                    sends.transfers().front()->state == FileSends::State::KilledByDest);
        alice.tick(11);
        QCOMPARE(status(sends.list()), QStringLiteral("Transfer Terminated by carol"));
        QVERIFY(alice.status().contains(QStringLiteral("File Send Terminated by carol")));

        // A live receive whose row is removed stops; what the sender sends later is harmless.
        DccPeer bob(QStringLiteral("bob"));
        bob.client->options().dcc.fileInboundAction = DccOptions::FileOffer::Get;
        QTcpServer sender;
        QVERIFY(sender.listen(QHostAddress::LocalHost));
        bob.hear(QStringLiteral("alice"), QStringLiteral("PRIVMSG bob :") + X +
                                              QStringLiteral("DCC SEND cut.bin 2130706433 ") +
                                              QString::number(sender.serverPort()) +
                                              QStringLiteral(" 100000") + X);
        QTRY_VERIFY(sender.hasPendingConnections());
        QTcpSocket* link = sender.nextPendingConnection();
        link->write(patternBytes(1000));
        FileReceives& receives = bob.dcc().receives();
        QTRY_COMPARE(receives.transfers().front()->received, qint64(1000));
        receives.removeRows({receives.list().rows().front().id});
        QVERIFY(receives.transfers().empty());
        QVERIFY(receives.list().rows().empty());
        link->write(patternBytes(5000));
        QTRY_COMPARE(link->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(QFileInfo(bob.folder() + QStringLiteral("cut.bin")).size(), qint64(1000));

        // The end of the session stops an offer still listening and a receive under way;
        // their rows say so and go with the dead ones, as the finished ones do.
        alice.dcc().sends().sendFile(QStringLiteral("carol"), QStringLiteral("big.bin"),
                                     alice.home.path());
        bob.hear(QStringLiteral("alice"), QStringLiteral("PRIVMSG bob :") + X +
                                              QStringLiteral("DCC SEND cut2.bin 2130706433 ") +
                                              QString::number(sender.serverPort()) +
                                              QStringLiteral(" 100000") + X);
        QTRY_COMPARE(status(receives.list()), QStringLiteral("Receiving..."));
        alice.dcc().stopAll();
        bob.dcc().stopAll();
        QCOMPARE(status(receives.list()), QStringLiteral("Transfer Stopped"));
        QCOMPARE(sends.list().rows().back().text(TransferRow::Status),
                 QStringLiteral("Transfer Stopped"));
        sends.removeDeadRows();
        receives.removeDeadRows();
        QVERIFY(sends.list().rows().empty());
        QVERIFY(receives.list().rows().empty());
    }
};

QUORL_TEST(DccTransferTest)
#include "dcctransfertest.moc"
