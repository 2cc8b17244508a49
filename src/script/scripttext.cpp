#include "script/scripttext.h"

#include "core/formatting.h"

namespace ScriptText {

QStringList listItems(const QString& value, int limit)
{
    QStringList items;
    qsizetype from = 0;
    while (limit < 0 || items.size() < limit) {
        const qsizetype comma = value.indexOf(u',', from);
        if (comma < 0)
            break;
        items << value.mid(from, comma - from);
        from = comma + 1;
    }
    return items;
}

QString joinList(const QStringList& items)
{
    QString value;
    for (const QString& item : items)
        value += item + u',';
    return value;
}

QStringList wordItems(const QString& value)
{
    QStringList words = listItems(value);
    const qsizetype lastComma = value.lastIndexOf(u',');
    const QString rest = value.mid(lastComma + 1);
    if (!rest.trimmed().isEmpty())
        words << rest;
    return words;
}

QString networkOf(const QString& value)
{
    const QString name = value.trimmed();
    if (name.compare(QLatin1String("any"), Qt::CaseInsensitive) == 0 ||
        name.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0)
        return QString();
    return name;
}

bool inList(const QString& list, const QString& value)
{
    const QStringList items = listItems(list);
    return std::any_of(items.cbegin(), items.cend(), [&](const QString& item) {
        return item.compare(value, Qt::CaseInsensitive) == 0;
    });
}

namespace {
// The text from `from` up to the next separator; empty when there is none. Moves `from`
// past the separator.
QString partUpTo(const QString& text, qsizetype& from, QChar separator)
{
    const qsizetype at = text.indexOf(separator, from);
    if (at < 0) {
        from = text.size();
        return QString();
    }
    const QString part = text.mid(from, at - from);
    from = at + 1;
    return part;
}

bool partFits(const QString& maskPart, const QString& value)
{
    return maskPart == u"*" || maskPart.compare(value, Qt::CaseInsensitive) == 0;
}

struct UserAddress
{
    QString user;
    QString hostLabel;
};

UserAddress cutAddress(const QString& userAndHost)
{
    const qsizetype at = userAndHost.indexOf(u'@');
    if (at < 0)
        return {};
    const QString host = userAndHost.mid(at + 1);
    // A host without a dot ("localhost") is its own first label.
    return {userAndHost.left(at), host.section(u'.', 0, 0)};
}
} // namespace

bool addressMatch(const QString& list, const QString& nick, const QString& userAndHost)
{
    const UserAddress address = cutAddress(userAndHost);
    for (const QString& mask : listItems(list)) {
        qsizetype from = 0;
        const QString nickPart = partUpTo(mask, from, u'!');
        const QString userPart = partUpTo(mask, from, u'@');
        const QString hostPart = partUpTo(mask, from, u'.');
        if (partFits(nickPart, nick) && partFits(userPart, address.user) &&
            partFits(hostPart, address.hostLabel))
            return true;
    }
    return false;
}

QString expandPlaceholders(const QString& text, const QString& nick, const QString& ownNick,
                           const QString& channel, const QString& word)
{
    const struct
    {
        QStringView name;
        const QString& value;
    } placeholders[] = {
        {u"<nick>", nick},
        {u"<yournick>", ownNick},
        {u"<channel>", channel},
        {u"<word>", word},
    };
    const QString escaped = expandEscapes(text);
    QString result;
    result.reserve(escaped.size());
    const QStringView view(escaped);
    for (qsizetype i = 0; i < view.size();) {
        bool replaced = false;
        if (view.at(i) == u'<') {
            for (const auto& placeholder : placeholders) {
                if (view.mid(i).startsWith(placeholder.name)) {
                    result += placeholder.value;
                    i += placeholder.name.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced)
            result += view.at(i++);
    }
    return result;
}

} // namespace ScriptText
