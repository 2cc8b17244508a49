// The chat text model as the views use it: tokenising with the formatting codes, the
// 80-pixel cut, word wrap, rows and the line limit, with a fixed-width measurer so pixels
// are predictable.
#include "chat/chatdocument.h"
#include "core/formatting.h"
#include "support/fakemeasurer.h"
#include "support/testmain.h"

#include <QSignalSpy>
#include <QTest>

namespace {
QString describe(const ChatDocument& doc, qsizetype i)
{
    return describeWord(doc.wordText(i), doc.wordStyle(i), doc.theme());
}

QStringList describeAll(const ChatDocument& doc)
{
    QStringList words;
    for (qsizetype i = 0; i < doc.wordCount(); ++i)
        words << describe(doc, i);
    return words;
}

struct Placed
{
    int x;
    int row;
    friend bool operator==(const Placed&, const Placed&) = default;
};

QList<Placed> placements(const ChatDocument& doc)
{
    QList<Placed> list;
    for (qsizetype i = 0; i < doc.wordCount(); ++i)
        list.append({doc.wordX(i), doc.wordRow(i)});
    return list;
}
} // namespace

class ChatDocumentTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void tokenising_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("words");
        using L = QStringList;
        // Colours: 4 red 0x0000FF, 12 blue 0xFF0000, 5 brown 0x07548D; the background
        // of the theme is 0x444444 and the "Other" class colour 0x222222.
        QTest::newRow("bold toggles, code-only token is a word")
            << codes("a\\Bb\\B c") << L{"a", "b/B", " ", "c"};
        QTest::newRow("colour with background") << codes("\\K4,12x") << L{"x/fg=0000FF/bg=FF0000"};
        QTest::newRow("colour alone") << codes("\\K4x") << L{"x/fg=0000FF"};
        QTest::newRow("bare colour resets") << codes("\\K4a \\Kx") << L{"a /fg=0000FF", "x"};
        QTest::newRow("leading zero") << codes("\\K04x") << L{"x/fg=0000FF"};
        QTest::newRow("16 changes nothing") << codes("\\K16x") << L{"x"};
        QTest::newRow("third digit is text") << codes("\\K123x") << L{"3x/fg=FF0000"};
        QTest::newRow("two digits both sides") << codes("\\K12,5x") << L{"x/fg=FF0000/bg=07548D"};
        QTest::newRow("second comma dropped too")
            << codes("\\K4,,12x") << L{"x/fg=0000FF/bg=FF0000"};
        QTest::newRow("background out of range") << codes("\\K4,99x") << L{"x/fg=0000FF"};
        QTest::newRow("comma later in the token") << codes("\\K4x,5") << L{"x,5/fg=0000FF"};
        QTest::newRow("comma after the space is not in the token")
            << codes("\\K4 ,12") << L{" /fg=0000FF", ",12/fg=0000FF"};
        QTest::newRow("trailing plain removed") << codes("a\\O") << L{"a"};
        QTest::newRow("trailing bold leaves no empty word") << codes("a\\B") << L{"a"};
        QTest::newRow("only one trailing code removed") << codes("a\\B\\B") << L{"a", "/B"};
        QTest::newRow("codes back to back") << codes("\\B\\Ux") << L{"/B", "x/B/U"};
        QTest::newRow("reverse on and off") << codes("\\Rr\\Rn") << L{"r/fg=444444/bg=222222", "n"};
        QTest::newRow("plain keeps the reverse state")
            << codes("\\Ra\\Ob\\Rc") << L{"a/fg=444444/bg=222222", "b", "c"};
        QTest::newRow("bare colour ends the reverse look")
            << codes("\\Ra\\Kb") << L{"a/fg=444444/bg=222222", "b"};
        QTest::newRow("plain resets colour and bold")
            << codes("\\B\\K4,12a\\Ob") << L{"/B", "a/B/fg=0000FF/bg=FF0000", "b"};
        QTest::newRow("spaces") << codes("hi there  x") << L{"hi ", "there ", " x"};
        // The codes beside the classic five, and control characters that are no code.
        QTest::newRow("italic toggles") << codes("a\\Ib\\I c") << L{"a", "b/I", " ", "c"};
        QTest::newRow("strikethrough") << codes("\\Sx\\S y") << L{"x/S", " ", "y"};
        QTest::newRow("monospace") << codes("\\Mcode\\M x") << L{"code/M", " ", "x"};
        QTest::newRow("plain ends italic, strikethrough and monospace")
            << codes("\\I\\S\\Ma\\Ob") << L{"/I", "/I/S", "a/I/S/M", "b"};
        QTest::newRow("hex colour") << codes("\\HFF0000x") << L{"x/fg=0000FF"};
        QTest::newRow("hex colour, lower case") << codes("\\Hff8000x") << L{"x/fg=0080FF"};
        QTest::newRow("hex colour with background")
            << codes("\\H00FF00,0000FFx") << L{"x/fg=00FF00/bg=FF0000"};
        QTest::newRow("hex colour inside a word")
            << codes("ab\\HFF0000cd") << L{"ab", "cd/fg=0000FF"};
        QTest::newRow("hex needs six digits, else it resets")
            << codes("\\K4a \\HABCx") << L{"a /fg=0000FF", "ABCx"};
        QTest::newRow("hex background needs six digits")
            << codes("\\HFF0000,12x") << L{",12x/fg=0000FF"};
        QTest::newRow("control characters show nothing")
            << codes("a\\Ab\\A c") << L{"a", "b", " ", "c"};
    }

    void tokenising()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, words);
        auto doc = makeDocument();
        doc->appendLine(ChatDocument::Other, line);
        QCOMPARE(describeAll(*doc), words);
        QVERIFY(doc->isLineStart(0));
        for (qsizetype i = 1; i < doc->wordCount(); ++i)
            QVERIFY(!doc->isLineStart(i));
    }

    void plainLinesFromWords()
    {
        auto doc = makeDocument();
        QSignalSpy appended(doc.get(), &ChatDocument::linesAppended);
        doc->appendLine(ChatDocument::Other, codes("<Tam> \\Bhi\\B \\K4,12there"));
        doc->appendLine(ChatDocument::Server, codes("\\B")); // nothing left: no line
        doc->appendLine(ChatDocument::Server, QString());
        doc->appendLine(ChatDocument::Server, QStringLiteral("*** x"));
        QCOMPARE(doc->plainLines(), (QStringList{"<Tam> hi there", "*** x"}));
        QCOMPARE(doc->lineCount(), 2);
        QCOMPARE(appended.count(), 4);

        QSignalSpy cleared(doc.get(), &ChatDocument::cleared);
        doc->clear();
        QCOMPARE(cleared.count(), 1);
        QCOMPARE(doc->wordCount(), 0);
        QCOMPARE(doc->rowCount(), 0);
        QCOMPARE(doc->lineCount(), 0);
        QVERIFY(doc->plainLines().isEmpty());
        doc->appendLine(ChatDocument::Server, QStringLiteral("again"));
        QCOMPARE(doc->plainLines(), QStringList{"again"});
    }

    void stripFormatting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stripped");
        QTest::newRow("toggles") << codes("a\\Bb\\Uc\\Rd\\Oe") << "abcde";
        QTest::newRow("colour pair") << codes("\\K12,15abc") << "abc";
        QTest::newRow("at most five") << codes("\\K12,15,3x") << ",3x";
        QTest::newRow("digits only") << codes("\\K1234567") << "67";
        QTest::newRow("bare colour") << codes("\\Kx") << "x";
        QTest::newRow("colour at the end") << codes("x\\K") << "x";
        QTest::newRow("two colours") << codes("\\K4a\\K,b") << "ab";
        QTest::newRow("italic, strikethrough, monospace") << codes("a\\Ib\\Sc\\Md") << "abcd";
        QTest::newRow("hex colours") << codes("\\HFF0000,00FF00abc") << "abc";
        QTest::newRow("hex needs six digits") << codes("\\HFF000x") << "FF000x";
        QTest::newRow("hex background needs six digits") << codes("\\HFF0000,x") << ",x";
        QTest::newRow("control characters but the tab")
            << codes("a\\Ab\tc") + QChar(0x7F) + QChar(0x85) << "ab\tc";
        QTest::newRow("plain text kept") << "a,1 b"
                                         << "a,1 b";
    }

    void stripFormatting()
    {
        QFETCH(QString, text);
        QFETCH(QString, stripped);
        QCOMPARE(::stripFormatting(text), stripped);
    }

    void longWordsAreCut()
    {
        auto doc = makeDocument();
        doc->setViewSize(QSize(400, 300));
        // 34 characters of 6 pixels: 204 pixels, cut into 13 + 13 + 8 characters.
        doc->appendLine(ChatDocument::Other, QString(34, u'a') + QStringLiteral(" b"));
        QCOMPARE(doc->wordCount(), 4);
        QCOMPARE(doc->wordText(0).size(), 13);
        QCOMPARE(doc->wordWidth(0), 78);
        QCOMPARE(doc->wordText(1).size(), 13);
        QCOMPARE(doc->wordText(2), QString(8, u'a') + u' ');
        QCOMPARE(doc->wordText(3), QStringLiteral("b"));
        // The pieces continue on the row while they fit.
        QCOMPARE(placements(*doc), (QList<Placed>{{0, 0}, {78, 0}, {156, 0}, {210, 0}}));
        QCOMPARE(doc->plainLines(), QStringList{QString(34, u'a') + QStringLiteral(" b")});
        // Exactly 80 pixels is not cut; 82 leaves the last 2 for a second piece.
        auto exact = makeDocument();
        exact->appendLine(ChatDocument::Other, QString(13, u'x') + QStringLiteral("."));
        QCOMPARE(exact->wordCount(), 1);
        QCOMPARE(exact->wordWidth(0), 80);
        exact->appendLine(ChatDocument::Other, QString(13, u'x') + QStringLiteral(".."));
        QCOMPARE(describeAll(*exact), (QStringList{"xxxxxxxxxxxxx.", "xxxxxxxxxxxxx.", "."}));
    }

    void wrapAndIndent_data()
    {
        QTest::addColumn<int>("x1");
        QTest::addColumn<int>("x2");
        QTest::addColumn<int>("width");
        QTest::addColumn<QList<Placed>>("placed");
        // Words of 30 pixels ("aaaa "), the last of 28 ("ffff.."), then a second line.
        QTest::newRow("no margins, 100 wide")
            << 0 << 1000 << 100
            << QList<Placed>{{0, 0}, {30, 0}, {60, 0}, {10, 1}, {40, 1}, {70, 1}, {0, 2}};
        // Left margin 5/1000 of 400 = 2, right edge 250/1000 of 400 = 100.
        QTest::newRow("margins") << 5 << 250 << 400
                                 << QList<Placed>{{2, 0},  {32, 0}, {62, 0}, {12, 1},
                                                  {42, 1}, {72, 1}, {2, 2}};
        // Right edge 995/1000 of 98 = 97.5, truncated to 97: 70 + 28 wraps.
        QTest::newRow("truncated edge")
            << 0 << 995 << 98
            << QList<Placed>{{0, 0}, {30, 0}, {60, 0}, {10, 1}, {40, 1}, {10, 2}, {0, 3}};
        QTest::newRow("wide") << 0 << 1000 << 1000
                              << QList<Placed>{{0, 0},   {30, 0},  {60, 0}, {90, 0},
                                               {120, 0}, {150, 0}, {0, 1}};
    }

    void wrapAndIndent()
    {
        QFETCH(int, x1);
        QFETCH(int, x2);
        QFETCH(int, width);
        QFETCH(QList<Placed>, placed);
        ThemeRecord theme = testTheme();
        theme.textscalex1 = x1;
        theme.textscalex2 = x2;
        auto doc = makeDocument(theme);
        doc->setViewSize(QSize(width, 200));
        doc->appendLine(ChatDocument::Other, QStringLiteral("aaaa bbbb cccc dddd eeee ffff.."));
        doc->appendLine(ChatDocument::Server, QStringLiteral("next"));
        QCOMPARE(placements(*doc), placed);
        QCOMPARE(doc->rowCount(), placed.last().row + 1);
        for (int row = 0; row < doc->rowCount(); ++row)
            QCOMPARE(doc->rowY(row), row * 12);
    }

    void resizeMeasuresNothingAndMatchesFreshLayout()
    {
        int calls = 0;
        auto doc = makeDocument(testTheme(), &calls);
        doc->setViewSize(QSize(300, 200));
        const QStringList lines{
            "<Tam> the quick brown fox jumps over the lazy dog",
            codes("<Wren> \\Bbold\\B and \\K4,12colour\\K words http://example.com/a/long/path"),
            "*** Tam has joined #quorl", "<Tam> " + QString(50, u'z')};
        for (const QString& line : lines)
            doc->appendLine(ChatDocument::Other, line);
        // Chat repeats its words: they are measured once. (Over-wide words are measured
        // again to find their cut.)
        const int afterFirst = calls;
        doc->appendLine(ChatDocument::Other, lines[2]);
        doc->appendLine(ChatDocument::Other, lines[0]);
        QCOMPARE(calls, afterFirst);
        for (const QString& line : lines)
            doc->appendLine(ChatDocument::Other, line);

        QSignalSpy relaid(doc.get(), &ChatDocument::layoutChanged);
        const int beforeResize = calls;
        doc->setViewSize(QSize(120, 200));
        QCOMPARE(calls, beforeResize);
        QCOMPARE(relaid.count(), 1);

        auto fresh = makeDocument();
        fresh->setViewSize(QSize(120, 200));
        for (const QString& line : lines)
            fresh->appendLine(ChatDocument::Other, line);
        fresh->appendLine(ChatDocument::Other, lines[2]);
        fresh->appendLine(ChatDocument::Other, lines[0]);
        for (const QString& line : lines)
            fresh->appendLine(ChatDocument::Other, line);
        QCOMPARE(placements(*doc), placements(*fresh));
        QCOMPARE(doc->rowCount(), fresh->rowCount());
        // A height change alone leaves the words where they are.
        doc->setViewSize(QSize(120, 900));
        QCOMPARE(relaid.count(), 1);
    }

    void layoutSwitchedOff()
    {
        auto doc = makeDocument();
        doc->setViewSize(QSize(100, 100));
        doc->appendLine(ChatDocument::Other, QStringLiteral("aaaa bbbb cccc dddd"));
        doc->setLayoutEnabled(false);
        doc->appendLine(ChatDocument::Other, QStringLiteral("eeee"));
        doc->setViewSize(QSize(1000, 100));
        QCOMPARE(doc->laidOutWordCount(), 4);
        QCOMPARE(doc->rowCount(), 2); // the old layout stays as it was
        doc->setLayoutEnabled(true);
        QCOMPARE(doc->laidOutWordCount(), 5);
        QCOMPARE(placements(*doc), (QList<Placed>{{0, 0}, {30, 0}, {60, 0}, {90, 0}, {0, 1}}));
    }

    void rowsOnScreen()
    {
        ThemeRecord theme = testTheme();
        theme.textscaley1 = 100; // top 10 of 100
        theme.textscaley2 = 500; // bottom 50: 40 pixels, three rows of 12
        auto doc = makeDocument(theme);
        doc->setViewSize(QSize(200, 100));
        for (int i = 0; i < 10; ++i)
            doc->appendLine(ChatDocument::Other, QStringLiteral("line %1").arg(i));
        QCOMPARE(doc->lastRowFittingFrom(0), 2);
        QCOMPARE(doc->lastRowFittingFrom(8), 9);
        QCOMPARE(doc->firstRowEndingAt(9), 7);
        QCOMPARE(doc->firstRowEndingAt(1), 0);
        // Hit test: row 4 painted from row 3 is at 10 + 12; "line " spans x 0..30.
        QCOMPARE(doc->wordAt(3, QPoint(4, 23)), doc->rowFirstWord(4));
        QCOMPARE(doc->wordAt(3, QPoint(3, 23)), -1);  // x + 3 < pointer
        QCOMPARE(doc->wordAt(3, QPoint(25, 23)), -1); // pointer < x + width - 5
        QCOMPARE(doc->wordAt(3, QPoint(10, 9)), -1);  // above the text area
        QCOMPARE(doc->wordAt(3, QPoint(10, 47)), -1); // row 6 is not painted
    }

    // Past the limit the oldest lines leave a block at a time (an eighth of the limit, at
    // most 4096 lines); what stays reads and lays out exactly as a document that only
    // ever had those lines. 0 keeps everything.
    void lineLimit_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("added");
        QTest::addColumn<int>("kept");
        QTest::addColumn<int>("trims");
        QTest::newRow("under the limit") << 100 << 100 << 100 << 0;
        QTest::newRow("an eighth leaves") << 100 << 101 << 89 << 1;
        QTest::newRow("again after another eighth") << 100 << 113 << 89 << 2;
        QTest::newRow("tiny limit, one at a time") << 3 << 10 << 3 << 7;
        QTest::newRow("whole blocks") << 40000 << 40001 << 40001 - 4096 << 1;
        QTest::newRow("no limit") << 0 << 20000 << 20000 << 0;
    }
    void lineLimit()
    {
        QFETCH(int, limit);
        QFETCH(int, added);
        QFETCH(int, kept);
        QFETCH(int, trims);
        // Every third line wraps, so rows and lines differ.
        auto text = [](int i) {
            return i % 3 ? QStringLiteral("line %1").arg(i)
                         : QStringLiteral("line %1 aaaa bbbb cccc dddd").arg(i);
        };
        auto doc = makeDocument();
        doc->setViewSize(QSize(100, 200));
        doc->setLineLimit(limit);
        QSignalSpy trimmed(doc.get(), &ChatDocument::linesTrimmed);
        qsizetype wordsGone = 0;
        connect(doc.get(), &ChatDocument::linesTrimmed, this,
                [&](qsizetype, qsizetype words, int) { wordsGone += words; });
        for (int i = 0; i < added; ++i)
            doc->appendLine(ChatDocument::Other, text(i));
        QCOMPARE(doc->lineCount(), kept);
        QCOMPARE(trimmed.count(), trims);

        auto fresh = makeDocument();
        fresh->setViewSize(QSize(100, 200));
        for (int i = added - kept; i < added; ++i)
            fresh->appendLine(ChatDocument::Other, text(i));
        QCOMPARE(doc->plainLines(), fresh->plainLines());
        QCOMPARE(doc->plainLine(0), text(added - kept));
        QCOMPARE(doc->wordCount(), fresh->wordCount());
        QCOMPARE(doc->rowCount(), fresh->rowCount());
        QCOMPARE(placements(*doc), placements(*fresh));
        const int last = doc->rowCount() - 1;
        QCOMPARE(doc->rowY(last), fresh->rowY(last));
        QCOMPARE(doc->rowFirstWord(last), fresh->rowFirstWord(last));
        QCOMPARE(doc->firstRowEndingAt(last), fresh->firstRowEndingAt(last));
        // The words that left are what the signals said.
        auto all = makeDocument();
        for (int i = 0; i < added; ++i)
            all->appendLine(ChatDocument::Other, text(i));
        QCOMPARE(wordsGone, all->wordCount() - doc->wordCount());
        // A resize after trimming lays the kept lines out as the fresh document does.
        doc->setViewSize(QSize(60, 200));
        fresh->setViewSize(QSize(60, 200));
        QCOMPARE(placements(*doc), placements(*fresh));
        QCOMPARE(doc->rowCount(), fresh->rowCount());
    }

    void themeChangeRelaysOut()
    {
        auto doc = makeDocument();
        doc->setViewSize(QSize(200, 100));
        doc->appendLine(ChatDocument::Other, QStringLiteral("aaaa bbbb"));
        QCOMPARE(doc->wordX(0), 0);
        QSignalSpy relaid(doc.get(), &ChatDocument::layoutChanged);
        ThemeRecord theme = testTheme();
        theme.textscalex1 = 100; // left margin 20
        theme.othersize = 12;
        doc->applyTheme(theme);
        QCOMPARE(relaid.count(), 1);
        QCOMPARE(doc->wordX(0), 20);
        QCOMPARE(doc->leftMargin(), 20);
        // Words keep the look they were made with; new ones take the new theme.
        QCOMPARE(doc->wordHeight(0), 12);
        doc->appendLine(ChatDocument::Other, QStringLiteral("c"));
        QCOMPARE(doc->wordHeight(2), 16);
        QCOMPARE(doc->lineHeight(ChatDocument::Other), 16);
        QCOMPARE(doc->rowY(1), 12);
    }
};

QUORL_TEST(ChatDocumentTest)
#include "chatdocumenttest.moc"
