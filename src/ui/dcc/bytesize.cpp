#include "ui/dcc/bytesize.h"

#include <QLocale>

namespace ByteSize {

QString shortText(qint64 bytes)
{
    if (bytes < 1024)
        return exactText(bytes);
    static const char* const units[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    double size = double(bytes) / 1024;
    int unit = 0;
    while (size >= 1024 && unit < 5) {
        size /= 1024;
        ++unit;
    }
    return QLocale().toString(size, 'f', 1) + u' ' + QLatin1String(units[unit]);
}

QString exactText(qint64 bytes)
{
    return QLocale().toString(bytes) +
           (bytes == 1 ? QStringLiteral(" byte") : QStringLiteral(" bytes"));
}

QString bothWays(qint64 bytes)
{
    if (bytes < 1024)
        return exactText(bytes);
    return shortText(bytes) + QStringLiteral(" (") + exactText(bytes) + u')';
}

} // namespace ByteSize
