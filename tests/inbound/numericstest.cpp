// Numeric replies that become status lines or server-view lines.
#include "support/sessionfixture.h"
#include "support/testmain.h"

class NumericsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // What a reply shows, in the status list or the server view, is words: the colon that
    // marks a trailing parameter never appears. A whois for carol is pending in every row;
    // its lines are shown in the status list when 318 completes it.
    void repliesAreShownAsWords_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("view"); // "status" or "server"
        QTest::addColumn<QString>("shown");
        const QString status = QStringLiteral("status");
        const QString server = QStringLiteral("server");
        QTest::newRow("401") << ":irc.test 401 me bob :No such nick" << status
                             << "ERROR: bob doesn't exist on this IRC Network.";
        QTest::newRow("404 double space")
            << ":irc.test 404 me #c :Cannot send" << status << "ERROR:  Cannot send to #c.";
        QTest::newRow("405") << ":irc.test 405 me #c :Too many" << status
                             << "ERROR:  The IRC Server won't allow you to join any more channels.";
        QTest::newRow("407") << ":irc.test 407 me bob :Duplicate recipients" << status
                             << "ERROR: Duplicate recipients. No message sent to bob.";
        QTest::newRow("432 after registration") << ":irc.test 432 me b@d :Erroneous" << status
                                                << "ERROR: b@d cannot be used as a Nickname.";
        QTest::newRow("436 worded as 422")
            << ":irc.test 436 me x :Collision" << status << "ERROR: Server has no MOTD.";
        QTest::newRow("443 whole parameters") << ":irc.test 443 me bob #c :is already on channel"
                                              << status << "ERROR: bob #c is already on channel";
        QTest::newRow("467 whole parameters") << ":irc.test 467 me #c :Channel key already set"
                                              << status << "ERROR: #c Channel key already set";
        QTest::newRow("482 whole parameters") << ":irc.test 482 me #c :You're not channel operator"
                                              << status << "ERROR: #c You're not channel operator";
        QTest::newRow("server text is not expanded")
            << ":irc.test 443 me %1 %2 :x" << status << "ERROR: %1 %2 x";
        QTest::newRow("475") << ":irc.test 475 me #c :Bad key" << status
                             << "ERROR: Wrong Channel Password.";
        QTest::newRow("301 away") << ":irc.test 301 me bob :gone fishing" << status
                                  << "bob is AWAY (gone fishing)";
        QTest::newRow("301 away in one word")
            << ":irc.test 301 me bob gone" << status << "bob is AWAY (gone)";
        QTest::newRow("251 then 252")
            << ":irc.test 251 me :There are 3 users\r\n:irc.test 252 me 1 :operator(s) online"
            << status << "There are 3 users, 1 operator(s) online";
        QTest::newRow("251 keeps the colons of its text")
            << ":irc.test 251 me :Users: 3\r\n:irc.test 252 me 1 :operators" << status
            << "Users: 3, 1 operators";
        QTest::newRow("254") << ":irc.test 254 me 42 :channels formed" << server
                             << "42 channels formed";
        QTest::newRow("265 says its numbers in its text")
            << ":irc.test 265 me 12 12 :Current local users: 12, Max: 12" << server
            << "Current local users: 12, Max: 12";
        QTest::newRow("266") << ":irc.test 266 me 3 4 :Current global users: 3, Max: 4" << server
                             << "Current global users: 3, Max: 4";
        QTest::newRow("265 of an older server")
            << ":irc.test 265 me :Current local users: 12" << server << "Current local users: 12";
        QTest::newRow("002") << ":irc.test 002 me :Your host is irc.test, running version x-1"
                             << server << "Your host is irc.test, running version x-1";
        QTest::newRow("004 has no text: its words")
            << ":irc.test 004 me irc.test x-1 aiow biklmnopstv" << server
            << "irc.test x-1 aiow biklmnopstv";
        QTest::newRow("notice") << ":irc.test NOTICE me :*** Server going down" << server
                                << "*** Server going down";
        QTest::newRow("312 whois server")
            << ":irc.test 312 me carol ux.test.local :UX test server." << status
            << "*** carol is connected to ux.test.local (UX test server.).";
        QTest::newRow("311 whois name beside an IPv6 host")
            << ":irc.test 311 me carol c 2001:db8::1 * :Carol C" << status
            << "*** carol's Name is Carol C.";
        QTest::newRow("319 whois channels")
            << ":irc.test 319 me carol :@#a +#b\r\n:irc.test 319 me carol :#c" << status
            << "*** carol is on: @#a +#b #c";
    }

    void repliesAreShownAsWords()
    {
        QFETCH(QString, line);
        QFETCH(QString, view);
        QFETCH(QString, shown);
        SessionFixture f;
        QVERIFY(f.registerAs(QStringLiteral("me")));
        f.client.inquiries().startInquiry(QStringLiteral("whois"), QStringLiteral("display"),
                                          QStringLiteral("carol"), QString(), QString());
        for (const QString& l : line.split(QStringLiteral("\r\n")))
            f.server.sendLine(l);
        f.server.sendLine(QStringLiteral(":irc.test 318 me carol :End of WHOIS"));
        QVERIFY(f.sync());
        const QStringList lines =
            view == QLatin1String("server") ? f.client.serverView().lines() : f.status();
        QVERIFY2(lines.contains(shown), qPrintable(lines.join(u'|')));
        for (const QString& text : f.status() + f.client.serverView().lines())
            QVERIFY2(!text.contains(QStringLiteral(" :")), qPrintable(text));
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
