// What the client asks a server for, and how it follows the server while connected:
// the capabilities requested from a network's, a bouncer's and a small list, changes by
// CAP NEW, DEL and ACK, what the 005 replies support, and the batches and labels that
// group replies.
#include "irc/serverline.h"
#include "irc/userline.h"
#include "support/sessionfixture.h"
#include "support/testmain.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
QStringList sorted(QStringList names)
{
    names.sort();
    return names;
}

// The names of every "CAP REQ" the client sent, each request's list as sent.
QStringList requests(const FakeIrcServer& server)
{
    QStringList lists;
    for (const QString& line : server.received())
        if (line.startsWith(QLatin1String("CAP REQ :")))
            lists << line.mid(9);
    return lists;
}
} // namespace

class CapabilitiesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void requestedWhenOffered_data()
    {
        QTest::addColumn<bool>("wantAll");
        QTest::addColumn<QStringList>("offers");
        QTest::addColumn<QStringList>("requested");
        const QStringList network{
            QStringLiteral(":irc.test CAP * LS * :server-time batch message-tags echo-message "
                           "labeled-response away-notify"),
            QStringLiteral(":irc.test CAP * LS * :account-notify extended-join account-tag "
                           "multi-prefix userhost-in-names chghost setname invite-notify "
                           "cap-notify"),
            QStringLiteral(":irc.test CAP * LS :draft/chathistory chathistory "
                           "znc.in/server-time-iso znc.in/self-message sasl=PLAIN draft/unknown")};
        const QStringList quiet{"server-time",      "batch",       "message-tags",
                                "labeled-response", "away-notify", "account-notify",
                                "extended-join",    "account-tag", "chghost",
                                "setname",          "cap-notify",  "chathistory"};
        const QStringList read{"multi-prefix", "userhost-in-names", "invite-notify",
                               "echo-message"};
        QTest::newRow("a network offering everything, all wanted")
            << true << network << quiet + read;
        // The capabilities that reshape lines are asked for once the handlers read what
        // they reshape: the names with every rank and host, others' invitations, the echo
        // of the user's own lines.
        QTest::newRow("a network offering everything") << false << network << quiet + read;
        QTest::newRow("a bouncer without the standard names")
            << true
            << QStringList{QStringLiteral(":irc.znc.in CAP unknown-nick LS :batch cap-notify "
                                          "multi-prefix znc.in/playback znc.in/self-message "
                                          "znc.in/server-time-iso")}
            << QStringList{"batch", "cap-notify", "multi-prefix", "znc.in/self-message",
                           "znc.in/server-time-iso"};
        QTest::newRow("only the draft history")
            << false << QStringList{QStringLiteral(":irc.test CAP * LS :draft/chathistory")}
            << QStringList{"draft/chathistory"};
    }

    // Every wanted capability offered is asked for once, in requests that fit a line; the
    // negotiation ends when each request is answered, and what was acknowledged is on.
    void requestedWhenOffered()
    {
        QFETCH(bool, wantAll);
        QFETCH(QStringList, offers);
        QFETCH(QStringList, requested);
        SessionFixture f;
        if (wantAll)
            f.session().capabilities().setWanted(CapNegotiation::supported());
        QVERIFY(f.connectAndLogIn());
        for (const QString& line : offers)
            f.server.sendLine(line);
        QVERIFY(f.sync());
        const QStringList lists = requests(f.server);
        QVERIFY(!lists.isEmpty());
        QStringList names;
        for (const QString& list : lists) {
            QVERIFY2(list.size() + 11 <= 255, qPrintable(list));
            names << list.split(u' ');
        }
        QCOMPARE(sorted(names), sorted(requested));
        QVERIFY(f.server.received().filter(QStringLiteral("CAP END")).isEmpty());
        for (const QString& list : lists) {
            QVERIFY(f.server.received().filter(QStringLiteral("CAP END")).isEmpty());
            f.server.sendLine(QStringLiteral(":irc.test CAP * ACK :") + list);
        }
        QVERIFY(f.server.waitForLine(QStringLiteral("CAP END")));
        QVERIFY(f.sync());
        QCOMPARE(f.server.received().filter(QStringLiteral("CAP END")).size(), 1);
        QCOMPARE(sorted(f.session().capabilities().enabled()), sorted(requested));
    }

    void followsChangesWhileConnected()
    {
        SessionFixture f;
        // An account, so sasl would be asked for at registration; never later.
        f.session().setAccountLookup([](const QString&) {
            return std::pair<QString, QString>(QStringLiteral("joe"), QStringLiteral("pw"));
        });
        QSignalSpy changes(&f.session(), &Session::capabilitiesChanged);
        QVERIFY(f.connectAndLogIn());
        f.server.sendLine(QStringLiteral(":irc.test CAP * LS :away-notify"));
        QVERIFY(f.server.waitForLine(QStringLiteral("CAP REQ :away-notify")));
        f.server.sendLine(QStringLiteral(":irc.test CAP * ACK :away-notify"));
        QVERIFY(f.server.waitForLine(QStringLiteral("CAP END")));
        f.server.sendLine(QStringLiteral(":irc.test 001 Yournick :Welcome"));
        f.server.sendLine(QStringLiteral(":irc.test 376 Yournick :End of MOTD"));
        QVERIFY(f.server.waitForLine(QStringLiteral("AWAY")));
        const CapNegotiation& cap = f.session().capabilities();
        QCOMPARE(cap.enabled(), QStringList{"away-notify"});
        // MONITOR is no capability: the server names it among what it supports.
        f.server.sendLine(QStringLiteral(
            ":irc.test 005 Yournick MONITOR=30 NAMESX :are supported by this server"));
        f.server.sendLine(QStringLiteral(":irc.test 005 Yournick -NAMESX :are supported"));
        QVERIFY(f.sync());
        QCOMPARE(f.session().serverFeatures().value(QStringLiteral("monitor")),
                 QStringLiteral("30"));
        QVERIFY(!f.session().serverFeatures().has(QStringLiteral("NAMESX")));
        QVERIFY(!f.session().serverFeatures().has(QStringLiteral("supported")));

        f.server.sendLine(QStringLiteral(":irc.test CAP Yournick DEL :away-notify"));
        QVERIFY(f.sync());
        QVERIFY(cap.enabled().isEmpty());
        QVERIFY(!cap.offered().contains(QStringLiteral("away-notify")));
        f.server.clearReceived();
        f.server.sendLine(
            QStringLiteral(":irc.test CAP Yournick NEW :sasl=PLAIN away-notify chghost x-y"));
        QVERIFY(f.server.waitForLine(QStringLiteral("CAP REQ")));
        QCOMPARE(requests(f.server), QStringList{"away-notify chghost"});
        f.server.sendLine(QStringLiteral(":irc.test CAP Yournick ACK :away-notify chghost"));
        f.server.sendLine(QStringLiteral(":irc.test CAP Yournick ACK :-chghost"));
        QVERIFY(f.sync());
        QCOMPARE(cap.enabled(), QStringList{"away-notify"});
        QCOMPARE(cap.value(QStringLiteral("sasl")), QStringLiteral("PLAIN"));
        QCOMPARE(f.server.received().filter(QStringLiteral("CAP END")).size(), 0);
        QCOMPARE(f.server.received().filter(QStringLiteral("AUTHENTICATE")).size(), 0);
        QCOMPARE(changes.size(), 4);
        QVERIFY(f.status().filter(QStringLiteral("CAP")).isEmpty());
    }

    // A labeled command's replies carry its label on their batch; lines of a history
    // batch are known as history until the batch closes. BATCH lines themselves are the
    // session's: they reach no handler.
    void batchesAndLabels()
    {
        SessionFixture f;
        QStringList seen; // each handled line: command, label, history or not
        const auto record = [&f, &seen](const QString& command, const MessageTags& tags) {
            const OpenBatches& batches = f.session().batches();
            seen << command + u' ' + batches.labelOf(tags) + u' ' +
                        (batches.within(tags, u"chathistory") ? u"history"_s : u"live"_s);
        };
        QObject::connect(&f.session(), &Session::serverLineReceived, [&](const QString& line) {
            if (const auto parsed = ServerLine::parse(line))
                record(parsed->command, parsed->tags);
        });
        QObject::connect(&f.session(), &Session::userLineReceived, [&](const QString& line) {
            if (const auto parsed = UserLine::parse(line))
                record(parsed->command, parsed->tags);
        });
        QStringList batchSignals;
        QObject::connect(&f.session(), &Session::batchOpened,
                         [&](const OpenBatches::Batch& b) { batchSignals << u'+' + b.type; });
        QObject::connect(&f.session(), &Session::batchClosed, [&](const OpenBatches::Batch& b) {
            // The batch is still known while its end is told.
            batchSignals << u'-' + b.type +
                                (f.session().batches().find(b.reference) ? u" known"_s
                                                                         : u" gone"_s);
        });

        QVERIFY(f.connectAndLogIn());
        // Before the server answers labels, a labeled command goes plainly.
        QCOMPARE(f.session().sendLabeled(QStringLiteral("WHOIS early")), QString());
        QVERIFY(f.server.waitForLine(QStringLiteral("WHOIS early")));
        f.server.sendLine(QStringLiteral(":irc.test CAP * LS :batch labeled-response"));
        QVERIFY(f.server.waitForLine(QStringLiteral("CAP REQ")));
        f.server.sendLine(QStringLiteral(":irc.test CAP * ACK :batch labeled-response"));
        f.server.sendLine(QStringLiteral(":irc.test 001 Yournick :Welcome"));
        f.server.sendLine(QStringLiteral(":irc.test 376 Yournick :End of MOTD"));
        QVERIFY(f.server.waitForLine(QStringLiteral("AWAY")));
        seen.clear();

        const QString label = f.session().sendLabeled(QStringLiteral("WHOIS ann"));
        QVERIFY(!label.isEmpty());
        QVERIFY(
            f.server.waitForLine(QStringLiteral("@label=") + label + QStringLiteral(" WHOIS ann")));
        const QStringList script{
            QStringLiteral("@label=") + label +
                QStringLiteral(" :irc.test BATCH +w labeled-response"),
            QStringLiteral("@batch=w :irc.test 311 Yournick ann a h * :Ann"),
            QStringLiteral("@batch=w :irc.test 318 Yournick ann :End of /WHOIS list."),
            QStringLiteral(":irc.test BATCH -w"),
            // Trailing parameters, as InspIRCd sends them.
            QStringLiteral(":irc.test BATCH +h chathistory :#q"),
            QStringLiteral("@batch=h;time=2026-01-01T10:00:00.000Z :ann!a@h PRIVMSG #q :old"),
            QStringLiteral(":irc.test BATCH :-h"),
            QStringLiteral("@batch=h :ann!a@h PRIVMSG #q :new"),
        };
        for (const QString& line : script)
            f.server.sendLine(line);
        QVERIFY(f.sync());
        QCOMPARE(seen, (QStringList{QStringLiteral("311 ") + label + QStringLiteral(" live"),
                                    QStringLiteral("318 ") + label + QStringLiteral(" live"),
                                    QStringLiteral("PRIVMSG  history"),
                                    QStringLiteral("PRIVMSG  live")}));
        QCOMPARE(batchSignals, (QStringList{"+labeled-response", "-labeled-response known",
                                            "+chathistory", "-chathistory known"}));
        QCOMPARE(f.session().batches().count(), 0);
    }
};

QUORL_TEST(CapabilitiesTest)
#include "capabilitiestest.moc"
