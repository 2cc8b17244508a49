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
            << true << QStringList{QStringLiteral(":irc.test CAP * LS :multi-prefix away-notify")}
            << QStringList{QStringLiteral("CAP LS 302"), QStringLiteral("CAP END")}
            << QStringLiteral("The server does not offer SASL; not logged in.");
        QTest::newRow("sasl but no account")
            << false << QStringList{QStringLiteral(":irc.test CAP * LS :sasl multi-prefix")}
            << QStringList{QStringLiteral("CAP LS 302"), QStringLiteral("CAP END")} << QString();
        QTest::newRow("login works")
            << true
            << QStringList{QStringLiteral(":irc.test CAP * LS * :multi-prefix"),
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
