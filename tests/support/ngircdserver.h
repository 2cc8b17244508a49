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
    // Also listens with TLS on tlsPort(), with a self-signed certificate made by openssl
    // for 127.0.0.1 on the first start. Call before start().
    void enableTls() { tls_ = true; }
    quint16 tlsPort() const { return tlsPort_; }
    QString certificateFile() const { return dir_.filePath(QStringLiteral("cert.pem")); }
    // Stops the server; start() brings it back on the same ports.
    void stop();
    quint16 port() const { return port_; }
    QString error() const { return error_; }
    QString log() const;

private:
    QTemporaryDir dir_;
    QProcess process_;
    bool makeCertificate();
    quint16 port_ = 0;
    quint16 tlsPort_ = 0;
    bool tls_ = false;
    QString error_;
    bool motd_ = true;
};
