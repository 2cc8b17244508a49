// Making chat lines into words: the styles the formatting codes and the theme give, where
// long words are cut, and what cutting them costs.
#include "chat/chatformatter.h"
#include "support/fakemeasurer.h"
#include "support/testmain.h"

#include <QTest>

namespace {
// The words a formatter makes of one line under its current look, as describeWord writes
// them.
QStringList describeLine(const ChatFormatter& formatter, const ThemeRecord& theme, int lineClass,
                         const QString& text)
{
    std::vector<ChatWord> words;
    formatter.tokenize(formatter.currentLook(), lineClass, text, words);
    QStringList described;
    for (const ChatWord& w : words)
        described << describeWord(QStringView(text).sliced(w.start, w.length),
                                  formatter.style(w.style), theme);
    return described;
}
} // namespace

class ChatFormatterTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void ignoreFlags_data()
    {
        QTest::addColumn<QString>("flag");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("words");
        using L = QStringList;
        QTest::newRow("text colour") << "textcolor" << codes("\\K4x") << L{"x"};
        QTest::newRow("text colour, background kept")
            << "textcolor" << codes("\\K4,12x") << L{"x/bg=FF0000"};
        QTest::newRow("background") << "backcolor" << codes("\\K4,12x") << L{"x/fg=0000FF"};
        QTest::newRow("bold") << "bold" << codes("\\Bb") << L{"b"};
        QTest::newRow("underline") << "underline" << codes("\\Uu") << L{"u"};
        QTest::newRow(")reverse") << "reverse" << codes("\\Rr") << L{"r"};
        QTest::newRow("hex text colour")
            << "textcolor" << codes("\\HFF0000,0000FFx") << L{"x/bg=FF0000"};
        QTest::newRow("hex background")
            << "backcolor" << codes("\\HFF0000,0000FFx") << L{"x/fg=0000FF"};
    }

    void ignoreFlags()
    {
        QFETCH(QString, flag);
        QFETCH(QString, line);
        QFETCH(QStringList, words);
        ThemeRecord theme = testTheme();
        theme.ignoremirctextcolor = flag == QStringLiteral("textcolor");
        theme.ignoremircbackcolor = flag == QStringLiteral("backcolor");
        theme.ignoremircbold = flag == QStringLiteral("bold");
        theme.ignoremircunderline = flag == QStringLiteral("underline");
        theme.ignoremircreverse = flag == QStringLiteral("reverse");
        ChatFormatter formatter(std::make_unique<FakeMeasurer>());
        formatter.applyTheme(theme);
        QCOMPARE(describeLine(formatter, theme, ChatDocument::Other, line), words);
    }

    void classStyles()
    {
        ThemeRecord theme = testTheme();
        theme.youbold = true;
        theme.serveritalic = true;
        theme.serversize = 10;
        ChatFormatter formatter(std::make_unique<FakeMeasurer>());
        formatter.applyTheme(theme);
        QCOMPARE(describeLine(formatter, theme, ChatDocument::You, codes("a \\Bb \\Oc")),
                 (QStringList{"a /B", "b ", "c/B"}));
        QCOMPARE(describeLine(formatter, theme, ChatDocument::Server, QStringLiteral("s")),
                 QStringList{"s/I"});
        std::vector<ChatWord> words;
        formatter.tokenize(formatter.currentLook(), ChatDocument::Server, u"s", words);
        QVERIFY(formatter.style(words[0].style).italic);
        QCOMPARE(formatter.style(words[0].style).height, 14); // size 10 + 4 from the fake
        formatter.tokenize(formatter.currentLook(), ChatDocument::You, u"a", words);
        QCOMPARE(formatter.style(words[0].style).height, 12);
        // Words share their looks: four words, three styles of class 2 and one of 0.
        QVERIFY(formatter.styleCount() <= 5);
        // Monospace text is measured and drawn in a fixed-pitch font of the class's size.
        formatter.tokenize(formatter.currentLook(), ChatDocument::You, codes("a\\Mb"), words);
        QVERIFY(!formatter.font(formatter.style(words[0].style).font).monospace);
        const ChatFont& fixed = formatter.font(formatter.style(words[1].style).font);
        QVERIFY(fixed.monospace);
        QCOMPARE(fixed.size, 8);
    }

    void overWideCharacterKeptWhole()
    {
        ChatFormatter formatter(std::make_unique<FakeMeasurer>());
        formatter.applyTheme(testTheme());
        const QString wide(2, QChar(FakeMeasurer::WideChar));
        const QString text = wide + QStringLiteral("ab");
        std::vector<ChatWord> words;
        formatter.tokenize(formatter.currentLook(), ChatDocument::Other, text, words);
        QCOMPARE(words.size(), std::size_t(3));
        QCOMPARE(int(words[0].width), 100);
        QCOMPARE(int(words[1].width), 100);
        QCOMPARE(QStringView(text).sliced(words[2].start, words[2].length).toString(),
                 QStringLiteral("ab"));
    }

    void longWordCutPoints_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<qsizetype>>("pieces");
        const QString pair = QString::fromUtf8("\xF0\x9F\x98\x80"); // two 6-pixel halves
        const QString wide(1, QChar(FakeMeasurer::WideChar));
        QTest::newRow("80 pixels of full stops") << QString(40, u'.') << QList<qsizetype>{40};
        QTest::newRow("82 pixels of full stops") << QString(41, u'.') << QList<qsizetype>{40, 1};
        QTest::newRow("narrow then normal")
            << QString(30, u'.') + QString(20, u'a') << QList<qsizetype>{33, 13, 4};
        QTest::newRow("pair kept whole")
            << QString(12, u'a') + pair + QString(20, u'a') << QList<qsizetype>{12, 13, 9};
        QTest::newRow("wide character inside")
            << QString(20, u'a') + wide + QString(20, u'a') << QList<qsizetype>{13, 7, 1, 13, 7};
        // The remainder of a cut word is read again as a token: a lone trailing space
        // takes the next word with it.
        QTest::newRow("remainder is the space")
            << QString(26, u'a') + QStringLiteral(" b") << QList<qsizetype>{13, 13, 2};
        QList<qsizetype> thousand(76, 13);
        thousand << 12;
        QTest::newRow("1000 characters") << QString(1000, u'a') << thousand;
    }

    void longWordCutPoints()
    {
        QFETCH(QString, text);
        QFETCH(QList<qsizetype>, pieces);
        ChatFormatter formatter(std::make_unique<FakeMeasurer>());
        formatter.applyTheme(testTheme());
        std::vector<ChatWord> words;
        formatter.tokenize(formatter.currentLook(), ChatDocument::Other, text, words);
        QList<qsizetype> lengths;
        qsizetype at = 0;
        for (const ChatWord& w : words) {
            QCOMPARE(qsizetype(w.start), at);
            QCOMPARE(int(w.width), formatter.measure(formatter.style(w.style).font,
                                                     QStringView(text).sliced(at, w.length)));
            lengths << w.length;
            at += w.length;
        }
        QCOMPARE(lengths, pieces);
        QCOMPARE(formatter.plainText(formatter.currentLook(), ChatDocument::Other, text), text);
    }

    void longWordCostsItsLength()
    {
        // Counts the characters measured: cutting a word must not measure what is left of
        // it again for every piece.
        class CountingMeasurer : public FakeMeasurer
        {
        public:
            explicit CountingMeasurer(qint64* characters) : characters_(characters) {}
            int textWidth(const ChatFont& font, QStringView text) override
            {
                *characters_ += text.size();
                return FakeMeasurer::textWidth(font, text);
            }

        private:
            qint64* characters_;
        };
        qint64 characters = 0;
        ChatFormatter formatter(std::make_unique<CountingMeasurer>(&characters));
        formatter.applyTheme(testTheme());
        constexpr qsizetype Length = 20000;
        std::vector<ChatWord> words;
        formatter.tokenize(formatter.currentLook(), ChatDocument::Other, QString(Length, u'a'),
                           words);
        QCOMPARE(qsizetype(words.size()), Length / 13 + 1);
        QVERIFY2(characters < 20 * Length, QByteArray::number(characters));
    }
};

QUORL_TEST(ChatFormatterTest)
#include "chatformattertest.moc"
