// Numeric replies that become status lines or server-view lines.
#include "support/sessionfixture.h"
#include "support/testmain.h"

class NumericsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void errorReplies_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("status");
        QTest::newRow("401") << ":irc.test 401 me bob :No such nick"
                             << "ERROR: bob doesn't exist on this IRC Network.";
        QTest::newRow("404 double space") << ":irc.test 404 me #c :Cannot send"
                                          << "ERROR:  Cannot send to #c.";
        QTest::newRow("405") << ":irc.test 405 me #c :Too many"
                             << "ERROR:  The IRC Server won't allow you to join any more channels.";
        QTest::newRow("432 after registration") << ":irc.test 432 me b@d :Erroneous"
                                                << "ERROR: b@d cannot be used as a Nickname.";
        QTest::newRow("436 worded as 422") << ":irc.test 436 me x :Collision"
                                           << "ERROR: Server has no MOTD.";
        QTest::newRow("482 whole parameters") << ":irc.test 482 me #c :You're not channel operator"
                                              << "ERROR: #c :You're not channel operator";
        QTest::newRow("server text is not expanded") << ":irc.test 443 me %1 %2 :x"
                                                     << "ERROR: %1 %2 :x";
        QTest::newRow("475") << ":irc.test 475 me #c :Bad key"
                             << "ERROR: Wrong Channel Password.";
        QTest::newRow("301 away") << ":irc.test 301 me bob :gone fishing"
                                  << "bob is AWAY (gone fishing)";
        QTest::newRow("251 then 252")
            << ":irc.test 251 me :There are 3 users\r\n:irc.test 252 me 1 :operators online"
            << "There are 3 users, 1 operators online";
    }

    void errorReplies()
    {
        QFETCH(QString, line);
        QFETCH(QString, status);
        SessionFixture f;
        QVERIFY(f.registerAs(QStringLiteral("me")));
        for (const QString& l : line.split(QStringLiteral("\r\n")))
            f.server.sendLine(l);
        QVERIFY(f.sync());
        QVERIFY2(f.statusHas(status), qPrintable(f.status().join(u'|')));
    }

    void errorReplyWithoutSpaceIsIgnored()
    {
        SessionFixture f;
        QVERIFY(f.registerAs(QStringLiteral("me")));
        const qsizetype before = f.client.statusLog().count();
        f.server.sendLine(QStringLiteral(":irc.test 401 me :nobody"));
        f.server.sendLine(QStringLiteral(":irc.test 301 me :nobody"));
        QVERIFY(f.sync());
        QCOMPARE(f.client.statusLog().count(), before);
    }

    void serverViewAndChannelCount()
    {
        SessionFixture f;
        QVERIFY(f.registerAs(QStringLiteral("me")));
        QCOMPARE(f.client.serverMessages().expectedChannelCount(), 0);
        f.server.sendLine(QStringLiteral(":irc.test 375 me :- irc.test Message of the day -"));
        f.server.sendLine(QStringLiteral(":irc.test 372 me :- be nice"));
        f.server.sendLine(QStringLiteral(":irc.test 254 me 42 :channels formed"));
        f.server.sendLine(QStringLiteral(":irc.test FOO me :unknown word command"));
        f.server.sendLine(QStringLiteral(":irc.test 999 me :unknown number"));
        QVERIFY(f.sync());
        QCOMPARE(f.client.serverView().lines(),
                 (QStringList{QStringLiteral("- irc.test Message of the day -"),
                              QStringLiteral("- be nice"), QStringLiteral("42 channels formed")}));
        QCOMPARE(f.client.serverMessages().expectedChannelCount(), 42);
        QVERIFY(f.statusHas(QStringLiteral("42 channels formed")));

        f.server.sendLine(QStringLiteral(":irc.test 254 me :lots"));
        QVERIFY(f.sync());
        QCOMPARE(f.client.serverMessages().expectedChannelCount(), 60000);
    }
};

QUORL_TEST(NumericsTest)
#include "numericstest.moc"
