// Secure-connection policies: what an "sts" value says, the policy file, and a session
// that moves a plain connection to TLS when the server asks, keeps the policy a TLS
// connection gives, goes straight to TLS next time, and forgets the policy on request.
#include "irc/stspolicies.h"
#include "support/serverprocess.h"
#include "support/sessionfixture.h"
#include "support/testmain.h"

#include <QFile>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The server speaks TLS with a certificate for 127.0.0.1 made in dir.
bool speaksTls(FakeIrcServer& server, const QTemporaryDir& dir)
{
    QString error;
    const QString cert = dir.filePath(QStringLiteral("cert.pem"));
    const QString key = dir.filePath(QStringLiteral("key.pem"));
    if (!ServerProcess::makeCertificate(cert, key, QStringLiteral("127.0.0.1"), error)) {
        qWarning("%s", qPrintable(error));
        return false;
    }
    return server.enableTls(cert, key);
}

} // namespace

class StsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void policyFile()
    {
        const StsPolicies::Value full =
            StsPolicies::parse(QStringLiteral("port=6697,duration=300,preload"));
        QCOMPARE(full.port, std::optional<int>(6697));
        QCOMPARE(full.durationSeconds, std::optional<qint64>(300));
        const StsPolicies::Value bad =
            StsPolicies::parse(QStringLiteral("port=70000,duration=-5,x"));
        QVERIFY(!bad.port && !bad.durationSeconds);

        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("sts.txt"));
        const QDateTime now(QDate(2026, 5, 1), QTime(12, 0), Qt::UTC);
        StsPolicies policies(file);
        QVERIFY(policies.load());
        policies.apply(QStringLiteral("IRC.Example.org"), 6697, 3600, now);
        policies.apply(QStringLiteral("other.example"), 7000, 60, now);
        QCOMPARE(policies.upgradePort(QStringLiteral("irc.example.org"), now.addSecs(3599)),
                 std::optional<int>(6697));
        QVERIFY(!policies.upgradePort(QStringLiteral("irc.example.org"), now.addSecs(3600)));
        QVERIFY(!policies.upgradePort(QStringLiteral("unknown.example"), now));

        // What another run reads back, garbage lines skipped; a duration of 0 removes.
        QFile text(file);
        QVERIFY(text.open(QIODevice::Append));
        text.write("broken line\nhost 0 5\nhost 6697 notanumber\n");
        text.close();
        StsPolicies again(file);
        QVERIFY(again.load());
        QCOMPARE(again.upgradePort(QStringLiteral("other.example"), now.addSecs(59)),
                 std::optional<int>(7000));
        QCOMPARE(again.expiry(QStringLiteral("irc.example.org")), now.addSecs(3600));
        QVERIFY(!again.upgradePort(QStringLiteral("host"), now));
        again.apply(QStringLiteral("other.example"), 7000, 0, now);
        StsPolicies third(file);
        QVERIFY(third.load());
        QVERIFY(!third.upgradePort(QStringLiteral("other.example"), now));
        QVERIFY(third.upgradePort(QStringLiteral("irc.example.org"), now));
    }

    void sessionFollowsThePolicy()
    {
        if (!QSslSocket::supportsSsl())
            QSKIP("Qt has no TLS backend here");
        QTemporaryDir dir;
        SessionFixture f; // its server is the plain one
        FakeIrcServer secure;
        QVERIFY(speaksTls(secure, dir));
        QVERIFY(secure.listen());
        StsPolicies policies(dir.filePath(QStringLiteral("sts.txt")));
        f.session().setStsPolicies(&policies);
        f.session().setCertificateTrust({[](const QString&, const QString&) { return true; }, {}});
        const QString host = QStringLiteral("127.0.0.1");

        // A plain connection is left for TLS on the port named; nothing is kept from it.
        QVERIFY(f.connectAndLogIn());
        f.server.sendLine(QStringLiteral(":irc.test CAP * LS :multi-prefix sts=port=") +
                          QString::number(secure.port()) + QStringLiteral(",duration=300"));
        QVERIFY(secure.waitForLine(QStringLiteral("USER "), 10000));
        QVERIFY(f.server.waitForDisconnect());
        QVERIFY(f.session().usesTls());
        QVERIFY(f.server.received().filter(QStringLiteral("CAP REQ")).isEmpty());
        QVERIFY2(f.statusHas(host +
                             QStringLiteral(" asks for a secure connection: connecting "
                                            "again with TLS on port ") +
                             QString::number(secure.port()) + u'.'),
                 qPrintable(f.status().join(u'\n')));
        QVERIFY(!policies.upgradePort(host, QDateTime::currentDateTimeUtc()));

        // The TLS connection's policy is kept, and the next plain connect goes to TLS.
        secure.sendLine(QStringLiteral(":irc.test CAP * LS :sts=port=1,duration=300"));
        QVERIFY(secure.waitForLine(QStringLiteral("CAP END")));
        QCOMPARE(policies.upgradePort(host, QDateTime::currentDateTimeUtc().addSecs(290)),
                 std::optional<int>(secure.port()));
        f.session().disconnectFromServer();
        QVERIFY(secure.waitForDisconnect());
        secure.clearReceived();
        f.session().connectToKnownHost(host, f.server.port(), QStringLiteral("Local - test"));
        QVERIFY(secure.waitForLine(QStringLiteral("USER "), 10000));
        QCOMPARE(f.server.connectionCount(), 1);
        QCOMPARE(secure.connectionCount(), 2);

        // A duration of 0 ends the policy.
        secure.sendLine(QStringLiteral(":irc.test CAP * LS :sts=duration=0"));
        QVERIFY(secure.waitForLine(QStringLiteral("CAP END")));
        QVERIFY(!policies.upgradePort(host, QDateTime::currentDateTimeUtc()));
        StsPolicies reread(dir.filePath(QStringLiteral("sts.txt")));
        QVERIFY(reread.load());
        QVERIFY(!reread.upgradePort(host, QDateTime::currentDateTimeUtc()));
    }

    // The client keeps the policies in its program folder: one learned in a run sends
    // the next run's plain connect to that host straight to TLS on the policy's port.
    void aLearnedPolicyOutlivesTheRun()
    {
        if (!QSslSocket::supportsSsl())
            QSKIP("Qt has no TLS backend here");
        QTemporaryDir dir;
        FakeIrcServer secure;
        QVERIFY(speaksTls(secure, dir));
        QVERIFY(secure.listen());
        const QString policy =
            QStringLiteral("sts=port=") + QString::number(secure.port()) + ",duration=300";
        const Session::CertificateTrust trustAll{
            [](const QString&, const QString&) { return true; }, {}};
        quint16 plainPort = 0;
        {
            SessionFixture f(nullptr, dir.path() + u'/');
            f.session().setCertificateTrust(trustAll);
            QVERIFY(f.connectAndLogIn());
            plainPort = f.server.port();
            f.server.sendLine(QStringLiteral(":irc.test CAP * LS :") + policy);
            QVERIFY(secure.waitForLine(QStringLiteral("CAP LS"), 10000));
            secure.sendLine(QStringLiteral(":irc.test CAP * LS :") + policy);
            QVERIFY(secure.waitForLine(QStringLiteral("CAP END")));
            QVERIFY(QFile::exists(StsPolicies::pathIn(dir.path() + u'/')));
            f.client.shutdown();
            QVERIFY(secure.waitForDisconnect());
        }

        ScriptedPrompts prompts;
        Client again(dir.path() + u'/', prompts);
        again.session().ident().setPort(0);
        again.session().setCertificateTrust(trustAll);
        secure.clearReceived();
        again.session().connectToKnownHost(QStringLiteral("127.0.0.1"), plainPort,
                                           QStringLiteral("again"));
        QVERIFY(secure.waitForLine(QStringLiteral("USER "), 10000));
        QVERIFY(again.session().usesTls());
        QCOMPARE(secure.connectionCount(), 2);
    }
};

QUORL_TEST(StsTest)
#include "ststest.moc"
