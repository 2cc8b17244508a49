#include "filters/floodguard.h"

#include "core/clock.h"
#include "core/linelog.h"
#include "core/options.h"
#include "filters/ignorelist.h"
#include "irc/ircnames.h"
#include "script/eventhook.h"

namespace {
// Ages are whole seconds, the fraction dropped.
qint64 ageSeconds(const QDateTime& since, const QDateTime& now)
{
    return since.msecsTo(now) / 1000;
}
} // namespace

FloodGuard::FloodGuard(Options& options, IgnoreList& ignores, LineLog& status, EventHook& events,
                       const Clock& clock, NicknameControl nickname, QObject* parent)
    : QObject(parent), options_(options), ignores_(ignores), status_(status), events_(events),
      clock_(clock), nickname_(std::move(nickname))
{
}

bool FloodGuard::enabled() const
{
    return options_.ignore.floodProtection;
}

void FloodGuard::setEnabled(bool on)
{
    options_.ignore.floodProtection = on;
}

int FloodGuard::threshold() const
{
    return options_.ignore.floodLines;
}

void FloodGuard::setThreshold(int lines)
{
    options_.ignore.floodLines =
        std::clamp(lines, OptionLimits::floodLinesMin, OptionLimits::floodLinesMax);
    records_.clear();
}

bool FloodGuard::shouldDrop(const QString& command, const QString& target, const QString& nickname,
                            const QString& address, bool replayed)
{
    if (command != QLatin1String("PRIVMSG") && command != QLatin1String("NOTICE"))
        return false;
    if (ignores_.isIgnored(nickname, address))
        return true;
    return !replayed && enabled() && floodTest(target, nickname, address);
}

void FloodGuard::prune(const QDateTime& now)
{
    if (lastPruned_.isValid() && now <= lastPruned_)
        return;
    // Records are newest first and each keeps the time its burst began, so the stale
    // ones are all at the back.
    while (!records_.isEmpty() && ageSeconds(records_.last().firstSeen, now) > BurstSeconds)
        records_.removeLast();
    lastPruned_ = now;
}

bool FloodGuard::floodTest(const QString& target, const QString& nickname, const QString& address)
{
    const QDateTime now = clock_.now();
    prune(now);

    const auto found = std::find_if(records_.begin(), records_.end(),
                                    [&](const FloodRecord& r) { return r.address == address; });
    if (found == records_.end()) {
        if (records_.size() >= MaxRecords)
            records_.removeLast();
        records_.prepend(FloodRecord{nickname, address, 0, now});
        return false;
    }
    ++found->count;
    found->nickname = nickname;
    if (found->count < threshold() || ageSeconds(found->firstSeen, now) > BurstSeconds)
        return false;
    records_.erase(found);
    declareFlood(target, nickname, address);
    return true;
}

void FloodGuard::declareFlood(const QString& target, const QString& nickname,
                              const QString& address)
{
    status_.add(QStringLiteral("WARNING!  ") + nickname +
                QStringLiteral(" is Flooding you and has been placed on the Ignore List."));
    ignores_.addIgnore(nickname, address, IgnoreList::ChosenDuration);
    events_.fireEvent(Event::Flooded, EventSlots::userFrom(nickname, address));

    // A private flood usually follows the nickname; a channel flood does not.
    if (target.startsWith(u'#') || !nickname_.current || !nickname_.change)
        return;
    const QString current = nickname_.current();
    const QString next = nicknameAfter(options_.user.nicknames, current);
    if (next == current)
        return;
    status_.add(QStringLiteral("WARNING!  Due to Flooding, your Nickname is being changed to ") +
                next + u'.');
    nickname_.change(next);
}
