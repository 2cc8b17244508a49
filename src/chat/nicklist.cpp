#include "chat/nicklist.h"

#include <algorithm>

namespace {
// The order of QString::compare without regard to case, which folds every character
// through the Unicode tables and so costs most of the time a big channel's names take to
// sort. Nicknames are ASCII as a rule: those characters are folded here, and the tables
// are asked only from the first character past ASCII on (folding is per character, so
// the equal heads need no second look).
int compareNoCase(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x >= 0x80 || y >= 0x80)
            return a.mid(i).compare(b.mid(i), Qt::CaseInsensitive);
        if (x >= u'A' && x <= u'Z')
            x += u'a' - u'A';
        if (y >= u'A' && y <= u'Z')
            y += u'a' - u'A';
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool lessNoCase(const QString& a, const QString& b)
{
    return compareNoCase(a, b) < 0;
}
} // namespace

void NickList::ensureSorted() const
{
    if (sortedCount_ == entries_.size())
        return;
    // Behind their equals and in arrival order, as inserting them one by one would.
    std::stable_sort(entries_.begin() + sortedCount_, entries_.end(), lessNoCase);
    std::inplace_merge(entries_.begin(), entries_.begin() + sortedCount_, entries_.end(),
                       lessNoCase);
    sortedCount_ = entries_.size();
}

qsizetype NickList::indexOf(const QString& nick) const
{
    ensureSorted();
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        const QString& entry = entries_.at(i);
        if (entry.size() == nick.size() + 1 && compareNoCase(QStringView(entry).mid(1), nick) == 0)
            return i;
    }
    return -1;
}

QChar NickList::rankOf(const QString& nick) const
{
    const qsizetype at = indexOf(nick);
    return at < 0 ? QChar() : entries_.at(at).at(0);
}

void NickList::insertSorted(const QString& entry)
{
    ensureSorted();
    const auto at = std::upper_bound(entries_.begin(), entries_.end(), entry, lessNoCase);
    entries_.insert(at, entry);
    sortedCount_ = entries_.size();
}

void NickList::add(QChar rank, const QString& nick)
{
    insertSorted(rank + nick);
    Q_EMIT changed();
}

bool NickList::remove(const QString& nick)
{
    const qsizetype at = indexOf(nick);
    if (at < 0)
        return false;
    entries_.removeAt(at);
    sortedCount_ = entries_.size();
    details_.remove(nick.toLower());
    Q_EMIT changed();
    return true;
}

void NickList::setRank(const QString& nick, QChar rank)
{
    const qsizetype at = indexOf(nick);
    QString name = nick;
    if (at >= 0)
        name = entries_.takeAt(at).mid(1);
    sortedCount_ = entries_.size();
    insertSorted(rank + name);
    const auto found = details_.find(nick.toLower());
    if (found != details_.end())
        found->ranks = rank == Member ? QString() : QString(rank);
    Q_EMIT changed();
}

bool NickList::rename(const QString& oldNick, const QString& newNick)
{
    const qsizetype at = indexOf(oldNick);
    if (at < 0)
        return false;
    const QChar rank = entries_.takeAt(at).at(0);
    sortedCount_ = entries_.size();
    insertSorted(rank + newNick);
    if (const auto found = details_.constFind(oldNick.toLower()); found != details_.constEnd()) {
        Details moved = *found;
        details_.erase(found);
        details_.insert(newNick.toLower(), std::move(moved));
    }
    Q_EMIT changed();
    return true;
}

NickList::Name NickList::parseName(const QString& word)
{
    Name name;
    qsizetype start = 0;
    for (; start < word.size(); ++start) {
        const QChar sign = word.at(start);
        QChar rank;
        if (sign == u'@' || sign == u'~' || sign == u'&')
            rank = Operator;
        else if (sign == u'+')
            rank = Voiced;
        else if (sign != u'%')
            break;
        if (!rank.isNull() && !name.ranks.contains(rank))
            name.ranks += rank;
    }
    if (name.ranks.size() > 1)
        std::sort(name.ranks.begin(), name.ranks.end());
    const qsizetype bang = word.indexOf(u'!', start);
    if (bang < 0) {
        name.nick = start == 0 ? word : word.mid(start);
        return name;
    }
    name.nick = word.mid(start, bang - start);
    if (word.indexOf(u'@', bang) > bang + 1)
        name.userHost = word.mid(bang + 1).toLower();
    return name;
}

