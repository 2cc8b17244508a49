#include "support/ngircdserver.h"

#include "support/serverprocess.h"

#include <QFile>
#include <QStandardPaths>

using ServerProcess::freePort;

NgircdServer::NgircdServer() = default;

NgircdServer::~NgircdServer()
{
    stop();
}

void NgircdServer::stop()
{
    ServerProcess::stop(process_);
}

bool NgircdServer::makeCertificate()
{
    if (QFile::exists(certificateFile()))
        return true;
    if (!ServerProcess::makeCertificate(certificateFile(), dir_.filePath(QStringLiteral("key.pem")),
                                        QStringLiteral("127.0.0.1"), error_))
        return false;
    for (const char* name : {"key.pem", "cert.pem"})
        QFile::setPermissions(dir_.filePath(QLatin1String(name)),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    return true;
}

bool NgircdServer::start(const QString& serverName)
{
    QString binary = QStandardPaths::findExecutable(QStringLiteral("ngircd"));
    if (binary.isEmpty())
        binary = QStandardPaths::findExecutable(QStringLiteral("ngircd"), {"/usr/sbin", "/sbin"});
    if (binary.isEmpty()) {
        error_ = QStringLiteral("ngircd is not installed (scripts/install-deps installs it)");
        return false;
    }
    if (port_ == 0)
        port_ = freePort();
    if (tls_ && tlsPort_ == 0) {
        do
            tlsPort_ = freePort();
        while (tlsPort_ == port_);
    }
    if (tls_ && !makeCertificate())
        return false;
    const QString config = dir_.filePath(QStringLiteral("ngircd.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        error_ = QStringLiteral("can't write ") + config;
        return false;
    }
    file.write(
        QStringLiteral("[Global]\n"
                       "Name = %1\n"
                       "Info = QuorlIRC test server\n"
                       "Listen = 127.0.0.1\n"
                       "Ports = %2\n"
                       "%3\n"
                       "[Limits]\n"
                       "PingTimeout = 120\n"
                       "PongTimeout = 20\n"
                       "MaxNickLength = 30\n"
                       // Tests join more channels than the default ten.
                       "MaxJoins = 50\n"
                       "[Options]\n"
                       "Ident = no\n"
                       "PAM = no\n"
                       "DNS = no\n")
            .arg(serverName)
            .arg(port_)
            // Without a phrase ngircd reads MotdFile; one that does not exist
            // leaves the server without a MOTD.
            .arg(motd_ ? QStringLiteral("MotdPhrase = Welcome to the QuorlIRC test server")
                       : QStringLiteral("MotdFile = ") + dir_.filePath(QStringLiteral("no.motd")))
            .toUtf8());
    if (tls_)
        file.write(QStringLiteral("[SSL]\n"
                                  "CertFile = %1\n"
                                  "KeyFile = %2\n"
                                  "Ports = %3\n")
                       .arg(certificateFile(), dir_.filePath(QStringLiteral("key.pem")))
                       .arg(tlsPort_)
                       .toUtf8());
    file.close();
    // The server drops root for "nobody"; it must still be able to read its config.
    QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                           QFile::ReadOther | QFile::ExeOther);
    QFile::setPermissions(config, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);

    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(binary, {QStringLiteral("-n"), QStringLiteral("-f"), config});
    if (!process_.waitForStarted(5000)) {
        error_ = QStringLiteral("ngircd did not start: ") + process_.errorString();
        return false;
    }
    if (!ServerProcess::waitUntilListening(process_, port_)) {
        error_ = QStringLiteral("ngircd did not listen on port ") + QString::number(port_) +
                 QStringLiteral(": ") + log();
        return false;
    }
    return true;
}

QString NgircdServer::log() const
{
    return QString::fromLocal8Bit(const_cast<QProcess&>(process_).readAll());
}
