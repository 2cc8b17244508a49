// The text entry: Enter hands over the raw text, the history keys walk the entered lines,
// the history keeps the newest 99, and the formatting keys type their codes.
#include "ui/chat/textentry.h"
#include "support/testmain.h"

#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

namespace {

struct EntryFixture
{
    QStringList store;
    TextEntry entry{nullptr, &store};
    QStringList received;

    EntryFixture()
    {
        entry.setLineEntered([this](const QString& text) { received << text; });
    }
    void type(const QString& text)
    {
        QTest::keyClicks(&entry, text);
        QTest::keyClick(&entry, Qt::Key_Return);
    }
    QString key(Qt::Key k)
    {
        QTest::keyClick(&entry, k);
        return entry.toPlainText();
    }
};

} // namespace

class TextEntryTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void enterHandsOverTheLine()
    {
        EntryFixture e;
        e.type("hello");
        QCOMPARE(e.received, QStringList{"hello"});
        QCOMPARE(e.entry.toPlainText(), QString()); // the key itself adds no line
        QCOMPARE(e.store, QStringList{"hello"});
        QTest::keyClick(&e.entry, Qt::Key_Enter); // the keypad key as well
        QTest::keyClicks(&e.entry, "   ");
        QTest::keyClick(&e.entry, Qt::Key_Return);
        QCOMPARE(e.received.size(), 1); // blank text is neither sent nor remembered
        QCOMPARE(e.store.size(), 1);
    }

    void pastedLinesGoTogether()
    {
        EntryFixture e;
        e.entry.insertPlainText("one\ntwo\nthree");
        QTest::keyClick(&e.entry, Qt::Key_Return);
        QCOMPARE(e.received, QStringList{"one\ntwo\nthree"});
        QCOMPARE(e.key(Qt::Key_Up), "one\ntwo\nthree");
    }

    void historyKeys_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QStringList>("shown");
        const int up = Qt::Key_Up;
        const int down = Qt::Key_Down;
        QTest::newRow("up right after sending") << QList<int>{up} << QStringList{"c"};
        QTest::newRow("up, up, down") << QList<int>{up, up, down} << QStringList{"c", "b", "b"};
        QTest::newRow("past the oldest")
            << QList<int>{up, up, up, up, down} << QStringList{"c", "b", "a", "a", "a"};
        QTest::newRow("down at the newest empties the entry")
            << QList<int>{down, up, down, down} << QStringList{"", "c", "c", ""};
    }
    void historyKeys()
    {
        QFETCH(QList<int>, keys);
        QFETCH(QStringList, shown);
        EntryFixture e;
        for (const char* line : {"a", "b", "c"})
            e.type(line);
        QStringList seen;
        for (int k : keys)
            seen << e.key(Qt::Key(k));
        QCOMPARE(seen, shown);
    }

    void theHundredthLinePushesOutTheOldest()
    {
        EntryFixture e;
        for (int i = 1; i <= 99; ++i)
            e.type(QString("line %1").arg(i));
        QCOMPARE(e.store.size(), 99);
        QCOMPARE(e.store.first(), "line 1");
        e.type("line 100");
        QCOMPARE(e.store.size(), 99);
        QCOMPARE(e.store.first(), "line 2");
        QCOMPARE(e.store.last(), "line 100");
        QCOMPARE(e.key(Qt::Key_Up), "line 100");
    }

    // A new entry for a window that already has lines starts at its newest.
    void historyOfTheWindowRecord()
    {
        QStringList store{"old", "newer"};
        TextEntry entry(nullptr, &store);
        QTest::keyClick(&entry, Qt::Key_Up);
        QCOMPARE(entry.toPlainText(), "newer");
    }

    // Ctrl with B, K, U, I, R or O types a formatting code; in the entry a code is a mark
    // whose font glyph (an empty box) is hidden, and the line keeps the code itself.
    void formattingKeysTypeCodes()
    {
        EntryFixture e;
        for (Qt::Key k : {Qt::Key_B, Qt::Key_K, Qt::Key_U, Qt::Key_I, Qt::Key_R, Qt::Key_O})
            QTest::keyClick(&e.entry, k, Qt::ControlModifier);
        QTest::keyClicks(&e.entry, "x");
        const QString typed = QStringLiteral("\x02\x03\x1F\x1D\x16\x0Fx");
        QCOMPARE(e.entry.toPlainText(), typed);

        QList<bool> hidden(typed.size(), false);
        const QTextBlock block = e.entry.document()->firstBlock();
        for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
            if (range.format.foreground().color().alpha() != 0)
                continue;
            for (int i = range.start; i < range.start + range.length; ++i)
                hidden[i] = true;
        }
        QCOMPARE(hidden, (QList<bool>{true, true, true, true, true, true, false}));

        QTest::keyClick(&e.entry, Qt::Key_Return);
        QCOMPARE(e.received, QStringList{typed});
    }

    void previewIgnoresEnterAndHistory()
    {
        EntryFixture e;
        e.type("a");
        e.entry.setPreviewOnly(true);
        QCOMPARE(e.key(Qt::Key_Up), QString());
        QTest::keyClicks(&e.entry, "x");
        QTest::keyClick(&e.entry, Qt::Key_Return);
        QCOMPARE(e.received, QStringList{"a"});
        QCOMPARE(e.entry.toPlainText(), "x");
    }
};

QUORL_TEST(TextEntryTest)
#include "textentrytest.moc"
