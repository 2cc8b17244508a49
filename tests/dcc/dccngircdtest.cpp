// Two clients on a real ngircd: a DCC chat offered, accepted, spoken and closed; a file
// sent and received whole; a partly received file resumed. Offers travel through the
// server as any other client's would.
#include "client/client.h"
#include "support/ngircdserver.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"

#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Person
{
    QTemporaryDir home;
    ScriptedPrompts prompts;
    Client client{home.path() + u'/', prompts};

    bool logIn(const QString& nick, quint16 port)
    {
        QDir(home.path()).mkpath(QStringLiteral("Received Files"));
        client.session().ident().setPort(0);
        client.options().user.nicknames = {nick};
        client.session().setNickname(nick);
        if (!client.connectToAddress(QStringLiteral("irc://127.0.0.1:") + QString::number(port)))
            return false;
        return QTest::qWaitFor([&] { return client.session().isRegistered(); }, 10000);
    }
    ChatWindow* dccWindow()
    {
        WindowRegistry& w = client.windows();
        for (qsizetype i = 0; i < w.count(); ++i) {
            if (w.at(i)->conversationKind == ConversationKind::DccChat)
                return w.at(i);
        }
        return nullptr;
    }
    QString folder() const { return home.path() + QStringLiteral("/Received Files/"); }
};

QByteArray sha(const QString& path)
{
    QFile f(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return f.open(QIODevice::ReadOnly) && hash.addData(&f) ? hash.result().toHex() : QByteArray();
}

QByteArray pattern(qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char((i * 7919) >> 3);
    return bytes;
}

} // namespace

class DccNgircdTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void chatAndFilesThroughARealServer()
    {
        NgircdServer server;
        QVERIFY2(server.start(), qPrintable(server.error()));
        Person alice, bob;
        QVERIFY(alice.logIn(QStringLiteral("alice"), server.port()));
        QVERIFY(bob.logIn(QStringLiteral("bob"), server.port()));

        // The chat: offered by alice's "/dcc chat", accepted through bob's prompt.
        bob.client.options().dcc.chatInboundAction = DccOptions::ChatOffer::Prompt;
        bob.prompts.chatAnswers << ChatRequestAnswer::Accept;
        alice.client.windows().joinChannel(QStringLiteral("#dcc"));
        QTRY_VERIFY(alice.client.windows().findChannelWindow(QStringLiteral("#dcc")));
        ChatWindow* status = alice.client.windows().findChannelWindow(QStringLiteral("#dcc"));
        alice.client.commands().enterLine(status, QStringLiteral("/dcc chat bob"));
        QTRY_VERIFY_WITH_TIMEOUT(alice.dccWindow() && bob.dccWindow(), 10000);
        QCOMPARE(bob.prompts.chatRequests, QStringList{QStringLiteral("alice")});
        alice.client.commands().enterLine(alice.dccWindow(), QStringLiteral("straight to you"));
        QTRY_VERIFY(bob.dccWindow()->document->plainLines().contains(
            QStringLiteral("<alice> straight to you")));
        bob.client.commands().enterLine(bob.dccWindow(), QStringLiteral("/me waves back"));
        QTRY_VERIFY(
            alice.dccWindow()->document->plainLines().contains(QStringLiteral("*bob waves back")));
        ChatWindow* bobsChat = bob.dccWindow();
        bob.client.windows().leaveWindow(bobsChat);
        QTRY_VERIFY(alice.dccWindow()->document->plainLines().contains(
            QStringLiteral("DCC Chat has been Terminated.")));

        // A file, offered by "/dcc send" and taken without a prompt.
        const QString source = alice.home.path() + QStringLiteral("/photo.jpg");
        {
            QFile f(source);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(pattern(2 * 1024 * 1024 + 321));
        }
        bob.client.options().dcc.fileInboundAction = DccOptions::FileOffer::Get;
        alice.client.commands().enterLine(status, QStringLiteral("/dcc send bob ") + source);
        const QString received = bob.folder() + QStringLiteral("photo.jpg");
        QTRY_VERIFY_WITH_TIMEOUT(!bob.client.dcc().receives().transfers().empty() &&
                                     bob.client.dcc().receives().transfers().front()->complete,
                                 10000);
        QCOMPARE(sha(received), sha(source));

        // The same file again, a part of it already there: resumed through the server.
        alice.client.dcc().sends().stopAll();
        bob.client.dcc().receives().stopAll();
        QFile cut(received);
        QVERIFY(cut.resize(700000));
        bob.client.options().dcc.fileInboundAction = DccOptions::FileOffer::Prompt;
        bob.prompts.fileAnswers << FileOfferAnswer{FileOfferChoice::Resume, bob.folder()};
        alice.client.commands().enterLine(status, QStringLiteral("/dcc send bob ") + source);
        QTRY_VERIFY_WITH_TIMEOUT(!bob.client.dcc().receives().transfers().empty() &&
                                     bob.client.dcc().receives().transfers().front()->complete,
                                 10000);
        QCOMPARE(bob.client.dcc().receives().transfers().front()->resumePosition, qint64(700000));
        QCOMPARE(sha(received), sha(source));
        QVERIFY(!QFile::exists(bob.folder() + QStringLiteral("photo(1).jpg")));

        alice.client.shutdown();
        bob.client.shutdown();
    }
};

QUORL_TEST(DccNgircdTest)
#include "dccngircdtest.moc"
