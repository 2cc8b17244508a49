// What the mouse reaches in a chat view's words: links and their owners, the character
// under the pointer, and the text of a selection.
#include "chat/chatselection.h"
#include "support/fakemeasurer.h"
#include "support/testmain.h"

#include <QTest>

namespace {
qsizetype findWord(const ChatDocument& doc, QStringView part)
{
    for (qsizetype i = 0; i < doc.wordCount(); ++i) {
        if (doc.wordText(i).contains(part))
            return i;
    }
    return -1;
}
} // namespace

class ChatSelectionTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void links_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("probe");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("owner");
        QTest::newRow("www") << "<Tam> see (www.example.com/x), ok"
                             << "www" << int(ChatLink::Web) << "(www.example.com/x),"
                             << "";
        QTest::newRow("http") << "<Tam> go http://a.b/c"
                              << "http" << int(ChatLink::Web) << "http://a.b/c"
                              << "";
        QTest::newRow("https") << "<Tam> read https://Secure.example/Page"
                               << "https" << int(ChatLink::Web) << "https://Secure.example/Page"
                               << "";
        QTest::newRow("ftp") << "<Tam> ftp://files.x"
                             << "ftp" << int(ChatLink::Web) << "ftp://files.x"
                             << "";
        QTest::newRow("channel") << "<Tam> join #chan now"
                                 << "#chan" << int(ChatLink::Channel) << "#chan"
                                 << "";
        QTest::newRow("op channel") << "<Tam> @#chat"
                                    << "@#chat" << int(ChatLink::Channel) << "#chat"
                                    << "";
        QTest::newRow("voice channel") << "<Tam> +#x"
                                       << "+#x" << int(ChatLink::Channel) << "#x"
                                       << "";
        QTest::newRow("web before channel") << "#www.x"
                                            << "#www" << int(ChatLink::Web) << "#www.x"
                                            << "";
        QTest::newRow("sound") << "<Tam> have song.MP3 ok"
                               << "song" << int(ChatLink::Sound) << "song.MP3"
                               << "Tam";
        QTest::newRow("midi") << "<Wren> tune.mid"
                              << "tune" << int(ChatLink::Sound) << "tune.mid"
                              << "Wren";
        // The line a shared sound shows names its owner after the star alone.
        QTest::newRow("played sound") << "*Tam Plays ding.wav"
                                      << "ding" << int(ChatLink::Sound) << "ding.wav"
                                      << "Tam";
        QTest::newRow("own played sound") << "* me Plays ding.wav"
                                          << "ding" << int(ChatLink::None) << ""
                                          << "";
        QTest::newRow("sound without owner") << "x song.wav"
                                             << "song" << int(ChatLink::None) << ""
                                             << "";
        QTest::newRow("nickname") << "<Tam> hi"
                                  << "<Tam>" << int(ChatLink::Nickname) << "Tam"
                                  << "";
        QTest::newRow("empty brackets") << "<> hi"
                                        << "<>" << int(ChatLink::None) << ""
                                        << "";
        QTest::newRow("plain") << "<Tam> plain words"
                               << "plain" << int(ChatLink::None) << ""
                               << "";
        QTest::newRow("across codes")
            << codes("<Tam> \\Bwww.\\Bx.com") << "x.com" << int(ChatLink::Web) << "www.x.com"
            << "";
        const QString url = "http://example.com/" + QString(40, u'p');
        QTest::newRow("cut into pieces") << "<Tam> " + url + " ok"
                                         << "ppppp" << int(ChatLink::Web) << url << "";
    }

    void links()
    {
        QFETCH(QString, line);
        QFETCH(QString, probe);
        QFETCH(int, kind);
        QFETCH(QString, target);
        QFETCH(QString, owner);
        auto doc = makeDocument();
        doc->setViewSize(QSize(500, 300));
        doc->appendLine(ChatDocument::Other, line);
        const qsizetype word = findWord(*doc, probe);
        QVERIFY(word >= 0);
        const ChatLink link = ChatSelecting::linkAt(*doc, word);
        QCOMPARE(int(link.kind), kind);
        QCOMPARE(link.target, target);
        QCOMPARE(link.owner, owner);
        if (link.isLink()) {
            QVERIFY(link.firstWord <= word && word <= link.lastWord);
            QString joined;
            for (qsizetype i = link.firstWord; i <= link.lastWord; ++i)
                joined += doc->wordText(i);
            QVERIFY(joined.contains(link.kind == ChatLink::Channel ? target.mid(1) : target));
        }
    }

    void linkNeverCrossesALineStart()
    {
        auto doc = makeDocument();
        doc->appendLine(ChatDocument::Other, QStringLiteral("<Tam> abc"));
        doc->appendLine(ChatDocument::Other, QStringLiteral("#chan"));
        const ChatLink channel =
            ChatSelecting::linkAt(*doc, findWord(*doc, QStringLiteral("#chan")));
        QCOMPARE(channel.kind, ChatLink::Channel);
        QCOMPARE(channel.target, QStringLiteral("#chan"));
        QCOMPARE(ChatSelecting::linkAt(*doc, findWord(*doc, QStringLiteral("abc"))).kind,
                 ChatLink::None);
        // The sound owner is the first word of the link's own line.
        doc->appendLine(ChatDocument::Other, QStringLiteral("<Wren> a.wav"));
        QCOMPARE(ChatSelecting::linkAt(*doc, doc->wordCount() - 1).owner, QStringLiteral("Wren"));
    }

    void characterUnderPointer()
    {
        auto doc = makeDocument();
        doc->setViewSize(QSize(500, 300));
        doc->appendLine(ChatDocument::Other, QStringLiteral("<Tam> hello"));
        const qsizetype hello = 1;
        const int x = doc->wordX(hello); // 36
        QCOMPARE(ChatSelecting::characterAt(*doc, hello, x), 0);
        QCOMPARE(ChatSelecting::characterAt(*doc, hello, x + 13), 2);
        QCOMPARE(ChatSelecting::characterAt(*doc, hello, x + 17), 2);
        QCOMPARE(ChatSelecting::characterAt(*doc, hello, x + 18), 3);
        QCOMPARE(ChatSelecting::characterAt(*doc, hello, x - 50), 0);
        QCOMPARE(ChatSelecting::characterAt(*doc, hello, x + 500), 4);
        QCOMPARE(ChatSelecting::characterOffset(*doc, hello, 2), 12);
    }

    void selectionText_data()
    {
        QTest::addColumn<QString>("startProbe");
        QTest::addColumn<int>("startChar");
        QTest::addColumn<QString>("endProbe");
        QTest::addColumn<int>("endChar");
        QTest::addColumn<QString>("text");
        QTest::newRow("within a word") << "hello" << 1 << "hello" << 3 << "ell";
        QTest::newRow("backwards within a word") << "hello" << 3 << "hello" << 1 << "ell";
        QTest::newRow("across words") << "hello" << 2 << "world" << 2 << "llo wor";
        QTest::newRow("ends on a line start")
            << "hello" << 2 << "<Wren>" << 3 << "llo world\r\n<Wre";
        QTest::newRow("starts on a line start, no break first")
            << "<Tam>" << 0 << "second" << 5 << "<Tam> hello world\r\n<Wren> second";
        QTest::newRow("through a whole line")
            << "world" << 0 << "third" << 4 << "world\r\n<Wren> second\r\nthird";
    }

    void selectionText()
    {
        QFETCH(QString, startProbe);
        QFETCH(int, startChar);
        QFETCH(QString, endProbe);
        QFETCH(int, endChar);
        QFETCH(QString, text);
        auto doc = makeDocument();
        doc->appendLine(ChatDocument::Other, QStringLiteral("<Tam> hello world"));
        doc->appendLine(ChatDocument::You, QStringLiteral("<Wren> second"));
        doc->appendLine(ChatDocument::Server, QStringLiteral("third"));
        ChatSelection selection;
        selection.startWord = findWord(*doc, startProbe);
        selection.startChar = startChar;
        selection.endWord = findWord(*doc, endProbe);
        selection.endChar = endChar;
        QCOMPARE(ChatSelecting::selectionText(*doc, selection), text);
    }
};

QUORL_TEST(ChatSelectionTest)
#include "chatselectiontest.moc"
