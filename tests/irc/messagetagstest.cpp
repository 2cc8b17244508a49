// Message tags: unescaping, repeats and bounds, the server's time, and tagged lines going
// where their prefix says through a registered session.
#include "irc/messagetags.h"
#include "irc/serverline.h"
#include "irc/userline.h"
#include "support/sessionfixture.h"
#include "support/testmain.h"

#include <QSignalSpy>
#include <QTest>

class MessageTagsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void split_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("rest");
        const QString privmsg = QStringLiteral(":a!b@c PRIVMSG #q :hi");
        QTest::newRow("every escape") << QStringLiteral("@k=a\\:b\\sc\\\\d\\re\\nf ") + privmsg
                                      << "k" << QStringLiteral("a;b c\\d\re\nf") << privmsg;
        QTest::newRow("unknown escape drops the backslash")
            << QStringLiteral("@k=\\b\\ ") + privmsg << "k"
            << "b" << privmsg;
        QTest::newRow("last of a repeated name wins")
            << QStringLiteral("@k=1;x;k=2 ") + privmsg << "k"
            << "2" << privmsg;
        QTest::newRow("vendor name and no value")
            << QStringLiteral("@draft/reply=;znc.in/x :s 001 n :w") << "draft/reply"
            << "" << QStringLiteral(":s 001 n :w");
        QTest::newRow("no tags") << privmsg << "k"
                                 << "" << privmsg;
        QTest::newRow("tags alone") << QStringLiteral("@k=v") << "k"
                                    << "v"
                                    << "";
        QTest::newRow("tag part over the bound is ignored")
            << QStringLiteral("@k=") + QString(MessageTags::MaxTagBytes, u'x') + u' ' + privmsg
            << "k"
            << "" << privmsg;
    }

    void split()
    {
        QFETCH(QString, line);
        QFETCH(QString, name);
        QFETCH(QString, value);
        QFETCH(QString, rest);
        const auto [tags, after] = MessageTags::split(line);
        QCOMPARE(tags.value(name), value);
        QCOMPARE(after.toString(), rest);
        QCOMPARE(MessageTags::unescape(MessageTags::escape(value)), value);
    }

    void boundsAndTime()
    {
        QString many = QStringLiteral("@");
        for (int i = 0; i < 1000; ++i)
            many += QStringLiteral("t%1=v;").arg(i);
        const ServerLine line = *ServerLine::parse(many + QStringLiteral(" :s 001 n :w"));
        QCOMPARE(line.tags.count(), MessageTags::MaxTags);
        QCOMPARE(line.command, QStringLiteral("001"));

        const auto withTime = [](const QString& tag) {
            return *UserLine::parse(tag + QStringLiteral(" :a!b@c PRIVMSG #q :hi"));
        };
        const QDateTime said(QDate(2026, 3, 4), QTime(5, 6, 7, 890), Qt::UTC);
        QCOMPARE(withTime(QStringLiteral("@time=2026-03-04T05:06:07.890Z")).tags.time(), said);
        QCOMPARE(withTime(QStringLiteral("@znc.in/server-time-iso=2026-03-04T05:06:07.890Z"))
                     .tags.time(),
                 said);
        QVERIFY(!withTime(QStringLiteral("@time=yesterday")).tags.time().isValid());
        const UserLine m = withTime(QStringLiteral("@msgid=x1;account=ann;batch=b7;label=L"));
        QCOMPARE(m.sender, QStringLiteral("a"));
        QCOMPARE(m.rest, QStringLiteral("hi"));
        QCOMPARE(QStringList({m.tags.msgid(), m.tags.account(), m.tags.batch(), m.tags.label()}),
                 QStringList({"x1", "ann", "b7", "L"}));
    }

    // Registration, PING and another user's line all carry tags: each is still handled
    // and reaches the handler its prefix names, with its tags.
    void taggedLinesAreRoutedByTheirPrefix()
    {
        SessionFixture f;
        QSignalSpy userLines(&f.session(), &Session::userLineReceived);
        QVERIFY(f.connectAndLogIn());
        const QString time = QStringLiteral("@time=2026-03-04T05:06:07.890Z ");
        f.server.sendLine(time + QStringLiteral(":irc.test 001 Yournick :Welcome"));
        f.server.sendLine(time + QStringLiteral(":irc.test 376 Yournick :End of MOTD"));
        QVERIFY(f.server.waitForLine(QStringLiteral("AWAY")));
        QVERIFY(f.session().isRegistered());
        QCOMPARE(f.session().serverPrefix(), QStringLiteral(":irc.test"));
        f.server.sendLine(QStringLiteral("@label=x PING :tagged"));
        QVERIFY(f.server.waitForLine(QStringLiteral("PONG :tagged")));
        f.server.sendLine(time + QStringLiteral(":irc.test NOTICE Yournick :from the server"));
        f.server.sendLine(time + QStringLiteral(":ann!a@h PRIVMSG Yournick :hello"));
        QVERIFY(f.sync());
        QCOMPARE(userLines.size(), 1);
        const UserLine m = *UserLine::parse(userLines.at(0).at(0).toString());
        QCOMPARE(m.command, QStringLiteral("PRIVMSG"));
        QCOMPARE(m.tags.time().time(), QTime(5, 6, 7, 890));
    }
};

QUORL_TEST(MessageTagsTest)
#include "messagetagstest.moc"
