#pragma once

#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

// Helpers for the fixtures that run a real server program.
namespace ServerProcess {

// A loopback port nothing listens on right now.
inline quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost))
        return 0;
    return probe.serverPort();
}

// Waits until the process accepts connections on port; false when it ended first or did
// not listen within ms.
inline bool waitUntilListening(const QProcess& process, quint16 port, int ms = 10000)
{
    const bool up = QTest::qWaitFor(
        [&] {
            if (process.state() == QProcess::NotRunning)
                return true;
            QTcpSocket s;
            s.connectToHost(QHostAddress::LocalHost, port);
            return s.waitForConnected(200);
        },
        ms);
    return up && process.state() != QProcess::NotRunning;
}

// Makes a self-signed RSA certificate for commonName and its unencrypted key (PEM files)
// with openssl; false, with what openssl said in error, when it cannot.
inline bool makeCertificate(const QString& certificateFile, const QString& keyFile,
                            const QString& commonName, QString& error)
{
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                   QStringLiteral("/CN=") + commonName, "-keyout", keyFile, "-out",
                   certificateFile});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0) {
        error = QStringLiteral("openssl could not make a certificate: ") +
                QString::fromLocal8Bit(openssl.readAll());
        return false;
    }
    return true;
}

// Ends the process: politely first, then by force.
inline void stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000))
        process.kill();
    process.waitForFinished(1000);
}

// Starts a server program and waits until it listens on port. Empty when it runs; else
// what went wrong, naming the server and, when it did not listen, what log() says, and
// the process is stopped.
template <typename Log>
QString startListening(QProcess& process, const QString& name, const QString& program,
                       const QStringList& arguments, quint16 port, Log log)
{
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(5000))
        return name + QStringLiteral(" did not start: ") + process.errorString();
    if (!waitUntilListening(process, port)) {
        const QString error = name + QStringLiteral(" did not listen on port ") +
                              QString::number(port) + QStringLiteral(": ") + log();
        stop(process);
        return error;
    }
    return {};
}

} // namespace ServerProcess
