#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <deque>
#include <functional>

class Clock;

// Paces every line to the server so that a paste, an alias or a run of automatic answers
// never gets the user disconnected for flooding: a burst of lines leaves at once, then
// one line per interval. Urgent lines (QUIT) leave at once, ahead of the waiting.
// JOINs of single channels given together (the favourites at connect, a rejoin) leave
// as few lines, channels joined by commas, since servers count a line however many
// channels it names; they wait for the end of the current event to gather.
// Time comes from the clock; the timer only wakes drain(), which tests call themselves.
// The waiting lines are bounded (an hour's worth at the default pace): a larger paste is
// refused beyond the bound, and the refused lines are counted once per run of the event
// loop and reported through linesRefused, so the user hears of them in one line.
class OutboundQueue : public QObject
{
    Q_OBJECT
public:
    // Ten lines of the longest kind fit in the smallest receive queue common servers
    // keep per client (4 KiB); one line per two seconds is what their flood counters
    // forgive even for commands they count double.
    static constexpr int DefaultBurst = 10;
    static constexpr int DefaultIntervalMs = 2000;
    static constexpr qsizetype MaxWaitingLines = 2000;
    using Writer = std::function<void(const QByteArray& line)>;

    OutboundQueue(const Clock& clock, Writer write, QObject* parent = nullptr);

    void setClock(const Clock& clock) { clock_ = &clock; }
    // A burst of at least one line, then one line every intervalMs (0: no pacing).
    void setRate(int burst, int intervalMs);
    int burst() const { return burst_; }
    int intervalMs() const { return intervalMs_; }

    // False, and the line counted as refused, when MaxWaitingLines already wait.
    bool enqueue(const QByteArray& line);
    // Ahead of the waiting lines, taking a line of the burst.
    void sendUrgent(const QByteArray& line);
    // At once and outside the pace: registration and PONG, which servers do not count
    // against a client, never wait and never use up the burst.
    void sendOutside(const QByteArray& line) { write_(line); }
    // Sends what the pace allows now and arms the timer for the next line.
    void drain();
    // Forgets the waiting lines and restores the full burst (a new connection).
    void clear();
    qsizetype pending() const { return static_cast<qsizetype>(lines_.size()); }

    // The rate test programs use when pacing is not what they test: every line at once.
    static void setDefaultRate(int burst, int intervalMs);

Q_SIGNALS:
    // count lines were refused since the last report; raised from the event loop, after
    // the burst of sends that overflowed the queue.
    void linesRefused(int count);

private:
    void reportRefused();
    // The front line, with the single-channel JOINs right behind it folded into it.
    QByteArray takeFront();

    void refill();

    const Clock* clock_;
    Writer write_;
    QTimer timer_;
    QTimer gather_;
    std::deque<QByteArray> lines_;
    int burst_;
    int intervalMs_;
    int tokens_;
    QDateTime lastRefill_;
    int refused_ = 0;
};

// A budget of automatic answers shared by all senders: at most limit answers in any
// window of windowSeconds; the rest are dropped.
class AnswerBudget
{
public:
    AnswerBudget(const Clock& clock, int limit = 3, int windowSeconds = 10)
        : clock_(clock), limit_(limit), windowSeconds_(windowSeconds)
    {
    }
    // True (and the answer counted) when one more answer may go out now.
    bool take();

private:
    const Clock& clock_;
    int limit_;
    int windowSeconds_;
    std::deque<QDateTime> sent_;
};
