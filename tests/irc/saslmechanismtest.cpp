// The SASL mechanisms beside PLAIN: SCRAM-SHA-256 with the RFC 7677 example (its nonces,
// "user" and "pencil") against a scripted server, a server that cannot prove it knows the
// password, messages a hostile server could send; EXTERNAL with a client certificate
// over TLS, which the server sees.
#include "irc/scramsha256.h"
#include "support/serverprocess.h"
#include "support/sessionfixture.h"
#include "support/testmain.h"

#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QByteArray ClientNonce = "rOprNGfwEbeRWgbNEkqO";
const QByteArray ClientFirst = "n,,n=user,r=rOprNGfwEbeRWgbNEkqO";
const QByteArray ServerFirst = "r=rOprNGfwEbeRWgbNEkqO%hvYDpWUa2RaTCAfuxFIlj)hNlF$k0,"
                               "s=W22ZaJ0SNY7soEsUEjb6gQ==,i=4096";
const QByteArray ClientFinal = "c=biws,r=rOprNGfwEbeRWgbNEkqO%hvYDpWUa2RaTCAfuxFIlj)hNlF$k0,"
                               "p=dHzbZapWIk4jUhN+Ute9ytag9zjfMHgsqmmiz7AndVQ=";
const QByteArray ServerFinal = "v=6rriTRBi23WpRR/wtup+mMhUZUn/dB5nLTJRsjl95G4=";

QString authenticate(const QByteArray& payload)
{
    return QStringLiteral("AUTHENTICATE ") + QString::fromLatin1(payload.toBase64());
}

// Registers after the negotiation, whatever it did; true once registered.
bool finishRegistration(SessionFixture& f)
{
    f.server.sendLine(QStringLiteral(":irc.test 001 Yournick :Welcome"));
    f.server.sendLine(QStringLiteral(":irc.test 376 Yournick :End of MOTD"));
    return f.server.waitForLine(QStringLiteral("AWAY")) && f.session().isRegistered();
}
} // namespace

class SaslMechanismTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void scramMessages()
    {
        ScramSha256 scram(QStringLiteral("user"), QStringLiteral("pencil"), ClientNonce);
        QCOMPARE(scram.clientFirst(), ClientFirst);
        QVERIFY(!scram.verifyServerFinal(ServerFinal)); // nothing to check before the proof
        QCOMPARE(scram.clientFinal(ServerFirst), ClientFinal);
        QVERIFY(scram.verifyServerFinal(ServerFinal));
        QVERIFY(!scram.verifyServerFinal("v=7rriTRBi23WpRR/wtup+mMhUZUn/dB5nLTJRsjl95G4="));
        QVERIFY(!scram.verifyServerFinal("e=invalid-proof"));

        // Names with "=" and "," are escaped; server messages that cannot be trusted are
        // refused before any key is derived.
        QCOMPARE(ScramSha256(QStringLiteral("a=b,c"), {}, "n").clientFirst(),
                 QByteArray("n,,n=a=3Db=2Cc,r=n"));
        const QByteArray salt = ",s=W22ZaJ0SNY7soEsUEjb6gQ==";
        for (const QByteArray& hostile :
             {QByteArray("r=someoneelses" + salt + ",i=4096"),
              QByteArray("r=" + ClientNonce + salt + ",i=4096"),
              QByteArray("r=" + ClientNonce + "x,i=4096"),
              QByteArray("r=" + ClientNonce + "x" + salt + ",i=2000000000"),
              QByteArray("r=" + ClientNonce + "x" + salt + ",i=99999999999"),
              QByteArray("r=" + ClientNonce + "x" + salt + ",i=1")}) {
            ScramSha256 refused(QStringLiteral("user"), QStringLiteral("pencil"), ClientNonce);
            QVERIFY2(refused.clientFinal(hostile).isEmpty(), hostile.constData());
            QVERIFY(!refused.error().isEmpty());
        }
    }

    void scramLogin_data()
    {
        QTest::addColumn<QByteArray>("serverFinal");
        QTest::addColumn<bool>("proven");
        QTest::newRow("the server's signature matches") << ServerFinal << true;
        QTest::newRow("a wrong signature")
            << QByteArray("v=AAAATRBi23WpRR/wtup+mMhUZUn/dB5nLTJRsjl95G4=") << false;
    }

    // Chosen over PLAIN when offered; the exchange follows the RFC's example to the byte.
    // A server without the right signature gets the exchange broken off, one status line
    // says so, and registration goes on.
    void scramLogin()
    {
        QFETCH(QByteArray, serverFinal);
        QFETCH(bool, proven);
        SessionFixture f;
        f.session().setAccountLookup([](const QString&) {
            return std::pair<QString, QString>(QStringLiteral("user"), QStringLiteral("pencil"));
        });
        f.session().capabilities().setNonceSource([] { return ClientNonce; });
        QVERIFY(f.connectAndLogIn());
        f.server.sendLine(QStringLiteral(":irc.test CAP * LS :sasl=PLAIN,SCRAM-SHA-256"));
        QVERIFY(f.server.waitForLine(QStringLiteral("CAP REQ :sasl")));
        f.server.sendLine(QStringLiteral(":irc.test CAP * ACK :sasl"));
        QVERIFY(f.server.waitForLine(QStringLiteral("AUTHENTICATE SCRAM-SHA-256")));
        f.server.sendLine(QStringLiteral("AUTHENTICATE +"));
        QVERIFY(f.server.waitForLine(authenticate(ClientFirst)));
        f.server.sendLine(authenticate(ServerFirst));
        QVERIFY(f.server.waitForLine(authenticate(ClientFinal)));
        f.server.sendLine(authenticate(serverFinal));
        if (proven) {
            QVERIFY(f.server.waitForLine(QStringLiteral("AUTHENTICATE +")));
            f.server.sendLine(QStringLiteral(":irc.test 900 * * user :You are now logged in"));
            f.server.sendLine(QStringLiteral(":irc.test 903 * :SASL authentication successful"));
        } else {
            QVERIFY(f.server.waitForLine(QStringLiteral("AUTHENTICATE *")));
            f.server.sendLine(QStringLiteral(":irc.test 906 * :SASL authentication aborted"));
        }
        QVERIFY(f.server.waitForLine(QStringLiteral("CAP END")));
        QVERIFY(finishRegistration(f));
        QCOMPARE(f.session().capabilities().loggedIn(), proven);
        const QStringList said = f.status().filter(QStringLiteral("logged in")) +
                                 f.status().filter(QStringLiteral("SASL"));
        QCOMPARE(said.size(), 1);
        QCOMPARE(said.first().startsWith(QStringLiteral("SASL login as user was broken off")),
                 !proven);
        QVERIFY(f.server.received().filter(QStringLiteral("pencil")).isEmpty());
    }

    // With a client certificate the login is EXTERNAL, even with a password at hand, and
    // the server sees the certificate; a certificate file that cannot be read is said so,
    // and the password is used instead.
    void externalLoginWithACertificate()
    {
        if (!QSslSocket::supportsSsl())
            QSKIP("Qt has no TLS backend here");
        QTemporaryDir dir;
        const QString serverCert = dir.filePath(QStringLiteral("server.pem"));
        const QString serverKey = dir.filePath(QStringLiteral("server.key"));
        const QString clientCert = dir.filePath(QStringLiteral("client.pem"));
        const QString clientKey = dir.filePath(QStringLiteral("client.key"));
        QString error;
        QVERIFY2(ServerProcess::makeCertificate(serverCert, serverKey, QStringLiteral("127.0.0.1"),
                                                error),
                 qPrintable(error));
        QVERIFY2(
            ServerProcess::makeCertificate(clientCert, clientKey, QStringLiteral("joe"), error),
            qPrintable(error));

        for (const bool readable : {true, false}) {
            SessionFixture f;
            QVERIFY(f.server.enableTls(serverCert, serverKey));
            QVERIFY(f.server.listen());
            f.session().setCertificateTrust(
                {[](const QString&, const QString&) { return true; }, {}});
            f.session().setAccountLookup([](const QString&) {
                return std::pair<QString, QString>(QStringLiteral("joe"), QStringLiteral("pw"));
            });
            f.session().setIdentityLookup([&](const QString&) {
                return TlsSocket::ClientIdentity{
                    readable ? clientCert : dir.filePath(QStringLiteral("missing.pem")), clientKey};
            });
            f.session().connectToKnownHost(QStringLiteral("127.0.0.1"), f.server.port(),
                                           QStringLiteral("Local - test"), true);
            QVERIFY(f.server.waitForLine(QStringLiteral("USER "), 10000));
            f.server.sendLine(QStringLiteral(":irc.test CAP * LS :sasl=PLAIN,EXTERNAL"));
            QVERIFY(f.server.waitForLine(QStringLiteral("CAP REQ :sasl")));
            f.server.sendLine(QStringLiteral(":irc.test CAP * ACK :sasl"));
            QVERIFY(f.server.waitForLine(QStringLiteral("AUTHENTICATE ")));
            f.server.sendLine(QStringLiteral("AUTHENTICATE +"));
            f.server.sendLine(QStringLiteral(":irc.test 903 * :SASL authentication successful"));
            QVERIFY(f.server.waitForLine(QStringLiteral("CAP END")));
            const QStringList sent = f.server.received().filter(QStringLiteral("AUTHENTICATE"));
            if (readable) {
                QCOMPARE(sent, (QStringList{"AUTHENTICATE EXTERNAL", "AUTHENTICATE +"}));
                QCOMPARE(f.server.clientCertificate(),
                         QSslCertificate::fromPath(clientCert).first());
            } else {
                QCOMPARE(sent.first(), QStringLiteral("AUTHENTICATE PLAIN"));
                QVERIFY(f.server.clientCertificate().isNull());
                QVERIFY2(
                    !f.status().filter(QStringLiteral("client certificate is not used")).isEmpty(),
                    qPrintable(f.status().join(u'\n')));
            }
        }
    }
};

QUORL_TEST(SaslMechanismTest)
#include "saslmechanismtest.moc"
