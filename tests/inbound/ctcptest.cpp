// CTCP queries answered as the user configured, shown actions and sounds, and answers
// matched to the user's own pending queries; WHOIS replies gathered into one event.
#include "inbound/ctcp.h"
#include "chat/windowregistry.h"
#include "inbound/inquiries.h"
#include "support/sessionfixture.h"
#include "support/testmain.h"

#include <QSignalSpy>

namespace {
const QString X = QStringLiteral("\x01");

struct CtcpFixture : SessionFixture
{
    explicit CtcpFixture(const Clock* clock = nullptr) : SessionFixture(clock) {}
    bool ready()
    {
        if (!registerAs(QStringLiteral("me")))
            return false;
        server.sendLine(QStringLiteral(":me!u@h JOIN #c"));
        if (!sync())
            return false;
        server.clearReceived();
        events.clear();
        return true;
    }
    QStringList sent(const QString& prefix)
    {
        QStringList out;
        for (const QString& l : server.received())
            if (l.startsWith(prefix))
                out << l;
        return out;
    }
};
} // namespace

class CtcpTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void queries_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("answers");
        QTest::newRow("version any case")
            << "VERSION" << QStringList{"NOTICE bob :\x01VERSION QuorlIRC \x02v2\x01"};
        QTest::newRow("version with words is not answered") << "VERSION please" << QStringList{};
        QTest::newRow("ping echoes the body")
            << "PING 1796742098 123" << QStringList{"NOTICE bob :\x01PING 1796742098 123\x01"};
        QTest::newRow("unknown query") << "FINGER" << QStringList{};
    }

    void queries()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, answers);
        CtcpFixture f;
        f.client.options().ctcp.answerVersion = true;
        f.client.options().ctcp.versionText = QStringLiteral("QuorlIRC \\\\bv2");
        QVERIFY(f.ready());
        f.server.sendLine(QStringLiteral(":Bob!b@h PRIVMSG me :") + X + query + X);
        QVERIFY(f.sync());
        QCOMPARE(f.sent(QStringLiteral("NOTICE")), answers);
    }

    void versionOffWhenTextEmptyAndTimeAlwaysAnswered()
    {
        CtcpFixture f;
        f.client.options().ctcp.answerVersion = true;
        f.client.options().ctcp.versionText = QStringLiteral("   ");
        f.client.options().ctcp.timeMessage = QStringLiteral("\\\\bnow");
        QVERIFY(f.ready());
        f.server.sendLine(QStringLiteral(":bob!b@h PRIVMSG me :") + X + QStringLiteral("version") +
                          X);
        f.server.sendLine(QStringLiteral(":bob!b@h PRIVMSG me :") + X + QStringLiteral("TIME") + X);
        QVERIFY(f.sync());
        QCOMPARE(f.sent(QStringLiteral("NOTICE")).size(), 1);
        QVERIFY(f.sent(QStringLiteral("NOTICE"))
                    .first()
                    .startsWith(QStringLiteral("NOTICE bob :\x01TIME ")));
        QVERIFY(f.sent(QStringLiteral("PRIVMSG")).isEmpty()); // CheckBox5 off
        QVERIFY(!f.events.contains(QStringLiteral("Inbound VERSION")));
        QVERIFY(f.events.contains(QStringLiteral("Inbound TIME")));

        f.client.options().ctcp.messageOnTime = true;
        f.server.sendLine(QStringLiteral(":bob!b@h PRIVMSG me :") + X + QStringLiteral("TIME") + X);
        QVERIFY(f.sync());
        QCOMPARE(f.sent(QStringLiteral("PRIVMSG")),
                 QStringList{QStringLiteral("PRIVMSG bob :\x02now")});
    }

    void actionsAndSounds()
    {
        CtcpFixture f;
        QVERIFY(f.ready());
        f.server.sendLine(QStringLiteral(":bob!b@h PRIVMSG #c :") + X +
                          QStringLiteral("ACTION waves") + X);
        f.server.sendLine(QStringLiteral(":eve!e@h PRIVMSG me :") + X +
                          QStringLiteral("ACTION winks") + X);
        f.server.sendLine(QStringLiteral(":bob!b@h PRIVMSG #c :") + X +
                          QStringLiteral("SOUND ../../etc/passwd") + X);
        QVERIFY(f.sync());
        ChatWindow* c = f.client.windows().findChannelWindow(QStringLiteral("#c"));
        QVERIFY(c->document->plainLines().contains(QStringLiteral("*bob waves")));
        QVERIFY(c->document->plainLines().contains(QStringLiteral("*bob Plays ../../etc/passwd")));
        ChatWindow* eve = f.client.windows().findPrivateWindow(QStringLiteral("eve"));
        QVERIFY(eve); // a private action opens a window like a message does
        QCOMPARE(eve->document->plainLines(), QStringList{QStringLiteral("*eve winks")});
        QVERIFY(f.events.contains(QStringLiteral("Inbound Action")));
        QVERIFY(f.events.contains(QStringLiteral("Inbound SOUND")));
        QVERIFY(!f.client.sounds().wavPlayer().isPlaying());
    }

    void replies_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("stamp");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("completed");
        QTest::newRow("version") << "version"
                                 << ""
                                 << "VERSION someclient 1.0" << true;
        QTest::newRow("time") << "time"
                              << ""
                              << "TIME Tue Dec 8" << true;
        QTest::newRow("ping echoing our stamp") << "ping"
                                                << "1700000000"
                                                << "PING 1700000000" << true;
        QTest::newRow("ping of 10 digits from 2 echoing our stamp") << "ping"
                                                                    << "2000000000"
                                                                    << "PING 2000000000" << true;
        QTest::newRow("ping of another number ignored") << "ping"
                                                        << "1700000000"
                                                        << "PING 1700000001" << false;
        QTest::newRow("ping negative ignored") << "ping"
                                               << "1700000000"
                                               << "PING -5" << false;
        QTest::newRow("ping not a number ignored") << "ping"
                                                   << "abc"
                                                   << "PING abc" << false;
        QTest::newRow("no pending inquiry of that kind") << "time"
                                                         << ""
                                                         << "VERSION x" << false;
    }

    void replies()
    {
        QFETCH(QString, kind);
        QFETCH(QString, stamp);
        QFETCH(QString, reply);
        QFETCH(bool, completed);
        CtcpFixture f;
        QVERIFY(f.ready());
        f.client.inquiries().startInquiry(kind, QStringLiteral("display"), QStringLiteral("bob"),
                                          stamp, QString());
        f.server.sendLine(QStringLiteral(":Bob!b@h NOTICE me :") + X + reply + X);
        QVERIFY(f.sync());
        QCOMPARE(f.client.inquiries().count(), completed ? 0 : 1);
    }

    void pingLagIsMeasuredAgainstOurStamp()
    {
        ManualClock clock(QDateTime(QDate(2026, 12, 8), QTime(15, 0, 0)));
        const qint64 stamp = Ctcp::nowStamp(clock);
        clock.advanceSeconds(7);
        QCOMPARE(Ctcp::nowStamp(clock) - stamp, 7);
        // The stamp is the local wall clock read as if it were UTC.
        QCOMPARE(stamp, QDateTime(QDate(2026, 12, 8), QTime(15, 0, 0), Qt::UTC).toSecsSinceEpoch());
    }

    // From May 2033 the client's own stamps are 10 digits beginning with "2": the answer
    // to a /ping is matched to the inquiry that sent it, not guessed from its shape.
    void pingAnsweredAfter2033()
    {
        ManualClock clock(QDateTime(QDate(2033, 6, 1), QTime(12, 0, 0)));
        CtcpFixture f(&clock);
        QVERIFY(f.ready());
        QSignalSpy fired(&f.client.events(), &EventHook::eventFired);
        f.client.userActions().pingUser(QStringLiteral("bob"), QStringLiteral("radar"), nullptr);
        QVERIFY(
            f.server.waitForLine(QStringLiteral("PRIVMSG bob :") + X + QStringLiteral("PING 2")));
        const QString query = f.server.received().last();
        const QString stamp = query.mid(query.indexOf(QStringLiteral("PING ")) + 5).chopped(1);
        QCOMPARE(stamp.size(), 10);
        clock.advanceSeconds(3);
        // Another number from the same user is not the answer to this inquiry.
        f.server.sendLine(QStringLiteral(":bob!b@h NOTICE me :") + X +
                          QStringLiteral("PING 2000000000") + X);
        QVERIFY(f.sync());
        QCOMPARE(f.client.inquiries().count(), 1);
        f.server.sendLine(QStringLiteral(":bob!b@h NOTICE me :") + X + QStringLiteral("PING ") +
                          stamp + X);
        QVERIFY(f.sync());
        QCOMPARE(f.client.inquiries().count(), 0);
        QStringList slots;
        for (const QList<QVariant>& args : fired) {
            if (args.at(0).toString() == QLatin1String("Response to my PING"))
                slots = args.at(1).toStringList();
        }
        QCOMPARE(slots.value(0), QStringLiteral("bob"));
        QCOMPARE(slots.value(6), stamp);
    }

    // A PING answer nobody asked for changes nothing: no event, no line, no window.
    void pingReplyWithoutAnInquiry()
    {
        CtcpFixture f;
        QVERIFY(f.ready());
        const qsizetype windows = f.client.windows().count();
        const qsizetype statusLines = f.client.statusLog().count();
        f.server.sendLine(QStringLiteral(":bob!b@h NOTICE me :") + X +
                          QStringLiteral("PING 1700000000") + X);
        QVERIFY(f.sync());
        QVERIFY(!f.events.contains(QStringLiteral("Response to my PING")));
        QCOMPARE(f.client.windows().count(), windows);
        QCOMPARE(f.client.statusLog().count(), statusLines);
        QCOMPARE(f.client.inquiries().count(), 0);
    }

    void otherCtcpRepliesAreShownAsNotices()
    {
        CtcpFixture f;
        QVERIFY(f.ready());
        f.server.sendLine(QStringLiteral(":bob!b@h NOTICE me :") + X +
                          QStringLiteral(" FINGER none ") + X);
        QVERIFY(f.sync());
        ChatWindow* bob = f.client.windows().findPrivateWindow(QStringLiteral("bob"));
        QVERIFY(bob);
        QCOMPARE(bob->document->plainLines(), QStringList{QStringLiteral("<bob> FINGER none")});
    }

    void whoisRepliesGatherIntoOneEvent()
    {
        CtcpFixture f;
        QVERIFY(f.ready());
        QSignalSpy fired(&f.client.events(), &EventHook::eventFired);
        f.client.inquiries().startInquiry(QStringLiteral("whois"), QStringLiteral("radar"),
                                          QStringLiteral("bob"), QString(), QString());
        for (const char* l :
             {":irc.test 311 me Bob bb host.example * :Bob Real ",
              ":irc.test 312 me bob irc.test :Test server",
              ":irc.test 313 me bob :is an IRC operator",
              ":irc.test 317 me bob 42 1700000000 :seconds idle", ":irc.test 319 me bob :@#a +#b",
              ":irc.test 319 me bob :#c", ":irc.test 318 me bob :End of WHOIS"})
            f.server.sendLine(QString::fromLatin1(l));
        QVERIFY(f.sync());
        QStringList slots;
        for (const QList<QVariant>& args : fired) {
            if (args.at(0).toString() == QLatin1String("Response to my WHOIS"))
                slots = args.at(1).toStringList();
        }
        QCOMPARE(slots, (QStringList{"bob", "@#a +#b #c", "1700000000", "42 secs.", "yes",
                                     "irc.test (Test server)", "Bob Real", "bb@host.example"}));
    }
};

QUORL_TEST(CtcpTest)
#include "ctcptest.moc"
