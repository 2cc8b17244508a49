#include "irc/reconnectschedule.h"

#include "core/clock.h"

#include <array>

ReconnectSchedule::ReconnectSchedule(const Clock& clock, std::function<void()> attempt,
                                     QObject* parent)
    : QObject(parent), clock_(&clock), attempt_(std::move(attempt))
{
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, &ReconnectSchedule::onTick);
}

int ReconnectSchedule::delayFor(int attempt)
{
    static constexpr std::array<int, 4> Delays{5, 10, 30, 60};
    return Delays.at(static_cast<size_t>(std::clamp(attempt, 0, int(Delays.size()) - 1)));
}

int ReconnectSchedule::schedule()
{
    if (upSince_.isValid() && upSince_.secsTo(clock_->now()) >= StableSeconds)
        attempts_ = 0;
    upSince_ = QDateTime();
    const int delay = delayFor(attempts_);
    ++attempts_;
    due_ = clock_->now().addSecs(delay);
    timer_.start();
    return delay;
}

void ReconnectSchedule::cancel()
{
    timer_.stop();
    due_ = QDateTime();
    upSince_ = QDateTime();
    attempts_ = 0;
}

void ReconnectSchedule::connectionUp()
{
    timer_.stop();
    due_ = QDateTime();
    upSince_ = clock_->now();
}

void ReconnectSchedule::onTick()
{
    if (!due_.isValid() || clock_->now() < due_)
        return;
    timer_.stop();
    due_ = QDateTime();
    attempt_();
}
