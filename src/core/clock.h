#pragma once

#include <QDateTime>

// The one source of wall-clock time. Tests hand the client a clock they move by hand.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const { return QDateTime::currentDateTime(); }
};

class ManualClock : public Clock
{
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2026, 1, 1), QTime(12, 0)))
        : now_(std::move(start))
    {
    }
    QDateTime now() const override { return now_; }
    void advanceSeconds(qint64 seconds) { now_ = now_.addSecs(seconds); }
    void set(const QDateTime& when) { now_ = when; }

private:
    QDateTime now_;
};
