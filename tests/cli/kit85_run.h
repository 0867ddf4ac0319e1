#pragma once

// Runs the built kit85-run as a child process (its path is in KIT85_RUN) and
// collects its exit status and output, with a time bound so a runner that
// hangs fails the test instead of stalling it.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace kit85::testing {

inline const char* runnerPath() {
    const char* p = std::getenv("KIT85_RUN");
    return p && *p ? p : nullptr;
}

#define SKIP_WITHOUT_RUNNER()                                                                     \
    do {                                                                                          \
        if (!::kit85::testing::runnerPath())                                                      \
            GTEST_SKIP() << "KIT85_RUN is not set: it must hold the path of the built kit85-run"; \
    } while (0)

struct Outcome {
    int exitCode = -1;  // -1 when ended by a signal or not ended in time
    int signal = 0;     // the signal that ended it, if any
    bool timedOut = false;
    std::string out, err;
    std::string command;

    // The report, or a JSON null when stdout holds none.
    nlohmann::json json() const {
        auto j = nlohmann::json::parse(out, nullptr, false);
        return j.is_discarded() ? nlohmann::json() : j;
    }
    // Everything a failing test should show.
    std::string describe() const {
        std::ostringstream os;
        os << "command: " << command << "\nexit " << exitCode;
        if (signal) os << " (signal " << signal << ")";
        if (timedOut) os << " (timed out)";
        os << "\nstdout: " << out << "\nstderr: " << err;
        return os.str();
    }
};

// Where the runner's standard output goes: a pipe the test reads, a device
// that refuses every write for want of space, or nowhere (the descriptor closed).
enum class Stdout { Pipe, Full, Closed };

