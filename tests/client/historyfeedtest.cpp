// What the windows show reaches the history store: channel and private lines with their
// network, window and sender, the user's own lines, and a password typed as a command
// only masked. A window that opens again shows its past from the store first.
#include "history/historydatabase.h"
#include "support/sessionfixture.h"
#include "support/testmain.h"

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
};

QUORL_TEST(HistoryFeedTest)
#include "historyfeedtest.moc"
