// Find in a chat view and Tab in the text entry, driven by keys as a user would.
#include "support/fakemeasurer.h"
#include "support/testmain.h"
#include "ui/chat/chatview.h"
#include "ui/chat/findbar.h"
#include "ui/chat/textentry.h"

#include <QLineEdit>
#include <QTest>

namespace {
// The text a mark covers, read back from the view's words.
QString markedText(const ChatDocument& doc, const ChatSelection& mark)
{
    QString text;
    for (qsizetype i = mark.startWord; i <= mark.endWord; ++i) {
        const QString word = doc.wordText(i).toString();
        const int from = i == mark.startWord ? mark.startChar : 0;
        const int to = i == mark.endWord ? mark.endChar + 1 : int(word.size());
        text += word.mid(from, to - from);
    }
    return text;
}
} // namespace

class ComfortsWidgetsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void findMarksOldLinesAndSteps()
    {
        auto doc = makeDocument();
        ChatView view(doc.get());
        view.resize(300, 120);
        view.show();
        // Codes split words in the document; a long word is cut into pieces.
        doc->appendLine(ChatDocument::Other, "<amy> the \x02Nee\x02"
                                             "dle is here");
        for (int i = 0; i < 200; ++i)
            doc->appendLine(ChatDocument::Other, QStringLiteral("<bob> filler %1").arg(i));
        doc->appendLine(ChatDocument::Other,
                        "<cat> xxxxxxxxxxxxxxxxxxxxxxxxxxneedlexxxxxxxxxxxxxxxxxxxxxxxxx");
        view.catchUp();
        QVERIFY(view.isAutoScroll());

        FindBar bar(&view);
        bar.open();
        QTest::keyClicks(bar.textBox(), "NEEDLE");
        QCOMPARE(bar.matches().size(), 2);
        // The newest match first, inside the cut word.
        QCOMPARE(bar.current(), 1);
        QCOMPARE(markedText(*doc, view.mark()), QStringLiteral("needle"));
        // Enter goes back to the older one, two hundred lines up, and brings it on screen.
        QTest::keyClick(bar.textBox(), Qt::Key_Return);
        QCOMPARE(bar.current(), 0);
        QCOMPARE(markedText(*doc, view.mark()), QStringLiteral("Needle"));
        QVERIFY(!view.wordRect(view.mark().startWord).isEmpty());
        QVERIFY(!view.isAutoScroll());

        QTest::keyClicks(bar.textBox(), "zz");
        QVERIFY(bar.matches().isEmpty());
        QVERIFY(!view.mark().isValid());
        QTest::keyClick(bar.textBox(), Qt::Key_Escape);
        QVERIFY(!bar.isVisible());
    }

    void tabCompletesAndCycles()
    {
        TextEntry entry;
        entry.show();
        entry.setCompletionSources([] {
            Completion::Sources s;
            s.nicknames = {"[Bot]", "bobby", "zed"};
            s.recentSpeakers = {"bobby"};
            return s;
        });
        QTest::keyClicks(&entry, "[b");
        QTest::keyClick(&entry, Qt::Key_Tab);
        QCOMPARE(entry.toPlainText(), QStringLiteral("[Bot]: "));
        entry.clear();
        QTest::keyClicks(&entry, "hi b");
        QTest::keyClick(&entry, Qt::Key_Tab);
        QCOMPARE(entry.toPlainText(), QStringLiteral("hi bobby "));
        QTest::keyClicks(&entry, "and z");
        QTest::keyClick(&entry, Qt::Key_Tab);
        QCOMPARE(entry.toPlainText(), QStringLiteral("hi bobby and zed "));
    }
};

QUORL_TEST(ComfortsWidgetsTest)
#include "comfortswidgetstest.moc"
