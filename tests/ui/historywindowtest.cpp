// A chat window and its lines in the history store: a view scrolled past what the window
// keeps in memory reads the rest back; the window's menu forgets its lines, and lines
// older than the days kept go.
#include "history/historydatabase.h"
#include "support/sessionfixture.h"
#include "support/testmain.h"
#include "ui/chat/chatmenuwidget.h"
#include "ui/chat/chatview.h"

#include <QAction>
#include <QDateTime>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

class HistoryWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // A window keeps few lines in memory; scrolling up reads the older ones back from the
    // store, page by page, with the line at the top of the view staying in place, up to
    // the first line the window ever showed; scrolling down again comes back to the
    // newest, the line that arrived meanwhile included. Memory never holds more than its
    // limit and what it holds is always an unbroken run of lines.
    void scrollingBackReachesEveryLineEverShown()
    {
        QTemporaryDir folder;
        SessionFixture f(nullptr, folder.path() + u'/');
        QVERIFY(f.client.history());
        constexpr int limit = 200;
        f.client.options().history.memoryLines = limit;
        f.client.settingsChanges().announce(OptionGroup::History);
        QVERIFY(f.registerAs(QStringLiteral("me")));
        f.server.sendLine(QStringLiteral(":me!u@h JOIN #flood\r\n"
                                         ":bob!b@h PRIVMSG #flood :before the flood"));
        QVERIFY(f.sync());
        ChatWindow* flood = f.client.windows().findChannelWindow(QStringLiteral("#flood"));
        QVERIFY(flood);
        const QStringList firstShown = flood->document->plainLines();
        QVERIFY(!firstShown.isEmpty());
        constexpr int said = 2000;
        QString burst;
        for (int i = 0; i < said; ++i)
            burst += QStringLiteral(":alice!a@h PRIVMSG #flood :line %1\r\n").arg(i);
        burst.chop(2);
        f.server.sendLine(burst);
        QVERIFY(f.sync());
        ChatDocument& doc = *flood->document;
        QVERIFY(doc.lineCount() <= limit);
        QVERIFY(!doc.plainLines().contains(QStringLiteral("<alice> line 0")));

        // The numbers of the "line N" lines held, checked to follow each other.
        const auto heldRun = [&doc](int& first, int& last) {
            first = last = -1;
            for (const QString& text : doc.plainLines()) {
                if (!text.startsWith(QStringLiteral("<alice> line ")))
                    continue;
                const int n = text.mid(13).toInt();
                if (last >= 0 && n != last + 1)
                    return false;
                if (first < 0)
                    first = n;
                last = n;
            }
            return true;
        };
        const auto topLine = [&doc](const ChatView& view) {
            return doc.plainLine(doc.wordLine(doc.rowFirstWord(view.firstVisibleRow())));
        };
        ChatView view(&doc);
        view.resize(500, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        int first = -1;
        int last = -1;
        int pages = 0;
        while (doc.hasMoreBefore() && ++pages < 100) {
            view.scrollBar()->setValue(0);
            view.scrollPage(-1);
            const QString top = topLine(view);
            QVERIFY(flood->olderAsked);
            QTRY_VERIFY(!flood->olderAsked);
            QCOMPARE(topLine(view), top);
            QVERIFY(doc.lineCount() <= limit);
            const int before = first;
            QVERIFY(heldRun(first, last));
            QVERIFY(first < before || before < 0 || !doc.hasMoreBefore());
        }
        QVERIFY(!doc.hasMoreBefore());
        QCOMPARE(doc.plainLines().mid(0, firstShown.size()), firstShown);
        QCOMPARE(first, 0);
        QVERIFY(doc.hasMoreAfter());

        f.server.sendLine(QStringLiteral(":alice!a@h PRIVMSG #flood :while scrolled back"));
        QVERIFY(f.sync());
        while (doc.hasMoreAfter() && ++pages < 200) {
            view.scrollBar()->setValue(view.scrollBar()->maximum());
            view.scrollPage(1);
            const int before = last;
            QTRY_VERIFY(!flood->newerAsked);
            QVERIFY(doc.lineCount() <= limit);
            int newFirst = 0;
            QVERIFY(heldRun(newFirst, last));
            QVERIFY(newFirst <= before + 1 && last > before);
        }
        QVERIFY(!doc.hasMoreAfter());
        QCOMPARE(last, said - 1);
        QCOMPARE(doc.plainLines().constLast(), QStringLiteral("<alice> while scrolled back"));
    }

    // "Forget this window's history" asks, then deletes that window's lines and only those; lines
    // older than the days kept are gone once the setting is followed.
    void forgetsAWindowAndOldLines()
    {
        QTemporaryDir folder;
        SessionFixture f(nullptr, folder.path() + u'/');
        QVERIFY(f.client.history());
        QVERIFY(f.registerAs(QStringLiteral("me")));
        f.server.sendLine(QStringLiteral(":me!u@h JOIN #keep\r\n:me!u@h JOIN #forget\r\n"
                                         ":alice!a@h PRIVMSG #keep :kept words\r\n"
                                         ":alice!a@h PRIVMSG #forget :forgotten words"));
        QVERIFY(f.sync());
        f.client.history()->sync();
        const QString network = f.client.network(0).name();
        const QString path = folder.filePath(QStringLiteral("history.db"));
        {
            // A month-old line, as an earlier run would have left it.
            HistoryDatabase earlier;
            QVERIFY(earlier.open(path, HistoryDatabase::Access::ReadWrite));
            const qint64 monthAgo = QDateTime::currentMSecsSinceEpoch() - 30LL * 24 * 3600 * 1000;
            QCOMPARE(earlier.write(std::vector<HistoryLine>{
                         {network, "#keep", monthAgo, 1, "bob", "<bob> ancient words", {}}}),
                     1);
        }
        f.client.options().history.keepDays = 7;
        f.client.settingsChanges().announce(OptionGroup::History);

        ChatMenuWidget menu(f.client);
        ChatWindow* forget = f.client.windows().findChannelWindow(QStringLiteral("#forget"));
        QVERIFY(forget);
        menu.prepare(forget, {});
        auto* entry = menu.findChild<QAction*>(QStringLiteral("forgethistory"));
        QVERIFY(entry && entry->isVisible() && entry->isEnabled());
        QCOMPARE(entry->text(), QStringLiteral("Forget this window's history"));
        f.prompts.yesNoAnswers << false;
        entry->trigger(); // declined: nothing goes
        f.prompts.yesNoAnswers << true;
        entry->trigger();
        QCOMPARE(f.prompts.questions.size(), 2);
        f.client.history()->sync();

        HistoryDatabase db;
        QVERIFY(db.open(path, HistoryDatabase::Access::ReadOnly));
        QVERIFY(db.lastLines(network, "#forget", 10).empty());
        QStringList kept;
        for (const HistoryRow& row : db.lastLines(network, "#keep", 10))
            kept << row.line.text;
        QVERIFY2(kept.contains(QStringLiteral("<alice> kept words")), qPrintable(kept.join(u'|')));
        QVERIFY2(!kept.contains(QStringLiteral("<bob> ancient words")),
                 qPrintable(kept.join(u'|')));
        QStringList found;
        for (const HistoryMatch& m : db.search(HistoryQuery::parse(QStringLiteral("words"))))
            found << m.row.line.window;
        QCOMPARE(found, QStringList{QStringLiteral("#keep")});
        QVERIFY(f.statusHas(QStringLiteral("History of #forget forgotten")));
    }
};

QUORL_TEST(HistoryWindowTest)
#include "historywindowtest.moc"
