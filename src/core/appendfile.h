#pragma once

#include <QFile>
#include <QString>

// Opening a file the client appends to under a name others can influence (chat logs, the
// raw log): a symbolic link in its place is never followed, so planted text cannot land
// in whatever file the link points to, and a dangling link creates nothing.
enum class AppendOpen {
    Opened,
    Refused, // the name is a symbolic link, or something other than a regular file
    Failed,  // anything else: no folder, no permission, ...
};

// Opens path for appending, unbuffered, creating it (mode 0666 less the umask) when it
// is missing. On Refused and Failed, file is left closed and reason (when given) says why.
// An opened file has no fileName(): the caller keeps the path.
AppendOpen openForAppend(QFile& file, const QString& path, QString* reason = nullptr);
