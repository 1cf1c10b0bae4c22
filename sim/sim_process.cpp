#include "sim/sim_process.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>

extern char** environ;

namespace vokari::sim {

namespace {

struct Pipe {
    int fds[2] = {-1, -1};
    Pipe() {
        if (pipe(fds) != 0) fds[0] = fds[1] = -1;
    }
    ~Pipe() {
        for (int fd : fds)
            if (fd >= 0) close(fd);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
};

struct SpawnActions {
    posix_spawn_file_actions_t actions;
    SpawnActions() { posix_spawn_file_actions_init(&actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
};

// The first line of output, waiting at most ten seconds for it: a loaded
// machine may be slow, and a process that never answers must not hang a test.
std::string firstLine(int fd) {
    std::string line;
    char c = 0;
    while (line.size() < 32) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 10000) <= 0) break;
        if (read(fd, &c, 1) != 1 || c == '\n') break;
        line.push_back(c);
    }
    return line;
}

}  // namespace

std::string SimProcess::defaultExecutable() { return VOKARI_SIM_EXECUTABLE; }

SimProcess::SimProcess(std::vector<std::string> arguments, std::string executable) {
    std::vector<std::string> words{executable, "--port", "0"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    Pipe out;
    if (out.fds[0] < 0) return;
    SpawnActions spawn;
    posix_spawn_file_actions_adddup2(&spawn.actions, out.fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&spawn.actions, out.fds[0]);
    if (posix_spawn(&pid_, executable.c_str(), &spawn.actions, nullptr, argv.data(), environ) != 0) {
        pid_ = -1;
        return;
    }
    close(out.fds[1]);
    out.fds[1] = -1;
    const std::string line = firstLine(out.fds[0]);
    int port = 0;
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), port);
    if (error == std::errc() && end == line.data() + line.size()) port_ = port;
}

SimProcess::~SimProcess() { stop(SIGTERM); }

std::string SimProcess::host() const { return "127.0.0.1:" + std::to_string(port_); }

std::string SimProcess::url(const std::string& target) const { return "http://" + host() + target; }

int SimProcess::stop(int signal) {
    if (pid_ <= 0) return -1;
    kill(pid_, signal);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace vokari::sim
