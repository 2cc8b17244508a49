#include "irc/outboundqueue.h"

#include "core/clock.h"

#include <utility>

namespace {
int defaultBurst = OutboundQueue::DefaultBurst;
int defaultIntervalMs = OutboundQueue::DefaultIntervalMs;
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
    drain();
    return true;
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
        const QByteArray line = std::move(lines_.front());
        lines_.pop_front();
        write_(line);
    }
    if (lines_.empty()) {
        timer_.stop();
        return;
    }
    const qint64 wait = intervalMs_ - lastRefill_.msecsTo(clock_->now());
    timer_.start(static_cast<int>(std::clamp<qint64>(wait, 1, intervalMs_)));
}

void OutboundQueue::clear()
{
    lines_.clear();
    timer_.stop();
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
