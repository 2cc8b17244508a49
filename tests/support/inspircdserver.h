#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real InspIRCd on a free loopback port, for end-to-end tests: the connect class keeps
// the server's own flood limits (penalty threshold, command rate, fake lag, receive
// queue), and the IRCv3 modules are loaded (with the channel history of mode +H).
// Stopped when destroyed.
class InspircdServer
{
public:
    InspircdServer();
    ~InspircdServer();

    // Starts the server and waits until it accepts connections. False with a reason in
    // error() when it cannot (the binary missing among them).
    bool start(const QString& serverName = QStringLiteral("irc.quorl.test"));
    // Stops the server; start() brings it back on the same port.
    void stop();
    quint16 port() const { return port_; }
    QString error() const { return error_; }
    // What the server printed and logged so far.
    QString log() const;

    static QStringList modules();

private:
    bool writeConfig(const QString& serverName);

    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
    QString error_;
};
