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
    Q_EMIT changed();
    return true;
}

QString NickList::entryForName(const QString& name)
{
    if (name.startsWith(u'@'))
        return Operator + name.mid(1);
    if (name.startsWith(u'+'))
        return Voiced + name.mid(1);
    return Member + name;
}

void NickList::addNames(const QStringList& names)
{
    for (const QString& name : names) {
        if (!name.isEmpty())
            entries_.append(entryForName(name));
    }
    Q_EMIT changed();
}

void NickList::clear()
{
    entries_.clear();
    sortedCount_ = 0;
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
