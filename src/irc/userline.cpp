#include "irc/userline.h"

std::optional<UserLine> UserLine::parse(const QString& whole)
{
    auto [tags, line] = MessageTags::split(whole);
    if (!line.startsWith(u':'))
        return std::nullopt;
    const qsizetype prefixEnd = line.indexOf(u' ');
    if (prefixEnd < 0)
        return std::nullopt;
    // The user part must stand in the prefix itself, not somewhere in the text.
    const qsizetype bang = line.indexOf(u'!');
    if (bang <= 1 || bang > prefixEnd)
        return std::nullopt; // no user part, or nobody before it

    UserLine parsed;
    parsed.whole = whole;
    parsed.tags = std::move(tags);
    parsed.sender = line.mid(1, bang - 1).toString();
    parsed.address = line.mid(bang + 1, prefixEnd - bang - 1).toString().toLower();

    const qsizetype commandEnd = line.indexOf(u' ', prefixEnd + 1);
    if (commandEnd < 0) {
        // A command without parameters ("AWAY": the user is back).
        parsed.command = line.mid(prefixEnd + 1).toString().toUpper();
        if (parsed.command.isEmpty())
            return std::nullopt;
        return parsed;
    }
    parsed.command = line.mid(prefixEnd + 1, commandEnd - prefixEnd - 1).toString().toUpper();

    const QStringView remainder = line.mid(commandEnd + 1);
    const qsizetype targetEnd = remainder.indexOf(u' ');
    if (targetEnd >= 0) {
        parsed.target = remainder.left(targetEnd).toString();
        QStringView rest = remainder.mid(targetEnd + 1);
        if (rest.startsWith(u':'))
            rest = rest.mid(1);
        parsed.rest = rest.toString();
    } else {
        QStringView target = remainder;
        if (target.startsWith(u':'))
            target = target.mid(1);
        parsed.target = target.toString();
    }
    return parsed;
}
