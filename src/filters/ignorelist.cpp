#include "filters/ignorelist.h"

#include "core/linelog.h"
#include "core/options.h"
#include "script/eventhook.h"

namespace {
const QString permanentText = QStringLiteral("Permanent");

// Ignore events carry the nickname in slot 1 and the address in slot 8.
EventSlots eventSlots(const IgnoreEntry& entry)
{
    return EventSlots::userFrom(entry.nickname, entry.address);
}

// The count before the first space of "N minutes"; a text that is not one counts as the
// last minute, so a damaged entry goes away instead of staying for ever.
int minutesLeft(const QString& timeLeft)
{
    bool ok = false;
    const int n = timeLeft.section(u' ', 0, 0).toInt(&ok);
    return ok && n > 0 ? n : 1;
}
} // namespace

bool IgnoreEntry::isPermanent() const
{
    return timeLeft == permanentText;
}

bool ignoreEntryMatches(const IgnoreEntry& entry, const QString& nickname, const QString& address)
{
    if (!entry.address.isEmpty() && entry.address.compare(address, Qt::CaseInsensitive) == 0)
        return true;
    return !entry.nickname.isEmpty() && entry.nickname.compare(nickname, Qt::CaseInsensitive) == 0;
}

namespace IgnoreDurations {
const QStringList& captions()
{
    static const QStringList list{
        QStringLiteral("1 minute"),   QStringLiteral("2 minutes"),
        QStringLiteral("5 minutes"),  QStringLiteral("10 minutes"),
        QStringLiteral("20 minutes"), QStringLiteral("40 minutes"),
        QStringLiteral("60 minutes"), permanentText,
    };
    return list;
}

int minutesAt(int index)
{
    static constexpr int minutes[] = {1, 2, 5, 10, 20, 40, 60, 0};
    if (index < 0 || index >= int(std::size(minutes)))
        index = defaultIndex;
    return minutes[index];
}
} // namespace IgnoreDurations

IgnoreList::IgnoreList(const IgnoreOptions& options, LineLog& status, EventHook& events,
                       QObject* parent)
    : QObject(parent), options_(options), status_(status), events_(events)
{
    ignoreTimer_.setInterval(TickMilliseconds);
    connect(&ignoreTimer_, &QTimer::timeout, this, &IgnoreList::countDownMinute);
}

QString IgnoreList::timeLeftText(int minutes)
{
    if (minutes <= 0)
        return permanentText;
    if (minutes == 1)
        return QStringLiteral("1 minute");
    return QString::number(minutes) + QStringLiteral(" minutes");
}

bool IgnoreList::isIgnored(const QString& nickname, const QString& address) const
{
    return std::any_of(entries_.cbegin(), entries_.cend(), [&](const IgnoreEntry& entry) {
        return ignoreEntryMatches(entry, nickname, address);
    });
}

bool IgnoreList::addIgnore(const QString& nickname, const QString& address, int minutes)
{
    if (entries_.size() >= Capacity) {
        status_.add(QStringLiteral("Ignore list is full."));
        return false;
    }
    if (isIgnored(nickname, address)) {
        status_.add(QStringLiteral("Already ignoring ") + address + QStringLiteral(" (") +
                    nickname + QStringLiteral(")."));
        return false;
    }
    if (minutes == ChosenDuration)
        minutes = IgnoreDurations::minutesAt(options_.ignoreTime);
    entries_.append(IgnoreEntry{nickname, address, timeLeftText(minutes)});
    syncCountdown();
    Q_EMIT entriesChanged();
    select(0);
    status_.add(QStringLiteral("Now Ignoring ") + nickname + u' ' + address);
    events_.fireEvent(Event::IgnoringUser, eventSlots(entries_.last()));
    return true;
}

void IgnoreList::removeIgnore(int index)
{
    if (index < 0 || index >= entries_.size())
        return;
    // A copy: whoever hears the event may change the list.
    const IgnoreEntry entry = entries_.at(index);
    events_.fireEvent(Event::UserUnignored, eventSlots(entry));
    status_.add(entry.nickname + QStringLiteral(" is now off the Ignore List"));
    if (index >= entries_.size() || entries_.at(index).nickname != entry.nickname)
        return;
    removeAt(index);
}

void IgnoreList::removeAt(int index)
{
    entries_.removeAt(index);
    syncCountdown();
    Q_EMIT entriesChanged();
    select(entries_.isEmpty() ? -1 : 0);
}

void IgnoreList::setSelectedIndex(int index)
{
    select(index >= 0 && index < entries_.size() ? index : -1);
}

void IgnoreList::select(int index)
{
    selectedIndex_ = index;
    Q_EMIT selectionChanged(index);
}

void IgnoreList::deleteSelected()
{
    removeIgnore(selectedIndex_);
}

void IgnoreList::deleteAll()
{
    entries_.clear();
    syncCountdown();
    Q_EMIT entriesChanged();
    select(-1);
}

QStringList IgnoreList::permanentNicknames() const
{
    QStringList names;
    for (const IgnoreEntry& entry : entries_) {
        if (entry.isPermanent())
            names << entry.nickname;
    }
    return names;
}

void IgnoreList::restorePermanent(const QStringList& nicknames)
{
    for (const QString& nickname : nicknames.mid(0, Capacity)) {
        if (!nickname.isEmpty())
            addIgnore(nickname, QString(), Permanent);
    }
}

void IgnoreList::countDownMinute()
{
    // Each timed entry loses exactly one minute per tick. Removing an entry does not
    // restart the walk: that would take a second minute off the entries before it.
    int index = 0;
    while (index < entries_.size()) {
        IgnoreEntry& entry = entries_[index];
        if (entry.isPermanent()) {
            ++index;
            continue;
        }
        const int minutes = minutesLeft(entry.timeLeft);
        if (minutes <= 1) {
            removeIgnore(index);
            continue;
        }
        entry.timeLeft = timeLeftText(minutes - 1);
        ++index;
    }
    syncCountdown();
    Q_EMIT entriesChanged();
}

void IgnoreList::syncCountdown()
{
    const bool timed = std::any_of(entries_.cbegin(), entries_.cend(),
                                   [](const IgnoreEntry& entry) { return !entry.isPermanent(); });
    if (!timed)
        ignoreTimer_.stop();
    else if (!ignoreTimer_.isActive())
        ignoreTimer_.start();
}
