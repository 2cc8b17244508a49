// The ident responder: the exact answer, one answer per connection, and a port it
// cannot bind.
#include "core/linelog.h"
#include "irc/identresponder.h"
#include "support/testmain.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {
QByteArray ask(quint16 port, const QByteArray& query)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(2000))
        return "<refused>";
    socket.write(query);
    socket.flush();
    QByteArray answer;
    (void)QTest::qWaitFor(
        [&] {
            answer += socket.readAll();
            return answer.endsWith("\r\n") || socket.state() == QAbstractSocket::UnconnectedState;
        },
        3000);
    return answer;
}
} // namespace

class IdentTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void answers_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("usual") << QStringLiteral("joe") << QByteArray("6667, 1045\r\n")
                               << QByteArray("6667, 1045: USERID : UNIX : joe\r\n");
        QTest::newRow("name trimmed") << QStringLiteral("  joe ") << QByteArray("1, 2\n")
                                      << QByteArray("1, 2: USERID : UNIX : joe\r\n");
        QTest::newRow("empty name") << QString() << QByteArray("6667, 1045\r\n")
                                    << QByteArray("6667, 1045: USERID : UNIX : \r\n");
    }

    void answers()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, query);
        QFETCH(QByteArray, answer);
        LineLog status;
        IdentResponder ident([name] { return name; }, status);
        ident.setPort(0);
        QSignalSpy raw(&ident, &IdentResponder::rawLineRecorded);
        // Port 0 lets the system choose; learn it from a listener of our own.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::Any));
        const quint16 port = probe.serverPort();
        probe.close();
        ident.setPort(port);
        ident.open();
        QVERIFY(ident.isListening());
        QCOMPARE(ask(port, query), answer);
        QVERIFY(!ident.isListening());
        QCOMPARE(raw.count(), 2);
        QCOMPARE(raw.at(0).at(1).toString(), QStringLiteral("server"));
        QCOMPARE(raw.at(1).at(0).toString() + QStringLiteral("\r\n"), QString::fromUtf8(answer));
        // A second query during the same connection finds nobody listening.
        QCOMPARE(ask(port, query), QByteArray("<refused>"));
    }

    void portInUseIsReportedOnce()
    {
        QTcpServer holder;
        QVERIFY(holder.listen(QHostAddress::Any));
        LineLog status;
        IdentResponder ident([] { return QStringLiteral("joe"); }, status);
        ident.setPort(holder.serverPort());
        ident.open();
        QVERIFY(!ident.isListening());
        QCOMPARE(status.count(), 1);
        QVERIFY(status.last().contains(QString::number(holder.serverPort())));
    }
};

QUORL_TEST(IdentTest)
#include "identtest.moc"
