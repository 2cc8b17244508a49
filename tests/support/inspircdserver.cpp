#include "support/inspircdserver.h"

#include "support/serverprocess.h"

#include <QFile>
#include <QStandardPaths>

#include <unistd.h>

InspircdServer::InspircdServer() = default;

InspircdServer::~InspircdServer()
{
    stop();
}

void InspircdServer::stop()
{
    ServerProcess::stop(process_);
}

QStringList InspircdServer::modules()
{
    return {QStringLiteral("cap"),
            QStringLiteral("ircv3"),
            QStringLiteral("ircv3_servertime"),
            QStringLiteral("ircv3_batch"),
            QStringLiteral("ircv3_echomessage"),
            QStringLiteral("ircv3_accounttag"),
            QStringLiteral("ircv3_capnotify"),
            QStringLiteral("ircv3_chghost"),
            QStringLiteral("ircv3_invitenotify"),
            QStringLiteral("ircv3_labeledresponse"),
            QStringLiteral("ircv3_msgid"),
            QStringLiteral("ircv3_ctctags"),
            QStringLiteral("monitor"),
            QStringLiteral("namesx"),
            QStringLiteral("uhnames"),
            QStringLiteral("setname"),
            QStringLiteral("services_account"),
            QStringLiteral("chanhistory")};
}

bool InspircdServer::writeConfig(const QString& serverName)
{
    const QString motd = dir_.filePath(QStringLiteral("motd.txt"));
    QFile motdFile(motd);
    if (!motdFile.open(QIODevice::WriteOnly) ||
        motdFile.write("Welcome to the QuorlIRC test server\n") < 0) {
        error_ = QStringLiteral("can't write ") + motd;
        return false;
    }
    const QString config = dir_.filePath(QStringLiteral("inspircd.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        error_ = QStringLiteral("can't write ") + config;
        return false;
    }
    // The connect class names no flood limits, so the server's defaults apply. Only the
    // limits on clones and channels per user are raised: tests connect several users from
    // one address and join many channels.
    QString text =
        QStringLiteral(
            "<server name=\"%1\" description=\"QuorlIRC test server\" network=\"QuorlTest\">\n"
            "<admin name=\"Test\" nick=\"test\" email=\"test@localhost\">\n"
            "<bind address=\"127.0.0.1\" port=\"%2\" type=\"clients\">\n"
            "<connect name=\"main\" allow=\"*\" resolvehostnames=\"no\" localmax=\"1000\" "
            "globalmax=\"1000\" maxchans=\"100\">\n"
            "<channels users=\"100\" opers=\"100\">\n"
            "<files motd=\"%3\">\n"
            "<log method=\"file\" type=\"* -USERINPUT -USEROUTPUT\" level=\"default\" "
            "target=\"%4\">\n")
            .arg(serverName)
            .arg(port_)
            .arg(motd, dir_.filePath(QStringLiteral("inspircd.log")));
    for (const QString& module : modules())
        text += QStringLiteral("<module name=\"%1\">\n").arg(module);
    // A channel with mode +H plays its recent lines to whoever joins, in a history batch;
    // no notice announces them.
    text += QStringLiteral("<chanhistory maxlines=\"50\" prefixmsg=\"no\">\n");
    if (file.write(text.toUtf8()) < 0) {
        error_ = QStringLiteral("can't write ") + config;
        return false;
    }
    return true;
}

bool InspircdServer::start(const QString& serverName)
{
    QString binary = QStandardPaths::findExecutable(QStringLiteral("inspircd"));
    if (binary.isEmpty())
        binary = QStandardPaths::findExecutable(QStringLiteral("inspircd"), {"/usr/sbin", "/sbin"});
    if (binary.isEmpty()) {
        error_ = QStringLiteral("inspircd is not installed (scripts/install-deps installs it)");
        return false;
    }
    if (!dir_.isValid()) {
        error_ = QStringLiteral("no temporary folder for the server's files");
        return false;
    }
    if (port_ == 0)
        port_ = ServerProcess::freePort();
    if (!writeConfig(serverName))
        return false;

    QStringList arguments{QStringLiteral("--config"),
                          dir_.filePath(QStringLiteral("inspircd.conf")),
                          QStringLiteral("--nofork"), QStringLiteral("--nopid")};
    // The server refuses to run as root unless told; test machines often are root.
    if (geteuid() == 0)
        arguments << QStringLiteral("--runasroot");
    error_ = ServerProcess::startListening(process_, QStringLiteral("inspircd"), binary, arguments,
                                           port_, [this] { return log(); });
    return error_.isEmpty();
}

QString InspircdServer::log() const
{
    QString text = QString::fromLocal8Bit(const_cast<QProcess&>(process_).readAll());
    QFile file(dir_.filePath(QStringLiteral("inspircd.log")));
    if (file.open(QIODevice::ReadOnly))
        text += QString::fromLocal8Bit(file.readAll());
    return text;
}
