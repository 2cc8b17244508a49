// The session against a scripted server: registration lines, PING, ERROR, nickname
// rotation, registration complete, port rotation, time-out and refused connections.
#include "client/client.h"
#include "irc/clientsocket.h"
#include "irc/ircnames.h"
#include "irc/portselection.h"
#include "support/sessionfixture.h"
#include "support/testmain.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

class SessionTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void registrationSendsNickAndUser()
    {
        SessionFixture f;
        f.client.options().user.realName = QStringLiteral("  Joe Bloggs ");
        f.client.options().user.email = QStringLiteral("joe@example.org");
        QVERIFY(f.connectAndLogIn());
        QCOMPARE(f.server.received(),
                 (QStringList{QStringLiteral("CAP LS 302"), QStringLiteral("NICK Yournick"),
                              QStringLiteral("USER joe@example.org empty empty :Joe Bloggs")}));
        const QStringList expected{
            QStringLiteral("Looking up Local - test..."),
            QStringLiteral("Attempting to Connect to 127.0.0.1 on Port ") +
                QString::number(f.server.port()),
            QStringLiteral("Connected - Logging In..."),
        };
        const QStringList status = f.status();
        const qsizetype at = status.indexOf(expected.first());
        QVERIFY(at > 0);
        QCOMPARE(status.at(at - 1), QString()); // an empty line comes first
        QCOMPARE(status.mid(at, 3), expected);
        QCOMPARE(f.session().state(), Session::State::Registering);
        QCOMPARE(f.session().localAddress(), QStringLiteral("127.0.0.1"));
        QVERIFY(!f.session().isRegistered());
    }

    // The e-mail field is the user name of the USER line; a server refuses an empty one
    // (ngircd answers 461) and one with blanks in it.
    void userLineNameIsOneWord_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("user");
        QTest::newRow("empty") << QString() << QStringLiteral("USER quorl empty empty :Joe");
        QTest::newRow("blanks only")
            << QStringLiteral("   ") << QStringLiteral("USER quorl empty empty :Joe");
        QTest::newRow("two words")
            << QStringLiteral(" john doe ") << QStringLiteral("USER john empty empty :Joe");
        QTest::newRow("tab inside")
            << QStringLiteral("ann\tlee") << QStringLiteral("USER ann empty empty :Joe");
        QTest::newRow("one word") << QStringLiteral("ann@x.org")
                                  << QStringLiteral("USER ann@x.org empty empty :Joe");
    }
    void userLineNameIsOneWord()
    {
        QFETCH(QString, email);
        QFETCH(QString, user);
        SessionFixture f;
        f.client.options().user.realName = QStringLiteral("Joe");
        f.client.options().user.email = email;
        QVERIFY(f.connectAndLogIn());
        QCOMPARE(f.server.received().filter(QStringLiteral("USER ")).value(0), user);
    }

    // A server without a message of the day ends registration with 422 in place of 376.
    void noMotdCompletesRegistration()
    {
        SessionFixture f;
        QVERIFY(f.connectAndLogIn());
        f.server.sendLine(QStringLiteral(":irc.test 001 Yournick :Welcome"));
        f.server.sendLine(QStringLiteral(":irc.test 422 Yournick :MOTD File is missing"));
        QVERIFY(f.server.waitForLine(QStringLiteral("AWAY")));
        QVERIFY(f.session().isRegistered());
        QVERIFY(f.statusHas(QStringLiteral("ERROR: Server has no MOTD.")));
        QVERIFY(f.statusHas(QStringLiteral("Ready.")));
        QCOMPARE(f.client.recentServers().slots()[0].label, QStringLiteral("Local - test"));
        // A later 422 (the user asks for the MOTD) says so again but registers nothing twice.
        f.server.clearReceived();
        f.server.sendLine(QStringLiteral(":irc.test 422 Yournick :MOTD File is missing"));
        QVERIFY(f.sync());
        QCOMPARE(f.server.received().filter(QStringLiteral("MODE")), QStringList());
        QCOMPARE(f.status().filter(QStringLiteral("Ready.")).size(), 1);
    }

    void pingIsAnsweredOnlyWithColon()
    {
        SessionFixture f;
        QVERIFY(f.connectAndLogIn());
        f.server.sendLine(QStringLiteral("PING irc.example"));
        f.server.sendLine(QStringLiteral("PING :irc.example"));
        QVERIFY(f.server.waitForLine(QStringLiteral("PONG")));
        QCOMPARE(f.server.received().filter(QStringLiteral("PONG")),
                 QStringList{QStringLiteral("PONG :irc.example")});
        QCOMPARE(f.session().lastPong(), QStringLiteral("PONG :irc.example"));
    }

    void errorEndsTheSession_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("shown");
        QTest::newRow("reason in parentheses")
            << QStringLiteral("ERROR :Closing Link: nick[host] (Ping timeout)")
            << QStringLiteral("(Ping timeout)");
        QTest::newRow("plain") << QStringLiteral("ERROR :Bye") << QStringLiteral("Bye");
    }

    void errorEndsTheSession()
    {
        QFETCH(QString, line);
        QFETCH(QString, shown);
        SessionFixture f;
        QVERIFY(f.connectAndLogIn());
        QSignalSpy closed(&f.session(), &Session::sessionClosed);
        f.server.sendLine(line);
        QVERIFY(closed.wait());
        const QStringList status = f.status();
        const qsizetype at = status.indexOf(shown);
        QVERIFY2(at >= 0, qPrintable(status.join(u'|')));
        QCOMPARE(status.at(at + 1), QStringLiteral("Disconnected."));
        QCOMPARE(f.session().state(), Session::State::Disconnected);
        QVERIFY(f.events.contains(QStringLiteral("you disconnecting from server")));
        QVERIFY(f.server.waitForDisconnect());
    }

    void firstLineAdoptsNicknameAndRegistrationCompletes()
    {
        SessionFixture f;
        f.client.options().connection.invisible = true;
        f.client.options().connection.away = true;
        f.client.options().connection.awayMessage = QStringLiteral("\\\\bgone");
        QSignalSpy nick(&f.session(), &Session::nicknameChanged);
        QVERIFY(f.registerAs(QStringLiteral("mynick")));
        QCOMPARE(f.session().currentNickname(), QStringLiteral("mynick"));
        QCOMPARE(nick.last().first().toString(), QStringLiteral("mynick"));
        QVERIFY(f.statusHas(QStringLiteral("You are now mynick.")));
        QVERIFY(f.client.serverView().lines().isEmpty()); // the 001 is consumed
        QVERIFY(f.statusHas(QStringLiteral("Ready.")));
        QCOMPARE(f.session().serverPrefix(), QStringLiteral(":irc.test"));
        QVERIFY(f.server.waitForLine(QStringLiteral("AWAY")));
        const QStringList sent = f.server.received();
        QCOMPARE(sent.mid(3),
                 (QStringList{QStringLiteral("MODE mynick +i"), QStringLiteral("AWAY :\x02gone")}));
        QVERIFY(f.events.contains(QStringLiteral("You Connecting to Server")));
        QCOMPARE(f.session().port(), f.server.port() + RegisteredPortOffset);
    }

    void endOfMotdToAnotherNicknameResendsNick()
    {
        SessionFixture f;
        QVERIFY(f.connectAndLogIn());
        f.server.sendLine(QStringLiteral(":irc.test NOTICE AUTH :*** Looking up your hostname"));
        f.server.sendLine(QStringLiteral(":irc.test 376 someoneelse :End of MOTD"));
        QVERIFY(f.server.waitForLine(QStringLiteral("AWAY")));
        const QStringList sent = f.server.received();
        QCOMPARE(sent.at(3), QStringLiteral("NICK Yournick"));
        QCOMPARE(sent.at(4), QStringLiteral("MODE Yournick -i"));
        QCOMPARE(sent.at(5), QStringLiteral("AWAY"));
        // A first NOTICE AUTH is shown and keeps the learned prefix.
        QCOMPARE(f.client.serverView().lines(),
                 QStringList{QStringLiteral("*** Looking up your hostname")});
        QCOMPARE(f.session().serverPrefix(), QStringLiteral(":irc.test"));
    }

    void noticeToStarIsNotANickname()
    {
        SessionFixture f;
        QVERIFY(f.connectAndLogIn());
        f.server.sendLine(QStringLiteral(":irc.test NOTICE * :*** Checking Ident"));
        f.server.sendLine(QStringLiteral(":irc.test 376 Yournick :End"));
        QVERIFY(QTest::qWaitFor([&] { return f.session().isRegistered(); }, 5000));
        QCOMPARE(f.session().currentNickname(), QStringLiteral("Yournick"));
        QCOMPARE(f.client.serverView().lines(), QStringList{QStringLiteral("*** Checking Ident")});
    }

    void nicknameRotationDuringRegistration()
    {
        SessionFixture f;
        f.client.options().user.nicknames = {QStringLiteral("a"), QStringLiteral("b"),
                                             QStringLiteral("c")};
        f.client.options().user.nickname = QStringLiteral("b");
        f.session().setNickname(QStringLiteral("b"));
        QVERIFY(f.connectAndLogIn());
        QSignalSpy closed(&f.session(), &Session::sessionClosed);

        f.server.sendLine(QStringLiteral(":irc.test 433 * b :Nickname already in use"));
        QVERIFY(f.server.waitForLine(QStringLiteral("NICK c")));
        QVERIFY(f.statusHas(QStringLiteral("b is already in use, trying c instead...")));
        QVERIFY(f.session().serverPrefix().isEmpty()); // the next line is a first line again

        f.server.sendLine(QStringLiteral(":irc.test 433 * c :Nickname already in use"));
        QVERIFY(f.server.waitForLine(QStringLiteral("NICK a")));

        f.server.sendLine(QStringLiteral(":irc.test 433 * a :Nickname already in use"));
        QVERIFY(closed.wait());
        QVERIFY(f.statusHas(QStringLiteral(
            "All your Nicknames are in use by other users.  Please create a new Nickname.")));
        QCOMPARE(f.server.received().filter(QStringLiteral("NICK ")),
                 (QStringList{QStringLiteral("NICK b"), QStringLiteral("NICK c"),
                              QStringLiteral("NICK a")}));
        QCOMPARE(f.session().state(), Session::State::Disconnected);
    }

    void clashAfterFirstLineRotatesAndRenames()
    {
        SessionFixture f;
        f.client.options().user.nicknames = {QStringLiteral("joe"), QStringLiteral("joe_")};
        f.session().setNickname(QStringLiteral("joe"));
        QVERIFY(f.connectAndLogIn());
        f.server.sendLine(QStringLiteral(":irc.test NOTICE AUTH :*** hello"));
        f.server.sendLine(QStringLiteral(":irc.test 433 * joe :Nickname is already in use"));
        QVERIFY(f.server.waitForLine(QStringLiteral("NICK joe_")));
        QCOMPARE(f.session().currentNickname(), QStringLiteral("joe_"));
        QVERIFY(f.statusHas(QStringLiteral("joe is already in use, trying joe_ instead...")));
        f.server.sendLine(QStringLiteral(":irc.test 433 * joe_ :Nickname is already in use"));
        QVERIFY(QTest::qWaitFor([&] { return !f.session().isConnected(); }, 5000));
        QVERIFY(f.statusHas(QStringLiteral("ERROR: All your Nicknames are in use by other users.  "
                                           "Please create a new Nickname.")));
    }

    void clashAfterRegistrationOnlyReports()
    {
        SessionFixture f;
        QVERIFY(f.registerAs(QStringLiteral("Yournick")));
        // The window shown, where the user typed /nick, hears of it too.
        WindowRegistry& windows = f.client.windows();
        ChatWindow* shown = windows.createChannelWindow(QStringLiteral("#here"));
        windows.picker().selectRow(int(windows.indexOf(shown)));
        f.server.clearReceived();
        f.server.sendLine(
            QStringLiteral(":irc.test 433 Yournick taken :Nickname is already in use"));
        f.server.sendLine(QStringLiteral("PING :sync"));
        QVERIFY(f.server.waitForLine(QStringLiteral("PONG :sync")));
        QVERIFY(f.statusHas(QStringLiteral("ERROR: taken is already in use.")));
        QCOMPARE(shown->document->plainLines().last(),
                 QStringLiteral("*** ERROR: taken is already in use."));
        QCOMPARE(f.server.received(), QStringList{QStringLiteral("PONG :sync")});
        QVERIFY(f.session().isConnected());
    }

    void alternativeNickname_data()
    {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("next");
        const QStringList abc{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
        QTest::newRow("middle") << abc << "b"
                                << "c";
        QTest::newRow("last wraps") << abc << "c"
                                    << "a";
        QTest::newRow("not listed gives first") << abc << "zed"
                                                << "a";
        QTest::newRow("exact comparison") << abc << "B"
                                          << "a";
    }

    void alternativeNickname()
    {
        QFETCH(QStringList, list);
        QFETCH(QString, after);
        QFETCH(QString, next);
        QCOMPARE(nicknameAfter(list, after), next);
    }

    void portSelection_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("previousHost");
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("port");
        const QString l = QStringLiteral("6667,6668,6669");
        QTest::newRow("new host: first") << l << "b"
                                         << "a" << 6669 << true << 6667;
        QTest::newRow("same host walks 1") << l << "a"
                                           << "a" << 6667 << true << 6668;
        QTest::newRow("same host walks 2") << l << "a"
                                           << "a" << 6668 << true << 6669;
        QTest::newRow("same host wraps") << l << "a"
                                         << "a" << 6669 << true << 6667;
        QTest::newRow("port that worked is reused")
            << l << "a"
            << "a" << 6668 + RegisteredPortOffset << true << 6668;
        QTest::newRow("single") << "7000"
                                << "a"
                                << "a" << 7000 << true << 7000;
        QTest::newRow("whole entries match") << "16667,6667,7000"
                                             << "a"
                                             << "a" << 6667 << true << 7000;
        QTest::newRow("letters") << "66a7"
                                 << "a"
                                 << "b" << 0 << false << 0;
        QTest::newRow("empty") << ""
                               << "a"
                               << "b" << 0 << false << 0;
        QTest::newRow("out of range") << "70000"
                                      << "a"
                                      << "b" << 0 << false << 0;
        QTest::newRow("zero") << "0"
                              << "a"
                              << "b" << 0 << false << 0;
    }

    void portSelection()
    {
        QFETCH(QString, list);
        QFETCH(QString, host);
        QFETCH(QString, previousHost);
        QFETCH(int, stored);
        QFETCH(bool, valid);
        QFETCH(int, port);
        const PortChoice choice = selectPort(list, host, previousHost, stored);
        QCOMPARE(choice.valid, valid);
        if (valid)
            QCOMPARE(choice.port, port);
    }

    void invalidPortListWarnsAndDoesNothing()
    {
        SessionFixture f;
        const qsizetype before = f.client.statusLog().count();
        f.session().connectToServer(QStringLiteral("irc.example"), QStringLiteral("66a7"),
                                    QStringLiteral("Net - irc"));
        f.session().connectToServer(QStringLiteral("irc.example"), QString(),
                                    QStringLiteral("Net - irc"));
        QCOMPARE(f.prompts.warnings,
                 (QStringList{QStringLiteral("You have specified an invalid Port: 66a7"),
                              QStringLiteral("You have specified an invalid Port: ")}));
        QCOMPARE(f.client.statusLog().count(), before);
        QVERIFY(!f.session().lookupPending());
        QCOMPARE(f.session().state(), Session::State::Disconnected);
    }

    void refusedThenNextPortOfTheList()
    {
        SessionFixture f;
        // A port nobody listens on: take a free one and give it back.
        FakeIrcServer gone;
        QVERIFY(gone.listen());
        const quint16 deadPort = gone.port();
        gone.stopListening();
        QVERIFY(f.server.listen());
        const QString ports = QString::number(deadPort) + u',' + QString::number(f.server.port());

        f.session().connectToServer(QStringLiteral("127.0.0.1"), ports, QStringLiteral("L - t"));
        QVERIFY(QTest::qWaitFor([&] { return f.session().state() == Session::State::Disconnected; },
                                5000));
        const QString refused = f.status().last();
        QVERIFY2(refused.startsWith(QStringLiteral("Can't Connect: 127.0.0.1 (")),
                 qPrintable(refused));
        QVERIFY(!f.statusHas(QStringLiteral("Connected - Logging In...")));
        QCOMPARE(f.session().state(), Session::State::Disconnected);

        // The same host again: the next port of the list, which answers.
        f.session().connectToServer(QStringLiteral("127.0.0.1"), ports, QStringLiteral("L - t"));
        QVERIFY(f.server.waitForLine(QStringLiteral("USER ")));
        QCOMPARE(f.session().port(), int(f.server.port()));
    }

    void timeOutAfterSixtySeconds()
    {
        SessionFixture f;
        QVERIFY(f.server.listen());
        f.session().connectToKnownHost(QStringLiteral("127.0.0.1"), f.server.port(),
                                       QStringLiteral("L - t"));
        // Complete the lookup at once, then let the clock run before the connect event.
        f.session().lookupComplete(f.session().currentLookupId(), QStringLiteral("127.0.0.1"),
                                   QString());
        for (int i = 0; i < 59; ++i)
            f.client.ticker().tick();
        QVERIFY(!f.statusHas(QStringLiteral("Connection Timeout - Can't find Server")));
        f.client.ticker().tick();
        QVERIFY(f.statusHas(QStringLiteral("Connection Timeout - Can't find Server")));
        QCOMPARE(f.status().last(), QStringLiteral("Disconnected."));
        QCOMPARE(f.session().state(), Session::State::Disconnected);
        QVERIFY(!f.client.ticker().isRunning());
        // The abandoned attempt never turns into a session.
        QTest::qWait(100);
        QVERIFY(!f.session().isConnected());
    }

    void disconnectDuringLookupIgnoresTheResult()
    {
        SessionFixture f;
        QVERIFY(f.server.listen());
        f.session().connectToKnownHost(QStringLiteral("127.0.0.1"), f.server.port(),
                                       QStringLiteral("L - t"));
        const int id = f.session().currentLookupId();
        f.session().disconnectFromServer();
        f.session().lookupComplete(id, QStringLiteral("127.0.0.1"), QString());
        QTest::qWait(100);
        QCOMPARE(f.server.connectionCount(), 0);
        QVERIFY(f.status().filter(QStringLiteral("Attempting")).isEmpty());
    }

    void lookupFailureReportsAndResetsButtons()
    {
        SessionFixture f;
        f.session().connectToKnownHost(QStringLiteral("nowhere.invalid"), 6667,
                                       QStringLiteral("N - x"));
        f.session().lookupComplete(f.session().currentLookupId(), QString(),
                                   QStringLiteral("Host not found"));
        QCOMPARE(f.status().last(),
                 QStringLiteral("Can't find nowhere.invalid. Check Server Info and try again."));
        QCOMPARE(f.session().state(), Session::State::Disconnected);
    }

    void disconnectSendsQuitWithMessage()
    {
        SessionFixture f;
        f.client.options().connection.sendQuitMessage = true;
        f.client.options().connection.quitMessage = QStringLiteral("\\\\bbye");
        QVERIFY(f.registerAs(QStringLiteral("Yournick")));
        f.session().disconnectFromServer();
        QVERIFY(f.server.waitForLine(QStringLiteral("QUIT")));
        QCOMPARE(f.server.received().last(), QStringLiteral("QUIT :\x02"
                                                            "bye"));
        QVERIFY(f.server.waitForDisconnect());
        QVERIFY(!f.session().isRegistered());
        QCOMPARE(f.status().last(), QStringLiteral("Disconnected."));
    }

    void peerCloseRunsCleanupAfterHandlingLastLines()
    {
        SessionFixture f;
        QVERIFY(f.registerAs(QStringLiteral("Yournick")));
        QSignalSpy closed(&f.session(), &Session::sessionClosed);
        f.server.sendLine(QStringLiteral(":irc.test NOTICE Yournick :last words"));
        f.server.closeClient();
        QVERIFY(closed.wait());
        QVERIFY(!f.session().isConnected());
        QVERIFY(f.statusHas(QStringLiteral("Disconnected.")));
        // The server view is cleared by the cleanup, after the notice was handled.
        QVERIFY(f.client.serverView().lines().isEmpty());
        QVERIFY(f.session().serverPrefix().isEmpty());
    }

    void shutdownSendsQuitWithoutCleanup()
    {
        SessionFixture f;
        f.client.options().connection.sendQuitMessage = true; // empty message: "QUIT :"
        QVERIFY(f.registerAs(QStringLiteral("Yournick")));
        f.client.shutdown();
        QVERIFY(f.server.waitForLine(QStringLiteral("QUIT")));
        QCOMPARE(f.server.received().last(), QStringLiteral("QUIT :"));
        QVERIFY(f.server.waitForDisconnect());
        QVERIFY(f.statusHas(QStringLiteral("Shutting Down...")));
        QVERIFY(!f.statusHas(QStringLiteral("Disconnected.")));
    }

    void sendsNothingWhileDisconnected()
    {
        SessionFixture f;
        QSignalSpy raw(&f.session(), &Session::rawLineRecorded);
        f.session().sendLine(QStringLiteral("PRIVMSG #a :hello"));
        f.session().setInvisible(true);
        QCOMPARE(raw.count(), 0);
        f.client.shutdown(); // closing while idle sends nothing and closes nothing
        QCOMPARE(raw.count(), 0);
    }

    void switchesAndNicknameWhileConnected()
    {
        SessionFixture f;
        f.client.options().connection.awayMessage = QStringLiteral("at lunch");
        QVERIFY(f.registerAs(QStringLiteral("Yournick")));
        f.server.clearReceived();
        f.session().setAway(true);
        f.session().setAway(false);
        f.session().setInvisible(true);
        f.session().setNickname(QStringLiteral("Yournick")); // same name: nothing
        f.session().setNickname(QStringLiteral("other"));
        QVERIFY(f.server.waitForLine(QStringLiteral("NICK other")));
        QCOMPARE(f.server.received(),
                 (QStringList{QStringLiteral("AWAY :at lunch"), QStringLiteral("AWAY"),
                              QStringLiteral("MODE Yournick +i"), QStringLiteral("NICK other")}));
        QVERIFY(f.statusHas(QStringLiteral("You are now AWAY")));
        QVERIFY(f.statusHas(QStringLiteral("You are no longer AWAY")));
        QVERIFY(f.statusHas(QStringLiteral("Trying to change your Nickname to other.")));
        // The nickname changes only when the server confirms it.
        QCOMPARE(f.session().currentNickname(), QStringLiteral("Yournick"));
    }

    void hostileServerCannotGrowTheBuffer()
    {
        SessionFixture f;
        QVERIFY(f.registerAs(QStringLiteral("Yournick")));
        f.server.sendRaw(QByteArray(20000, 'x'));
        f.server.sendRaw(QByteArray(20000, 'x') + "\r\nPING :alive\r\n");
        QVERIFY(f.server.waitForLine(QStringLiteral("PONG :alive")));
        QCOMPARE(f.status().filter(QStringLiteral("without a line end")).size(), 1);
        QVERIFY(f.session().isConnected());
    }

    // Closing hands over what was received and not read yet, so the server's last lines
    // are still handled, but never more than a bound: a server that floods cannot hold
    // the close (and the program's end) up.
    void closeDeliversABoundedRemainder_data()
    {
        QTest::addColumn<qint64>("waiting");
        QTest::addColumn<qint64>("delivered");
        QTest::newRow("a few lines") << qint64(1000) << qint64(1000);
        QTest::newRow("a flood") << qint64(4 * 1024 * 1024) << ClientSocket::CloseDeliveryBytes;
    }
    void closeDeliversABoundedRemainder()
    {
        QFETCH(qint64, waiting);
        QFETCH(qint64, delivered);
        FakeIrcServer server;
        QVERIFY(server.listen());
        TimeoutTicker ticker;
        ClientSocket socket(ticker);
        socket.setAddress(QStringLiteral("127.0.0.1"));
        socket.setPort(QString::number(server.port()));
        QVERIFY(socket.connectToServer().isEmpty());
        QVERIFY(server.waitForClient());
        QTRY_VERIFY(socket.isConnected());
        // Nothing is read while connected, so everything sent stays waiting.
        qint64 readWhileClosing = 0;
        connect(&socket, &ClientSocket::readable, this, [&] {
            if (socket.state() == ClientSocket::State::Closing)
                readWhileClosing += socket.readChunk().size();
        });
        server.sendRaw(QByteArray(waiting, 'x'));
        // Beyond the read buffer's bound the rest waits in the system.
        QTRY_COMPARE(socket.bytesWaiting(), std::min(waiting, ClientSocket::ReadBufferBytes));
        socket.close();
        QCOMPARE(readWhileClosing, delivered);
        QCOMPARE(socket.state(), ClientSocket::State::Idle);
    }

    // Lines leave as they are written, not held back until the server acknowledges the
    // one before: behind a delayed acknowledgement a PONG waits some 40 ms.
    void serverConnectionSendsWithoutDelay()
    {
        FakeIrcServer server;
        QVERIFY(server.listen());
        TimeoutTicker ticker;
        ClientSocket socket(ticker);
        socket.setAddress(QStringLiteral("127.0.0.1"));
        socket.setPort(QString::number(server.port()));
        QVERIFY(socket.connectToServer().isEmpty());
        QTRY_VERIFY(socket.isConnected());
        auto* tcp = socket.findChild<QTcpSocket*>();
        QVERIFY(tcp);
        QCOMPARE(tcp->socketOption(QAbstractSocket::LowDelayOption).toInt(), 1);
    }

    // The read buffer is bounded, so a flood many times its size arrives in pieces; every
    // line must still be handled, in order, and the session keep reading after each pause.
    void floodBeyondTheReadBufferLosesNothing()
    {
        SessionFixture f;
        QVERIFY(f.registerAs(QStringLiteral("Yournick")));
        f.server.clearReceived();
        const int count = 6000; // about 600 KB: nine times the bound
        QByteArray flood;
        QStringList expected;
        for (int i = 0; i < count; ++i) {
            const QByteArray token = QByteArray::number(i) + '-' + QByteArray(90, 'p');
            flood += "PING :" + token + "\r\n";
            expected << QStringLiteral("PONG :") + QString::fromLatin1(token);
        }
        QVERIFY(flood.size() > 8 * ClientSocket::ReadBufferBytes);
        f.server.sendRaw(flood);
        QVERIFY(f.server.waitForLine(expected.last(), 60000));
        QCOMPARE(f.server.received(), expected);
        QVERIFY(f.session().isConnected());
    }

    // A server that sends CTCP queries but reads nothing cannot make the client hold an
    // ever larger heap of replies: past the bound the connection is closed and said so.
    void serverThatReadsNothingCannotGrowTheOutgoingData()
    {
        SessionFixture f;
        QVERIFY(f.registerAs(QStringLiteral("Yournick")));
        f.server.stopReading();
        // PONG leaves at once, ahead of the paced lines (CTCP answers are capped anyway), so
        // PINGs with long tokens are what a server that never reads can pile up.
        const QByteArray batch =
            (QByteArray("PING :") + QByteArray(200, 'x') + "\r\n").repeated(1000);
        bool closed = false;
        // 300,000 replies are far more than the system's buffers and the bound together.
        for (int i = 0; i < 300 && !closed; ++i) {
            f.server.sendRaw(batch);
            closed = QTest::qWaitFor([&] { return !f.session().isConnected(); }, 50);
        }
        QVERIFY2(closed, "still connected after 300,000 unanswered replies");
        QVERIFY(f.statusHas(QStringLiteral(
            "The server is not reading what we send (more than 1048576 bytes waiting); "
            "the connection was closed.")));
        // The user did not ask for the close, so a reconnect waits.
        QVERIFY(f.status().filter(QStringLiteral("Reconnecting to 127.0.0.1 in ")).size() == 1);
    }

    void malformedServerLinesAreHarmless()
    {
        SessionFixture f;
        QVERIFY(f.registerAs(QStringLiteral("Yournick")));
        for (const char* line : {":irc.test", ":irc.test 376", ":irc.test 433 Yournick",
                                 ":irc.test 433 Yournick :", ":", ": : :", "ERROR", "PING",
                                 ":irc.test NOTICE", ":nobody!x@y PRIVMSG", "\x01\x02\x03"})
            f.server.sendLine(QString::fromLatin1(line));
        f.server.sendLine(QStringLiteral("PING :still"));
        QVERIFY(f.server.waitForLine(QStringLiteral("PONG :still")));
        QVERIFY(f.session().isRegistered());
    }
};

QUORL_TEST(SessionTest)
#include "sessiontest.moc"
