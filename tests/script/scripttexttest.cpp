// The text rules of script objects: stored lists, nickname lists, address masks and
// message placeholders.
#include "script/scripttext.h"
#include "support/testmain.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace ScriptText;

class ScriptTextTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void addressMasks_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("nick");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("match");
        // The host part ends at the mask's first dot; what follows is never compared.
        QTest::newRow("any domain")
            << u"*!*@ppp1.example.com,"_s << u"Ann"_s << u"ann@ppp1.other.net"_s << true;
        QTest::newRow("other first label")
            << u"*!*@ppp1.example.com,"_s << u"Ann"_s << u"ann@ppp2.example.com"_s << false;
        // Without a dot the mask's host part is empty, so it fits no real host.
        QTest::newRow("star host without dot")
            << u"*!*@*,"_s << u"Ann"_s << u"ann@ppp1.example.com"_s << false;
        QTest::newRow("star host with dot")
            << u"*!*@*.,"_s << u"Ann"_s << u"ann@ppp1.example.com"_s << true;
        QTest::newRow("nick and user ignore case")
            << u"ANN!~Ann@Host.x,"_s << u"ann"_s << u"~ann@host.y"_s << true;
        QTest::newRow("wrong nick") << u"bob!*@*.,"_s << u"Ann"_s << u"ann@h.x"_s << false;
        // The first mask fails on its user part; the second is still tried against the
        // whole address, not what the first left over.
        QTest::newRow("second mask")
            << u"*!bob@ppp1.x,*!ann@ppp1.x,"_s << u"Ann"_s << u"ann@ppp1.example.com"_s << true;
        QTest::newRow("last mask needs its comma")
            << u"*!bob@h.x,*!ann@ppp1.x"_s << u"Ann"_s << u"ann@ppp1.x"_s << false;
        QTest::newRow("mask without bang") << u"ann,"_s << u"ann"_s << u"ann@h.x"_s << false;
        QTest::newRow("dotless host is its own label")
            << u"*!*@localhost.,"_s << u"Ann"_s << u"ann@localhost"_s << true;
        QTest::newRow("empty list") << QString() << u"Ann"_s << u"ann@h.x"_s << false;
    }
    void addressMasks()
    {
        QFETCH(QString, list);
        QFETCH(QString, nick);
        QFETCH(QString, address);
        QFETCH(bool, match);
        QCOMPARE(addressMatch(list, nick, address), match);
    }

    void nicknameLists_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("nick");
        QTest::addColumn<bool>("found");
        QTest::newRow("any case") << u"ann,BOB,"_s << u"bob"_s << true;
        QTest::newRow("after last comma") << u"ann,bob"_s << u"bob"_s << false;
        QTest::newRow("part of an item") << u"annie,"_s << u"ann"_s << false;
        QTest::newRow("empty value") << QString() << QString() << false;
        QTest::newRow("lone comma holds an empty item") << u","_s << QString() << true;
    }
    void nicknameLists()
    {
        QFETCH(QString, list);
        QFETCH(QString, nick);
        QFETCH(bool, found);
        QCOMPARE(inList(list, nick), found);
    }

    void placeholders_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("channel");
        QTest::addColumn<QString>("expanded");
        QTest::newRow("greeting") << u"Hi <nick>, welcome to <channel>"_s << u"#x"_s
                                  << u"Hi Ann, welcome to #x"_s;
        QTest::newRow("repeated and own") << u"<nick> <nick> from <yournick> <word>"_s << u"#x"_s
                                          << u"Ann Ann from Me zemptyslotx"_s;
        // A value holding a placeholder stays as it is and the expansion ends.
        QTest::newRow("no rescan") << u"In <channel> for <nick>"_s << u"#<channel><nick>"_s
                                   << u"In #<channel><nick> for Ann"_s;
        QTest::newRow("escapes first") << u"\\\\bbold\\\\o <NICK>"_s << u"#x"_s
                                       << u"\x02"
                                          "bold\x0f <NICK>"_s;
        QTest::newRow("unclosed") << u"<nick"_s << u"#x"_s << u"<nick"_s;
    }
    void placeholders()
    {
        QFETCH(QString, text);
        QFETCH(QString, channel);
        QFETCH(QString, expanded);
        QCOMPARE(expandPlaceholders(text, u"Ann"_s, u"Me"_s, channel, u"zemptyslotx"_s), expanded);
    }

    void listsRoundTrip()
    {
        const QString stored = u"ann,,bob,"_s;
        QCOMPARE(listItems(stored), (QStringList{u"ann"_s, QString(), u"bob"_s}));
        QCOMPARE(joinList(listItems(stored)), stored);
        QCOMPARE(listItems(u"a,b,c,d,"_s, 3), (QStringList{u"a"_s, u"b"_s, u"c"_s}));
        QCOMPARE(joinList({}), QString());
    }
};

QUORL_TEST(ScriptTextTest)
#include "scripttexttest.moc"
