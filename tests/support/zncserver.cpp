#include "support/zncserver.h"

#include "support/serverprocess.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <unistd.h>

namespace {
// The unprivileged account ZNC runs as when the tests run as root.
constexpr uid_t Nobody = 65534;

// Hands a folder and what it holds to the unprivileged account.
bool giveToNobody(const QString& path)
{
    if (::chown(QFile::encodeName(path).constData(), Nobody, Nobody) != 0)
        return false;
    for (const QFileInfo& entry :
         QDir(path).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (entry.isDir()
                ? !giveToNobody(entry.filePath())
                : ::chown(QFile::encodeName(entry.filePath()).constData(), Nobody, Nobody) != 0)
            return false;
    }
    return true;
}
} // namespace

ZncServer::ZncServer() = default;

ZncServer::~ZncServer()
{
    stop();
}

void ZncServer::stop()
{
    ServerProcess::stop(process_);
}

bool ZncServer::writeConfig(quint16 ircPort)
{
    if (!QDir(dir_.path()).mkpath(QStringLiteral("znc/configs"))) {
        error_ = QStringLiteral("can't make the data folder in ") + dir_.path();
        return false;
    }
    const QString config = dir_.filePath(QStringLiteral("znc/configs/znc.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        error_ = QStringLiteral("can't write ") + config;
        return false;
    }
    const QString text = QStringLiteral("Version = 1.8.2\n"
                                        "ConnectDelay = 0\n"
                                        "ServerThrottle = 0\n"
                                        "<Listener l>\n"
                                        "    Host = 127.0.0.1\n"
                                        "    Port = %1\n"
                                        "    IPv4 = true\n"
                                        "    IPv6 = false\n"
                                        "    SSL = false\n"
                                        "    AllowIRC = true\n"
                                        "    AllowWeb = false\n"
                                        "</Listener>\n"
                                        "<User quorl>\n"
                                        "    Pass = plain#secret\n"
                                        "    Nick = %3\n"
                                        "    AltNick = %3_\n"
                                        "    Ident = quorl\n"
                                        "    RealName = QuorlIRC bouncer test\n"
                                        "    Admin = true\n"
                                        "    ChanBufferSize = 200\n"
                                        "    AutoClearChanBuffer = false\n"
                                        "    AutoClearQueryBuffer = false\n"
                                        "    <Network test>\n"
                                        "        Server = 127.0.0.1 %2\n"
                                        "    </Network>\n"
                                        "</User>\n")
                             .arg(port_)
                             .arg(ircPort)
                             .arg(nickname());
    if (file.write(text.toUtf8()) < 0) {
        error_ = QStringLiteral("can't write ") + config;
        return false;
    }
    return true;
}

bool ZncServer::start(quint16 ircPort)
{
    const QString binary = QStandardPaths::findExecutable(QStringLiteral("znc"));
    if (binary.isEmpty()) {
        error_ = QStringLiteral("znc is not installed (scripts/install-deps installs it)");
        return false;
    }
    if (!dir_.isValid()) {
        error_ = QStringLiteral("no temporary folder for the bouncer's files");
        return false;
    }
    if (port_ == 0)
        port_ = ServerProcess::freePort();
    if (!writeConfig(ircPort))
        return false;

    const QString dataDir = dir_.filePath(QStringLiteral("znc"));
    QString program = binary;
    QStringList arguments{QStringLiteral("--foreground"), QStringLiteral("--no-color"),
                          QStringLiteral("--datadir"), dataDir};
    if (geteuid() == 0) {
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (setpriv.isEmpty()) {
            error_ = QStringLiteral("setpriv is missing: ZNC can't be started as another user");
            return false;
        }
        QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                               QFile::ExeGroup | QFile::ExeOther);
        if (!giveToNobody(dataDir)) {
            error_ = QStringLiteral("can't hand ") + dataDir + QStringLiteral(" to nobody");
            return false;
        }
        arguments.prepend(binary);
        arguments = QStringList{QStringLiteral("--reuid=%1").arg(Nobody),
                                QStringLiteral("--regid=%1").arg(Nobody),
                                QStringLiteral("--clear-groups")} +
                    arguments;
        program = setpriv;
    }
    error_ = ServerProcess::startListening(process_, QStringLiteral("znc"), program, arguments,
                                           port_, [this] { return log(); });
    return error_.isEmpty();
}

QString ZncServer::log() const
{
    return QString::fromLocal8Bit(const_cast<QProcess&>(process_).readAll());
}
