// The texts of DCC written once: address forms, offers with hostile names, resume
// requests, acknowledgements, save folders, the no-overwrite name, the port rule.
#include "dcc/dccwire.h"
#include "dcc/dccchat.h"
#include "support/testmain.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace DccWire;

class DccWireTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void addresses_data()
    {
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<QString>("dotted");
        QTest::newRow("offer example") << "3232235777"
                                       << "192.168.1.1";
        QTest::newRow("own address example") << "167772165"
                                             << "10.0.0.5";
        QTest::newRow("highest") << "4294967295"
                                 << "255.255.255.255";
        QTest::newRow("loopback") << "2130706433"
                                  << "127.0.0.1";
    }
    void addresses()
    {
        QFETCH(QString, decimal);
        QFETCH(QString, dotted);
        QCOMPARE(decimalToDotted(decimal), dotted);
        QCOMPARE(dottedToDecimal(dotted), decimal);
    }

    void badAddresses_data()
    {
        QTest::addColumn<QString>("decimal");
        QTest::newRow("not a number") << "localhost";
        QTest::newRow("past 32 bits") << "4294967296";
        QTest::newRow("negative") << "-1";
        QTest::newRow("infinite") << "inf";
    }
    void badAddresses()
    {
        QFETCH(QString, decimal);
        QCOMPARE(decimalToDotted(decimal), QStringLiteral("-1"));
        // The dotted form needs three dots, and parts that add up to a number.
        QCOMPARE(dottedToDecimal(QStringLiteral("10.0.5")), QString());
        QCOMPARE(dottedToDecimal(QStringLiteral(".4444444444444444444444444444444444444444...")),
                 QString());
        QCOMPARE(dottedToDecimal(QStringLiteral("1e300.1.1.1")), QString());
    }

    void ports()
    {
        // Chats on 1059 and 1060 and a send on 1062: the next offer takes 1061.
        QCOMPARE(choosePort({1059, 1060, 1062}), 1061);
        QCOMPARE(choosePort({1060, 1061}), 1062);
        QCOMPARE(choosePort({}), 1060);
    }

    void sendOffers_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<int>("problem");
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("theme");
        const int none = int(OfferProblem::None);
        const int malformed = int(OfferProblem::Malformed);
        const int unsafe = int(OfferProblem::UnsafeName);
        QTest::newRow("plain") << "DCC SEND song.mp3 2130706433 1060 1234" << none << "song.mp3"
                               << qint64(1234) << false;
        QTest::newRow("quoted name keeps its blanks")
            << "DCC SEND \"my song.mp3\" 2130706433 1060 1234" << none << "my song.mp3"
            << qint64(1234) << false;
        QTest::newRow("theme suffix removed") << "DCC SEND \"blue.qthzzz\" 2130706433 1060 99"
                                              << none << "blue.qth" << qint64(99) << true;
        QTest::newRow("over 4 GiB") << "DCC SEND big.iso 2130706433 1060 5000000000" << none
                                    << "big.iso" << qint64(5000000000) << false;
        QTest::newRow("token after the size")
            << "DCC SEND a.txt 2130706433 1060 10 77" << none << "a.txt" << qint64(10) << false;
        QTest::newRow("path reduced to its last part")
            << "DCC SEND ../../.bashrc 2130706433 1060 10" << none << ".bashrc" << qint64(10)
            << false;
        QTest::newRow("backslash path reduced")
            << "DCC SEND \"..\\..\\Windows\\evil.exe\" 2130706433 1060 10" << none << "evil.exe"
            << qint64(10) << false;
        QTest::newRow("dot dot refused")
            << "DCC SEND .. 2130706433 1060 10" << unsafe << "" << qint64(0) << false;
        QTest::newRow("trailing slash leaves nothing")
            << "DCC SEND \"files/\" 2130706433 1060 10" << unsafe << "" << qint64(0) << false;
        QTest::newRow("control character refused") << QStringLiteral("DCC SEND \"a\x07"
                                                                     "b\" 2130706433 1060 10")
                                                   << unsafe << "" << qint64(0) << false;
        QTest::newRow("address not a number")
            << "DCC SEND a.txt somehost 1060 10" << malformed << "" << qint64(0) << false;
        QTest::newRow("size not a number")
            << "DCC SEND a.txt 2130706433 1060 big" << malformed << "" << qint64(0) << false;
        QTest::newRow("port zero")
            << "DCC SEND a.txt 2130706433 0 10" << malformed << "" << qint64(0) << false;
        QTest::newRow("no size") << "DCC SEND a.txt 2130706433 1060" << malformed << "" << qint64(0)
                                 << false;
        QTest::newRow("unclosed quote")
            << "DCC SEND \"a b 2130706433 1060 10" << malformed << "" << qint64(0) << false;
        QTest::newRow("right-to-left override dropped")
            << QStringLiteral("DCC SEND \"\u202etxt.exe\" 2130706433 1060 10") << none << "txt.exe"
            << qint64(10) << false;
        QTest::newRow("every bidirectional control dropped")
            << QStringLiteral("DCC SEND a\u202a\u202b\u202c\u202d\u2066\u2067\u2068\u2069\u200e"
                              "\u200f\u061cb.txt 2130706433 1060 10")
            << none << "ab.txt" << qint64(10) << false;
        QTest::newRow("nothing but bidirectional controls")
            << QStringLiteral("DCC SEND \u202e\u202e 2130706433 1060 10") << unsafe << ""
            << qint64(0) << false;
        QTest::newRow("line separator refused")
            << QStringLiteral("DCC SEND \"a\u2028b.txt\" 2130706433 1060 10") << unsafe << ""
            << qint64(0) << false;
        QTest::newRow("paragraph separator refused")
            << QStringLiteral("DCC SEND a\u2029b.txt 2130706433 1060 10") << unsafe << ""
            << qint64(0) << false;
    }

    // Passive offers carry port 0 and a token; the answers carry a port and the same token.
    void passiveOffers_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("token");
        QTest::newRow("irssi's passive send")
            << "DCC SEND a.txt 16843009 0 10 7" << true << 0 << "7";
        QTest::newRow("answer to a passive send")
            << "DCC SEND \"a b.txt\" 2130706433 1061 10 7" << true << 1061 << "7";
        QTest::newRow("passive send without a token")
            << "DCC SEND a.txt 16843009 0 10" << false << 0 << "";
        QTest::newRow("irssi's passive chat") << "DCC CHAT CHAT 16843009 0 12" << true << 0 << "12";
        QTest::newRow("answer to a passive chat")
            << "DCC CHAT chat 2130706433 1062 12" << true << 1062 << "12";
        QTest::newRow("passive chat without a token")
            << "DCC CHAT chat 16843009 0" << false << 0 << "";
        QTest::newRow("token too long")
            << "DCC CHAT chat 16843009 0 " + QString(33, u'9') << false << 0 << "";
    }
    void passiveOffers()
    {
        QFETCH(QString, body);
        QFETCH(bool, valid);
        QFETCH(int, port);
        QFETCH(QString, token);
        if (body.contains(QStringLiteral("SEND"))) {
            const ParsedSendOffer parsed = parseSendOffer(body);
            QCOMPARE(parsed.problem == OfferProblem::None, valid);
            if (!valid)
                return;
            QCOMPARE(int(parsed.offer.port), port);
            QCOMPARE(parsed.offer.passive(), port == 0);
            QCOMPARE(parsed.offer.token, token);
            QCOMPARE(parsed.offer.size, qint64(10));
        } else {
            const auto offer = parseChatOffer(body);
            QCOMPARE(bool(offer), valid);
            if (!valid)
                return;
            QCOMPARE(int(offer->port), port);
            QCOMPARE(offer->passive(), port == 0);
            QCOMPARE(offer->token, token);
        }
    }

    // A peer's text in one status line: nothing in it ends the line or turns it around.
    void printableText()
    {
        QCOMPARE(printable(QStringLiteral("a\u2028b\u2029c\nd\u0085e\u202ef")),
                 QStringLiteral("a?b?c?d?e?f"));
        QCOMPARE(printable(QStringLiteral("plain ü.txt")), QStringLiteral("plain ü.txt"));
    }
    void sendOffers()
    {
        QFETCH(QString, body);
        QFETCH(int, problem);
        QFETCH(QString, name);
        QFETCH(qint64, size);
        QFETCH(bool, theme);
        const ParsedSendOffer parsed = parseSendOffer(body);
        QCOMPARE(int(parsed.problem), problem);
        if (parsed.problem != OfferProblem::None)
            return;
        QCOMPARE(parsed.offer.fileName, name);
        QCOMPARE(parsed.offer.size, size);
        QCOMPARE(parsed.offer.theme, theme);
        QCOMPARE(parsed.offer.address, QStringLiteral("127.0.0.1"));
        QCOMPARE(parsed.offer.port, quint16(1060));
    }

    void chatOffers()
    {
        const auto offer = parseChatOffer(QStringLiteral("DCC CHAT chat 3232235777 1059"));
        QVERIFY(offer);
        QCOMPARE(offer->address, QStringLiteral("192.168.1.1"));
        QCOMPARE(offer->port, quint16(1059));
        QVERIFY(!parseChatOffer(QStringLiteral("DCC CHAT chat nowhere 1059")));
        QVERIFY(!parseChatOffer(QStringLiteral("DCC CHAT chat 3232235777")));
        QVERIFY(!parseChatOffer(QStringLiteral("DCC CHAT chat 3232235777 99999")));
    }

    void resumeRequests()
    {
        auto r = parseResumeRequest(QStringLiteral("DCC RESUME file.ext 1060 3000"));
        QVERIFY(r);
        QCOMPARE(r->port, QStringLiteral("1060"));
        QCOMPARE(r->position, qint64(3000));
        // Other clients quote names with blanks; port and position are still found.
        r = parseResumeRequest(QStringLiteral("DCC ACCEPT \"my file.txt\" 1061 6000000000"));
        QVERIFY(r);
        QCOMPARE(r->port, QStringLiteral("1061"));
        QCOMPARE(r->position, qint64(6000000000));
        // A passive offer's: port 0, the position, the offer's token.
        r = parseResumeRequest(QStringLiteral("DCC ACCEPT \"my file.txt\" 0 1000000 4"));
        QVERIFY(r);
        QCOMPARE(r->name, QStringLiteral("\"my file.txt\""));
        QCOMPARE(r->port, QStringLiteral("0"));
        QCOMPARE(r->position, qint64(1000000));
        QCOMPARE(r->token, QStringLiteral("4"));
        QVERIFY(!parseResumeRequest(QStringLiteral("DCC RESUME 1060")));
        QVERIFY(!parseResumeRequest(QStringLiteral("DCC RESUME file.ext 1060 -5")));
    }

    void acknowledgements()
    {
        QCOMPARE(acknowledgement(70000), QByteArray::fromHex("00011170"));
        // Past 4 GiB the report wraps, as peers expect.
        QCOMPARE(acknowledgement((qint64(1) << 32) + 70000), QByteArray::fromHex("00011170"));
        QCOMPARE(acknowledgement(0xfffffffe), QByteArray::fromHex("fffffffe"));
    }

    void rowTexts()
    {
        QCOMPARE(percentText(0, 0), QStringLiteral("100%"));
        QCOMPARE(percentText(999, 1000), QStringLiteral("99%"));
        QCOMPARE(percentText(qint64(3) << 31, qint64(1) << 33), QStringLiteral("75%"));
        QCOMPARE(rateText(1000, 0), QStringLiteral("0"));
        QCOMPARE(rateText(12345, 1000), QStringLiteral("12.3"));
        QCOMPARE(rateText(600000000, 1000), QStringLiteral("600000"));
    }

    void freeNames()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + u'/';
        QCOMPARE(freeFileName(folder, QStringLiteral("a.txt")), QStringLiteral("a.txt"));
        QFile(folder + QStringLiteral("a.txt")).open(QIODevice::WriteOnly);
        QCOMPARE(freeFileName(folder, QStringLiteral("a.txt")), QStringLiteral("a(1).txt"));
        QFile(folder + QStringLiteral("a(1).txt")).open(QIODevice::WriteOnly);
        QCOMPARE(freeFileName(folder, QStringLiteral("a.txt")), QStringLiteral("a(2).txt"));
        QFile(folder + QStringLiteral("README")).open(QIODevice::WriteOnly);
        QCOMPARE(freeFileName(folder, QStringLiteral("README")), QStringLiteral("README(1)"));
    }

    void saveFolders()
    {
        QTemporaryDir dir;
        const QString sounds = dir.path() + QStringLiteral("/sounds");
        QDir().mkpath(sounds);
        const QString fallback = QStringLiteral("/received/");
        const QStringList filters{QStringLiteral("*.txt ") + dir.path() + QStringLiteral("/none"),
                                  QStringLiteral("  *.wav ") + sounds};
        QCOMPARE(saveFolderFor(filters, QStringLiteral("BELL.WAV"), fallback), sounds + u'/');
        // The first matching line decides, even when its folder is missing.
        QCOMPARE(saveFolderFor(filters + QStringList{QStringLiteral("*.txt ") + sounds},
                               QStringLiteral("a.txt"), fallback),
                 fallback);
        QCOMPARE(saveFolderFor(filters, QStringLiteral("a.mp3"), fallback), fallback);
    }

    void chatLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("sound");
        QTest::newRow("plain") << "hello there"
                               << "<Bob> hello there"
                               << "";
        QTest::newRow("action") << "\x01"
                                   "ACTION waves\x01"
                                << "*Bob waves"
                                << "";
        QTest::newRow("sound") << "\x01SOUND Bell.WAV \x01"
                               << "*Bob Plays Bell.WAV "
                               << "bell.wav";
        QTest::newRow("irssi's framed action") << "CTCP_MESSAGE \x01"
                                                  "ACTION waves\x01"
                                               << "*Bob waves"
                                               << "";
        QTest::newRow("irssi's framed sound") << "CTCP_MESSAGE \x01SOUND a.wav\x01"
                                              << "*Bob Plays a.wav"
                                              << "a.wav";
        QTest::newRow("the word alone is text") << "CTCP_MESSAGE hi"
                                                << "<Bob> CTCP_MESSAGE hi"
                                                << "";
        QTest::newRow("lone delimiter") << "\x01"
                                        << "<Bob> \x01"
                                        << "";
    }
    void chatLines()
    {
        QFETCH(QString, line);
        QFETCH(QString, shown);
        QFETCH(QString, sound);
        QString played;
        QCOMPARE(DccChatSession::formatLine(QStringLiteral("Bob"), line, &played), shown);
        QCOMPARE(played, sound);
    }
};

QUORL_TEST(DccWireTest)
#include "dccwiretest.moc"
