#pragma once

#include "client/client.h"
#include "support/fakeircserver.h"
#include "support/scriptedprompts.h"

#include <QTest>

#include <memory>

// The system's time until a test stops it; then the time the test sets by hand.
struct StoppableClock : Clock
{
    QDateTime now() const override { return stopped ? manual.now() : Clock::now(); }
    void stop() { stopped = true; }
    void advanceSeconds(qint64 seconds) { manual.advanceSeconds(seconds); }
    ManualClock manual;
    bool stopped = false;
};

// A client connected to a scripted server, for protocol tests. A test that needs the
// time of day under its control hands in a clock, which must outlive the fixture;
// otherwise the fixture's own clock keeps the system's time until a test stops it.
struct SessionFixture
{
    StoppableClock clock;
    ScriptedPrompts prompts;
    std::unique_ptr<Client> ownClient;
    Client& client;
    FakeIrcServer server;
    QStringList events;

    explicit SessionFixture(const Clock* external = nullptr,
                            const QString& programFolder = QStringLiteral("/tmp/quorl-test/"))
        : ownClient(std::make_unique<Client>(programFolder, prompts, external ? *external : clock)),
          client(*ownClient)
    {
        client.session().ident().setPort(0);
        QObject::connect(&client.events(), &EventHook::eventFired,
                         [this](const QString& e, const QStringList&) { events << e; });
    }
    Session& session() { return client.session(); }
    QStringList status() const { return const_cast<Client&>(client).statusLog().lines(); }
    bool statusHas(const QString& line) { return client.statusLog().lines().contains(line); }

    // Connects and waits until the client has sent NICK and USER.
    bool connectAndLogIn()
    {
        if (!server.listen())
            return false;
        session().connectToKnownHost(QStringLiteral("127.0.0.1"), server.port(),
                                     QStringLiteral("Local - test"));
        return server.waitForLine(QStringLiteral("USER "));
    }
    bool registerAs(const QString& nick)
    {
        if (!connectAndLogIn())
            return false;
        server.sendLine(QStringLiteral(":irc.test 001 ") + nick + QStringLiteral(" :Welcome"));
        server.sendLine(QStringLiteral(":irc.test 376 ") + nick + QStringLiteral(" :End of MOTD"));
        // Registration ends with MODE and AWAY; wait for them so tests start clean.
        return server.waitForLine(QStringLiteral("AWAY")) && session().isRegistered();
    }
    // Connects, offers the capabilities, grants what the client requests and registers
    // as "me". Returns the client's CAP REQ line, empty when any step failed.
    QString registerWithCapabilities(const QString& offered)
    {
        if (!connectAndLogIn())
            return {};
        server.sendLine(QStringLiteral(":irc.test CAP * LS :") + offered);
        if (!server.waitForLine(QStringLiteral("CAP REQ :")))
            return {};
        const QString requested = server.received().filter(QStringLiteral("CAP REQ :")).last();
        server.sendLine(QStringLiteral(":irc.test CAP * ACK :") + requested.mid(9));
        server.sendLine(QStringLiteral(":irc.test 001 me :Welcome"));
        server.sendLine(QStringLiteral(":irc.test 376 me :End of MOTD"));
        return server.waitForLine(QStringLiteral("AWAY")) ? requested : QString();
    }
    // Returns once the client has handled every line sent before it.
    bool sync()
    {
        const QString token = QStringLiteral("sync") + QString::number(++syncs);
        server.sendLine(QStringLiteral("PING :") + token);
        return server.waitForLine(QStringLiteral("PONG :") + token);
    }
    int syncs = 0;
};
