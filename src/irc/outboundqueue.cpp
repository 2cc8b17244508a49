#include "irc/outboundqueue.h"

#include "core/clock.h"
#include "irc/wire.h"

#include <utility>

namespace {
int defaultBurst = OutboundQueue::DefaultBurst;
int defaultIntervalMs = OutboundQueue::DefaultIntervalMs;

// "JOIN #chan" or "JOIN #chan key" with CR LF: the channel and its key (empty without).
// False for anything else, lists and "JOIN 0" (leave all) included.
bool singleJoin(const QByteArray& line, QByteArray& channel, QByteArray& key)
{
    if (line.size() < 7 || !line.endsWith("\r\n") || qstrnicmp(line.constData(), "JOIN ", 5) != 0)
        return false;
    const QList<QByteArray> words = line.mid(5, line.size() - 7).split(' ');
    if (words.isEmpty() || words.size() > 2 || words.contains(QByteArray()) || line.contains(',') ||
        words.first() == "0" || words.first().startsWith(':'))
        return false;
    channel = words.first();
    key = words.size() == 2 ? words.at(1) : QByteArray();
    return true;
}
} // namespace

void OutboundQueue::setDefaultRate(int burst, int intervalMs)
{
    defaultBurst = burst;
    defaultIntervalMs = intervalMs;
}

OutboundQueue::OutboundQueue(const Clock& clock, Writer write, QObject* parent)
    : QObject(parent), clock_(&clock), write_(std::move(write)), burst_(defaultBurst),
      intervalMs_(defaultIntervalMs), tokens_(defaultBurst)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &OutboundQueue::drain);
    gather_.setSingleShot(true);
    gather_.setInterval(0);
    connect(&gather_, &QTimer::timeout, this, &OutboundQueue::drain);
}

void OutboundQueue::setRate(int burst, int intervalMs)
{
    burst_ = std::max(1, burst);
    intervalMs_ = std::max(0, intervalMs);
    tokens_ = burst_;
    lastRefill_ = clock_->now();
    drain();
}

void OutboundQueue::refill()
{
    const QDateTime now = clock_->now();
    if (!lastRefill_.isValid() || intervalMs_ == 0 || now < lastRefill_) {
        // No pace, or the clock went back: start again from a full burst.
        if (intervalMs_ == 0 || !lastRefill_.isValid() || now < lastRefill_)
            tokens_ = burst_;
        lastRefill_ = now;
        return;
    }
    const qint64 elapsed = lastRefill_.msecsTo(now);
    const qint64 earned = elapsed / intervalMs_;
    if (earned <= 0)
        return;
    if (tokens_ + earned >= burst_) {
        tokens_ = burst_;
        lastRefill_ = now;
    } else {
        tokens_ += static_cast<int>(earned);
        lastRefill_ = lastRefill_.addMSecs(earned * intervalMs_);
    }
}

bool OutboundQueue::enqueue(const QByteArray& line)
{
    if (pending() >= MaxWaitingLines) {
        if (refused_++ == 0)
            QTimer::singleShot(0, this, &OutboundQueue::reportRefused);
        return false;
    }
    lines_.push_back(line);
    QByteArray channel;
    QByteArray key;
    if (intervalMs_ > 0 && singleJoin(line, channel, key)) {
        // Sent once the current event is done, with the JOINs that follow it.
        gather_.start();
        return true;
    }
    drain();
    return true;
}

QByteArray OutboundQueue::takeFront()
{
    QByteArray line = std::move(lines_.front());
    lines_.pop_front();
    QByteArray channels;
    QByteArray keys;
    if (intervalMs_ == 0 || !singleJoin(line, channels, keys))
        return line;
    bool allKeyed = !keys.isEmpty();
    bool merged = false;
    QByteArray channel;
    QByteArray key;
    while (!lines_.empty() && singleJoin(lines_.front(), channel, key)) {
        // Keys pair with the first channels of the list, so a keyed channel cannot
        // follow one without a key.
        if (!key.isEmpty() && !allKeyed)
            break;
        const qsizetype size = 5 + channels.size() + 1 + channel.size() +
                               (keys.size() + (key.isEmpty() ? 0 : 1 + key.size())) +
                               (keys.isEmpty() && key.isEmpty() ? 0 : 1) + 2;
        if (size > Wire::MaxLineBytes)
            break;
        channels += ',' + channel;
        if (!key.isEmpty())
            keys += ',' + key;
        allKeyed = allKeyed && !key.isEmpty();
        merged = true;
        lines_.pop_front();
    }
    if (!merged)
        return line;
    return "JOIN " + channels + (keys.isEmpty() ? QByteArray() : ' ' + keys) + "\r\n";
}

void OutboundQueue::reportRefused()
{
    if (refused_ > 0)
        Q_EMIT linesRefused(std::exchange(refused_, 0));
}

void OutboundQueue::sendUrgent(const QByteArray& line)
{
    refill();
    if (tokens_ > 0)
        --tokens_;
    write_(line);
}

void OutboundQueue::drain()
{
    refill();
    while (!lines_.empty() && (tokens_ > 0 || intervalMs_ == 0)) {
        if (intervalMs_ > 0)
            --tokens_;
        write_(takeFront());
    }
    if (lines_.empty()) {
        timer_.stop();
        gather_.stop();
        return;
    }
    const qint64 wait = intervalMs_ - lastRefill_.msecsTo(clock_->now());
    timer_.start(static_cast<int>(std::clamp<qint64>(wait, 1, intervalMs_)));
}

void OutboundQueue::clear()
{
    lines_.clear();
    timer_.stop();
    gather_.stop();
    tokens_ = burst_;
    lastRefill_ = clock_->now();
}

bool AnswerBudget::take()
{
    const QDateTime now = clock_.now();
    while (!sent_.empty() && (sent_.front().secsTo(now) >= windowSeconds_ || now < sent_.front()))
        sent_.pop_front();
    if (static_cast<int>(sent_.size()) >= limit_)
        return false;
    sent_.push_back(now);
    return true;
}
