#pragma once

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <functional>

class Clock;

// When to try again after a connection ended without the user asking: 5, 10 and 30
// seconds, then every 60 seconds. The due time comes from the clock; a one-second timer
// calls onTick(), which tests call themselves after moving the clock.
class ReconnectSchedule : public QObject
{
    Q_OBJECT
public:
    ReconnectSchedule(const Clock& clock, std::function<void()> attempt, QObject* parent = nullptr);

    void setClock(const Clock& clock) { clock_ = &clock; }
    // The wait before attempt number n (counted from 0).
    static int delayFor(int attempt);

    // Arms the next attempt and returns its delay in seconds.
    int schedule();
    // Forgets the pending attempt and starts the sequence again from its first delay.
    void cancel();
    // A connection registered: the pending attempt is forgotten, but the sequence starts
    // again from its first delay only if this connection lasts StableSeconds, so a server
    // that drops every client right after registering is not tried every few seconds.
    void connectionUp();
    static constexpr int StableSeconds = 60;
    bool isPending() const { return due_.isValid(); }
    // The number of the attempt now running or pending, from 1.
    int attempts() const { return attempts_; }

    void onTick();

private:
    const Clock* clock_;
    std::function<void()> attempt_;
    QTimer timer_;
    QDateTime due_;
    QDateTime upSince_;
    int attempts_ = 0;
};