QString NickList::entryForName(const QString& name)
{
    const Name parsed = parseName(name);
    return (parsed.ranks.isEmpty() ? Member : parsed.ranks.at(0)) + parsed.nick;
}

void NickList::addNames(const QStringList& names)
{
    for (const QString& word : names) {
        Name name = parseName(word);
        if (name.nick.isEmpty())
            continue;
        entries_.append((name.ranks.isEmpty() ? Member : name.ranks.at(0)) + name.nick);
        if (name.ranks.size() > 1 || !name.userHost.isEmpty())
            details_.insert(
                name.nick.toLower(),
                Details{std::move(name.ranks), std::move(name.userHost), {}, {}, false});
    }
    Q_EMIT changed();
}

NickList::Details* NickList::detailsFor(const QString& nick)
{
    const QString key = nick.toLower();
    const auto found = details_.find(key);
    if (found != details_.end())
        return &*found;
    const QChar rank = rankOf(nick);
    if (rank.isNull())
        return nullptr;
    Details& made = details_[key];
    if (rank != Member)
        made.ranks = rank;
    return &made;
}

const NickList::Details* NickList::details(const QString& nick) const
{
    const auto found = details_.constFind(nick.toLower());
    return found == details_.constEnd() ? nullptr : &*found;
}

QString NickList::describe(const QString& nick) const
{
    QStringList lines{nick};
    if (const Details* d = details(nick)) {
        if (!d->userHost.isEmpty())
            lines << d->userHost;
        if (!d->account.isEmpty())
            lines << QStringLiteral("Logged in as ") + d->account;
        if (d->away)
            lines << QStringLiteral("Away");
        if (!d->realName.isEmpty())
            lines << d->realName;
    }
    return lines.join(u'\n');
}

bool NickList::changeRank(const QString& nick, QChar rank, bool held)
{
    Details* d = detailsFor(nick);
    if (!d)
        return false;
    if (held && !d->ranks.contains(rank)) {
        d->ranks += rank;
        std::sort(d->ranks.begin(), d->ranks.end());
    } else if (!held) {
        d->ranks.remove(rank);
    }
    const QChar shown = d->ranks.isEmpty() ? Member : d->ranks.at(0);
    const qsizetype at = indexOf(nick);
    if (entries_.at(at).at(0) != shown) {
        const QString name = entries_.takeAt(at).mid(1);
        sortedCount_ = entries_.size();
        insertSorted(shown + name);
    }
    Q_EMIT changed();
    return true;
}

template <typename Field>
void NickList::setDetail(const QString& nick, Field Details::*field, const Field& value)
{
    const auto found = details_.find(nick.toLower());
    Details* d = nullptr;
    if (found != details_.end())
        d = &*found;
    else if (value != Field{}) // nothing known reads as the default already
        d = detailsFor(nick);
    if (!d || d->*field == value)
        return;
    d->*field = value;
    Q_EMIT changed();
}

void NickList::setUserHost(const QString& nick, const QString& userHost)
{
    setDetail(nick, &Details::userHost, userHost);
}

void NickList::setAccount(const QString& nick, const QString& account)
{
    setDetail(nick, &Details::account, account);
}

void NickList::setRealName(const QString& nick, const QString& realName)
{
    setDetail(nick, &Details::realName, realName);
}

void NickList::setAway(const QString& nick, bool away)
{
    setDetail(nick, &Details::away, away);
}

void NickList::clear()
{
    entries_.clear();
    sortedCount_ = 0;
    details_.clear();
    Q_EMIT changed();
}

QString NickList::displayText(const QString& entry)
{
    if (entry.isEmpty())
        return entry;
    if (entry.at(0) == Operator)
        return u'@' + entry.mid(1);
    if (entry.at(0) == Voiced)
        return u'+' + entry.mid(1);
    return entry.mid(1);
}
