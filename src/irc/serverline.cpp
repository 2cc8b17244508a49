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

QString ServerLine::prefixOf(const QString& whole)
{
    const QStringView line = MessageTags::withoutTags(whole);
    const qsizetype space = line.indexOf(u' ');
    return (space < 0 ? line : line.left(space)).toString();
}

std::optional<ServerLine> ServerLine::parse(const QString& whole)
{
    auto [tags, line] = MessageTags::split(whole);
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
    parsed.tags = std::move(tags);
    parsed.prefix = line.left(s1).toString();
    parsed.command = line.mid(s1 + 1, s2 - s1 - 1).toString();
    parsed.target = line.mid(s2 + 1, s3 - s2 - 1).toString();
    QStringView rest = line.mid(s3 + 1);
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
