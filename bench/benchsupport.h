#pragma once

// What the benchmarks share: a scripted peer's socket helpers, the paint-gap counter and
// the machine load printed beside every figure.

#include "core/prompts.h"

#include <QEvent>
#include <QFile>
#include <QObject>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <vector>

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

// VmRSS or VmHWM of this process in bytes.
inline qint64 statusBytes(const char* key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

// The peak resident size starts again from the current one (Linux 4.0 and later).
inline void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

// A listening socket on a free loopback port, for the scripted server; sets port.
inline int listenOnLoopback(int& port)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listener, 1);
    socklen_t len = sizeof addr;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
    return listener;
}

// Prompts that answer every question with no, as a user who is away would.
struct NoPrompts : Prompts
{
    void warning(const QString&) override {}
    void askYesNo(const QString&, std::function<void(bool)> answer) override { answer(false); }
    void askChoice(const QString&, const QStringList&, std::function<void(int)> answer) override
    {
        answer(-1);
    }
};

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

// Takes the client's connection on listener and registers it as "me", then sends
// joined, what the client is told once registered (its joins, say). Returns the socket.
inline int welcome(int listener, const std::string& joined = {})
{
    const int fd = ::accept(listener, nullptr, nullptr);
    std::string seen;
    readUntil(fd, "USER ", seen);
    sendAll(fd, ":irc.bench 001 me :hi\r\n:irc.bench 376 me :end\r\n" + joined);
    return fd;
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

// One figure of one run, printed by the run as a line that repeatInFreshProcesses reads:
// "@figure <value> <unit> <target or -> <label>". The target is an upper bound, or a lower
// bound when the unit ends in "/s".
inline void figure(const std::string& label, double value, const std::string& unit,
                   double target = -1)
{
    if (target < 0)
        std::printf("@figure %.4f %s - %s\n", value, unit.c_str(), label.c_str());
    else
        std::printf("@figure %.4f %s %.4f %s\n", value, unit.c_str(), target, label.c_str());
    std::fflush(stdout);
}

// Median, spread and the load average beside them, for one figure over several runs.
struct Series
{
    std::string unit;
    double target = -1;
    std::vector<double> values;
    std::vector<double> loads;
};

inline void printSeries(const std::string& label, Series s)
{
    std::vector<double> v = s.values;
    std::sort(v.begin(), v.end());
    std::vector<double> l = s.loads;
    std::sort(l.begin(), l.end());
    const double median =
        v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    std::printf("  %-52s median %9.2f %-5s spread %.2f..%.2f (n=%zu), load %.2f..%.2f",
                label.c_str(), median, s.unit.c_str(), v.front(), v.back(), v.size(), l.front(),
                l.back());
    if (s.target >= 0) {
        const bool higherIsBetter =
            s.unit.size() > 2 && s.unit.compare(s.unit.size() - 2, 2, "/s") == 0;
        const bool met = higherIsBetter ? median >= s.target : median <= s.target;
        std::printf("  target %s %g %s", higherIsBetter ? ">=" : "<=", s.target,
                    met ? "ok" : "MISSED");
    }
    std::printf("\n");
}

// Figures collected in one process (a benchmark that starts processes of its own).
class Figures
{
public:
    void add(const std::string& label, double value, const std::string& unit, double target = -1)
    {
        if (!series_.count(label))
            order_.push_back(label);
        Series& s = series_[label];
        s.unit = unit;
        s.target = target;
        s.values.push_back(value);
        s.loads.push_back(loadAverage());
    }
    void print() const
    {
        for (const std::string& label : order_)
            printSeries(label, series_.at(label));
    }

private:
    std::vector<std::string> order_;
    std::map<std::string, Series> series_;
};

// Called first in main(): runs this program again `runs` times, each a fresh process
// (so no run inherits the caches, heap or sockets of the one before), passes on what the
// first run says and prints every figure the runs report as median and spread, with the
// load average read after each run. Returns true in the parent, which then exits; false
// in a run, which measures once.
inline bool repeatInFreshProcesses(int argc, char* argv[], int runs = 5)
{
    if (std::getenv("QUORL_BENCH_ONE_RUN"))
        return false;
    if (const char* n = std::getenv("QUORL_BENCH_RUNS"))
        runs = std::max(3, std::atoi(n));
    setenv("QUORL_BENCH_ONE_RUN", "1", 1);
    std::string command;
    for (int i = 0; i < argc; ++i) {
        std::string quoted = "'";
        for (const char* c = argv[i]; *c; ++c)
            quoted += *c == '\'' ? std::string("'\\''") : std::string(1, *c);
        command += quoted + "' ";
    }
    std::vector<std::string> order;
    std::map<std::string, Series> series;
    for (int run = 0; run < runs; ++run) {
        FILE* out = popen(command.c_str(), "r");
        if (!out) {
            std::perror("popen");
            std::exit(1);
        }
        char line[4096];
        std::vector<std::pair<std::string, Series>> got;
        while (std::fgets(line, sizeof line, out)) {
            double value = 0;
            char unit[64] = {};
            char target[64] = {};
            int used = 0;
            if (std::sscanf(line, "@figure %lf %63s %63s %n", &value, unit, target, &used) == 3) {
                std::string label(line + used);
                while (!label.empty() && (label.back() == '\n' || label.back() == '\r'))
                    label.pop_back();
                Series s;
                s.unit = unit;
                s.target = std::string(target) == "-" ? -1 : std::atof(target);
                s.values.push_back(value);
                got.emplace_back(label, s);
            } else if (run == 0) {
                std::fputs(line, stdout);
            }
        }
        const int status = pclose(out);
        if (status != 0) {
            std::fprintf(stderr, "%s: run %d failed (status %d)\n", argv[0], run + 1, status);
            std::exit(1);
        }
        const double load = loadAverage();
        for (auto& [label, s] : got) {
            if (!series.count(label)) {
                order.push_back(label);
                series[label] = s;
                series[label].values.clear();
            }
            series[label].values.push_back(s.values.front());
            series[label].loads.push_back(load);
        }
    }
    std::printf("  -- %d runs, each a fresh process; load = 1-minute load average after each run\n",
                runs);
    for (const std::string& label : order)
        printSeries(label, series[label]);
    return true;
}

} // namespace bench
