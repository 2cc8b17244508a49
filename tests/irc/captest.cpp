// Capability negotiation and SASL PLAIN against a scripted server: servers without CAP or
// without sasl, a login that works and one that fails, lists spread over several lines;
// the password never shows in the raw data or the status list, and its file stays private.
#include "settings/saslaccounts.h"
#include "support/sessionfixture.h"
#include "support/testmain.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString Account = QStringLiteral("joe");
const QString Password = QStringLiteral("hunter2 secret");
} // namespace

class CapTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void negotiation_data()
    {
        QTest::addColumn<bool>("hasAccount");
        QTest::addColumn<QStringList>("script");   // server lines, each after the client's last
        QTest::addColumn<QStringList>("expected"); // CAP and AUTHENTICATE lines sent
        QTest::addColumn<QString>("statusLine");
        QTest::newRow("server without CAP")
            << true << QStringList{QStringLiteral(":irc.test 421 * CAP :Unknown command")}
            << QStringList{QStringLiteral("CAP LS 302")} << QString();
        QTest::newRow("CAP without sasl")
            << true
            << QStringList{QStringLiteral(":irc.test CAP * LS :znc.in/self-message away-notify"),
                           QStringLiteral(":irc.test CAP * ACK :away-notify")}
            << QStringList{QStringLiteral("CAP LS 302"), QStringLiteral("CAP REQ :away-notify"),
                           QStringLiteral("CAP END")}
            << QStringLiteral("The server does not offer SASL; not logged in.");
        QTest::newRow("sasl but no account")
            << false << QStringList{QStringLiteral(":irc.test CAP * LS :sasl znc.in/self-message")}
            << QStringList{QStringLiteral("CAP LS 302"), QStringLiteral("CAP END")} << QString();
        QTest::newRow("no mechanism in common")
            << true
            << QStringList{QStringLiteral(":irc.test CAP * LS :sasl=EXTERNAL"),
                           QStringLiteral(":irc.test CAP * ACK :sasl")}
            << QStringList{QStringLiteral("CAP LS 302"), QStringLiteral("CAP REQ :sasl"),
                           QStringLiteral("CAP END")}
            << QStringLiteral("The server offers no SASL mechanism this client can use "
                              "(EXTERNAL); not logged in.");
        QTest::newRow("nickname locked")
            << true
            << QStringList{QStringLiteral(":irc.test CAP * LS :sasl"),
                           QStringLiteral(":irc.test CAP * ACK :sasl"),
                           QStringLiteral("AUTHENTICATE +"),
                           QStringLiteral(":irc.test 902 * :You must use a nick assigned to you")}
            << QStringList{QStringLiteral("CAP LS 302"), QStringLiteral("CAP REQ :sasl"),
                           QStringLiteral("AUTHENTICATE PLAIN"), QStringLiteral("AUTHENTICATE"),
                           QStringLiteral("CAP END")}
            << QStringLiteral("SASL login as joe failed; registering without it.");
        QTest::newRow("login works")
            << true
            << QStringList{QStringLiteral(":irc.test CAP * LS * :znc.in/self-message"),
                           QStringLiteral(":irc.test CAP * LS :sasl=PLAIN,EXTERNAL"),
                           QStringLiteral(":irc.test CAP * ACK :sasl"),
                           QStringLiteral("AUTHENTICATE +"),
                           QStringLiteral(":irc.test 900 * * joe :You are now logged in as joe"),
                           QStringLiteral(":irc.test 903 * :SASL authentication successful")}
            << QStringList{QStringLiteral("CAP LS 302"), QStringLiteral("CAP REQ :sasl"),
                           QStringLiteral("AUTHENTICATE PLAIN"),
                           QStringLiteral("AUTHENTICATE ") +
                               QString::fromLatin1((Account.toUtf8() + '\0' + Account.toUtf8() +
                                                    '\0' + Password.toUtf8())
                                                       .toBase64()),
                           QStringLiteral("CAP END")}
            << QStringLiteral("You are logged in as joe.");
        QTest::newRow("login fails")
            << true
            << QStringList{QStringLiteral(":irc.test CAP * LS :sasl"),
                           QStringLiteral(":irc.test CAP * ACK :sasl"),
                           QStringLiteral("AUTHENTICATE +"),
                           QStringLiteral(":irc.test 904 * :SASL authentication failed")}
            << QStringList{QStringLiteral("CAP LS 302"), QStringLiteral("CAP REQ :sasl"),
                           QStringLiteral("AUTHENTICATE PLAIN"), QStringLiteral("AUTHENTICATE"),
                           QStringLiteral("CAP END")}
            << QStringLiteral("SASL login as joe failed; registering without it.");
        QTest::newRow("sasl acknowledged as disabled")
            << true
            << QStringList{QStringLiteral(":irc.test CAP * LS :sasl"),
                           QStringLiteral(":irc.test CAP * ACK :-sasl")}
            << QStringList{QStringLiteral("CAP LS 302"), QStringLiteral("CAP REQ :sasl"),
                           QStringLiteral("CAP END")}
            << QStringLiteral("The server refused SASL; not logged in.");
        QTest::newRow("sasl refused")
            << true
            << QStringList{QStringLiteral(":irc.test CAP * LS :sasl"),
                           QStringLiteral(":irc.test CAP * NAK :sasl")}
            << QStringList{QStringLiteral("CAP LS 302"), QStringLiteral("CAP REQ :sasl"),
                           QStringLiteral("CAP END")}
            << QString();
    }

    void negotiation()
    {
        QFETCH(bool, hasAccount);
        QFETCH(QStringList, script);
        QFETCH(QStringList, expected);
        QFETCH(QString, statusLine);
        SessionFixture f;
        f.session().setAccountLookup([hasAccount](const QString& host) {
            return hasAccount && host == QLatin1String("127.0.0.1")
                       ? std::pair<QString, QString>(Account, Password)
                       : std::pair<QString, QString>();
        });
        QStringList raw;
        QObject::connect(&f.session(), &Session::rawLineRecorded,
                         [&raw](const QString& line, const QString&) { raw << line; });
        QVERIFY(f.connectAndLogIn());
        for (const QString& line : script) {
            f.server.sendLine(line);
            QVERIFY(f.sync());
        }
        // Registration goes on whatever the negotiation did.
        f.server.sendLine(QStringLiteral(":irc.test 001 Yournick :Welcome"));
        f.server.sendLine(QStringLiteral(":irc.test 376 Yournick :End of MOTD"));
        QVERIFY(f.server.waitForLine(QStringLiteral("AWAY")));
        QVERIFY(f.session().isRegistered());

        QStringList negotiated;
        for (const QString& line : f.server.received()) {
            if (line.startsWith(QStringLiteral("CAP ")) ||
                line.startsWith(QStringLiteral("AUTHENTICATE")))
                negotiated << (expected.contains(line) ? line : line.section(u' ', 0, 0));
        }
        QCOMPARE(negotiated, expected);
        // NICK and USER were never held back for the negotiation.
        QVERIFY(f.server.received().at(1).startsWith(QStringLiteral("NICK ")));
        if (!statusLine.isEmpty())
            QVERIFY2(f.statusHas(statusLine), qPrintable(f.status().join(u'\n')));
        QVERIFY(f.status().filter(QStringLiteral("CAP")).isEmpty());

        const QByteArray token =
            (Account.toUtf8() + '\0' + Account.toUtf8() + '\0' + Password.toUtf8()).toBase64();
        for (const QStringList& lines : {raw, f.status(), f.client.serverView().lines()}) {
            for (const QString& line : lines) {
                QVERIFY2(!line.contains(QStringLiteral("hunter2")), qPrintable(line));
                QVERIFY2(!line.contains(QString::fromLatin1(token.left(12))), qPrintable(line));
            }
        }
    }

    // Credentials of any length leave whole, in 400-byte chunks on lines of their own
    // (an exact multiple ends with "AUTHENTICATE +"), and only once however often the
    // server asks; registration then goes on at once.
    void credentialsLeaveWholeAndOnce_data()
    {
        QTest::addColumn<int>("passwordLength");
        QTest::addColumn<int>("chunks"); // AUTHENTICATE lines after PLAIN
        QTest::newRow("short") << 8 << 1;
        QTest::newRow("200 characters") << 200 << 1;
        QTest::newRow("exactly one chunk") << 292 << 2;
        QTest::newRow("two chunks") << 400 << 2;
    }
    void credentialsLeaveWholeAndOnce()
    {
        QFETCH(int, passwordLength);
        QFETCH(int, chunks);
        const QString password(passwordLength, u'p');
        SessionFixture f;
        f.session().setAccountLookup(
            [&](const QString&) { return std::pair<QString, QString>(Account, password); });
        QVERIFY(f.connectAndLogIn());
        f.server.sendLine(QStringLiteral(":irc.test CAP * LS :sasl"));
        QVERIFY(f.server.waitForLine(QStringLiteral("CAP REQ :sasl")));
        f.server.sendLine(QStringLiteral(":irc.test CAP * ACK :sasl"));
        QVERIFY(f.server.waitForLine(QStringLiteral("AUTHENTICATE PLAIN")));
        for (int n = 0; n < 50; ++n)
            f.server.sendLine(QStringLiteral("AUTHENTICATE +"));
        QVERIFY(f.sync());
        f.server.sendLine(QStringLiteral(":irc.test 903 * :SASL authentication successful"));
        QVERIFY(f.server.waitForLine(QStringLiteral("CAP END")));

        QStringList sent = f.server.received().filter(QStringLiteral("AUTHENTICATE "));
        QCOMPARE(sent.takeFirst(), QStringLiteral("AUTHENTICATE PLAIN"));
        QCOMPARE(sent.size(), chunks);
        const QByteArray token =
            (Account.toUtf8() + '\0' + Account.toUtf8() + '\0' + password.toUtf8()).toBase64();
        QByteArray joined;
        for (const QString& line : sent) {
            const QString chunk = line.mid(13);
            QVERIFY(chunk.size() <= 400);
            if (chunk != QLatin1String("+"))
                joined += chunk.toLatin1();
        }
        QCOMPARE(joined, token);
        QCOMPARE(sent.last() == QLatin1String("AUTHENTICATE +"), token.size() % 400 == 0);
        QCOMPARE(f.server.received().filter(QStringLiteral("CAP END")).size(), 1);
    }

    // A server that stops answering mid-negotiation does not hold registration up: when
    // the time limit runs out a status line says so and CAP END leaves.
    void negotiationHasATimeLimit_data()
    {
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<QString>("statusLine");
        QTest::newRow("list never ends")
            << QStringList{QStringLiteral(":irc.test CAP * LS * :sasl")}
            << QStringLiteral("The server did not finish capability negotiation within 15 "
                              "seconds; registering without it.");
        QTest::newRow("no answer to the credentials")
            << QStringList{QStringLiteral(":irc.test CAP * LS :sasl"),
                           QStringLiteral(":irc.test CAP * ACK :sasl"),
                           QStringLiteral("AUTHENTICATE +")}
            << QStringLiteral("SASL login as joe got no answer in time; registering without it.");
    }
    void negotiationHasATimeLimit()
    {
        QFETCH(QStringList, script);
        QFETCH(QString, statusLine);
        SessionFixture f;
        f.session().setAccountLookup(
            [](const QString&) { return std::pair<QString, QString>(Account, Password); });
        QVERIFY(f.connectAndLogIn());
        for (const QString& line : script)
            f.server.sendLine(line);
        QVERIFY(f.sync());
        CapNegotiation& cap = f.session().capabilities();
        QVERIFY(cap.negotiating());
        QVERIFY(cap.timeLimitRunning());
        QVERIFY(f.server.received().filter(QStringLiteral("CAP END")).isEmpty());
        cap.onTimeLimit();
        QVERIFY(f.server.waitForLine(QStringLiteral("CAP END")));
        QVERIFY2(f.statusHas(statusLine), qPrintable(f.status().join(u'\n')));
        QVERIFY(!cap.negotiating() && !cap.timeLimitRunning());
        // A late answer changes nothing, and registration completes.
        f.server.sendLine(QStringLiteral(":irc.test 903 * :SASL authentication successful"));
        f.server.sendLine(QStringLiteral(":irc.test 001 Yournick :Welcome"));
        f.server.sendLine(QStringLiteral(":irc.test 376 Yournick :End of MOTD"));
        QVERIFY(f.server.waitForLine(QStringLiteral("AWAY")));
        QCOMPARE(f.server.received().filter(QStringLiteral("CAP END")).size(), 1);
    }

    // However many capabilities a server lists, only a bounded number of short names is
    // kept, and sasl is still found among them.
    void offeredCapabilitiesAreBounded()
    {
        SessionFixture f;
        f.session().setAccountLookup(
            [](const QString&) { return std::pair<QString, QString>(Account, Password); });
        QVERIFY(f.connectAndLogIn());
        QString names;
        for (int n = 0; n < 50; ++n)
            names += QStringLiteral("vendor.example/capability-") + QString::number(n) + u' ';
        for (int n = 0; n < 100; ++n)
            f.server.sendLine(QStringLiteral(":irc.test CAP * LS * :") + names);
        f.server.sendLine(QStringLiteral(":irc.test CAP * LS * :") + QString(500, u'x'));
        f.server.sendLine(QStringLiteral(":irc.test CAP * LS :sasl"));
        QVERIFY(f.server.waitForLine(QStringLiteral("CAP REQ :sasl")));
        const QStringList offered = f.session().capabilities().offered();
        QVERIFY2(offered.size() <= CapNegotiation::MaxCapabilities + 1,
                 qPrintable(QString::number(offered.size())));
        QVERIFY(offered.contains(QStringLiteral("sasl")));
        for (const QString& name : offered)
            QVERIFY(name.size() <= CapNegotiation::MaxNameLength);
    }

    void accountsFileIsPrivate()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + u'/';
        QCOMPARE(SaslAccounts::lookup(folder, QStringLiteral("irc.example")),
                 (std::pair<QString, QString>()));
        QVERIFY(SaslAccounts::store(folder, QStringLiteral("IRC.Example"), Account, Password));
        const QFile::Permissions others =
            QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
        QCOMPARE(QFile(SaslAccounts::fileName(folder)).permissions() & others,
                 QFile::Permissions());
        QCOMPARE(SaslAccounts::lookup(folder, QStringLiteral("irc.example")),
                 (std::pair<QString, QString>(Account, Password)));
        // A file someone made readable to all is made private again before it is used.
        QFile(SaslAccounts::fileName(folder))
            .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        QCOMPARE(SaslAccounts::lookup(folder, QStringLiteral("irc.example")).first, Account);
        QCOMPARE(QFile(SaslAccounts::fileName(folder)).permissions() & others,
                 QFile::Permissions());
        QCOMPARE(SaslAccounts::lookup(folder, QStringLiteral("other.example")),
                 (std::pair<QString, QString>()));
    }
};

QUORL_TEST(CapTest)
#include "captest.moc"