// A started runner whose output is collected until it ends.
class Child {
public:
    explicit Child(const std::vector<std::string>& args, Stdout to = Stdout::Pipe) {
        command_ = runnerPath();
        // Long arguments are shortened here so that a failing test stays readable.
        for (const auto& a : args)
            command_ +=
                " '" + (a.size() <= 200 ? a : a.substr(0, 80) + "...(" + std::to_string(a.size()) + " bytes)") + "'";
        if (to == Stdout::Full) command_ += " >/dev/full";
        if (to == Stdout::Closed) command_ += " >&-";
        int outPipe[2], errPipe[2];
        if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) return;
        std::vector<std::string> argv0 = {runnerPath()};
        argv0.insert(argv0.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : argv0) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            if (to == Stdout::Pipe) {
                ::dup2(outPipe[1], 1);
            } else if (to == Stdout::Full) {
                int full = ::open("/dev/full", O_WRONLY);
                if (full < 0) ::_exit(126);
                ::dup2(full, 1);
            } else {
                ::close(1);
            }
            ::dup2(errPipe[1], 2);
            int devnull = ::open("/dev/null", O_RDONLY);
            if (devnull >= 0) ::dup2(devnull, 0);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(outPipe[1]);
        ::close(errPipe[1]);
        outFd_ = outPipe[0];
        errFd_ = errPipe[0];
    }
    ~Child() {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (outFd_ >= 0) ::close(outFd_);
        if (errFd_ >= 0) ::close(errFd_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return pid_; }

    // Closes the reading end of the runner's standard output, as a reader
    // such as `head -1` does when it has read enough.
    void closeStdout() {
        if (outFd_ >= 0) ::close(outFd_);
        outFd_ = -1;
    }

    // True once the runner has installed its handler for SIGINT (Linux shows
    // caught signals in /proc), so a SIGINT sent now is a stop request.
    bool catchesSigint(std::chrono::milliseconds within) const {
        auto until = std::chrono::steady_clock::now() + within;
        while (std::chrono::steady_clock::now() < until) {
            std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
            std::string line;
            while (std::getline(status, line)) {
                if (line.rfind("SigCgt:", 0) == 0) {
                    unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
                    if (mask & (1ull << (SIGINT - 1))) return true;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    // The processor time the runner has used so far (user and system), as
    // Linux shows it in /proc; zero once it is gone.
    std::chrono::milliseconds cpuTime() const {
        std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
        std::string line;
        std::getline(stat, line);
        // After the name in parentheses: state, then utime and stime are the 12th and 13th fields.
        std::istringstream rest(line.substr(line.rfind(')') + 1));
        std::string field;
        unsigned long long utime = 0, stime = 0;
        for (int i = 1; i <= 13 && rest >> field; ++i) {
            if (i == 12) utime = std::stoull(field);
            if (i == 13) stime = std::stoull(field);
        }
        return std::chrono::milliseconds((utime + stime) * 1000 /
                                         static_cast<unsigned long long>(::sysconf(_SC_CLK_TCK)));
    }

    // True once the runner has kept a processor busy for `busy` more than
    // when asked: a loop it runs is under way.
    bool worksFor(std::chrono::milliseconds busy, std::chrono::milliseconds within) const {
        const auto from = cpuTime();
        auto until = std::chrono::steady_clock::now() + within;
        while (std::chrono::steady_clock::now() < until) {
            if (cpuTime() - from >= busy) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    // Collects output until the runner ends or the time is up (then kills it).
    Outcome wait(std::chrono::milliseconds within) {
        Outcome o;
        o.command = command_;
        auto until = std::chrono::steady_clock::now() + within;
        bool outOpen = outFd_ >= 0, errOpen = errFd_ >= 0;
        while (outOpen || errOpen) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                o.timedOut = true;
                break;
            }
            pollfd fds[2] = {{outOpen ? outFd_ : -1, POLLIN, 0}, {errOpen ? errFd_ : -1, POLLIN, 0}};
            if (::poll(fds, 2, static_cast<int>(left.count())) < 0) continue;
            char buf[65536];
            for (int i = 0; i < 2; ++i) {
                if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
                if (n > 0)
                    (i == 0 ? o.out : o.err).append(buf, static_cast<size_t>(n));
                else
                    (i == 0 ? outOpen : errOpen) = false;
            }
        }
        if (o.timedOut) ::kill(pid_, SIGKILL);
        int status = 0;
        if (pid_ > 0 && ::waitpid(pid_, &status, 0) == pid_) {
            reaped_ = true;
            if (WIFEXITED(status) && !o.timedOut) o.exitCode = WEXITSTATUS(status);
            if (WIFSIGNALED(status)) o.signal = WTERMSIG(status);
        }
        return o;
    }

private:
    std::string command_;
    pid_t pid_ = -1;
    int outFd_ = -1, errFd_ = -1;
    bool reaped_ = false;
};

// Generous: a sanitizer build on a busy machine is slow, and a bound is only
// there so that a hang fails instead of stalling.
constexpr std::chrono::seconds kRunBound{120};

inline Outcome runKit85(const std::vector<std::string>& args, Stdout to = Stdout::Pipe) {
    return Child(args, to).wait(kRunBound);
}

// A folder of its own for one test, removed afterwards.
class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kit85-cli-XXXXXX").string();
        if (::mkdtemp(tmpl.data())) path_ = tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name, const std::string& contents) const {
        auto p = path_ / name;
        std::ofstream(p, std::ios::binary) << contents;
        return p.string();
    }
    std::string path(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

using Fields = std::vector<std::pair<std::string, nlohmann::json>>;

// Checks the exit status and the named fields (JSON pointers) of the report;
// a failure lists every field that differs, then the whole run.
inline void expectReport(const Outcome& o, int exitCode, const Fields& fields, const std::string& name = "") {
    using nlohmann::json;
    json j = o.json();
    std::ostringstream diff;
    if (o.exitCode != exitCode) diff << "  exit: " << o.exitCode << ", want " << exitCode << "\n";
    if (!j.is_object())
        diff << "  stdout is no JSON object\n";
    else
        for (const auto& [ptr, want] : fields) {
            json::json_pointer p(ptr);
            json got = j.contains(p) ? j.at(p) : json("<missing>");
            if (got != want) diff << "  " << ptr << ": " << got.dump() << ", want " << want.dump() << "\n";
        }
    EXPECT_TRUE(diff.str().empty()) << (name.empty() ? "" : name + ":\n") << diff.str() << o.describe();
}

// What --dump reads from a memory file, the kit running no step.
inline nlohmann::json dumpOf(const std::string& memory, const std::vector<std::string>& dumps) {
    std::vector<std::string> args = {"--memory", memory, "--steps", "0", "--json"};
    for (const auto& d : dumps) args.insert(args.end(), {"--dump", d});
    Outcome o = runKit85(args);
    EXPECT_EQ(o.exitCode, 0) << o.describe();
    return o.json().value("memory", nlohmann::json());
}

// The arguments with --json, for a run whose report a test reads.
inline std::vector<std::string> withJson(std::vector<std::string> args) {
    args.push_back("--json");
    return args;
}

// A run of a program from a file gets a step bound, so that a file wrongly
// accepted ends at once instead of running NOPs until the test's time bound.
inline std::vector<std::string> bounded(std::vector<std::string> args) {
    args.insert(args.end(), {"--max-steps", "1000"});
    return args;
}

}  // namespace kit85::testing
