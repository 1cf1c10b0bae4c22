// vokari-sim: the loopback stand-in for the service's web, media and player
// hosts. See README.md in this folder for the options and the catalogue.
#include "sim/server.h"

#include <pthread.h>
#include <signal.h>

#include <charconv>
#include <cstdio>
#include <string_view>
#include <thread>

namespace {

constexpr const char* kUsage =
    "usage: vokari-sim [--port N] [--latency-ms N] [--log FILE] [--fault PATH_PREFIX=MODE]...\n"
    "                  [--stall-ms N] [--huge-mb N]\n"
    "  --port 0 picks a free port; the port is always the first line of output.\n"
    "  MODE: reset, stall, 500, garbage, binary, huge, nul, charset, redirect-loop\n";

bool readNumber(std::string_view text, long long low, long long high, long long& out) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size() && out >= low && out <= high;
}

bool parseArguments(int argc, char** argv, vokari::sim::ServerOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view name = argv[i];
        if (i + 1 >= argc) return false;
        const std::string_view value = argv[++i];
        long long n = 0;
        if (name == "--port" && readNumber(value, 0, 65535, n)) {
            options.port = static_cast<int>(n);
        } else if (name == "--latency-ms" && readNumber(value, 0, 600000, n)) {
            options.latencyMs = static_cast<int>(n);
        } else if (name == "--stall-ms" && readNumber(value, 0, 3600000, n)) {
            options.stallMs = static_cast<int>(n);
        } else if (name == "--huge-mb" && readNumber(value, 1, 4096, n)) {
            options.hugeBytes = static_cast<std::uint64_t>(n) * 1024 * 1024;
        } else if (name == "--log") {
            options.logPath = std::string(value);
        } else if (name == "--fault") {
            auto rule = vokari::sim::parseFaultRule(value);
            if (!rule) return false;
            options.faults.push_back(std::move(*rule));
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    vokari::sim::ServerOptions options;
    if (!parseArguments(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    // Signals are taken by one thread with sigwait, so every other thread
    // (the server's workers included) must have them blocked from the start.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    vokari::sim::SimServer server(options);
    if (!server.bind()) {
        std::fprintf(stderr, "vokari-sim: cannot listen on 127.0.0.1:%d or open the log\n", options.port);
        return 1;
    }
    std::printf("%d\n", server.port());
    std::fflush(stdout);
    std::fprintf(stderr, "vokari-sim: serving http://127.0.0.1:%d/ (Ctrl+C stops)\n", server.port());

    std::thread waiter([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.stop();
    });
    server.run();
    // run() also ends without a signal when listening fails; wake the waiter.
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    return 0;
}
