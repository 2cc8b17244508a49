#include "core/paths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace Paths {

namespace {
QString withSlash(const QString& folder)
{
    QString f = QDir::cleanPath(QDir(folder).absolutePath());
    if (!f.endsWith(u'/'))
        f += u'/';
    return f;
}
} // namespace

QStringList subFolders()
{
    return {QStringLiteral("posters"),     QStringLiteral("scripts/objects"),
            QStringLiteral("themes"),      QStringLiteral("Menu Mods"),
            QStringLiteral("fileserver"),  QStringLiteral("Received Files"),
            QStringLiteral("logs"),        QStringLiteral("sounds"),
            QStringLiteral("Shared Files")};
}

QString resolveProgramFolder(const QString& homeArgument, const QString& environmentHome,
                             const QString& executableFolder, const QString& userHome)
{
    if (!homeArgument.isEmpty())
        return withSlash(homeArgument);
    if (!environmentHome.isEmpty())
        return withSlash(environmentHome);
    if (!executableFolder.isEmpty() &&
        QFileInfo::exists(QDir(executableFolder).filePath(QStringLiteral("quorl.ini"))))
        return withSlash(executableFolder);
    return withSlash(QDir(userHome).filePath(QStringLiteral(".local/share/QuorlIRC")));
}

QStringList prepareProgramFolder(const QString& programFolder, const QString& dataFolder)
{
    QStringList problems;
    QDir root(programFolder);
    if (!root.mkpath(QStringLiteral(".")))
        return {QStringLiteral("Can't create the folder ") + programFolder};
    for (const QString& sub : subFolders()) {
        if (!root.mkpath(sub))
            problems << QStringLiteral("Can't create the folder ") + root.filePath(sub);
    }
    if (dataFolder.isEmpty() || !QDir(dataFolder).exists())
        return problems;

    const QDir data(dataFolder);
    QDirIterator it(dataFolder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString relative = data.relativeFilePath(source);
        const QString target = root.filePath(relative);
        if (QFileInfo::exists(target))
            continue;
        root.mkpath(QFileInfo(relative).path());
        if (!QFile::copy(source, target)) {
            problems << QStringLiteral("Can't copy ") + relative + QStringLiteral(" to ") +
                            programFolder;
            continue;
        }
        // Files from a read-only install arrive read-only; the user owns the copy.
        QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                     QFile::ReadOther);
    }
    return problems;
}

QString dataFolder(const QString& executableFolder)
{
    const QStringList candidates{
        QDir(executableFolder).filePath(QStringLiteral("data")),
        QDir(executableFolder).filePath(QStringLiteral("../share/quorlirc/data")),
        QStringLiteral(QUORL_SOURCE_DATA_DIR),
    };
    for (const QString& c : candidates) {
        if (QFileInfo(c).isDir())
            return QDir::cleanPath(c);
    }
    return {};
}

} // namespace Paths
