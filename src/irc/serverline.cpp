#include "irc/serverline.h"

#include <optional>

int ServerLine::numeric() const
{
    if (command.isEmpty() || command.size() > 3)
        return -1;
    bool ok = false;
    const int n = command.toInt(&ok);
    return ok ? n : -1;
}

QString ServerLine::prefixOf(const QString& line)
{
    const qsizetype space = line.indexOf(u' ');
    return space < 0 ? line : line.left(space);
}

std::optional<ServerLine> ServerLine::parse(const QString& line)
{
    const qsizetype s1 = line.indexOf(u' ');
    if (s1 < 0)
        return std::nullopt;
    const qsizetype s2 = line.indexOf(u' ', s1 + 1);
    if (s2 < 0)
        return std::nullopt;
    const qsizetype s3 = line.indexOf(u' ', s2 + 1);
    if (s3 < 0)
        return std::nullopt;
    ServerLine parsed;
    parsed.prefix = line.left(s1);
    parsed.command = line.mid(s1 + 1, s2 - s1 - 1);
    parsed.target = line.mid(s2 + 1, s3 - s2 - 1);
    QStringView rest = QStringView(line).mid(s3 + 1);
    if (rest.startsWith(u':')) {
        rest = rest.mid(1);
        parsed.trailingAt = 0;
    } else if (const qsizetype colon = rest.indexOf(QStringLiteral(" :")); colon >= 0) {
        parsed.trailingAt = colon + 2;
    }
    parsed.parameters = rest.toString();
    return parsed;
}

QString ServerLine::words() const
{
    if (trailingAt <= 0)
        return parameters;
    return parameters.left(trailingAt - 1) + parameters.mid(trailingAt);
}
