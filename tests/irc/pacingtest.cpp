// Outbound pacing and automatic reconnects, on a clock the tests move by hand: the burst
// and the interval, PONG and QUIT ahead of the queue, the cap on automatic CTCP answers,
// the back-off between attempts, the rejoin with keys, and no retry the user did not want.
#include "client/client.h"
#include "support/sessionfixture.h"
#include "support/testmain.h"

#include <QSignalSpy>
#include <QTest>

namespace {
const QString X = QStringLiteral("\x01");

QStringList startingWith(const QStringList& lines, const QString& prefix)
{
    QStringList out;
    for (const QString& line : lines)
        if (line.startsWith(prefix))
            out << line;
    return out;
}

QStringList reconnectLines(const QStringList& status)
{
    QStringList out;
    for (const QString& line : status)
        if (line.startsWith(QStringLiteral("Reconnecting")))
            out << line;
    return out;
}
} // namespace

class PacingTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void typedLinesLeaveAsABurstThenOneEveryTwoSeconds()
    {
        SessionFixture f;
        f.clock.stop();
        QVERIFY(f.registerAs(QStringLiteral("me")));
        f.session().outbound().setRate(5, 2000);
        f.server.clearReceived();
        for (int n = 1; n <= 20; ++n)
            f.session().sendLine(QStringLiteral("PRIVMSG #t :line ") + QString::number(n));
        // The answer to a PING overtakes the fifteen lines still waiting.
        QVERIFY(f.sync());
        const QStringList first = f.server.received();
        QCOMPARE(startingWith(first, QStringLiteral("PRIVMSG")).size(), 5);
        QVERIFY(first.last().startsWith(QStringLiteral("PONG")));
        QCOMPARE(f.session().outbound().pending(), 15);

        // One line per two seconds, never early.
        const QList<std::pair<int, int>> steps{{1, 5}, {1, 6}, {1, 6}, {1, 7}, {4, 9}};
        for (const auto& [seconds, expected] : steps) {
            f.clock.advanceSeconds(seconds);
            f.session().outbound().drain();
            QVERIFY(f.sync());
            QCOMPARE(startingWith(f.server.received(), QStringLiteral("PRIVMSG")).size(), expected);
        }
        // A long pause earns a new burst, but never more than five lines at once.
        f.clock.advanceSeconds(600);
        f.session().outbound().drain();
        QVERIFY(f.sync());
        const QStringList sent = startingWith(f.server.received(), QStringLiteral("PRIVMSG"));
        QCOMPARE(sent.size(), 14);
        // Nothing is lost or reordered on the way.
        for (int n = 0; n < sent.size(); ++n)
            QCOMPARE(sent.at(n), QStringLiteral("PRIVMSG #t :line ") + QString::number(n + 1));
    }

    void quitOvertakesAndWaitingLinesAreDropped()
    {
        SessionFixture f;
        f.clock.stop();
        QVERIFY(f.registerAs(QStringLiteral("me")));
        f.session().outbound().setRate(5, 2000);
        f.server.clearReceived();
        for (int n = 1; n <= 8; ++n)
            f.session().sendLine(QStringLiteral("PRIVMSG #t :line ") + QString::number(n));
        f.session().disconnectFromServer();
        QVERIFY(f.server.waitForLine(QStringLiteral("QUIT")));
        QVERIFY(f.server.waitForDisconnect());
        QCOMPARE(startingWith(f.server.received(), QStringLiteral("PRIVMSG")).size(), 5);
        QCOMPARE(f.server.received().last(), QStringLiteral("QUIT"));
        QCOMPARE(f.session().outbound().pending(), 0);
    }

    void aHugePasteIsRefusedBeyondTheBoundWithOneStatusLine()
    {
        SessionFixture f;
        f.clock.stop();
        QVERIFY(f.registerAs(QStringLiteral("me")));
        f.session().outbound().setRate(5, 2000);
        f.server.clearReceived();
        const qsizetype bound = OutboundQueue::MaxWaitingLines;
        const qsizetype statusBefore = f.status().size();
        // Five leave in the burst, the bound waits, 95 are refused.
        for (qsizetype n = 1; n <= bound + 100; ++n)
            f.session().sendLine(QStringLiteral("PRIVMSG #t :line ") + QString::number(n));
        QCOMPARE(f.session().outbound().pending(), bound);
        // PONG still overtakes a full queue.
        QVERIFY(f.sync());
        QCOMPARE(startingWith(f.server.received(), QStringLiteral("PRIVMSG")).size(), 5);
        QCOMPARE(f.status().mid(statusBefore),
                 QStringList{QStringLiteral("95 lines were not sent: 2000 lines are already "
                                            "waiting to go to the server.")});

        // A line that left makes room for one more; the next refusal is reported anew.
        f.clock.advanceSeconds(2);
        f.session().outbound().drain();
        f.session().sendLine(QStringLiteral("PRIVMSG #t :room again"));
        f.session().sendLine(QStringLiteral("PRIVMSG #t :no room"));
        QVERIFY(f.sync());
        QCOMPARE(f.status().mid(statusBefore).size(), 2);
        QCOMPARE(f.status().last(), QStringLiteral("1 line was not sent: 2000 lines are already "
                                                   "waiting to go to the server."));

        // The waiting lines keep their order: the first ones leave first.
        f.clock.advanceSeconds(2);
        f.session().outbound().drain();
        QVERIFY(f.sync());
        QCOMPARE(startingWith(f.server.received(), QStringLiteral("PRIVMSG")),
                 (QStringList{"PRIVMSG #t :line 1", "PRIVMSG #t :line 2", "PRIVMSG #t :line 3",
                              "PRIVMSG #t :line 4", "PRIVMSG #t :line 5", "PRIVMSG #t :line 6",
                              "PRIVMSG #t :line 7"}));

        // QUIT does not wait behind them.
        f.session().disconnectFromServer();
        QVERIFY(f.server.waitForDisconnect());
        QCOMPARE(f.server.received().last(), QStringLiteral("QUIT"));
    }

    void automaticAnswersAreCappedAcrossSenders()
    {
        SessionFixture f;
        f.clock.stop();
        QVERIFY(f.registerAs(QStringLiteral("me")));
        f.server.clearReceived();
        const QStringList queries{QStringLiteral("VERSION"), QStringLiteral("PING 1"),
                                  QStringLiteral("TIME"), QStringLiteral("VERSION"),
                                  QStringLiteral("PING 2")};
        for (int n = 0; n < queries.size(); ++n)
            f.server.sendLine(QStringLiteral(":u") + QString::number(n) +
                              QStringLiteral("!x@h PRIVMSG me :") + X + queries.at(n) + X);
        QVERIFY(f.sync());
        QCOMPARE(startingWith(f.server.received(), QStringLiteral("NOTICE")).size(), 3);

        // Still inside the ten seconds: dropped; after them, answered again.
        f.clock.advanceSeconds(9);
        f.server.sendLine(QStringLiteral(":late!x@h PRIVMSG me :") + X + QStringLiteral("PING 3") +
                          X);
        QVERIFY(f.sync());
        QCOMPARE(startingWith(f.server.received(), QStringLiteral("NOTICE")).size(), 3);
        f.clock.advanceSeconds(1);
        f.server.sendLine(QStringLiteral(":late!x@h PRIVMSG me :") + X + QStringLiteral("PING 4") +
                          X);
        QVERIFY(f.sync());
        QCOMPARE(startingWith(f.server.received(), QStringLiteral("NOTICE")).last(),
                 QStringLiteral("NOTICE late :") + X + QStringLiteral("PING 4") + X);
    }

    void reconnectBacksOffThenRejoinsWithKeys()
    {
        SessionFixture f;
        f.clock.stop();
        QVERIFY(f.registerAs(QStringLiteral("me")));
        f.server.sendLine(QStringLiteral(":me!u@h JOIN #open"));
        f.server.sendLine(QStringLiteral(":me!u@h JOIN #locked"));
        f.server.sendLine(QStringLiteral(":op!u@h MODE #locked +k sekrit"));
        QVERIFY(f.sync());
        const quint16 port = f.server.port();

        // The server goes away and refuses the first attempts.
        f.server.stopListening();
        QSignalSpy closed(&f.session(), &Session::sessionClosed);
        f.server.closeClient();
        QVERIFY(closed.wait());
        QVERIFY(f.session().reconnectSchedule().isPending());
        QCOMPARE(f.session().state(), Session::State::WaitingToReconnect);

        ReconnectSchedule& schedule = f.session().reconnectSchedule();
        const QList<int> delays{5, 10, 30, 60, 60};
        for (int n = 0; n < delays.size(); ++n) {
            QCOMPARE(reconnectLines(f.status()).last(),
                     QStringLiteral("Reconnecting to 127.0.0.1 in ") +
                         QString::number(delays.at(n)) + QStringLiteral(" seconds..."));
            // Not a second early.
            f.clock.advanceSeconds(delays.at(n) - 1);
            schedule.onTick();
            QVERIFY(!f.session().lookupPending() && schedule.isPending());
            f.clock.advanceSeconds(1);
            const qsizetype before = reconnectLines(f.status()).size();
            if (n == delays.size() - 1) {
                QVERIFY(f.server.listen(port)); // back at last
                f.server.clearReceived();
            }
            schedule.onTick();
            QCOMPARE(reconnectLines(f.status()).at(before),
                     QStringLiteral("Reconnecting to 127.0.0.1 (attempt ") +
                         QString::number(n + 1) + QStringLiteral(")..."));
            if (n < delays.size() - 1)
                QVERIFY(QTest::qWaitFor([&] { return schedule.isPending(); }, 5000));
        }
        QVERIFY(f.server.waitForLine(QStringLiteral("USER ")));
        f.server.clearReceived();
        f.server.sendLine(QStringLiteral(":irc.test 001 me :Welcome"));
        f.server.sendLine(QStringLiteral(":irc.test 376 me :End of MOTD"));
        QVERIFY(f.server.waitForLine(QStringLiteral("JOIN #locked")));
        QCOMPARE(
            startingWith(f.server.received(), QStringLiteral("JOIN")),
            (QStringList{QStringLiteral("JOIN #open"), QStringLiteral("JOIN #locked sekrit")}));
        QVERIFY(!schedule.isPending());

        // After a connection that lasted, the sequence starts again from five seconds.
        f.clock.advanceSeconds(ReconnectSchedule::StableSeconds);
        f.server.closeClient();
        QVERIFY(closed.wait());
        QCOMPARE(reconnectLines(f.status()).last(),
                 QStringLiteral("Reconnecting to 127.0.0.1 in 5 seconds..."));
    }

    // A directory entry with several ports: the reconnect first tries the port that
    // worked, and when that one is refused, goes on to the next entry of the list.
    void reconnectWalksThePortList()
    {
        SessionFixture f;
        f.clock.stop();
        FakeIrcServer spare;
        QVERIFY(f.server.listen() && spare.listen());
        const QString list =
            QString::number(f.server.port()) + u',' + QString::number(spare.port());
        f.session().connectToServer(QStringLiteral("127.0.0.1"), list,
                                    QStringLiteral("Net - test"));
        QVERIFY(f.server.waitForLine(QStringLiteral("USER ")));
        f.server.sendLine(QStringLiteral(":irc.test 001 me :Welcome"));
        f.server.sendLine(QStringLiteral(":irc.test 376 me :End of MOTD"));
        QVERIFY(f.server.waitForLine(QStringLiteral("AWAY")));

        const QString attempting = QStringLiteral("Attempting to Connect to 127.0.0.1 on Port ");
        const QString live = attempting + QString::number(f.server.port());
        const QString next = attempting + QString::number(spare.port());
        f.server.stopListening();
        QSignalSpy closed(&f.session(), &Session::sessionClosed);
        f.server.closeClient();
        QVERIFY(closed.wait());
        const qsizetype before = f.status().size();
        const auto attempts = [&] { return f.status().mid(before).filter(attempting); };
        ReconnectSchedule& schedule = f.session().reconnectSchedule();
        // The first attempt goes to the port that worked, which now refuses.
        QVERIFY(schedule.isPending());
        f.clock.advanceSeconds(5);
        schedule.onTick();
        QVERIFY(QTest::qWaitFor([&] { return schedule.isPending(); }, 5000));
        QCOMPARE(attempts(), QStringList{live});
        // The next goes on to the next port of the list.
        f.clock.advanceSeconds(10);
        schedule.onTick();
        QVERIFY(spare.waitForLine(QStringLiteral("USER ")));
        QCOMPARE(attempts(), (QStringList{live, next}));
    }

    // A server that accepts, registers the client and drops it at once is tried again
    // ever more slowly; a connection that lasted a minute starts the sequence afresh.
    void backOffGoesOnWhileConnectionsDoNotLast()
    {
        SessionFixture f;
        f.clock.stop();
        QVERIFY(f.registerAs(QStringLiteral("me")));
        ReconnectSchedule& schedule = f.session().reconnectSchedule();
        QSignalSpy closed(&f.session(), &Session::sessionClosed);
        const auto dropAndExpect = [&](int delay) {
            f.server.closeClient();
            if (!closed.wait())
                return false;
            return reconnectLines(f.status()).last() ==
                   QStringLiteral("Reconnecting to 127.0.0.1 in ") + QString::number(delay) +
                       QStringLiteral(" seconds...");
        };
        const auto comeBack = [&](int delay) {
            f.clock.advanceSeconds(delay);
            f.server.clearReceived();
            schedule.onTick();
            if (!f.server.waitForLine(QStringLiteral("USER ")))
                return false;
            f.server.sendLine(QStringLiteral(":irc.test 001 me :Welcome"));
            f.server.sendLine(QStringLiteral(":irc.test 376 me :End of MOTD"));
            return f.server.waitForLine(QStringLiteral("AWAY")) && f.session().isRegistered();
        };
        QVERIFY(dropAndExpect(5));
        QVERIFY(comeBack(5));
        QVERIFY(dropAndExpect(10));
        QVERIFY(comeBack(10));
        f.clock.advanceSeconds(ReconnectSchedule::StableSeconds - 1);
        QVERIFY(dropAndExpect(30));
        QVERIFY(comeBack(30));
        f.clock.advanceSeconds(ReconnectSchedule::StableSeconds);
        QVERIFY(dropAndExpect(5));
    }

    // Registration (CAP, NICK, USER, CAP END) and the answers to PING never use up the
    // burst: what registration completion sends and the user's first lines leave at once.
    void registrationAndPongLeaveOutsideTheBurst()
    {
        SessionFixture f;
        f.clock.stop();
        f.session().outbound().setRate(5, 2000);
        QVERIFY(f.connectAndLogIn());
        f.server.sendLine(QStringLiteral(":irc.test CAP * LS :znc.in/self-message"));
        QVERIFY(f.server.waitForLine(QStringLiteral("CAP END")));
        for (int n = 0; n < 5; ++n)
            QVERIFY(f.sync());
        f.server.sendLine(QStringLiteral(":irc.test 001 me :Welcome"));
        f.server.sendLine(QStringLiteral(":irc.test 376 me :End of MOTD"));
        QVERIFY(f.server.waitForLine(QStringLiteral("AWAY")));
        f.session().sendLine(QStringLiteral("LIST"));
        f.session().sendLine(QStringLiteral("PRIVMSG #t :one"));
        f.session().sendLine(QStringLiteral("PRIVMSG #t :two"));
        QVERIFY(f.sync());
        QCOMPARE(startingWith(f.server.received(), QStringLiteral("PRIVMSG")).size(), 2);
        QVERIFY(f.server.received().contains(QStringLiteral("LIST")));
        QCOMPARE(f.session().outbound().pending(), 0);
        // Once registered, NICK is paced like any other line.
        f.session().sendLine(QStringLiteral("NICK other"));
        QVERIFY(f.sync());
        QCOMPARE(f.session().outbound().pending(), 1);
    }

    // JOINs given together leave as few lines with the channels joined by commas, keyed
    // channels first as the keys pair with them, each line within the line limit.
    void joinsGivenTogetherLeaveAsFewLines()
    {
        SessionFixture f;
        f.clock.stop();
        QVERIFY(f.registerAs(QStringLiteral("me")));
        f.session().outbound().setRate(5, 2000);
        f.server.clearReceived();
        QStringList channels;
        for (int n = 0; n < 30; ++n)
            channels << QStringLiteral("#favourite") + QString::number(n);
        f.session().sendLine(QStringLiteral("JOIN #locked sekrit"));
        for (const QString& channel : channels)
            f.session().sendLine(QStringLiteral("JOIN ") + channel);
        f.session().sendLine(QStringLiteral("JOIN #late key"));
        f.session().sendLine(QStringLiteral("PRIVMSG #favourite0 :hello"));
        QVERIFY(f.sync());
        const QStringList sent = f.server.received();
        const QStringList joins = startingWith(sent, QStringLiteral("JOIN "));
        QVERIFY2(joins.size() <= 4, qPrintable(joins.join(u'\n')));
        QStringList joined;
        for (const QString& line : joins) {
            QVERIFY(line.toUtf8().size() + 2 <= 255);
            joined += line.section(u' ', 1, 1).split(u',');
        }
        QCOMPARE(joined, QStringList{QStringLiteral("#locked")} + channels +
                             QStringList{QStringLiteral("#late")});
        QVERIFY(joins.first().endsWith(QStringLiteral(" sekrit")));
        QCOMPARE(joins.last(), QStringLiteral("JOIN #late key"));
        // Nothing overtakes a JOIN: the message to the channel follows it.
        QVERIFY(sent.indexOf(QStringLiteral("PRIVMSG #favourite0 :hello")) >
                sent.indexOf(joins.at(joins.size() - 2)));
    }

    void noReconnectUnlessTheConnectionWasLost_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<bool>("reconnectOption");
        QTest::addColumn<bool>("retries");
        QTest::newRow("server closes") << "close" << true << true;
        QTest::newRow("server sends ERROR") << "error" << true << true;
        QTest::newRow("check box off") << "close" << false << false;
        QTest::newRow("Disconnect") << "disconnect" << true << false;
        QTest::newRow("typed QUIT") << "quit" << true << false;
        QTest::newRow("Disconnect while waiting") << "close then disconnect" << true << false;
    }

    void noReconnectUnlessTheConnectionWasLost()
    {
        QFETCH(QString, ending);
        QFETCH(bool, reconnectOption);
        QFETCH(bool, retries);
        SessionFixture f;
        f.clock.stop();
        f.client.options().connection.reconnect = reconnectOption;
        QVERIFY(f.registerAs(QStringLiteral("me")));
        QSignalSpy closed(&f.session(), &Session::sessionClosed);
        if (ending == QLatin1String("disconnect")) {
            f.session().disconnectFromServer();
        } else if (ending == QLatin1String("quit")) {
            f.session().sendLine(QStringLiteral("quit :bye")); // typed in the raw data window
            QVERIFY(f.server.waitForLine(QStringLiteral("quit :bye")));
            f.server.sendLine(QStringLiteral("ERROR :Closing Link: me (Quit: bye)"));
            f.server.closeClient();
            QVERIFY(closed.wait());
        } else if (ending == QLatin1String("error")) {
            f.server.sendLine(QStringLiteral("ERROR :Closing Link: me (Ping timeout)"));
            QVERIFY(closed.wait());
        } else {
            f.server.closeClient();
            QVERIFY(closed.wait());
        }
        if (ending == QLatin1String("close then disconnect")) {
            QVERIFY(f.session().reconnectSchedule().isPending());
            f.session().disconnectFromServer();
            QCOMPARE(f.status().last(), QStringLiteral("Reconnecting stopped."));
        }
        QCOMPARE(f.session().reconnectSchedule().isPending(), retries);
        QCOMPARE(f.session().state(),
                 retries ? Session::State::WaitingToReconnect : Session::State::Disconnected);
        f.clock.advanceSeconds(3600);
        f.session().reconnectSchedule().onTick();
        if (retries) {
            QVERIFY(QTest::qWaitFor([&] { return f.server.connectionCount() == 2; }, 5000));
        } else {
            QVERIFY(!f.session().lookupPending());
            QVERIFY(reconnectLines(f.status()).filter(QStringLiteral("attempt")).isEmpty());
            QCOMPARE(f.server.connectionCount(), 1);
        }
    }
};

QUORL_TEST(PacingTest)
#include "pacingtest.moc"
