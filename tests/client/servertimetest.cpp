// Lines the server dates are shown, logged and stored with their own time; replayed
// history (a playback batch, or a bouncer's buffer dated before the connection) is shown
// without raising events, alerts or unread marks, and changes no nick list.
#include "history/historydatabase.h"
#include "support/sessionfixture.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString tagTime(const QDateTime& when)
{
    return when.toUTC().toString(Qt::ISODateWithMs);
}

QString stamp(const QDateTime& when)
{
    return when.toLocalTime().toString(QStringLiteral("'['HH:mm'] '"));
}
} // namespace

class ServerTimeTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void datedLinesKeepTheirTime()
    {
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("logs")));
        SessionFixture f(nullptr, folder.path() + u'/');
        f.clock.stop();
        f.client.options().display.timestamps = true;
        QVERIFY(f.registerAs(QStringLiteral("me")));
        f.server.sendLine(QStringLiteral(":me!u@h JOIN #t"));
        QVERIFY(f.sync());
        ChatWindow* channel = f.client.windows().findChannelWindow(QStringLiteral("#t"));
        QVERIFY(channel);
        QVERIFY(f.client.windows().startLog(channel));

        const QDateTime arrival = f.clock.now();
        const QDateTime said = arrival.addSecs(3 * 3600 + 5 * 60);
        f.server.sendLine(QStringLiteral("@time=") + tagTime(said) +
                          QStringLiteral(";msgid=m1 :alice!a@h PRIVMSG #t :dated"));
        // The bouncer's own name for the tag.
        const QDateTime bounced = arrival.addSecs(7 * 60);
        f.server.sendLine(QStringLiteral("@znc.in/server-time-iso=") + tagTime(bounced) +
                          QStringLiteral(" :carol!c@h PRIVMSG #t :bounced"));
        f.server.sendLine(QStringLiteral(":bob!b@h PRIVMSG #t :plain"));
        QVERIFY(f.sync());
        f.client.history()->sync();

        const QStringList expected{stamp(said) + QStringLiteral("<alice> dated"),
                                   stamp(bounced) + QStringLiteral("<carol> bounced"),
                                   stamp(arrival) + QStringLiteral("<bob> plain")};
        const QStringList shown = channel->document->plainLines();
        QFile log(f.client.windows().logPathFor(channel));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString logged = QString::fromUtf8(log.readAll());
        for (const QString& line : expected) {
            QVERIFY2(shown.contains(line), qPrintable(line + u'\n' + shown.join(u'\n')));
            QVERIFY2(logged.contains(line + QStringLiteral("\r\n")), qPrintable(line));
        }
        // Dated after the connection was made, they are live lines.
        QCOMPARE(f.events.count(QStringLiteral("Inbound Message")), 3);

        HistoryDatabase db;
        QVERIFY(db.open(folder.filePath(QStringLiteral("history.db")),
                        HistoryDatabase::Access::ReadOnly));
        QHash<QString, HistoryLine> stored;
        for (const HistoryRow& row : db.lastLines(f.client.network(0).name(), "#t", 10))
            stored.insert(row.line.sender, row.line);
        QCOMPARE(stored.value(QStringLiteral("alice")).timeMs, said.toMSecsSinceEpoch());
        QCOMPARE(stored.value(QStringLiteral("alice")).msgid, QStringLiteral("m1"));
        QCOMPARE(stored.value(QStringLiteral("carol")).timeMs, bounced.toMSecsSinceEpoch());
        QCOMPARE(stored.value(QStringLiteral("bob")).timeMs, arrival.toMSecsSinceEpoch());
        QVERIFY(stored.value(QStringLiteral("bob")).msgid.isEmpty());
    }

    void replayedHistoryIsShownQuietly()
    {
        SessionFixture f;
        f.clock.stop();
        f.client.options().display.timestamps = true;
        f.client.options().ctcp.answerVersion = true;
        f.client.options().ctcp.versionText = QStringLiteral("quorl");
        QVERIFY(f.registerAs(QStringLiteral("me")));
        f.server.sendLine(QStringLiteral(":me!u@h JOIN #t"));
        QVERIFY(f.sync());
        ChatWindow* channel = f.client.windows().findChannelWindow(QStringLiteral("#t"));
        QVERIFY(channel);
        QVERIFY(!channel->shown);
        channel->unseenActivity = false;
        QSignalSpy attention(&f.client.windows(), &WindowRegistry::attentionWanted);
        f.events.clear();

        const QDateTime before = f.clock.now().addSecs(-2 * 3600);
        const QString time = QStringLiteral("time=") + tagTime(before);
        for (const QString& line :
             {QStringLiteral("BATCH +h1 chathistory #t"),
              QStringLiteral("@batch=h1;") + time + QStringLiteral(" :alice!a@h JOIN #t"),
              QStringLiteral("@batch=h1;") + time +
                  QStringLiteral(" :alice!a@h PRIVMSG #t :me: you missed this"),
              QStringLiteral("@batch=h1;") + time +
                  QStringLiteral(" :alice!a@h PRIVMSG #t :\x01VERSION\x01"),
              QStringLiteral("@batch=h1;") + time +
                  QStringLiteral(" :carol!c@h PRIVMSG me :an old private word"),
              QStringLiteral("BATCH -h1"),
              // A bouncer's buffer without a batch, dated before the connection.
              QStringLiteral("@") + time + QStringLiteral(" :dave!d@h PRIVMSG #t :me: buffered")})
            f.server.sendLine(line);
        QVERIFY(f.sync());

        const QStringList shown = channel->document->plainLines();
        QVERIFY2(shown.contains(stamp(before) + QStringLiteral("<alice> me: you missed this")),
                 qPrintable(shown.join(u'\n')));
        QVERIFY(shown.contains(stamp(before) + QStringLiteral("<dave> me: buffered")));
        ChatWindow* chat = f.client.windows().findPrivateWindow(QStringLiteral("carol"));
        QVERIFY(chat);
        QVERIFY(chat->document->plainLines().contains(
            stamp(before) + QStringLiteral("<carol> an old private word")));
        QVERIFY2(f.events.isEmpty(), qPrintable(f.events.join(u',')));
        QCOMPARE(attention.count(), 0);
        QVERIFY(!channel->unseenActivity && !channel->highlighted && !chat->unseenActivity);
        QVERIFY(channel->nickList.indexOf(QStringLiteral("alice")) < 0);
        QVERIFY(!f.server.received().join(u'\n').contains(QStringLiteral("VERSION")));

        // The same words said now alert as ever.
        f.server.sendLine(QStringLiteral(":alice!a@h PRIVMSG #t :me: are you there?"));
        QVERIFY(f.sync());
        QCOMPARE(f.events, QStringList{QStringLiteral("Inbound Message")});
        QCOMPARE(attention.count(), 1);
        QVERIFY(channel->unseenActivity && channel->highlighted);
    }

    // With echo-message the user's line is shown when the server echoes it, once, at the
    // server's time, and a line the server refuses is never shown as said. With
    // labeled-response a typed WHOIS is answered in the window that asked, even when the
    // same user is asked about again from another window before the first answer.
    void ownLinesAndWhoisRepliesComeBackWhereTheyBelong()
    {
        SessionFixture f;
        f.clock.stop();
        f.client.options().display.timestamps = true;
        const QString requested = f.registerWithCapabilities(
            QStringLiteral("server-time batch message-tags echo-message labeled-response"));
        QVERIFY2(requested.contains(QStringLiteral("echo-message")), qPrintable(requested));
        f.server.sendLine(QStringLiteral(":me!u@h JOIN #a"));
        f.server.sendLine(QStringLiteral(":me!u@h JOIN #b"));
        QVERIFY(f.sync());
        ChatWindow* a = f.client.windows().findChannelWindow(QStringLiteral("#a"));
        ChatWindow* b = f.client.windows().findChannelWindow(QStringLiteral("#b"));
        QVERIFY(a && b);

        f.client.commands().enterLine(a, QStringLiteral("hello there"));
        QVERIFY(f.server.waitForLine(QStringLiteral("PRIVMSG #a :hello there")));
        QVERIFY(a->document->plainLines().filter(QStringLiteral("hello there")).isEmpty());
        const QDateTime echoed = f.clock.now().addSecs(2 * 3600 + 7 * 60);
        f.server.sendLine(QStringLiteral("@time=") + tagTime(echoed) +
                          QStringLiteral(";msgid=e1 :me!u@h PRIVMSG #a :hello there"));
        f.client.commands().enterLine(a, QStringLiteral("not allowed"));
        QVERIFY(f.server.waitForLine(QStringLiteral("PRIVMSG #a :not allowed")));
        f.server.sendLine(QStringLiteral(":irc.test 404 me #a :Cannot send to channel"));
        QVERIFY(f.sync());
        const QStringList lines = a->document->plainLines();
        QCOMPARE(lines.filter(QStringLiteral("hello there")),
                 QStringList{stamp(echoed) + QStringLiteral("<me> hello there")});
        QVERIFY2(lines.filter(QStringLiteral("not allowed")).isEmpty(),
                 qPrintable(lines.join(u'|')));
        QVERIFY(!f.events.contains(QStringLiteral("Inbound Message")));

        f.client.commands().enterLine(a, QStringLiteral("/whois alice"));
        f.client.commands().enterLine(b, QStringLiteral("/whois alice"));
        QVERIFY(QTest::qWaitFor(
            [&] { return f.server.received().filter(QStringLiteral(" WHOIS alice")).size() == 2; },
            5000));
        const QStringList asked = f.server.received().filter(QStringLiteral(" WHOIS alice"));
        int idle = 0;
        for (const QString& line : asked) {
            QVERIFY2(line.startsWith(QStringLiteral("@label=")), qPrintable(line));
            const QString label = line.section(u' ', 0, 0).mid(7);
            const QString ref = QStringLiteral("r") + label;
            idle += 10;
            for (const QString& reply :
                 {QStringLiteral("@label=") + label + QStringLiteral(" :irc.test BATCH +") + ref +
                      QStringLiteral(" labeled-response"),
                  QStringLiteral("@batch=") + ref +
                      QStringLiteral(" :irc.test 311 me alice a host * :Alice"),
                  QStringLiteral("@batch=") + ref + QStringLiteral(" :irc.test 317 me alice ") +
                      QString::number(idle) + QStringLiteral(" 0 :seconds idle"),
                  QStringLiteral("@batch=") + ref + QStringLiteral(" :irc.test 318 me alice :End"),
                  QStringLiteral(":irc.test BATCH -") + ref})
                f.server.sendLine(reply);
        }
        QVERIFY(f.sync());
        const QString idleFor = QStringLiteral("alice has been idle for ");
        QCOMPARE(a->document->plainLines().filter(idleFor).join(u'|'),
                 stamp(f.clock.now()) + QStringLiteral("*** ") + idleFor +
                     QStringLiteral("10 secs."));
        QCOMPARE(b->document->plainLines().filter(idleFor).join(u'|'),
                 stamp(f.clock.now()) + QStringLiteral("*** ") + idleFor +
                     QStringLiteral("20 secs."));
    }
};

QUORL_TEST(ServerTimeTest)
#include "servertimetest.moc"
