// Starts the real vokari-sim executable for a test and stops it again: the
// tests of every layer that need the service start it this way.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace vokari::sim {

class SimProcess {
public:
    // Starts `executable --port 0 <arguments>` and reads the port it prints.
    // The default executable is the one built beside this library.
    explicit SimProcess(std::vector<std::string> arguments = {}, std::string executable = defaultExecutable());
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // False when the process could not start or printed no port.
    bool started() const { return port_ > 0; }
    int port() const { return port_; }
    std::string host() const;  // "127.0.0.1:<port>"
    std::string url(const std::string& target) const;  // "http://127.0.0.1:<port>" + target

    // Sends `signal` and waits for the process. Gives its exit code, or
    // 128 + the signal that ended it, or -1 when there is no process.
    int stop(int signal);

    static std::string defaultExecutable();

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

}  // namespace vokari::sim
