#pragma once

#include <QString>
#include <QStringList>

// The program folder: where every file of the user lives.
namespace Paths {

// The sub-folders a program folder always has.
QStringList subFolders();

// Chooses the program folder: the --home argument, else QUORL_HOME, else the
// executable's folder when a quorl.ini stands there (a portable install), else
// ~/.local/share/QuorlIRC. The result ends with "/".
QString resolveProgramFolder(const QString& homeArgument, const QString& environmentHome,
                             const QString& executableFolder, const QString& userHome);

// Creates the folder and its sub-folders and copies each file of dataFolder that is
// missing there. Never overwrites a file. Returns the problems met (empty on success).
QStringList prepareProgramFolder(const QString& programFolder, const QString& dataFolder);

// The folder holding the files a new program folder is filled with: data/ beside the
// program, else the one under the install prefix, else (for a program in its build
// folder) the source tree's. Empty when there is none.
QString dataFolder(const QString& executableFolder);

} // namespace Paths
