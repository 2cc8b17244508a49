// Start-up figures of the real program: from process start to the PONG that answers a
// PING the server sends right after the end of the MOTD, and the resident memory of the
// idle client in one channel. The server is a thread speaking plain sockets on loopback.
//
// Each run is a fresh process with a new program folder, under the offscreen platform
// and, when Xvfb is installed, under an X server of its own; offscreen also with the
// program folder an earlier start made.
//
// bench_startup [path/to/quorlirc...]   (default: ../src/quorlirc beside this binary)
// Given several programs, it starts them in turn, run by run, to compare builds.
// QUORL_BENCH_RUNS sets the number of runs (at least 3).
#include "benchsupport.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {
using Steady = std::chrono::steady_clock;
constexpr int Runs = 5;
constexpr double TargetMs = 80;
constexpr double TargetMb = 35;

struct Listener
{
    int fd = -1;
    int port = 0;
    Listener()
    {
        fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(fd, 1);
        socklen_t length = sizeof address;
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    ~Listener() { close(fd); }
};

// One client connection, line by line.
class Connection
{
public:
    explicit Connection(int fd) : fd_(fd)
    {
        timeval limit{30, 0};
        setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    }
    ~Connection() { close(fd_); }
    void send(const std::string& line)
    {
        const std::string bytes = line + "\r\n";
        (void)::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }
    // The next line, without its line end; nothing when the client went or fell silent.
    std::optional<std::string> next()
    {
        for (;;) {
            const auto end = buffer_.find('\n');
            if (end != std::string::npos) {
                std::string line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                return line;
            }
            char chunk[4096];
            const ssize_t got = recv(fd_, chunk, sizeof chunk, 0);
            if (got <= 0)
                return std::nullopt;
            buffer_.append(chunk, size_t(got));
        }
    }
    // The first line, read before or now, that starts with prefix: the client may send
    // its JOIN before it answers a PING that came first.
    std::optional<std::string> waitFor(const std::string& prefix)
    {
        for (size_t i = 0;; ++i) {
            if (i == seen_.size()) {
                auto line = next();
                if (!line)
                    return std::nullopt;
                seen_.push_back(*line);
            }
            if (seen_[i].rfind(prefix, 0) == 0)
                return seen_[i];
        }
    }

private:
    int fd_;
    std::string buffer_;
    std::vector<std::string> seen_;
};

struct RunResult
{
    double pongMs = -1;
    double cpuMs = -1;
    double rssMb = -1;
    std::string error;
};

double residentMb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kb = 0;
            status >> kb;
            return kb / 1024.0;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

// The server side of one run: registration, a PING right after 376, then the channel.
// Returns when the PONG came (its time point is set) and the client has joined.
// The processor time all threads of pid have had, in ms, from the scheduler's own count
// (it does not grow while the process waits for a processor on a busy machine).
double cpuMs(pid_t pid)
{
    double ns = 0;
    std::error_code error;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream stat(task.path() / "schedstat");
        double onCpu = 0;
        if (stat >> onCpu)
            ns += onCpu;
    }
    return ns / 1e6;
}

std::string serve(Listener& listener, Steady::time_point& pongAt, bool& joined,
                  const std::atomic<pid_t>& clientPid, double& cpuAtPong)
{
    const int fd = accept(listener.fd, nullptr, nullptr);
    if (fd < 0)
        return "no connection";
    Connection client(fd);
    const auto nickLine = client.waitFor("NICK ");
    if (!nickLine || !client.waitFor("USER "))
        return "no NICK and USER";
    const std::string nick = nickLine->substr(5);
    const std::string server = ":bench.local ";
    client.send(server + "001 " + nick + " :Welcome to the bench");
    client.send(server + "375 " + nick + " :- bench.local Message of the Day -");
    client.send(server + "372 " + nick + " :- a short one");
    client.send(server + "376 " + nick + " :End of MOTD command");
    client.send("PING :bench");
    if (!client.waitFor("PONG :bench"))
        return "no PONG";
    pongAt = Steady::now();
    cpuAtPong = cpuMs(clientPid.load());
    if (!client.waitFor("JOIN #quorl"))
        return "no JOIN";
    const std::string self = ":" + nick + "!user@127.0.0.1 ";
    client.send(self + "JOIN :#quorl");
    client.send(server + "332 " + nick + " #quorl :The bench channel");
    client.send(server + "353 " + nick + " = #quorl :" + nick + " @alice +bob carol dave");
    client.send(server + "366 " + nick + " #quorl :End of NAMES list");
    client.send("PING :joined");
    if (!client.waitFor("PONG :joined"))
        return "no PONG after the join";
    joined = true;
    // Hold the connection while the memory is read; the client quits on SIGTERM.
    client.waitFor("QUIT");
    return {};
}

// The platform a run's client uses: "offscreen", or "xcb" with the display given.
struct Platform
{
    std::string name;
    std::string display;
};

