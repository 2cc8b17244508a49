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

} // namespace ServerProcess
