// Encrypted connections against a real ngircd with a self-signed certificate: the
// question about a certificate that fails, the fingerprints kept in quorl.ini, ircs://
// addresses and "+port" entries in a port list.
#include "client/client.h"
#include "core/privateprofile.h"
#include "irc/portselection.h"
#include "irc/tlssocket.h"
#include "support/fakeircserver.h"
#include "support/ngircdserver.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"

#include <QSslCertificate>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct TlsFixture
{
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    Client client{dir.path() + u'/', prompts};

    TlsFixture()
    {
        // Every test has a nickname of its own: the last one may still be on the server.
        static int count = 0;
        client.session().ident().setPort(0);
        client.session().setNickname(QStringLiteral("tls") + QString::number(++count));
    }
    QString iniValue(const QString& key) const
    {
        PrivateProfile file;
        file.load(const_cast<Client&>(client).settingsFileName());
        return file.value(QStringLiteral("TLS"), key);
    }
    void store(const QString& key, const QString& fingerprint)
    {
        PrivateProfile file;
        file.setValue(QStringLiteral("TLS"), key, fingerprint);
        QVERIFY(file.save(client.settingsFileName()));
    }
    // Waits until the attempt ends: registered, or refused and back to Connect.
    bool settled()
    {
        return QTest::qWaitFor(
            [this] {
                return client.session().isRegistered() ||
                       (client.session().state() == Session::State::Disconnected &&
                        !prompts.pendingChoice);
            },
            10000);
    }
    bool statusHas(const QString& start)
    {
        for (const QString& line : client.statusLog().lines())
            if (line.startsWith(start))
                return true;
        return false;
    }
};
} // namespace

class TlsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (!QSslSocket::supportsSsl())
            QSKIP("Qt has no TLS backend here");
        server_.enableTls();
        QVERIFY2(server_.start(), qPrintable(server_.error()));
        const QList<QSslCertificate> certificates =
            QSslCertificate::fromPath(server_.certificateFile());
        QCOMPARE(certificates.size(), 1);
        fingerprint_ = TlsSocket::fingerprint(certificates.first().toDer());
        QCOMPARE(fingerprint_.size(), 64);
    }

    void tlsPortSelection_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("tls");
        const QString mixed = QStringLiteral("6667,+6697,7000");
        QTest::newRow("plain first") << mixed << 0 << true << 6667 << false;
        QTest::newRow("walks onto the TLS entry") << mixed << 6667 << true << 6697 << true;
        QTest::newRow("walks off it") << mixed << 6697 << true << 7000 << false;
        QTest::newRow("wraps to a TLS first entry") << "+6697,6667" << 6667 << true << 6697 << true;
        QTest::newRow("the TLS port that worked")
            << mixed << 6697 + RegisteredPortOffset << true << 6697 << true;
        QTest::newRow("plus alone") << "6667,+" << 6667 << false << 0 << false;
        QTest::newRow("plus inside a number") << "66+67" << 0 << false << 0 << false;
        QTest::newRow("two pluses") << "++6697" << 0 << false << 0 << false;
    }

    void tlsPortSelection()
    {
        QFETCH(QString, list);
        QFETCH(int, stored);
        QFETCH(bool, valid);
        QFETCH(int, port);
        QFETCH(bool, tls);
        const PortChoice choice =
            selectPort(list, QStringLiteral("a"), stored ? QStringLiteral("a") : QString(), stored);
        QCOMPARE(choice.valid, valid);
        if (valid) {
            QCOMPARE(choice.port, port);
            QCOMPARE(choice.tls, tls);
        }
    }

    void untrustedCertificate_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("connects");
        QTest::addColumn<bool>("keeps");
        QTest::newRow("refused") << "" << 2 << true << false << false;
        QTest::newRow("question closed") << "" << -1 << true << false << false;
        QTest::newRow("accepted once") << "" << 0 << true << true << false;
        QTest::newRow("always accepted") << "" << 1 << true << true << true;
        QTest::newRow("stored fingerprint") << "same" << -1 << false << true << true;
        QTest::newRow("stored in upper case") << "SAME" << -1 << false << true << true;
        QTest::newRow("another fingerprint stored")
            << QString(64, u'0') << 2 << true << false << false;
    }

    void untrustedCertificate()
    {
        QFETCH(QString, stored);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(bool, connects);
        QFETCH(bool, keeps);
        TlsFixture f;
        const QString key = QStringLiteral("127.0.0.1:") + QString::number(server_.tlsPort());
        if (stored == QLatin1String("same"))
            f.store(key, fingerprint_);
        else if (stored == QLatin1String("SAME"))
            f.store(key, fingerprint_.toUpper());
        else if (!stored.isEmpty())
            f.store(key, stored);
        f.prompts.choiceAnswers << answer;
        QVERIFY(f.client.connectToAddress(QStringLiteral("ircs://127.0.0.1:") +
                                          QString::number(server_.tlsPort()) +
                                          QStringLiteral("/#tls")));
        QVERIFY(f.settled());
        QCOMPARE(f.prompts.questions.size(), asked ? 1 : 0);
        if (asked)
            QVERIFY(f.prompts.questions.first().contains(fingerprint_));
        QCOMPARE(f.client.session().isRegistered(), connects);
        QCOMPARE(f.statusHas(QStringLiteral("The connection is encrypted (TLS")), connects);
        if (keeps)
            QCOMPARE(f.iniValue(key).toLower(), fingerprint_);
        else if (stored.isEmpty())
            QVERIFY(f.iniValue(key).isEmpty());
        if (!connects)
            QVERIFY(!f.client.session().isConnected());
    }

    void plusEntriesRotateWithTls()
    {
        TlsFixture f;
        FakeIrcServer gone;
        QVERIFY(gone.listen());
        const quint16 deadPort = gone.port();
        gone.stopListening();
        f.store(QStringLiteral("127.0.0.1:") + QString::number(server_.tlsPort()), fingerprint_);
        const QString ports =
            QString::number(deadPort) + QStringLiteral(",+") + QString::number(server_.tlsPort());
        f.client.session().connectToServer(QStringLiteral("127.0.0.1"), ports,
                                           QStringLiteral("Local - tls"));
        QVERIFY(f.settled());
        QVERIFY(!f.client.session().isRegistered());
        f.client.session().connectToServer(QStringLiteral("127.0.0.1"), ports,
                                           QStringLiteral("Local - tls"));
        QVERIFY(f.settled());
        QVERIFY(f.client.session().isRegistered());
        QVERIFY(f.client.session().usesTls());
        QVERIFY(f.statusHas(QStringLiteral("Attempting to Connect to 127.0.0.1 on Port ") +
                            QString::number(server_.tlsPort()) + QStringLiteral(" (TLS)")));
        QVERIFY(f.prompts.questions.isEmpty());
    }

private:
    NgircdServer server_;
    QString fingerprint_;
};

QUORL_TEST(TlsTest)
#include "tlstest.moc"
