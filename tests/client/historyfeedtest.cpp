// What the windows show reaches the history store: channel and private lines with their
// network, window and sender, the user's own lines, and a password typed as a command
// only masked. A window that opens again shows its past from the store first.
#include "history/historydatabase.h"
#include "support/sessionfixture.h"
#include "support/testmain.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class HistoryFeedTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void shownLinesAreStored()
    {
        QTemporaryDir folder;
        SessionFixture f(nullptr, folder.path() + u'/');
        QVERIFY(f.client.history());
        QVERIFY(f.registerAs(QStringLiteral("me")));
        for (const char* line : {":me!u@h JOIN #open", ":alice!a@h PRIVMSG #open :find me later",
                                 ":bob!b@h PRIVMSG me :private words"})
            f.server.sendLine(QString::fromLatin1(line));
        QVERIFY(f.sync());
        ChatWindow* open = f.client.windows().findChannelWindow(QStringLiteral("#open"));
        QVERIFY(open);
        f.client.commands().enterLine(open, QStringLiteral("my own words"));
        f.client.commands().enterLine(open, QStringLiteral("/msg NickServ IDENTIFY hunter2"));
        f.client.history()->sync();

        HistoryDatabase db;
        QVERIFY(db.open(folder.filePath(QStringLiteral("history.db")),
                        HistoryDatabase::Access::ReadOnly));
        // Lines are kept under the network's name as the picker shows it, not its address:
        // two networks on one host stay apart.
        const QString network = f.client.network(0).name();
        QCOMPARE(network, QStringLiteral("Local - test"));
        QStringList seen;
        for (const HistoryRow& row : db.lastLines(network, "#open", 10))
            seen << row.line.sender + u'|' + row.line.text;
        QVERIFY(seen.contains(QStringLiteral("alice|<alice> find me later")));
        QVERIFY(seen.contains(QStringLiteral("me|<me> my own words")));
        QVERIFY(seen.contains(QStringLiteral("|-- Message to NickServ: IDENTIFY ********")));
        const auto bob = db.lastLines(network, QStringLiteral("bob"), 10);
        QCOMPARE(int(bob.size()), 1);
        QCOMPARE(bob.front().line.sender, QStringLiteral("bob"));
        QVERIFY(db.search(HistoryQuery::parse(QStringLiteral("hunter2"))).empty());
    }

    // A channel window closed and joined again: its old lines, the divider, then the line
    // that arrived while the past was read; the past raises no event, marks nothing and
    // is not stored a second time.
    void reopenedWindowShowsItsPastFirst()
    {
        QTemporaryDir folder;
        SessionFixture f(nullptr, folder.path() + u'/');
        QVERIFY(f.client.history());
        QVERIFY(f.registerAs(QStringLiteral("me")));
        for (const char* line : {":me!u@h JOIN #open", ":alice!a@h PRIVMSG #open :old one",
                                 ":alice!a@h PRIVMSG #open :me: old two"})
            f.server.sendLine(QString::fromLatin1(line));
        QVERIFY(f.sync());
        f.client.windows().closeChannelWindow(QStringLiteral("#open"));
        QVERIFY(!f.client.windows().findChannelWindow(QStringLiteral("#open")));

        QStringList eventTexts;
        QObject::connect(&f.client.events(), &EventHook::eventFired,
                         [&](const QString&, const QStringList& texts) { eventTexts << texts; });
        // One write, so the live line is handled before the store can answer.
        f.server.sendLine(QStringLiteral(":me!u@h JOIN #open\r\n"
                                         ":alice!a@h PRIVMSG #open :live now"));
        QVERIFY(f.sync());
        ChatWindow* open = f.client.windows().findChannelWindow(QStringLiteral("#open"));
        QVERIFY(open);
        QTRY_VERIFY(!open->awaitingPast);
        const QStringList shown = open->document->plainLines();
        const qsizetype divider = shown.indexOf(WindowRegistry::pastDivider());
        QVERIFY2(divider >= 2, qPrintable(shown.join(u'|')));
        QCOMPARE(shown.mid(divider - 2, 2), QStringList({QStringLiteral("<alice> old one"),
                                                         QStringLiteral("<alice> me: old two")}));
        QCOMPARE(shown.count(QStringLiteral("<alice> old one")), 1);
        QVERIFY2(shown.indexOf(QStringLiteral("<alice> live now")) > divider,
                 qPrintable(shown.join(u'|')));
        QVERIFY(!open->highlighted);
        QVERIFY2(!eventTexts.join(u'|').contains(QStringLiteral("old")),
                 qPrintable(eventTexts.join(u'|')));

        f.client.history()->sync();
        HistoryDatabase db;
        QVERIFY(db.open(folder.filePath(QStringLiteral("history.db")),
                        HistoryDatabase::Access::ReadOnly));
        QStringList stored;
        for (const HistoryRow& row : db.lastLines(f.client.network(0).name(), "#open", 100))
            stored << row.line.text;
        QCOMPARE(stored.count(QStringLiteral("<alice> old one")), 1);
        QCOMPARE(stored.count(QStringLiteral("<alice> live now")), 1);
        QVERIFY(!stored.contains(WindowRegistry::pastDivider()));
    }

    // On a server that keeps history, a first join asks for the latest lines and a later
    // one for those after the newest line the store holds (by its msgid), at most the
    // setting's worth; what comes is shown quietly with its time, and a replayed line the
    // window already shows is not shown twice.
    void joinFetchesWhatWasMissed()
    {
        QTemporaryDir folder;
        SessionFixture f(nullptr, folder.path() + u'/');
        f.client.options().display.timestamps = true;
        f.client.options().history.fetchLines = 50;
        const QString requested = f.registerWithCapabilities(
            QStringLiteral("batch server-time message-tags draft/chathistory"));
        QVERIFY2(requested.contains(QStringLiteral("draft/chathistory")), qPrintable(requested));

        const QDateTime said = QDateTime::currentDateTimeUtc().addSecs(-3 * 3600);
        const auto replay = [&](const QString& reference, const QList<int>& numbers) {
            f.server.sendLine(QStringLiteral("BATCH +") + reference +
                              QStringLiteral(" chathistory #h"));
            for (int n : numbers)
                f.server.sendLine(QStringLiteral("@batch=") + reference + QStringLiteral(";time=") +
                                  said.addSecs(n).toString(Qt::ISODateWithMs) +
                                  QStringLiteral(";msgid=m") + QString::number(n) +
                                  QStringLiteral(" :alice!a@h PRIVMSG #h :line ") +
                                  QString::number(n));
            f.server.sendLine(QStringLiteral("BATCH -") + reference);
            return f.sync();
        };
        const QString stamp2 =
            said.addSecs(2).toLocalTime().toString(QStringLiteral("'['HH:mm'] '"));

        f.server.sendLine(QStringLiteral(":me!u@h JOIN #h"));
        QVERIFY(f.server.waitForLine(QStringLiteral("CHATHISTORY LATEST #h * 50")));
        QVERIFY(replay(QStringLiteral("b1"), {1, 2}));
        ChatWindow* window = f.client.windows().findChannelWindow(QStringLiteral("#h"));
        QVERIFY(window);
        QVERIFY2(window->document->plainLines().contains(stamp2 + QStringLiteral("<alice> line 2")),
                 qPrintable(window->document->plainLines().join(u'|')));
        QVERIFY(!f.events.contains(QStringLiteral("Inbound Message")));

        f.client.windows().closeChannelWindow(QStringLiteral("#h"));
        f.server.sendLine(QStringLiteral(":me!u@h JOIN #h"));
        QVERIFY(f.server.waitForLine(QStringLiteral("CHATHISTORY AFTER #h msgid=m2 50")));
        // This server repeats the line it was asked to start after.
        QVERIFY(replay(QStringLiteral("b2"), {2, 3}));
        window = f.client.windows().findChannelWindow(QStringLiteral("#h"));
        QVERIFY(window);
        QTRY_VERIFY(!window->awaitingPast);
        const QStringList shown = window->document->plainLines();
        QCOMPARE(shown.filter(QStringLiteral("<alice> line 2")).size(), 1);
        QVERIFY2(shown.indexOf(QRegularExpression(QStringLiteral(".*<alice> line 3"))) >
                     shown.indexOf(WindowRegistry::pastDivider()),
                 qPrintable(shown.join(u'|')));
        QVERIFY(!f.events.contains(QStringLiteral("Inbound Message")));
    }
};

QUORL_TEST(HistoryFeedTest)
#include "historyfeedtest.moc"
