// The file server behind a DCC chat between two clients over loopback: the trigger word
// brings a chat offer, the greeting and listing arrive over the chat, "get" sends the
// file by DCC, and the session ends with the chat.
#include "dccpeer.h"
#include "support/testmain.h"

#include "dcc/dccchat.h"

#include <QTcpSocket>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

class FileServerChatTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void triggerChatListingAndGet()
    {
        DccPeer alice(QStringLiteral("alice"));
        DccPeer bob(QStringLiteral("bob"));
        QDir home(alice.home.path());
        QVERIFY(home.mkpath(QStringLiteral("share")) && home.mkpath(QStringLiteral("fileserver")));
        QVERIFY(writeFile(alice.path(QStringLiteral("fileserver/hello.txt")), "Welcome!"));
        const QByteArray data = patternBytes(5000);
        QVERIFY(writeFile(alice.path(QStringLiteral("share/Data.bin")), data));
        FileServerOptions& served = alice.client->options().fileServer;
        served.enabled = true;
        served.root = alice.path(QStringLiteral("share/"));
        bob.client->options().dcc.chatInboundAction = DccOptions::ChatOffer::Accept;
        bob.client->options().dcc.fileInboundAction = DccOptions::FileOffer::Get;

        alice.hear(QStringLiteral("bob"), QStringLiteral("PRIVMSG alice :!fileserve"));
        QVERIFY(alice.relayTo(bob) > 0);
        QTRY_VERIFY(alice.dccWindow(QStringLiteral("bob")) &&
                    bob.dccWindow(QStringLiteral("alice")));
        ChatWindow* toAlice = bob.dccWindow(QStringLiteral("alice"));
        QTRY_VERIFY(bob.windowLines(toAlice).contains(QStringLiteral("<alice> Welcome!")));
        QTRY_VERIFY(bob.windowLines(toAlice).filter(QStringLiteral("data.bin - 5000")).size() == 1);
        QCOMPARE(alice.client->fileServer().userCount(), 1);
        // What the file server says shows in its own window as the user's lines.
        QVERIFY(alice.windowLines(alice.dccWindow(QStringLiteral("bob")))
                    .contains(QStringLiteral("<alice> Welcome!")));

        bob.client->commands().enterLine(toAlice, QStringLiteral("get data.bin"));
        QTRY_VERIFY(alice.sent.filter(QStringLiteral("DCC SEND")).size() == 1);
        alice.relayTo(bob);
        QTRY_COMPARE(readFile(bob.folder() + QStringLiteral("Data.bin")), data);

        // The peer leaves: the session ends, so the user count is true again.
        bob.client->windows().leaveWindow(toAlice);
        QTRY_COMPARE(alice.client->fileServer().userCount(), 0);
    }

    void listingsWaitForASlowReader()
    {
        DccPeer alice(QStringLiteral("alice"));
        QDir home(alice.home.path());
        QVERIFY(home.mkpath(QStringLiteral("share")) && home.mkpath(QStringLiteral("fileserver")));
        QVERIFY(writeFile(alice.path(QStringLiteral("fileserver/hello.txt")), "Welcome!"));
        for (int i = 0; i < 3000; ++i)
            QVERIFY(writeFile(
                alice.path(QStringLiteral("share/file-with-a-long-name-%1.txt").arg(i)), "x"));
        FileServerOptions& served = alice.client->options().fileServer;
        served.enabled = true;
        served.root = alice.path(QStringLiteral("share/"));
        alice.hear(QStringLiteral("bob"), QStringLiteral("PRIVMSG alice :!fileserve"));
        const QString offer = alice.sent.filter(QStringLiteral("DCC CHAT")).value(0);
        // The reader's kernel takes little, so what the server sends cannot all vanish into
        // the loopback's buffers (they may grow to tens of megabytes).
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        const int small = 4096;
        QVERIFY(fd >= 0 && ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small) == 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons(offer.chopped(1).section(u' ', -1).toUShort());
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        QVERIFY(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
        QTcpSocket bob;
        QVERIFY(bob.setSocketDescriptor(fd));
        QTRY_VERIFY(alice.dccWindow(QStringLiteral("bob")));
        DccChatSession* chat = DccChats::sessionOf(alice.dccWindow(QStringLiteral("bob")));
        QVERIFY(chat);
        // Sixty listings of about 130 KB each, asked for by a reader that reads nothing.
        for (int i = 0; i < 60; ++i)
            bob.write("dir\n");
        bob.setReadBufferSize(1);
        QTest::qWait(500);
        // What waits to be written stays near the bound; the commands wait unread.
        QVERIFY(chat->bytesToWrite() > 0);
        QVERIFY(chat->bytesToWrite() < FileServer::OutputBoundBytes + 1024);
        QVERIFY(chat->waitingLines() > 0);
        // Once the reader reads, every listing arrives, whole and in order.
        bob.setReadBufferSize(0);
        QByteArray text;
        const QByteArray folder = alice.client->fileServer().root()->toLower().toUtf8() + "/\n";
        QTRY_VERIFY_WITH_TIMEOUT((text += bob.readAll()).count(folder) == 2 + 60, 30000);
        QCOMPARE(text.count("file-with-a-long-name-"), 61 * 3000);
        QVERIFY(text.endsWith(folder));
    }
};

QUORL_TEST(FileServerChatTest)
#include "fileserverchattest.moc"
