// The file server behind a DCC chat between two clients over loopback: the trigger word
// brings a chat offer, the greeting and listing arrive over the chat, "get" sends the
// file by DCC, and the session ends with the chat.
#include "dccpeer.h"
#include "support/testmain.h"

#include <QTest>

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
};

QUORL_TEST(FileServerChatTest)
#include "fileserverchattest.moc"