// One start of the client in the program folder home: a new one, which the client fills
// with its shipped data and a settings file first, or one an earlier start left.
RunResult runOnce(const std::string& binary, const Platform& platform, const std::string& home)
{
    RunResult result;
    Listener listener;
    Steady::time_point pongAt;
    bool joined = false;
    std::atomic<pid_t> clientPid{0};
    double cpuAtPong = -1;
    auto server = std::async(std::launch::async,
                             [&] { return serve(listener, pongAt, joined, clientPid, cpuAtPong); });

    const std::string url = "irc://127.0.0.1:" + std::to_string(listener.port) + "/#quorl";
    // The previous run's client and its X server work may still be winding down on the
    // other processor; they are let finish first.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const Steady::time_point start = Steady::now();
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("QT_QPA_PLATFORM", platform.name.c_str(), 1);
        if (!platform.display.empty())
            setenv("DISPLAY", platform.display.c_str(), 1);
        const int log = open((home + "/stderr.txt").c_str(), O_WRONLY | O_CREAT, 0644);
        dup2(log, STDERR_FILENO);
        execl(binary.c_str(), binary.c_str(), "--home", home.c_str(), url.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    clientPid = pid;
    // The join is answered, then the client is left idle a moment before its memory is read.
    for (int i = 0; i < 600 && !joined &&
                    server.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready;
         ++i) {
    }
    if (joined) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        result.rssMb = residentMb(pid);
        result.pongMs = std::chrono::duration<double, std::milli>(pongAt - start).count();
        result.cpuMs = cpuAtPong;
    }
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    shutdown(listener.fd, SHUT_RDWR);
    result.error = server.get();
    if (!joined && result.error.empty())
        result.error = "the client did not join in time";
    if (!result.error.empty()) {
        std::ifstream log(home + "/stderr.txt");
        result.error +=
            "; the client said: " + std::string(std::istreambuf_iterator<char>(log), {});
        if (WIFEXITED(status))
            result.error += "; exit status " + std::to_string(WEXITSTATUS(status));
    }
    return result;
}

std::string newHome()
{
    char homeTemplate[] = "/tmp/quorl-bench-XXXXXX";
    return mkdtemp(homeTemplate);
}

std::string defaultBinary(const char* self)
{
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    const auto base = error ? std::filesystem::path(self).parent_path() : exe.parent_path();
    return (base / ".." / "src" / "quorlirc").lexically_normal().string();
}
} // namespace

// An X server of the bench's own on a free display, gone with the bench.
class OwnXServer
{
public:
    OwnXServer()
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDERR_FILENO);
            dup2(null, STDOUT_FILENO);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x900x24",
                   "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // Xvfb writes the number and its line end apart, and stops if the pipe is gone.
        readEnd_ = fds[0];
        std::string number;
        char c = 0;
        while (read(readEnd_, &c, 1) == 1 && c != '\n')
            number += c;
        if (!number.empty())
            display_ = ":" + number;
    }
    ~OwnXServer()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (readEnd_ >= 0)
            close(readEnd_);
    }
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    int readEnd_ = -1;
    std::string display_;
};

int main(int argc, char* argv[])
{
    // Several programs are measured in turn, run by run, so that a slow spell of the
    // machine falls on all of them alike; each one's figures carry its name.
    std::vector<std::string> binaries;
    for (int i = 1; i < argc; ++i)
        binaries.emplace_back(argv[i]);
    if (binaries.empty())
        binaries.push_back(defaultBinary(argv[0]));
    for (const std::string& binary : binaries) {
        if (access(binary.c_str(), X_OK) != 0) {
            std::fprintf(stderr, "bench_startup: %s is not an executable\n", binary.c_str());
            return 1;
        }
    }
    int runs = Runs;
    if (const char* n = std::getenv("QUORL_BENCH_RUNS"))
        runs = std::max(3, std::atoi(n));
    std::vector<Platform> platforms{{"offscreen", {}}};
    OwnXServer x;
    if (!x.display().empty())
        platforms.push_back({"xcb", x.display()});
    else
        std::printf("startup: no Xvfb, so offscreen only\n");
    bench::Figures figures;
    // Offscreen also from a program folder an earlier start made, as a returning user
    // starts: no shipped files to copy, no settings file to write.
    std::vector<std::string> kept;
    for (const std::string& binary : binaries) {
        kept.push_back(newHome());
        if (const RunResult first = runOnce(binary, platforms.front(), kept.back());
            !first.error.empty()) {
            std::fprintf(stderr, "bench_startup: first start: %s\n", first.error.c_str());
            return 1;
        }
    }
    for (int run = 0; run < runs; ++run) {
        for (std::size_t b = 0; b < binaries.size(); ++b) {
            const std::string& binary = binaries[b];
            const std::string name = binaries.size() > 1 ? binary + ": " : std::string();
            for (const Platform& platform : platforms) {
                const std::string home = newHome();
                const RunResult r = runOnce(binary, platform, home);
                std::filesystem::remove_all(home);
                if (!r.error.empty()) {
                    std::fprintf(stderr, "bench_startup: %s run %d: %s\n", platform.name.c_str(),
                                 run + 1, r.error.c_str());
                    return 1;
                }
                const std::string label = name + platform.name;
                figures.add(label + ": process start to PONG after 376", r.pongMs, "ms", TargetMs);
                figures.add(label + ": processor time of the client until then", r.cpuMs, "ms");
                figures.add(label + ": idle in one channel, VmRSS", r.rssMb, "MB", TargetMb);
            }
            const RunResult again = runOnce(binary, platforms.front(), kept[b]);
            if (!again.error.empty()) {
                std::fprintf(stderr, "bench_startup: existing folder run %d: %s\n", run + 1,
                             again.error.c_str());
                return 1;
            }
            figures.add(name + "offscreen, existing program folder: start to PONG", again.pongMs,
                        "ms", TargetMs);
            figures.add(name + "offscreen, existing program folder: idle VmRSS", again.rssMb, "MB",
                        TargetMb);
        }
    }
    for (const std::string& home : kept)
        std::filesystem::remove_all(home);
    std::string names;
    for (const std::string& binary : binaries)
        names += (names.empty() ? "" : ", ") + binary;
    std::printf("startup (%s), %d runs per platform, each a fresh process%s;\n"
                "  load = 1-minute load average read after each run\n",
                names.c_str(), runs, binaries.size() > 1 ? ", the programs in turn" : "");
    figures.print();
    return 0;
}
