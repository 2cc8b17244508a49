#pragma once

// What the benchmarks share: a scripted peer's socket helpers, the paint-gap counter and
// the machine load printed beside every figure.

#include <QEvent>
#include <QFile>
#include <QObject>

#include <algorithm>
#include <chrono>
#include <string>
#include <sys/socket.h>

namespace bench {

using Steady = std::chrono::steady_clock;

// The one-minute load average, -1 when it cannot be read.
inline double loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return f.readAll().split(' ').value(0).toDouble();
}

// Writes all of data; stops quietly when the other end is gone.
inline void sendAll(int fd, const std::string& data)
{
    size_t at = 0;
    while (at < data.size()) {
        const ssize_t n = ::send(fd, data.data() + at, data.size() - at, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        at += size_t(n);
    }
}

// Reads into seen until it holds needle; false when the connection ends first.
inline bool readUntil(int fd, const std::string& needle, std::string& seen)
{
    char buf[65536];
    while (seen.find(needle) == std::string::npos) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            return false;
        seen.append(buf, size_t(n));
    }
    return true;
}

// As readUntil, and drops what was read up to and with needle, so the next call waits
// for a new one.
inline bool takeUntil(int fd, const std::string& needle, std::string& seen)
{
    if (!readUntil(fd, needle, seen))
        return false;
    seen.erase(0, seen.find(needle) + needle.size());
    return true;
}

// Counts the paints of the widgets it filters and the longest gap between two of them.
struct PaintCounter : QObject
{
    int paints = 0;
    Steady::time_point last;
    double maxGapMs = 0;
    bool measuring = false;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && measuring) {
            const auto now = Steady::now();
            if (paints > 0)
                maxGapMs = std::max(maxGapMs,
                                    std::chrono::duration<double, std::milli>(now - last).count());
            last = now;
            ++paints;
        }
        return false;
    }
};

} // namespace bench
