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
};

QUORL_TEST(ServerTimeTest)
#include "servertimetest.moc"
