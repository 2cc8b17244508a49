// The lines of a chat view as they are kept: text in either encoding, word counts, lines
// leaving from the front (also from the middle of a block), and the rows of laid-out lines.
#include "chat/chatlinestore.h"
#include "support/testmain.h"

#include <QTest>

class ChatLineStoreTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keepsTextWordsAndKind()
    {
        ChatLineStore store;
        const QString latin = QStringLiteral("caf\u00e9 <Tam> hi");
        const QString wide = QStringLiteral("\u4f60\u597d \U0001F600");
        QVERIFY(ChatLineStore::fitsLatin1(latin));
        QVERIFY(!ChatLineStore::fitsLatin1(wide));
        store.append(latin, {}, 1, 3, 40);
        store.append(wide, wide.toUtf8(), 2 | ChatLineStore::Utf8Text, 2, 0xFFFF);
        store.append(QStringLiteral("x"), {}, ChatLineStore::Utf8Text, 1, 6);
        QCOMPARE(store.count(), 3);
        QCOMPARE(store.wordCount(), 6);
        QCOMPARE(store.text(0), latin);
        QCOMPARE(store.text(1), wide);
        QCOMPARE(store.text(2), QStringLiteral("x"));
        // The encoding bit is the store's own: what a caller passes there is not kept.
        QCOMPARE(store.record(0).kind, 1);
        QCOMPARE(store.record(1).kind, 2 | ChatLineStore::Utf8Text);
        QCOMPARE(store.record(2).kind, 0);
        QCOMPARE(store.record(1).naturalWidth, 0xFFFF);
        QCOMPARE(store.firstWord(1), 3);
        QCOMPARE(store.firstWord(3), 6);
        QCOMPARE(store.lineOfWord(0), 0);
        QCOMPARE(store.lineOfWord(2), 0);
        QCOMPARE(store.lineOfWord(4), 1);
        QCOMPARE(store.lineOfWord(5), 2);
        store.clear();
        QCOMPARE(store.count(), 0);
        QCOMPARE(store.wordCount(), 0);
    }

    void dropFront_data()
    {
        QTest::addColumn<qsizetype>("drop");
        QTest::addColumn<bool>("keepLayout");
        QTest::newRow("inside the first block") << qsizetype(10) << true;
        QTest::newRow("a whole block") << ChatLineStore::BlockLines << true;
        QTest::newRow("past a block boundary") << ChatLineStore::BlockLines + 7 << true;
        QTest::newRow("layout not kept") << qsizetype(100) << false;
    }

    void dropFront()
    {
        QFETCH(qsizetype, drop);
        QFETCH(bool, keepLayout);
        // Line i reads "i" and has i % 3 + 1 words, one row per word, rows 10 pixels high.
        constexpr qsizetype Lines = 2 * ChatLineStore::BlockLines + 50;
        ChatLineStore store;
        for (qsizetype i = 0; i < Lines; ++i)
            store.append(QString::number(i), {}, 0, i % 3 + 1, 0);
        auto place = [&store](qsizetype line, const ChatLineRecord&) {
            return std::pair{int(store.text(line).toLongLong() % 3 + 1), 10};
        };
        QCOMPARE(store.layOut(0, place), store.wordCount());
        QCOMPARE(store.lineOfRow(store.firstRow(Lines - 1), Lines), Lines - 1);

        store.dropFront(drop, keepLayout);
        QCOMPARE(store.count(), Lines - drop);
        qsizetype words = 0;
        for (qsizetype i = 0; i < store.count(); ++i) {
            const qsizetype original = i + drop;
            QCOMPARE(store.text(i), QString::number(original));
            QCOMPARE(store.firstWord(i), words);
            QCOMPARE(store.lineOfWord(words), i);
            if (keepLayout) {
                QCOMPARE(store.firstRow(i), words);
                QCOMPARE(store.y(i), words * 10);
            }
            words += original % 3 + 1;
        }
        QCOMPARE(store.wordCount(), words);
        if (!keepLayout) {
            // Laid out again from the first line, rows start at 0.
            QCOMPARE(store.layOut(0, place), words);
            QCOMPARE(store.firstRow(store.count() - 1), words - (Lines - 1) % 3 - 1);
        }
        QCOMPARE(store.lineOfRow(store.firstRow(store.count() - 1), store.count()),
                 store.count() - 1);
        // Laying out only what was added goes on from the rows already there.
        store.append(QString::number(Lines), {}, 0, Lines % 3 + 1, 0);
        QCOMPARE(store.layOut(store.count() - 1, place), Lines % 3 + 1);
        QCOMPARE(store.firstRow(store.count() - 1), words);
        QCOMPARE(store.y(store.count() - 1), words * 10);
    }
};

QUORL_TEST(ChatLineStoreTest)
#include "chatlinestoretest.moc"
