#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real ngircd on a free loopback port, for end-to-end tests. Stopped when destroyed.
class NgircdServer
{
public:
    NgircdServer();
    ~NgircdServer();

    // A server without a message of the day answers registration with 422 instead of
    // 376. Set before start().
    void setMotd(bool on) { motd_ = on; }

    // Starts the server and waits until it accepts connections. False with a reason in
    // error() when it cannot.
    bool start(const QString& serverName = QStringLiteral("irc.quorl.test"));
    quint16 port() const { return port_; }
    QString error() const { return error_; }
    QString log() const;

private:
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
    QString error_;
    bool motd_ = true;
};
