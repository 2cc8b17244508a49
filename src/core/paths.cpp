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
// Copies into a file made afresh, so its permissions are what the user's umask leaves
// of 0666, as for any file the client writes (quorl.ini), not the installed file's own
// (read-only, or executable). A partial copy is removed.
bool copyAsNewFile(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = in.readAll();
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    if (out.write(bytes) != bytes.size() || !out.flush()) {
        out.close();
        out.remove();
        return false;
    }
    return true;
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
        if (!copyAsNewFile(source, target))
            problems << QStringLiteral("Can't copy ") + relative + QStringLiteral(" to ") +
                            programFolder;
    }
    return problems;
}

QString dataFolder(const QString& executableFolder)
{
    // A portable install keeps data/ beside the program; an installed one finds it under
    // its prefix (bin/../share/quorlirc/data), wherever that prefix was moved to.
    QStringList candidates{
        QDir(executableFolder).filePath(QStringLiteral("data")),
        QDir(executableFolder).filePath(QStringLiteral(QUORL_DATA_FROM_BINDIR)),
    };
    // The source tree's data/ serves only a program run from its own build folder: an
    // installed program never reads from the folder it was built in.
    const QString exe = QDir::cleanPath(QDir(executableFolder).absolutePath()) + u'/';
    const QString build = QDir::cleanPath(QStringLiteral(QUORL_BUILD_DIR)) + u'/';
    if (exe.startsWith(build))
        candidates << QStringLiteral(QUORL_SOURCE_DATA_DIR);
    for (const QString& c : candidates) {
        if (QFileInfo(c).isDir())
            return QDir::cleanPath(c);
    }
    return {};
}

} // namespace Paths
