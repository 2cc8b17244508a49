#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

class EventHook;
class LineLog;
struct IgnoreOptions;

// One silenced user. The address is user@host as seen in message prefixes; entries
// restored at start-up have none and match by nickname only.
struct IgnoreEntry
{
    QString nickname;
    QString address;
    QString timeLeft; // "Permanent", "1 minute" or N + " minutes"

    bool isPermanent() const;
};

// The rule the inbound dispatcher relies on: a user is ignored when the entry's address
// or its nickname equals theirs, letter case aside. An entry without an address never
// matches by address, so a restored entry cannot silence everyone without one.
bool ignoreEntryMatches(const IgnoreEntry& entry, const QString& nickname, const QString& address);

namespace IgnoreDurations {
// The captions of the durations an ignore may last, in order; the last is "Permanent".
const QStringList& captions();
// Minutes of a caption index: 0 for "Permanent". An index out of range counts as the
// default, "10 minutes".
int minutesAt(int index);
constexpr int defaultIndex = 3;
} // namespace IgnoreDurations

// The ignore list: entries counted down by ignoreTimer in whole minutes, or permanent.
class IgnoreList : public QObject
{
    Q_OBJECT
public:
    static constexpr int Capacity = 500;
    static constexpr int TickMilliseconds = 60000;
    // addIgnore's minutes: the duration chosen on the ignore page, or no expiry at all.
    static constexpr int ChosenDuration = -1;
    static constexpr int Permanent = 0;

    IgnoreList(const IgnoreOptions& options, LineLog& status, EventHook& events,
               QObject* parent = nullptr);

    const QList<IgnoreEntry>& entries() const { return entries_; }
    qsizetype count() const { return entries_.size(); }

    bool isIgnored(const QString& nickname, const QString& address) const;

    // False when the list is full or the user is already ignored (both reported).
    bool addIgnore(const QString& nickname, const QString& address, int minutes);
    void removeIgnore(int index);

    // The row the list view shows selected; -1 for none.
    int selectedIndex() const { return selectedIndex_; }
    void setSelectedIndex(int index);
    // "Delete" and "Delete All" are usable while there are entries.
    bool deleteEnabled() const { return !entries_.isEmpty(); }
    void deleteSelected();
    void deleteAll();

    // What the settings file keeps: the nicknames of the permanent entries, in order.
    QStringList permanentNicknames() const;
    // Start-up: each stored nickname becomes a permanent entry without an address.
    void restorePermanent(const QStringList& nicknames);

    QTimer& ignoreTimer() { return ignoreTimer_; }
    void countDownMinute();

    static QString timeLeftText(int minutes);

Q_SIGNALS:
    // Rows were added, removed or their time left changed.
    void entriesChanged();
    void selectionChanged(int index);

private:
    void removeAt(int index);
    void syncCountdown();
    void select(int index);

    const IgnoreOptions& options_;
    LineLog& status_;
    EventHook& events_;
    QList<IgnoreEntry> entries_;
    int selectedIndex_ = -1;
    QTimer ignoreTimer_;
};
