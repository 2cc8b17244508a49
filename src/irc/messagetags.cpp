#include "irc/messagetags.h"

QStringView MessageTags::withoutTags(QStringView line)
{
    if (!line.startsWith(u'@'))
        return line;
    const qsizetype space = line.indexOf(u' ');
    if (space < 0)
        return {};
    QStringView rest = line.mid(space + 1);
    while (rest.startsWith(u' '))
        rest = rest.mid(1);
    return rest;
}

std::pair<MessageTags, QStringView> MessageTags::split(QStringView line)
{
    MessageTags tags;
    const QStringView rest = withoutTags(line);
    if (rest.size() == line.size())
        return {tags, rest};
    const qsizetype space = line.indexOf(u' ');
    const QStringView part = space < 0 ? line.mid(1) : line.mid(1, space - 1);
    if (part.size() > MaxTagBytes)
        return {tags, rest};
    qsizetype at = 0;
    while (at <= part.size() && tags.tags_.size() < MaxTags) {
        qsizetype end = part.indexOf(u';', at);
        if (end < 0)
            end = part.size();
        const QStringView item = part.mid(at, end - at);
        at = end + 1;
        const qsizetype equals = item.indexOf(u'=');
        const QStringView name = equals < 0 ? item : item.left(equals);
        if (name.isEmpty())
            continue;
        QString value = equals < 0 ? QString() : unescape(item.mid(equals + 1));
        // A name given twice keeps its last value.
        bool replaced = false;
        for (auto& tag : tags.tags_) {
            if (tag.first == name) {
                tag.second = std::move(value);
                replaced = true;
                break;
            }
        }
        if (!replaced)
            tags.tags_.append({name.toString(), std::move(value)});
    }
    return {tags, rest};
}

bool MessageTags::has(QStringView name) const
{
    for (const auto& tag : tags_)
        if (tag.first == name)
            return true;
    return false;
}

QString MessageTags::value(QStringView name) const
{
    for (const auto& tag : tags_)
        if (tag.first == name)
            return tag.second;
    return {};
}

QDateTime MessageTags::time() const
{
    QString text = value(u"time");
    if (text.isEmpty())
        text = value(u"znc.in/server-time-iso");
    // The form is fixed ("2011-10-19T16:40:51.620Z"); a short or long one is refused
    // before the date parser sees it.
    if (text.size() < 20 || text.size() > 30)
        return {};
    QDateTime when = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!when.isValid())
        return {};
    return when.toUTC();
}

QString MessageTags::unescape(QStringView value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (++i >= value.size())
            break;
        switch (value.at(i).unicode()) {
        case ':':
            out += u';';
            break;
        case 's':
            out += u' ';
            break;
        case 'r':
            out += u'\r';
            break;
        case 'n':
            out += u'\n';
            break;
        default:
            out += value.at(i);
            break;
        }
    }
    return out;
}

QString MessageTags::escape(QStringView value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case ';':
            out += QLatin1String("\\:");
            break;
        case ' ':
            out += QLatin1String("\\s");
            break;
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}
