// Tab completion, highlights and the time before lines: what the entry offers for a
// word, which lines mention the user, and what a highlighted line does to its window.
#include "chat/completion.h"
#include "chat/highlight.h"
#include "support/registryfixture.h"
#include "support/testmain.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

class CompletionTest : public QObject
{
    Q_OBJECT
private:
    static Completion::Sources sources()
    {
        Completion::Sources s;
        // The nick list's order; bob and alice spoke, bob last.
        s.nicknames = {"al", "Alan", "alice", "bob", "[Bot]", "Me", "Kim", "Kit", "KIM"};
        s.recentSpeakers = {"bob", "gone", "ALICE", "KIM"};
        s.ownNickname = "me";
        s.commands = {"/join", "/dcc send", "/dcc chat", "/dns", "/msg"};
        s.channels = {"#quorl", "#qt"};
        return s;
    }

private Q_SLOTS:
    void completesTheWordBeforeTheCursor_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<QStringList>("offers"); // text after each Tab, cursor at "|"
        // A recent speaker comes before the nick list's order; a nick no longer present
        // ("gone") is not offered, and a speaker is found in any case.
        QTest::newRow("prefix ties, speaker first, then wrap")
            << "al" << 2 << QStringList{"alice: |", "al: |", "Alan: |", "alice: |"};
        QTest::newRow("inside the line: a space, not a colon")
            << "hi AL" << 5 << QStringList{"hi alice |", "hi al |"};
        QTest::newRow("the text after the cursor stays")
            << "b are you there" << 1 << QStringList{"bob: |are you there", "bob: |are you there"};
        // Names that differ only in case are offered once: a speaker as spelled, else
        // the first in the nick list.
        QTest::newRow("case twins once, the speaker's spelling")
            << "ki" << 2 << QStringList{"KIM: |", "Kit: |", "KIM: |"};
        QTest::newRow("brackets in a nick") << "ok [b" << 5 << QStringList{"ok [Bot] |"};
        QTest::newRow("the own nick is never offered") << "m" << 1 << QStringList{};
        QTest::newRow("no match leaves the text") << "zed" << 3 << QStringList{};
        QTest::newRow("after a space there is no word") << "al " << 3 << QStringList{};
        QTest::newRow("the cursor at the start") << "say al" << 0 << QStringList{};
        QTest::newRow("commands at the line start")
            << "/d" << 2 << QStringList{"/dcc send |", "/dcc chat |", "/dns |", "/dcc send |"};
        QTest::newRow("no commands later in the line") << "say /d" << 6 << QStringList{};
        QTest::newRow("open channels")
            << "come to #q" << 10 << QStringList{"come to #quorl |", "come to #qt |"};
    }

    void completesTheWordBeforeTheCursor()
    {
        QFETCH(QString, text);
        QFETCH(int, cursor);
        QFETCH(QStringList, offers);
        Completion completion;
        const Completion::Sources s = sources();
        if (offers.isEmpty()) {
            QVERIFY(!completion.complete(text, cursor, s));
            return;
        }
        for (const QString& offer : offers) {
            const auto result = completion.complete(text, cursor, s);
            QVERIFY(result);
            QCOMPARE(result->text.left(result->cursor) + u'|' + result->text.mid(result->cursor),
                     offer);
            text = result->text;
            cursor = result->cursor;
        }
    }

    void typingStartsAfresh()
    {
        Completion completion;
        auto first = completion.complete("al", 2, sources());
        QCOMPARE(first->text, QStringLiteral("alice: "));
        // The user went on typing: the next Tab completes the new word, not the cycle.
        auto next = completion.complete("alice: b", 8, sources());
        QVERIFY(next);
        QCOMPARE(next->text, QStringLiteral("alice: bob "));
        // A single candidate offered again stays as it is.
        QCOMPARE(completion.complete(next->text, next->cursor, sources())->text, next->text);
    }
};

class HighlightTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void mentionsTheUser_data()
    {
        QTest::addColumn<QString>("nick");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("mentioned");
        const QString bob = "Bob";
        QTest::newRow("the nick") << bob << "hi bob" << true;
        QTest::newRow("any case, punctuation after") << bob << "BOB!" << true;
        QTest::newRow("addressed") << bob << "bob: look" << true;
        QTest::newRow("inside a longer word") << bob << "bobby is here" << false;
        QTest::newRow("at the end of a word") << bob << "thingamabob" << false;
        QTest::newRow("another nick with a nick character") << bob << "bob_ left" << false;
        QTest::newRow("bold inside the word") << bob
                                              << "hey B\x02o\x02"
                                                 "b"
                                              << true;
        QTest::newRow("colour codes around the word") << bob
                                                      << "\x03"
                                                         "04,12bob\x03 there"
                                                      << true;
        QTest::newRow("a code between letters joins them as shown") << bob
                                                                    << "x\x02"
                                                                       "bob"
                                                                    << false;
        QTest::newRow("list word") << bob << "I like Quorl." << true;
        QTest::newRow("list word inside a word") << bob << "quorlirc rocks" << false;
        QTest::newRow("list word ending in punctuation") << bob << "write c++ daily" << true;
        QTest::newRow("IRC case of brackets") << "[Bot]"
                                              << "ping {bot}" << true;
        QTest::newRow("nothing to look for") << ""
                                             << "anything at all" << false;
    }

    void mentionsTheUser()
    {
        QFETCH(QString, nick);
        QFETCH(QString, message);
        QFETCH(bool, mentioned);
        // Blank list entries must not match everything.
        const QStringList words{"quorl", "", "  ", "c++"};
        QCOMPARE(Highlight::mentions(message, nick, words), mentioned);
    }

    void aHighlightMarksTheWindow()
    {
        RegistryFixture f;
        f.options.display.highlightWords = {"pizza"};
        ChatWindow* w = f.registry.createChannelWindow("#a");
        QSignalSpy attention(&f.registry, &WindowRegistry::attentionWanted);
        f.registry.addMessage(w, "amy", "nothing here, Meh", "<amy> nothing here, Meh");
        QVERIFY(!w->highlighted);
        QCOMPARE(attention.count(), 0);

        const qsizetype wordsBefore = w->document->wordCount();
        f.registry.addMessage(w, "bob", "me: \x02pizza\x02?", "<bob> me: \x02pizza\x02?");
        QVERIFY(w->highlighted);
        QCOMPARE(attention.count(), 1);
        QCOMPARE(attention.at(0).at(1).toString(), QStringLiteral("bob"));
        QCOMPARE(attention.at(0).at(3).toBool(), true);
        // The line is drawn in the theme's highlight colour, the line before it not.
        const qint32 colour = w->document->theme().highlightcolor;
        QCOMPARE(w->document->wordStyle(wordsBefore).textColor, colour);
        QVERIFY(w->document->wordStyle(0).textColor != colour);
        // Kept lines are made into words again when read after many others: the
        // highlight is part of the kept line, not only of its first words.
        for (int i = 0; i < int(ChatDocument::CachedLines) * 2; ++i)
            w->document->appendLine(1, QStringLiteral("<amy> filler %1").arg(i));
        for (qsizetype i = w->document->wordCount() - 1; i > wordsBefore + 10; i -= 3)
            (void)w->document->wordStyle(i);
        QCOMPARE(w->document->wordStyle(wordsBefore).textColor, colour);
        QVERIFY(w->document->wordStyle(0).textColor != colour);
        // Speakers are remembered most recent first.
        QCOMPARE(w->recentSpeakers, (QStringList{"bob", "amy"}));
        f.registry.renameMember(w, "AMY", "amelia");
        QCOMPARE(w->recentSpeakers, (QStringList{"bob", "amelia"}));

        // Showing the window clears both marks.
        f.picker().selectRow(f.row(w));
        QVERIFY(!w->highlighted && !w->unseenActivity);
        // A mention in a shown window asks for attention but sets no mark.
        f.registry.addMessage(w, "bob", "Me?", "<bob> Me?");
        QVERIFY(!w->highlighted);
        QCOMPARE(attention.count(), 2);
    }

    void privateMessagesAlwaysAskForAttention()
    {
        RegistryFixture f;
        QSignalSpy attention(&f.registry, &WindowRegistry::attentionWanted);
        f.registry.routePrivateMessage("zoe", "z@h", "<zoe> hello", "hello");
        QCOMPARE(attention.count(), 1);
        QCOMPARE(attention.at(0).at(2).toString(), QStringLiteral("hello"));
        QCOMPARE(attention.at(0).at(3).toBool(), false);
    }

    void timestampsInTheViewOnRequestAndInTheLogAlways()
    {
        RegistryFixture f;
        f.clock.set(QDateTime(QDate(2026, 3, 4), QTime(9, 5, 59)));
        ChatWindow* w = f.registry.createChannelWindow("#a");
        QVERIFY(f.registry.startLog(w));
        f.registry.addLine(w, "plain", LineClass::Server);
        f.options.display.timestamps = true;
        f.registry.addLine(w, "stamped", LineClass::Server);
        QCOMPARE(f.lines(w).mid(f.lines(w).size() - 2), (QStringList{"plain", "[09:05] stamped"}));
        f.registry.endLog(w);
        QFile log(f.logsFolder() + "#a.txt");
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(log.readAll());
        QVERIFY2(text.contains("\r\n[09:05] plain\r\n[09:05] stamped\r\n"), qPrintable(text));
    }
};

QUORL_TEST(CompletionTest)
QUORL_TEST(HighlightTest)
#include "comfortstest.moc"
