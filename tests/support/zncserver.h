#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real ZNC on a free loopback port, for end-to-end tests: one user with one network
// that connects to an IRC server on a given loopback port, channel buffers kept after
// playback (AutoClearChanBuffer off), no delays before connecting. A client logs in by
// sending passLine(). Run as an unprivileged user when the tests run as root (ZNC waits
// half a minute before starting as root). Stopped when destroyed.
class ZncServer
{
public:
    ZncServer();
    ~ZncServer();

    // Starts ZNC and waits until it accepts connections; false with a reason in error()
    // when it cannot (the binary missing among them).
    bool start(quint16 ircPort);
    void stop();
    quint16 port() const { return port_; }
    QString error() const { return error_; }
    QString log() const;
    // The nickname ZNC keeps on the IRC server for its user.
    static QString nickname() { return QStringLiteral("quorlznc"); }
    static QString password() { return QStringLiteral("quorl/test:secret"); }
    static QString passLine() { return QStringLiteral("PASS ") + password(); }

private:
    bool writeConfig(quint16 ircPort);

    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
    QString error_;
};
