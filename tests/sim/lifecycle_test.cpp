// Starting and stopping the simulator process: loopback only, clean exits on
// SIGTERM and SIGINT even with a reply stalled, clear failures otherwise.
#include "sim/request_log.h"
#include "sim/sim_process.h"
#include "tests/sim/http_get.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

extern char** environ;

namespace vokari::sim {
namespace {

// Local addresses (hex, as /proc/net/tcp writes them) of listening sockets on `port`.
std::vector<std::string> listeningAddresses(int port) {
    std::vector<std::string> out;
    char portHex[8];
    std::snprintf(portHex, sizeof portHex, "%04X", port);
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::ifstream in(table);
        std::string line;
        std::getline(in, line);  // column titles
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state;
            fields >> slot >> local >> remote >> state;
            if (state == "0A" && local.substr(local.find(':') + 1) == portHex) out.push_back(local.substr(0, local.find(':')));
        }
    }
    return out;
}

int runToExit(std::vector<std::string> words) {
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SimLifecycle, ListensOnLoopbackOnly) {
    SimProcess sim;
    ASSERT_TRUE(sim.started());
    EXPECT_EQ(listeningAddresses(sim.port()), std::vector<std::string>{"0100007F"});
}

TEST(SimLifecycle, StopsCleanlyOnEitherSignalEvenWithAReplyStalled) {
    for (int signal : {SIGTERM, SIGINT}) {
        // Ten minutes of stall: if stopping waited for it, the test would time out.
        const std::string log = (std::filesystem::temp_directory_path() /
                                 ("vokari-sim-stop-" + std::to_string(getpid()) + ".log"))
                                    .string();
        std::filesystem::remove(log);
        SimProcess sim({"--stall-ms", "600000", "--fault", "/u/=stall", "--log", log});
        ASSERT_TRUE(sim.started());
        auto stalled = std::async(std::launch::async, [&] { return testing::httpGet(sim.url("/u/10001")); });
        // The log line is written before the stall begins: once it is there,
        // the stop meets the request mid-stall.
        while (readRequestLog(log).empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(sim.stop(signal), 0) << "signal " << signal;
        EXPECT_NE(stalled.get().code, CURLE_OK);
        EXPECT_EQ(testing::httpGet(sim.url("/play/swf/03.swf")).code, CURLE_COULDNT_CONNECT);
        std::filesystem::remove(log);
    }
}

TEST(SimLifecycle, AStopRightAfterTheStartIsNotLost) {
    // The signal lands while the listener is still being set up; a stop that
    // got lost there left the process serving forever.
    for (int round = 0; round < 20; ++round) {
        SimProcess sim;
        ASSERT_TRUE(sim.started());
        ASSERT_EQ(sim.stop(SIGTERM), 0) << "round " << round;
    }
}

TEST(SimLifecycle, FailsClearlyOnABusyPortAndOnBadArguments) {
    SimProcess first;
    ASSERT_TRUE(first.started());
    SimProcess second({"--port", std::to_string(first.port())});
    EXPECT_FALSE(second.started());
    EXPECT_EQ(second.stop(SIGTERM), 1);

    const std::string exe = SimProcess::defaultExecutable();
    EXPECT_EQ(runToExit({exe, "--port", "70000"}), 2);
    EXPECT_EQ(runToExit({exe, "--fault", "/u/=nonsense"}), 2);
    EXPECT_EQ(runToExit({exe, "--fault", "no-slash=500"}), 2);
    EXPECT_EQ(runToExit({exe, "--latency-ms"}), 2);
    EXPECT_EQ(runToExit({exe, "--what", "1"}), 2);
}

TEST(SimLifecycle, LatencyIsAddedAndPortsAreIndependent) {
    // Two simulators side by side, one slow; both answer the same bytes.
    SimProcess fast;
    SimProcess slow({"--latency-ms", "200"});
    ASSERT_TRUE(fast.started());
    ASSERT_TRUE(slow.started());
    EXPECT_NE(fast.port(), slow.port());
    const std::string list = "/member/personcenter/loadmore.php?ver=1&pageNum=0&type=0&userid=510020&curuserid=-1";
    EXPECT_EQ(testing::httpGet(fast.url(list)).body, testing::httpGet(slow.url(list)).body);
    // A client that will not wait for the latency gets nothing.
    EXPECT_EQ(testing::httpGet(slow.url("/u/10001"), testing::HttpRequest{.timeoutMs = 50}).code,
              CURLE_OPERATION_TIMEDOUT);
}

}  // namespace
}  // namespace vokari::sim
