#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class Clock;
class EventHook;
class IgnoreList;
class LineLog;
struct Options;

// One sender's current burst of PRIVMSG and NOTICE lines, keyed by address.
struct FloodRecord
{
    QString nickname;
    QString address;
    int count = 0; // lines after the first
    QDateTime firstSeen;
};

// The user's own nickname, as far as a flood needs it: private floods change it.
struct NicknameControl
{
    std::function<QString()> current;
    std::function<void(const QString&)> change;
};

// Flood protection: a sender who sends more than the threshold of lines within one
// 5-second burst is put on the ignore list.
class FloodGuard : public QObject
{
    Q_OBJECT
public:
    static constexpr int BurstSeconds = 5;
    // A flood from many addresses at once must not grow the records without bound; past
    // this many, the oldest burst is forgotten.
    static constexpr int MaxRecords = 512;

    FloodGuard(Options& options, IgnoreList& ignores, LineLog& status, EventHook& events,
               const Clock& clock, NicknameControl nickname, QObject* parent = nullptr);

    // "Enable Flood Protection".
    bool enabled() const;
    void setEnabled(bool on);
    // The number of lines that counts as a flood. A new threshold starts every burst
    // afresh.
    int threshold() const;
    void setThreshold(int lines);

    // True when this line is the one that makes the sender a flooder; the caller drops it.
    bool floodTest(const QString& target, const QString& nickname, const QString& address);

    // The dispatcher's gate for one inbound line: PRIVMSG and NOTICE from ignored users,
    // and the line that trips the flood test, are dropped; other commands always pass. A
    // replayed line (history a server or bouncer plays back at once) is not counted: it
    // was said at its own pace.
    bool shouldDrop(const QString& command, const QString& target, const QString& nickname,
                    const QString& address, bool replayed = false);

    // Newest first.
    const QList<FloodRecord>& records() const { return records_; }

private:
    void prune(const QDateTime& now);
    void declareFlood(const QString& target, const QString& nickname, const QString& address);

    Options& options_;
    IgnoreList& ignores_;
    LineLog& status_;
    EventHook& events_;
    const Clock& clock_;
    NicknameControl nickname_;
    QList<FloodRecord> records_;
    QDateTime lastPruned_;
};
