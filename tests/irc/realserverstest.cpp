// The client's pacing against real servers' flood limits: ngircd and InspIRCd as
// installed, each with its default limits for clients.
#include "chat/windowregistry.h"
#include "client/client.h"
#include "support/inspircdserver.h"
#include "support/ngircdserver.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"

#include <QElapsedTimer>
#include <QTest>

#include <memory>

class RealServersTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Thirty favourite channels joined as registration completes, at the client's own
    // pace: every channel is joined within a few seconds and the server keeps the client.
    void joinsThirtyChannelsAtConnect_data()
    {
        QTest::addColumn<QString>("server");
        QTest::newRow("ngircd") << QStringLiteral("ngircd");
        QTest::newRow("inspircd") << QStringLiteral("inspircd");
    }
    void joinsThirtyChannelsAtConnect()
    {
        QFETCH(QString, server);
        NgircdServer ngircd;
        InspircdServer inspircd;
        quint16 port = 0;
        if (server == QLatin1String("ngircd")) {
            QVERIFY2(ngircd.start(), qPrintable(ngircd.error()));
            port = ngircd.port();
        } else {
            QVERIFY2(inspircd.start(), qPrintable(inspircd.error()));
            port = inspircd.port();
        }

        ScriptedPrompts prompts;
        Client client(QStringLiteral("/tmp/quorl-e2e/"), prompts);
        client.session().ident().setPort(0);
        client.session().outbound().setRate(OutboundQueue::DefaultBurst,
                                            OutboundQueue::DefaultIntervalMs);
        client.options().user.nicknames = {QStringLiteral("favourer")};
        client.session().setNickname(QStringLiteral("favourer"));
        QStringList channels;
        for (int n = 1; n <= 30; ++n)
            channels << QStringLiteral("#favourite%1").arg(n, 2, 10, QLatin1Char('0'));
        QElapsedTimer sinceRegistered;
        QObject::connect(&client.session(), &Session::registered, &client, [&] {
            sinceRegistered.start();
            for (const QString& channel : channels)
                client.windows().joinChannel(channel);
        });
        QVERIFY(
            client.connectToAddress(QStringLiteral("irc://127.0.0.1:") + QString::number(port)));
        QVERIFY2(QTest::qWaitFor([&] { return client.session().isRegistered(); }, 15000),
                 qPrintable(client.statusLog().lines().join(u'|')));
        const auto joined = [&] {
            qsizetype count = 0;
            for (const QString& channel : channels)
                count += client.windows().findChannelWindow(channel) ? 1 : 0;
            return count;
        };
        QVERIFY2(
            QTest::qWaitFor([&] { return joined() == channels.size(); }, 10000),
            qPrintable(QString::number(joined()) + u'|' + client.statusLog().lines().join(u'|')));
        qInfo("%s: 30 channels joined %lld ms after registration", qPrintable(server),
              sinceRegistered.elapsed());
        QVERIFY(sinceRegistered.elapsed() < 5000);

        // The server still answers, and has not closed the connection.
        bool answered = false;
        QObject::connect(&client.session(), &Session::rawLineRecorded, &client,
                         [&](const QString& line, const QString& direction) {
                             answered = answered || (direction == QLatin1String("server") &&
                                                     line.contains(QStringLiteral(" 324 ")));
                         });
        client.session().sendLine(QStringLiteral("MODE #favourite30"));
        QVERIFY(QTest::qWaitFor([&] { return answered; }, 10000));
        QVERIFY(client.session().isConnected());
        QVERIFY(!client.statusLog().lines().contains(QStringLiteral("Disconnected.")));
        client.shutdown();
    }
};

QUORL_TEST(RealServersTest)
#include "realserverstest.moc"
