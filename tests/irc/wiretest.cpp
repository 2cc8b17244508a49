// The receive and send paths: line framing, the bound on partial lines, and the
// encoding and cutting of outbound lines.
#include "irc/wire.h"
#include "irc/lineframer.h"
#include "support/testmain.h"

#include <QTest>

namespace {
QList<QByteArray> drain(LineFramer& framer)
{
    QList<QByteArray> lines;
    QByteArray line;
    while (framer.nextLine(line))
        lines << line;
    return lines;
}
} // namespace

class WireTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void framing_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::addColumn<QByteArray>("left");

        using L = QList<QByteArray>;
        QTest::newRow("crlf") << L{"PING :a\r\n"} << L{"PING :a"} << QByteArray();
        QTest::newRow("lf alone") << L{"PING :a\n"} << L{"PING :a"} << QByteArray();
        QTest::newRow("split across chunks")
            << L{":s 001 n :Wel", "come\r\n"} << L{":s 001 n :Welcome"} << QByteArray();
        QTest::newRow("terminator split")
            << L{"abc\r", "\ndef\r\n"} << L{"abc", "def"} << QByteArray();
        QTest::newRow("cr inside stays") << L{"a\rb\n"} << L{"a\rb"} << QByteArray();
        // Only the line's first CR may be the terminator's.
        QTest::newRow("two crs") << L{"a\rb\r\n"} << L{"a\rb\r"} << QByteArray();
        QTest::newRow("empty lines skipped") << L{"\r\n\r\n"} << L{} << QByteArray();
        QTest::newRow("no lf keeps bytes") << L{"partial"} << L{} << QByteArray("partial");
        QTest::newRow("several in one chunk")
            << L{"one\r\ntwo\nthree\r\nfou"} << L{"one", "two", "three"} << QByteArray("fou");
    }

    void framing()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QList<QByteArray>, lines);
        QFETCH(QByteArray, left);
        LineFramer framer;
        QList<QByteArray> got;
        for (const QByteArray& c : chunks) {
            framer.append(c);
            got << drain(framer);
        }
        QCOMPARE(got, lines);
        QCOMPARE(framer.pending(), left);
    }

    void overlongRunIsDiscardedUpToNextLineFeed()
    {
        LineFramer framer;
        framer.append("ok\r\n");
        // A flood of bytes without a line feed, arriving in 255-byte chunks.
        for (int i = 0; i < 40; ++i)
            framer.append(QByteArray(255, 'x'));
        QCOMPARE(drain(framer), QList<QByteArray>{"ok"});
        QVERIFY(framer.pending().size() <= LineFramer::MaxPendingBytes);
        QVERIFY(framer.takeDiscardNotice());
        QVERIFY(!framer.takeDiscardNotice()); // said once
        framer.append(QByteArray(100, 'x') + "\r\nPING :after\r\n");
        QCOMPARE(drain(framer), QList<QByteArray>{"PING :after"});
        QVERIFY(!framer.isDiscarding());
    }

    void lineJustUnderTheBoundSurvives()
    {
        LineFramer framer;
        const QByteArray line(LineFramer::MaxPendingBytes, 'y');
        for (qsizetype at = 0; at < line.size(); at += 255)
            framer.append(line.mid(at, 255));
        framer.append("\r\n");
        const QList<QByteArray> lines = drain(framer);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines.first().size(), line.size());
        QVERIFY(!framer.takeDiscardNotice());
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("ascii") << QByteArray("hello") << QStringLiteral("hello");
        QTest::newRow("utf8") << QByteArray("gr\xc3\xbc\xc3\x9f") << QStringLiteral("grüß");
        QTest::newRow("latin1 fallback") << QByteArray("gr\xfc\xdf") << QStringLiteral("grüß");
        QTest::newRow("truncated utf8 is latin1") << QByteArray("a\xc3") << QStringLiteral("aÃ");
        QTest::newRow("codes pass") << QByteArray("\x02\x03"
                                                  "4,5x\x0f\x01")
                                    << QStringLiteral("\x02\x03"
                                                      "4,5x\x0f\x01");
    }

    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(Wire::decode(bytes), text);
    }

    void encodeLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QByteArray>("bytes");
        const QString l253(253, u'a');
        const QString l300(300, u'b');
        QTest::newRow("plain") << QStringLiteral("NICK joe") << QByteArray("NICK joe\r\n");
        QTest::newRow("253 fits") << l253 << l253.toLatin1() + "\r\n";
        QTest::newRow("long is cut before crlf") << l300 << QByteArray(253, 'b') + "\r\n";
        // 252 ASCII bytes then a two-byte character: it would end at byte 254, so it goes.
        QTest::newRow("utf8 not split")
            << QString(252, u'c') + QStringLiteral("é") << QByteArray(252, 'c') + "\r\n";
        // A three-byte character that ends exactly at byte 253 stays.
        QTest::newRow("utf8 fits exactly") << QString(250, u'd') + QStringLiteral("€")
                                           << QByteArray(250, 'd') + "\xe2\x82\xac\r\n";
        QTest::newRow("cr cannot smuggle a command")
            << QStringLiteral("NOTICE x :\x01PING 1\rQUIT :bye\x01")
            << QByteArray("NOTICE x :\x01PING 1\r\n");
        QTest::newRow("lf cut") << QStringLiteral("PRIVMSG #a :one\ntwo")
                                << QByteArray("PRIVMSG #a :one\r\n");
    }

    void encodeLine()
    {
        QFETCH(QString, line);
        QFETCH(QByteArray, bytes);
        const QByteArray got = Wire::encodeLine(line);
        QCOMPARE(got, bytes);
        QVERIFY(got.size() <= Wire::MaxLineBytes);
    }

    void everyCutIsValidUtf8()
    {
        // Whatever mix of widths, the cut line is whole characters and ends with CR LF.
        const QString pieces = QStringLiteral("aé€😀");
        for (int offset = 0; offset < 8; ++offset) {
            QString line(offset, u'.');
            for (int i = 0; i < 120; ++i)
                line += pieces;
            const QByteArray bytes = Wire::encodeLine(line);
            QVERIFY(bytes.endsWith("\r\n"));
            QVERIFY(bytes.size() <= 255);
            QVERIFY(bytes.size() >= 250);
            const QByteArray body = bytes.chopped(2);
            QCOMPARE(QString::fromUtf8(body).toUtf8(), body);
            QVERIFY(line.startsWith(QString::fromUtf8(body)));
        }
    }
};

QUORL_TEST(WireTest)
#include "wiretest.moc"
