// vokari-sim as a library: the loopback server that plays the service's web,
// media and player hosts on one port. main.cpp is a thin shell over this, and
// tests may run it in their own process.
#pragma once

#include "sim/catalogue.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vokari::sim {

// Every request whose target (path and query, as sent) begins with `prefix`
// gets `mode`. Given on the command line as --fault PREFIX=MODE.
struct FaultRule {
    std::string prefix;
    FaultMode mode = FaultMode::None;
};
std::optional<FaultRule> parseFaultRule(std::string_view text);

struct ServerOptions {
    int port = 47080;  // 0: any free port
    int latencyMs = 0;  // added before every reply
    std::string logPath;  // empty: no request log
    int stallMs = 35000;  // longer than the 30 s a client waits by default
    std::uint64_t hugeBytes = 40ull * 1024 * 1024;
    std::vector<FaultRule> faults;
};

class SimServer {
public:
    explicit SimServer(ServerOptions options);
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Binds 127.0.0.1 and opens the log. False when either fails.
    bool bind();
    int port() const;
    // Serves until stop(); stop() may come from any thread.
    void run();
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vokari::sim
